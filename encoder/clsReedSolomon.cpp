#include "encoder/clsReedSolomon.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    // The generator and its fast-path tables depend only on these; the same again keeps them.
    const GeneratorIdentity identity{fieldIdentity(), parityLength, alpha, firstRoot};
    if (!(identity == generatorOf_)) {
        buildGenerator(parityLength, alpha, firstRoot);
        prepareBinaryFastPath();
        generatorOf_ = identity;
    }
    return true;
}

void clsReedSolomon::prepareBinaryFastPath() {
    const clsFiniteField& f = *field_;
    const int q = f.Size();
    binaryField_ = q > 2 && (q & (q - 1)) == 0;
    useProducts_ = binaryField_ && q == 256 && parityLength_ <= ProductWidth;
    if (!binaryField_) return;
    const int cycle = q - 1;
    const FieldIdentity identity = fieldIdentity();
    if (!(identity == powersOf_)) {
        for (int i = 0; i < cycle; ++i) {
            powers_[i] = static_cast<std::uint16_t>(f.Exp(i));
            powers_[i + cycle] = powers_[i];
            powers_[i + 2 * cycle] = 0;
        }
        powersOf_ = identity;
    }
    for (int j = 0; j < parityLength_; ++j)
        generatorLog_[j] = generator_[j] == 0 ? 2 * cycle : f.Log(generator_[j]);
    if (useProducts_) buildProducts();
}

clsReedSolomon::FieldIdentity clsReedSolomon::fieldIdentity() const {
    return {field_.get(), field_->Size(), field_->Modulus(), field_->PrimitiveElement()};
}

