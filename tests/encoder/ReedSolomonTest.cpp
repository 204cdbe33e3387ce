#include "encoder/clsReedSolomon.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::shared_ptr<clsFiniteField> qrField() {
    auto f = std::make_shared<clsFiniteField>();
    f->Init(256, 285, 2);
    return f;
}

std::vector<int> generator(const clsReedSolomon& rs) {
    std::vector<int> g;
    for (int i = 0; i <= rs.ParityLength(); ++i) g.push_back(rs.GeneratorCoefficient(i));
    return g;
}

TEST(ReedSolomon, QrGeneratorPolynomials) {
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(19, 7, qrField(), 0, 0));
    EXPECT_EQ(generator(rs), (std::vector<int>{117, 68, 11, 164, 154, 122, 127, 1}));
    EXPECT_EQ(rs.GeneratorCoefficient(8), 0);
    ASSERT_TRUE(rs.Init(1, 2, nullptr, 0, 0));
    EXPECT_EQ(generator(rs), (std::vector<int>{2, 3, 1}));
    ASSERT_TRUE(rs.Init(1, 2, nullptr, 0, 1));
    EXPECT_EQ(generator(rs), (std::vector<int>{8, 6, 1}));
    ASSERT_TRUE(rs.Init(1, 1, nullptr, 0, 3));
    EXPECT_EQ(generator(rs), (std::vector<int>{8, 1}));
}

TEST(ReedSolomon, EncodesTheVersionOneMBlock) {
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(16, 10, qrField(), 0, 0));
    const int data[] = {32, 91, 11, 120, 209, 114, 220, 77, 67, 64, 236, 17, 236, 17, 236, 17};
    std::vector<std::int32_t> block(40, -7); // entries above k + P must stay untouched
    for (int i = 0; i < 16; ++i) block[25 - i] = data[i];
    rs.Encode(block.data());
    const int parity[] = {196, 35, 39, 119, 235, 215, 231, 226, 93, 23};
    for (int j = 0; j < 10; ++j) EXPECT_EQ(block[9 - j], parity[j]) << j;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(block[25 - i], data[i]);
    for (int i = 26; i < 40; ++i) EXPECT_EQ(block[i], -7);
}

TEST(ReedSolomon, SmallBlocksAndZeroData) {
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(1, 2, qrField(), 0, 0));
    std::int32_t block[3] = {9, 9, 1};
    rs.Encode(block);
    EXPECT_EQ(block[0], 2);
    EXPECT_EQ(block[1], 3);
    ASSERT_TRUE(rs.Init(30, 20, nullptr, 0, 0));
    std::vector<std::int32_t> zeros(50, 0);
    zeros[3] = 99; // stale parity is overwritten
    rs.Encode(zeros.data());
    for (int v : zeros) EXPECT_EQ(v, 0);
}

// The remainder makes the codeword a multiple of g(x): it vanishes at every root α^(b+i).
// Every parity length takes its own path inside Encode (a register remainder up to 32, a byte
// table up to 64, logarithms beyond, modular arithmetic in prime fields); all must agree.
TEST(ReedSolomon, CodewordVanishesAtEveryRootInPrimeAndBinaryFields) {
    for (auto [size, modulus, b] :
         {std::tuple{256, 285, 0}, {256, 285, 2}, {1024, 1033, 0}, {929, 0, 1}}) {
        auto f = std::make_shared<clsFiniteField>();
        ASSERT_TRUE(f->Init(size, modulus, 0));
        clsReedSolomon rs;
        for (int p : {12, 32, 40, 100}) {
            const int k = 40;
            ASSERT_TRUE(rs.Init(k, p, f, 0, b));
            std::vector<std::int32_t> block(k + p);
            for (int i = 0; i < k; ++i) block[p + i] = (i * 37 + 11) % size;
            rs.Encode(block.data());
            for (int r = 0; r < p; ++r) {
                const int x = f->Exp(b + r);
                int value = 0;
                for (int i = k + p - 1; i >= 0; --i)
                    value = f->Add(f->Multiply(value, x), block[i]);
                EXPECT_EQ(value, 0) << "field " << size << " parity " << p << " root " << r;
            }
        }
    }
}

TEST(ReedSolomon, InitRejectionsKeepThePreviousGenerator) {
    clsReedSolomon rs;
    EXPECT_FALSE(rs.Init(10, 7, nullptr, 0, 0)); // no field ever given
    ASSERT_TRUE(rs.Init(19, 7, qrField(), 0, 0));
    const auto before = generator(rs);
    EXPECT_FALSE(rs.Init(0, 7, nullptr, 0, 0));
    EXPECT_FALSE(rs.Init(10, 0, nullptr, 0, 0));
    EXPECT_FALSE(rs.Init(10, 7, nullptr, 0, -1));
    EXPECT_FALSE(rs.Init(1000, 25, nullptr, 0, 0));
    EXPECT_EQ(generator(rs), before);
    EXPECT_EQ(rs.DataLength(), 19);
    EXPECT_TRUE(rs.Init(1000, 24, nullptr, 0, 0));
    EXPECT_EQ(rs.DataLength(), 1000);
    EXPECT_EQ(rs.ParityLength(), 24);
}

TEST(ReedSolomon, ReusesTheStoredFieldAndPrimitiveElement) {
    auto f = qrField();
    clsReedSolomon rs;
    ASSERT_TRUE(rs.Init(5, 4, f, 3, 0));
    EXPECT_EQ(rs.PrimitiveElement(), 3);
    EXPECT_EQ(rs.Field(), f);
    EXPECT_EQ(f.use_count(), 2); // ours and the encoder's: a shared, counted reference
    ASSERT_TRUE(rs.Init(5, 4, nullptr, 0, 1));
    EXPECT_EQ(rs.PrimitiveElement(), 3); // the earlier α, not the field's 2
    EXPECT_EQ(rs.FirstRoot(), 1);
    // g(0) is the product of the roots 3^1 … 3^4 (negation is the identity in GF(2^m)).
    int product = 1, root = 1;
    for (int i = 1; i <= 4; ++i) {
        root = f->Multiply(root, 3);
        product = f->Multiply(product, root);
    }
    EXPECT_EQ(rs.GeneratorCoefficient(0), product);
    rs.PrimitiveElement(0);
    ASSERT_TRUE(rs.Init(5, 4, nullptr, 0, 0));
    EXPECT_EQ(rs.PrimitiveElement(), 2);
}

} // namespace
