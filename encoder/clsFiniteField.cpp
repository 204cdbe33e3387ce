#include "encoder/clsFiniteField.h"

#include <cmath>

namespace {

bool isPowerOfTwo(int q) {
    return (q & (q - 1)) == 0;
}

int roundedSqrtPlusTwo(int n) {
    return static_cast<int>(std::lround(std::sqrt(double(n)) + 2.0));
}

} // namespace

bool clsFiniteField::Init(int size, int modulus, int primitiveElement) {
    if (size < 2 || size > MaxSize) return false;
    if (size == 2) {
        size_ = 2;
        modulus_ = 2;
        primitiveElement_ = 1;
        logTable_[0] = logTable_[1] = 0;
        expTable_[0] = expTable_[1] = 1;
        return true;
    }
    if (isPowerOfTwo(size) && modulus == 0) return false;
    size_ = size;
    modulus_ = isPowerOfTwo(size) ? modulus : size;
    int alpha = primitiveElement != 0 ? primitiveElement : FindPrimitiveElement();
    buildTables(alpha);
    return true;
}

void clsFiniteField::buildTables(int alpha) {
    const int q = size_;
    logTable_[0] = 0;
    logTable_[1] = 0;
    logTable_[alpha] = 1;
    expTable_[0] = 1;
    expTable_[q - 1] = 1;
    expTable_[1] = static_cast<std::int16_t>(alpha);
    primitiveElement_ = alpha;
    int x = alpha;
    for (int i = 2; i <= q - 2; ++i) {
        x = MultiplyDirect(x, alpha);
        logTable_[x] = static_cast<std::int16_t>(i);
        expTable_[i] = static_cast<std::int16_t>(x);
    }
}

int clsFiniteField::FindPrimitiveElement() const {
    const int q = size_;
    const int order = q - 1;
    // The exponents (q - 1) / p for every distinct prime p of q - 1; at most 8 exist below 2^14.
    int exponents[8];
    int count = 0;
    int n = order;
    if (n % 2 == 0) {
        exponents[count++] = order / 2;
        while (n % 2 == 0) n /= 2;
    }
    int limit = roundedSqrtPlusTwo(n);
    for (int i = 3; i <= limit; i += 2) {
        if (n % i != 0) continue;
        while (n % i == 0) n /= i;
        exponents[count++] = order / i;
        limit = roundedSqrtPlusTwo(n);
    }
    if (n > 1) exponents[count++] = order / n;

    for (int d = 2; d <= q - 1; ++d) {
        bool primitive = true;
        for (int e = 0; e < count && primitive; ++e) {
            if (powerDirect(d, exponents[e]) == 1) primitive = false;
        }
        if (primitive) return d;
    }
    return 0;
}

// Square-and-multiply over 14 precomputed squares; exponents stay below 2^14.
int clsFiniteField::powerDirect(int base, int exponent) const {
    int squares[14];
    squares[0] = base;
    for (int k = 1; k < 14; ++k) squares[k] = MultiplyDirect(squares[k - 1], squares[k - 1]);
    int r = 1;
    for (int k = 0; k < 14 && (exponent >> k) != 0; ++k) {
        if (exponent & (1 << k)) r = MultiplyDirect(r, squares[k]);
    }
    return r;
}

int clsFiniteField::MultiplyDirect(int a, int b) const {
    if (a == 0 || b == 0) return 0;
    const int q = size_;
    if (q == 2) return 1;
    if (!isPowerOfTwo(q)) return static_cast<int>((static_cast<long long>(a) * b) % q);
    int acc = 0;
    int mask = 1;
    for (;;) {
        if (b & mask) {
            b &= ~mask;
            acc ^= a;
        }
        if (b == 0) return acc;
        a <<= 1;
        mask <<= 1;
        if (a & q) a = (a ^ modulus_) & (q - 1);
    }
}

int clsFiniteField::primeFieldInverse(int a) const {
    long long r0 = size_, r1 = a, t0 = 0, t1 = 1;
    while (r1 != 0) {
        long long quotient = r0 / r1;
        long long r2 = r0 - quotient * r1;
        r0 = r1;
        r1 = r2;
        long long t2 = t0 - quotient * t1;
        t0 = t1;
        t1 = t2;
    }
    long long t = t0 % size_;
    return static_cast<int>(t < 0 ? t + size_ : t);
}

// In GF(2^m) the true inverse is a^(q-2), since the multiplicative group has order q - 1.
int clsFiniteField::InverseDirect(int a) const {
    if (a == 0) return 0;
    if (size_ == 2) return 1;
    if (isPowerOfTwo(size_)) return powerDirect(a, size_ - 2);
    return primeFieldInverse(a);
}

int clsFiniteField::DivideDirect(int a, int b) const {
    if (a == 0 || b == 0) return 0;
    if (size_ == 2) return 1;
    if (isPowerOfTwo(size_)) return MultiplyDirect(a, powerDirect(b, size_ - 2));
    long long t = primeFieldInverse(b);
    long long r = (static_cast<long long>(a) * t) % size_;
    return static_cast<int>(r < 0 ? r + size_ : r);
}