// g(x) = (x - α^b)(x - α^(b+1))…(x - α^(b+P-1)), lowest degree first.
void clsReedSolomon::buildGenerator(int parityLength, int alpha, int firstRoot) {
    const clsFiniteField& f = *field_;
    int c = f.Negate(rootPower(alpha, firstRoot));
    // Entries above the previous generator's degree are still 0 from then.
    std::fill(generator_.begin(), generator_.begin() + generatorTop_ + 1, 0);
    generatorTop_ = parityLength;
    generator_[0] = c;
    generator_[1] = 1;
    for (int i = 2; i <= parityLength; ++i) {
        c = f.Multiply(c, alpha); // now -α^(b+i-1)
        generator_[i] = 1;
        for (int j = i - 1; j >= 1; --j)
            generator_[j] = f.Add(generator_[j - 1], f.Multiply(generator_[j], c));
        generator_[0] = f.Multiply(generator_[0], c);
    }
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
    if (useProducts_) {
        encodeWithProducts(block);
        return;
    }
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

// Rows t · g(x) for every t of GF(256). Multiplication distributes over XOR, so only the
// eight single-bit rows need products; every other row is the XOR of two rows already built.
// With at most 32 parity codewords, row t holds t · g_j at byte 32 - P + j, so that the top
// coefficient is always the top byte of a 256-bit remainder (see encodeWithProducts);
// otherwise at byte j.
void clsReedSolomon::buildProducts() {
    const int p = parityLength_;
    const int offset = p <= 32 ? 32 - p : 0;
    std::uint8_t* rows = products_.data();
    std::fill(rows, rows + ProductWidth, 0);
    for (int bit = 0; bit < 8; ++bit) {
        const int t = 1 << bit;
        const int logT = field_->Log(t);
        std::fill(rows + t * ProductWidth, rows + (t + 1) * ProductWidth, 0);
        for (int j = 0; j < p; ++j)
            rows[t * ProductWidth + offset + j] =
                static_cast<std::uint8_t>(powers_[logT + generatorLog_[j]]);
    }
    for (int t = 3; t < 256; ++t) {
        const int low = t & -t;
        if (low == t) continue;
        std::uint8_t* row = rows + t * ProductWidth;
        const std::uint8_t* a = rows + low * ProductWidth;
        const std::uint8_t* b = rows + (t ^ low) * ProductWidth;
        for (int j = 0; j < ProductWidth; ++j) row[j] = a[j] ^ b[j];
    }
}

namespace {

// The remainder of up to 32 coefficients as one 256-bit value in four 64-bit words, coefficient
// j of P at byte 32 - P + j: the top coefficient is the top byte, multiplying by x is a shift
// by one byte that drops it, and adding t · g(x) is the XOR of a tabulated row. Consecutive
// codewords then never wait on memory.
struct Remainder256 {
    std::uint64_t w[4] = {0, 0, 0, 0};

    // Eight bytes as one word, read straight into a register.
    static std::uint64_t word(const std::uint8_t* bytes) {
        std::uint64_t value;
        std::memcpy(&value, bytes, 8);
        return value;
    }
    int top() const { return static_cast<int>(w[3] >> 56); }
    int byte(int position) const {
        return static_cast<int>((w[position >> 3] >> (8 * (position & 7))) & 0xFF);
    }
    void shiftUpAndAdd(const std::uint8_t* row) {
        w[3] = ((w[3] << 8) | (w[2] >> 56)) ^ word(row + 24);
        w[2] = ((w[2] << 8) | (w[1] >> 56)) ^ word(row + 16);
        w[1] = ((w[1] << 8) | (w[0] >> 56)) ^ word(row + 8);
        w[0] = (w[0] << 8) ^ word(row);
    }
};

} // namespace

void clsReedSolomon::encodeWithProducts(std::int32_t* block) const {
    const int k = dataLength_;
    const int p = parityLength_;
    if (p <= 32) {
        // From the highest-degree data codeword down: t = d + r[P-1], R = x·R + t·g(x), whose
        // monic top term cancels the coefficient shifted out.
        Remainder256 r;
        for (int i = k - 1; i >= 0; --i)
            r.shiftUpAndAdd(&products_[((block[p + i] ^ r.top()) & 0xFF) * ProductWidth]);
        for (int j = 0; j < p; ++j) block[j] = r.byte(32 - p + j); // negation is the identity
        return;
    }
    const int width = (p + 15) & ~15; // whole 16-byte chunks; product bytes past P are 0
    // Room past k + P for the last chunk; bytes at and above P + i are consumed by then.
    std::uint8_t work[MaxLength + ProductWidth];
    for (int i = 0; i < p; ++i) work[i] = 0;
    for (int i = 0; i < k; ++i) work[p + i] = static_cast<std::uint8_t>(block[p + i]);
    for (int i = k - 1; i >= 0; --i) {
        const std::uint8_t* __restrict product = &products_[work[p + i] * ProductWidth];
        std::uint8_t* __restrict row = work + i;
        for (int j = 0; j < width; j += 16)
            for (int x = 0; x < 16; ++x) row[j + x] ^= product[j + x];
    }
    for (int j = 0; j < p; ++j) block[j] = work[j]; // negation is the identity in GF(2^m)
}

void clsReedSolomon::EncodeBlocks(const std::uint8_t* blocks, int count, int stride,
                                  std::uint8_t* parity, int parityStride) const {
    const int k = dataLength_;
    const int p = parityLength_;
    if (k <= 0 || p <= 0 || count <= 0) return;
#if defined(__SSE2__)
    if (useProducts_ && p <= 32) {
        // Each remainder is the 256-bit value of Remainder256 in two halves. One block's steps
        // form a chain of dependent reads; four chains in step keep the core busy meanwhile.
        constexpr int kInStep = 4;
        for (int first = 0; first < count; first += kInStep) {
            const int group = std::min(kInStep, count - first);
            const std::uint8_t* data[kInStep];
            __m128i lo[kInStep], hi[kInStep];
            for (int g = 0; g < kInStep; ++g) {
                // Missing members of the last group repeat its first block and are not stored.
                data[g] =
                    blocks + static_cast<std::ptrdiff_t>(first + (g < group ? g : 0)) * stride;
                lo[g] = hi[g] = _mm_setzero_si128();
            }
            for (int i = 0; i < k; ++i)
                for (int g = 0; g < kInStep; ++g) {
                    const int t = (_mm_extract_epi16(hi[g], 7) >> 8) ^ data[g][i];
                    const auto* row =
                        reinterpret_cast<const __m128i*>(&products_[t * ProductWidth]);
                    hi[g] = _mm_xor_si128(
                        _mm_or_si128(_mm_slli_si128(hi[g], 1), _mm_srli_si128(lo[g], 15)),
                        _mm_loadu_si128(row + 1));
                    lo[g] = _mm_xor_si128(_mm_slli_si128(lo[g], 1), _mm_loadu_si128(row));
                }
            for (int g = 0; g < group; ++g) {
                alignas(16) std::uint8_t r[32];
                _mm_store_si128(reinterpret_cast<__m128i*>(r), lo[g]);
                _mm_store_si128(reinterpret_cast<__m128i*>(r + 16), hi[g]);
                std::uint8_t* out = parity + first + g;
                for (int j = 0; j < p; ++j) out[j * parityStride] = r[31 - j];
            }
        }
        return;
    }
#endif
    std::int32_t block[MaxLength];
    for (int b = 0; b < count; ++b) {
        const std::uint8_t* data = blocks + static_cast<std::ptrdiff_t>(b) * stride;
        for (int i = 0; i < k; ++i) block[p + i] = data[k - 1 - i];
        Encode(block);
        for (int j = 0; j < p; ++j)
            parity[b + j * parityStride] = static_cast<std::uint8_t>(block[p - 1 - j]);
    }
}
