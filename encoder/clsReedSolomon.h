#pragma once

#include "clsFiniteField.h"

#include <array>
#include <cstdint>
#include <memory>

// Systematic Reed-Solomon encoder over a clsFiniteField. Init builds the generator polynomial
// (x - α^b)(x - α^(b+1))…(x - α^(b+P-1)) for one block shape; Encode then computes the parity
// of any number of blocks of that shape. Polynomials are held lowest degree first.
class clsReedSolomon {
  public:
    static constexpr int MaxLength = 1024;

    std::shared_ptr<clsFiniteField> Field() const { return field_; }
    void Field(std::shared_ptr<clsFiniteField> field) { field_ = std::move(field); }
    int PrimitiveElement() const { return primitiveElement_; }
    void PrimitiveElement(int alpha) { primitiveElement_ = alpha; }
    int DataLength() const { return dataLength_; }
    int ParityLength() const { return parityLength_; }
    int FirstRoot() const { return firstRoot_; }
    int GeneratorCoefficient(int i) const { return generator_[i]; }

    bool Init(int dataLength, int parityLength, std::shared_ptr<clsFiniteField> field,
              int primitiveElement, int firstRoot);

    // block[P … P+k-1] hold the data (highest index first transmitted); block[0 … P-1]
    // receive the parity. Entries above P+k-1 are never touched.
    void Encode(std::int32_t* block) const;

  private:
    int rootPower(int alpha, int exponent) const;
    void prepareBinaryFastPath();
    void encodeBinary(std::int32_t* work) const;
    void encodeGeneric(std::int32_t* work) const;

    std::shared_ptr<clsFiniteField> field_;
    int dataLength_ = 0;
    int parityLength_ = 0;
    int primitiveElement_ = 0;
    int firstRoot_ = 0;
    std::array<std::int32_t, MaxLength> generator_{};

    // GF(2^m) fast path, rebuilt by Init: log of each generator coefficient (a zero coefficient
    // maps into the zero tail of the power table) and α^i for i < 3(q - 1), so that
    // t · g[j] is one addition and one read with no reduction and no zero test.
    bool binaryField_ = false;
    std::array<std::int32_t, MaxLength> generatorLog_{};
    std::array<std::uint16_t, 3 * clsFiniteField::MaxSize> powers_{};
};
