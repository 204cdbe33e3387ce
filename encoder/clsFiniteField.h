#pragma once

#include <array>
#include <cstdint>

// Arithmetic in one finite field GF(q), 2 <= q <= 16384: GF(2^m) when q is a power of two
// (elements are polynomial bit masks reduced by Modulus), otherwise the integers modulo q.
// The fast operations are table look-ups; the *Direct ones work without the tables.
class clsFiniteField {
  public:
    static constexpr int MaxSize = 16384;

    int Size() const { return size_; }
    int Modulus() const { return modulus_; }
    int PrimitiveElement() const { return primitiveElement_; }

    int FindPrimitiveElement() const;
    bool Init(int size, int modulus, int primitiveElement);

    int Add(int a, int b) const {
        if (isBinary()) return a ^ b;
        int s = a + b;
        return s >= size_ ? s - size_ : s;
    }
    int Negate(int a) const {
        if (isBinary()) return a;
        return a == 0 ? 0 : size_ - a;
    }
    int Subtract(int a, int b) const {
        if (isBinary()) return a ^ b;
        int d = a - b;
        return d < 0 ? d + size_ : d;
    }
    // Hot path of the Reed-Solomon encoder: two log reads, one comparison, one exp read.
    int Multiply(int a, int b) const {
        if (a == 0 || b == 0) return 0;
        int s = logTable_[a] + logTable_[b];
        if (s >= size_ - 1) s -= size_ - 1;
        return expTable_[s];
    }
    int MultiplyDirect(int a, int b) const;
    int Inverse(int a) const {
        if (a == 0) return 0;
        return expTable_[size_ - 1 - logTable_[a]];
    }
    int InverseDirect(int a) const;
    int Divide(int a, int b) const {
        if (a == 0 || b == 0) return 0;
        int d = logTable_[a] - logTable_[b];
        if (d < 0) d += size_ - 1;
        return expTable_[d];
    }
    int DivideDirect(int a, int b) const;
    int Log(int x) const { return logTable_[x]; }
    int Exp(int n) const {
        if (n >= 0 && n < size_ - 1) return expTable_[n];
        int r = n % (size_ - 1);
        if (r < 0) r += size_ - 1;
        return expTable_[r];
    }

  private:
    // Power-of-two sizes are GF(2^m); q = 2 counts as one too (its modulus is stored as 2).
    bool isBinary() const { return (size_ & (size_ - 1)) == 0; }
    int powerDirect(int base, int exponent) const;
    int primeFieldInverse(int a) const;
    void buildTables(int alpha);

    int size_ = 0;
    int modulus_ = 0;
    int primitiveElement_ = 0;
    std::array<std::int16_t, MaxSize> logTable_{};
    std::array<std::int16_t, MaxSize> expTable_{};
};
