#include "clsReedSolomon.h"

bool clsReedSolomon::Init(int dataLength, int parityLength, std::shared_ptr<clsFiniteField> field,
                          int primitiveElement, int firstRoot) {
    if (dataLength <= 0 || parityLength <= 0 || dataLength + parityLength > MaxLength ||
        firstRoot < 0)
        return false;
    if (field) field_ = std::move(field);
    if (!field_) return false;
    int alpha = primitiveElement;
    if (alpha == 0) alpha = primitiveElement_;
    if (alpha == 0) alpha = field_->PrimitiveElement();
    if (alpha == 0) return false;

    dataLength_ = dataLength;
    parityLength_ = parityLength;
    primitiveElement_ = alpha;
    firstRoot_ = firstRoot;

    const clsFiniteField& f = *field_;
    int c = f.Negate(rootPower(alpha, firstRoot));
    generator_.fill(0);
    generator_[0] = c;
    generator_[1] = 1;
    for (int i = 2; i <= parityLength; ++i) {
        c = f.Multiply(c, alpha); // now -α^(b+i-1)
        generator_[i] = 1;
        for (int j = i - 1; j >= 1; --j)
            generator_[j] = f.Add(generator_[j - 1], f.Multiply(generator_[j], c));
        generator_[0] = f.Multiply(generator_[0], c);
    }
    prepareBinaryFastPath();
    return true;
}

void clsReedSolomon::prepareBinaryFastPath() {
    const clsFiniteField& f = *field_;
    const int q = f.Size();
    binaryField_ = q > 2 && (q & (q - 1)) == 0;
    if (!binaryField_) return;
    const int cycle = q - 1;
    for (int i = 0; i < 2 * cycle; ++i) powers_[i] = static_cast<std::uint16_t>(f.Exp(i));
    for (int i = 2 * cycle; i < 3 * cycle; ++i) powers_[i] = 0;
    for (int j = 0; j < parityLength_; ++j)
        generatorLog_[j] = generator_[j] == 0 ? 2 * cycle : f.Log(generator_[j]);
}

int clsReedSolomon::rootPower(int alpha, int exponent) const {
    const clsFiniteField& f = *field_;
    int r = (exponent & 1) ? alpha : 1;
    int s = alpha;
    for (int t = 1; (exponent >> t) != 0; ++t) {
        s = f.Multiply(s, s);
        if (exponent & (1 << t)) r = f.Multiply(r, s);
    }
    return r;
}

void clsReedSolomon::Encode(std::int32_t* block) const {
    const int k = dataLength_;
    const int p = parityLength_;
    if (k <= 0 || p <= 0) return;
    std::array<std::int32_t, MaxLength> work;
    for (int i = 0; i < p; ++i) work[i] = 0;
    for (int i = 0; i < k; ++i) work[p + i] = block[p + i];
    if (binaryField_)
        encodeBinary(work.data());
    else
        encodeGeneric(work.data());
    const clsFiniteField& f = *field_;
    for (int j = 0; j < p; ++j) block[j] = f.Negate(work[j]);
}

// Long division of D(x)·x^P by g(x), highest degree first; the leading term is never reread.
void clsReedSolomon::encodeGeneric(std::int32_t* work) const {
    const clsFiniteField& f = *field_;
    const int p = parityLength_;
    for (int i = dataLength_ - 1; i >= 0; --i) {
        const int t = work[p + i];
        if (t == 0) continue;
        for (int j = 0; j < p; ++j)
            work[i + j] = f.Subtract(work[i + j], f.Multiply(t, generator_[j]));
    }
}

// The same division in GF(2^m), where subtraction is XOR and products come from the log tables.
void clsReedSolomon::encodeBinary(std::int32_t* work) const {
    const clsFiniteField& f = *field_;
    const int p = parityLength_;
    for (int i = dataLength_ - 1; i >= 0; --i) {
        const int t = work[p + i];
        if (t == 0) continue;
        const int logT = f.Log(t);
        std::int32_t* row = work + i;
        for (int j = 0; j < p; ++j) row[j] ^= powers_[logT + generatorLog_[j]];
    }
}
