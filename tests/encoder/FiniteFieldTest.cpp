#include "encoder/clsFiniteField.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<clsFiniteField> field(int size, int modulus, int alpha) {
    auto f = std::make_unique<clsFiniteField>();
    EXPECT_TRUE(f->Init(size, modulus, alpha));
    return f;
}

TEST(FiniteField, Gf256PowersAndLogsMatchTheQrField) {
    auto f = field(256, 285, 2);
    const int prefix[] = {1, 2, 4, 8, 16, 32, 64, 128, 29, 58, 116, 232, 205, 135, 19, 38, 76};
    for (int i = 0; i < 17; ++i) EXPECT_EQ(f->Exp(i), prefix[i]) << i;
    EXPECT_EQ(f->Exp(254), 142);
    EXPECT_EQ(f->Exp(255), 1);
    EXPECT_EQ(f->Exp(0), 1);
    EXPECT_EQ(f->Exp(-1), 142);
    EXPECT_EQ(f->Log(29), 8);
    EXPECT_EQ(f->Log(255), 175);
    EXPECT_EQ(f->Log(0), 0);
    EXPECT_EQ(f->Log(1), 0);
    for (int x = 1; x < 256; ++x) EXPECT_EQ(f->Exp(f->Log(x)), x);
}

TEST(FiniteField, Gf256MultiplyInverseDivide) {
    auto f = field(256, 285, 2);
    EXPECT_EQ(f->Multiply(83, 202), 143);
    EXPECT_EQ(f->MultiplyDirect(83, 202), 143);
    EXPECT_EQ(f->Inverse(1), 1);
    EXPECT_EQ(f->Inverse(0), 0);
    EXPECT_EQ(f->Divide(7, 0), 0);
    EXPECT_EQ(f->Divide(0, 7), 0);
    for (int x = 1; x < 256; ++x) {
        EXPECT_EQ(f->Multiply(x, f->Inverse(x)), 1) << x;
        EXPECT_EQ(f->Divide(f->Multiply(x, 77), 77), x) << x;
    }
    EXPECT_EQ(f->Add(0x53, 0xCA), 0x53 ^ 0xCA);
    EXPECT_EQ(f->Subtract(0x53, 0xCA), 0x53 ^ 0xCA);
    EXPECT_EQ(f->Negate(0x53), 0x53);
}

TEST(FiniteField, ModulusWithoutTopBitAndSearchedPrimitiveGiveTheSameField) {
    auto a = field(256, 285, 2);
    auto b = field(256, 29, 2);
    auto c = field(256, 285, 0);
    EXPECT_EQ(c->PrimitiveElement(), 2);
    for (int i = 0; i < 255; ++i) {
        EXPECT_EQ(a->Exp(i), b->Exp(i));
        EXPECT_EQ(a->Exp(i), c->Exp(i));
    }
    EXPECT_EQ(a->FindPrimitiveElement(), 2);
}

TEST(FiniteField, RejectedInitLeavesThePreviousFieldIntact) {
    auto f = field(256, 285, 2);
    EXPECT_FALSE(f->Init(1, 285, 2));
    EXPECT_FALSE(f->Init(16385, 285, 2));
    EXPECT_FALSE(f->Init(256, 0, 2));
    EXPECT_FALSE(f->Init(1024, 0, 0));
    EXPECT_EQ(f->Size(), 256);
    EXPECT_EQ(f->Modulus(), 285);
    EXPECT_EQ(f->PrimitiveElement(), 2);
    EXPECT_EQ(f->Multiply(83, 202), 143);
    clsFiniteField fresh;
    EXPECT_EQ(fresh.Size(), 0);
    EXPECT_TRUE(fresh.Init(16384, 16427, 0));
    EXPECT_EQ(fresh.Size(), 16384);
}

TEST(FiniteField, TwoElementField) {
    clsFiniteField f;
    ASSERT_TRUE(f.Init(2, 0, 0));
    EXPECT_EQ(f.Size(), 2);
    EXPECT_EQ(f.Modulus(), 2);
    EXPECT_EQ(f.PrimitiveElement(), 1);
    EXPECT_EQ(f.Multiply(1, 1), 1);
    EXPECT_EQ(f.Add(1, 1), 0);
    EXPECT_EQ(f.Inverse(1), 1);
}

TEST(FiniteField, PrimeFieldOfSeven) {
    auto f = field(7, 0, 0);
    EXPECT_EQ(f->Modulus(), 7);
    EXPECT_EQ(f->PrimitiveElement(), 3); // 2 has order 3 and is rejected
    const int powers[] = {1, 3, 2, 6, 4, 5, 1};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(f->Exp(i), powers[i]);
    EXPECT_EQ(f->Negate(2), 5);
    EXPECT_EQ(f->Negate(0), 0);
    EXPECT_EQ(f->Subtract(2, 5), 4);
    EXPECT_EQ(f->Add(5, 4), 2);
    EXPECT_EQ(f->InverseDirect(3), 5);
    EXPECT_EQ(f->DivideDirect(4, 3), 6);
    for (int a = 1; a < 7; ++a) {
        EXPECT_EQ(f->Inverse(a), f->InverseDirect(a));
        for (int b = 1; b < 7; ++b) {
            EXPECT_EQ(f->Multiply(a, b), f->MultiplyDirect(a, b));
            EXPECT_EQ(f->Divide(a, b), f->DivideDirect(a, b));
        }
    }
}

// Table-free and table operations agree in other binary fields, including the largest.
class BinaryFieldAgreement : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(BinaryFieldAgreement, DirectOperationsEqualTableOperations) {
    const auto [size, modulus] = GetParam();
    auto f = field(size, modulus, 0);
    ASSERT_NE(f->PrimitiveElement(), 0);
    const int step = size > 1024 ? 97 : 1;
    for (int a = 1; a < size; a += step) {
        EXPECT_EQ(f->Inverse(a), f->InverseDirect(a)) << a;
        EXPECT_EQ(f->Multiply(a, f->InverseDirect(a)), 1) << a;
        for (int b = 1; b < size; b += step * 7 + 1) {
            ASSERT_EQ(f->Multiply(a, b), f->MultiplyDirect(a, b)) << a << "*" << b;
            ASSERT_EQ(f->Divide(a, b), f->DivideDirect(a, b)) << a << "/" << b;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, BinaryFieldAgreement,
                         testing::Values(std::pair{4, 7}, std::pair{16, 19}, std::pair{256, 285},
                                         std::pair{1024, 1033}, std::pair{16384, 16427}));

} // namespace
