#pragma once

#include "encoder/clsFiniteField.h"

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
    // The parity of `count` blocks of DataLength() bytes each, `stride` bytes apart, highest
    // degree first: block b's parity codeword of degree P-1-k goes to
    // parity[b + k * parityStride]. Blocks are worked on several at a time, so that the chain
    // of one overlaps the others'.
    void EncodeBlocks(const std::uint8_t* blocks, int count, int stride, std::uint8_t* parity,
                      int parityStride) const;

  private:
    struct FieldIdentity {
        const clsFiniteField* field = nullptr;
        int size = 0, modulus = 0, alpha = 0;
        bool operator==(const FieldIdentity&) const = default;
    };
    // What a generator depends on: Init with the same again keeps the one it has.
    struct GeneratorIdentity {
        FieldIdentity field;
        int parityLength = 0, alpha = 0, firstRoot = 0;
        bool operator==(const GeneratorIdentity&) const = default;
    };

    FieldIdentity fieldIdentity() const;
    void buildGenerator(int parityLength, int alpha, int firstRoot);
    int rootPower(int alpha, int exponent) const;
    void prepareBinaryFastPath();
    void encodeBinary(std::int32_t* work) const;
    void encodeGeneric(std::int32_t* work) const;
    void buildProducts();
    void encodeWithProducts(std::int32_t* block) const;

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
    FieldIdentity powersOf_;           // the field whose powers_ are tabulated
    GeneratorIdentity generatorOf_;    // what generator_ was built for
    int generatorTop_ = MaxLength - 1; // entries above it are known to be 0
    std::array<std::int32_t, MaxLength> generatorLog_{};
    std::array<std::uint16_t, 3 * clsFiniteField::MaxSize> powers_{};

    // GF(256) with at most 64 parity codewords (the QR case): the products t · g(x) for every t
    // are tabulated, so each data codeword costs one contiguous XOR of P bytes.
    static constexpr int ProductWidth = 64;
    bool useProducts_ = false;
    std::array<std::uint8_t, 256 * ProductWidth> products_{};
};
