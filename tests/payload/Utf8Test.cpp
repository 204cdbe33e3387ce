#include "composition/PayloadBytes.h"

#include <gtest/gtest.h>

using PayloadBytes::ToUtf8;

namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

} // namespace

TEST(Utf8Conversion, ByteCounts) {
    EXPECT_EQ(ToUtf8(QStringLiteral("abc")).size(), 3);
    EXPECT_EQ(ToUtf8(QString::fromUtf8("码")), Hex("e7a081"));
    EXPECT_EQ(ToUtf8(QString::fromUtf8("\U0001F600")), Hex("f09f9880"));
    EXPECT_EQ(ToUtf8(QString::fromUtf8("é")), Hex("c3a9"));
    EXPECT_TRUE(ToUtf8(QString()).isEmpty());
}

TEST(Utf8Conversion, AgreesWithQtOnWellFormedText) {
    const QString mixed = QString::fromUtf8("Quorlik二维码 \r\n€ 𝄞 ü ~\x7f");
    EXPECT_EQ(ToUtf8(mixed), mixed.toUtf8());
}

TEST(Utf8Conversion, UnpairedSurrogatesBecomeReplacementCharacter) {
    const QString lonelyHigh = QString(QChar(0xD83D)) + QLatin1Char('a');
    EXPECT_EQ(ToUtf8(lonelyHigh), Hex("efbfbd61"));
    const QString lonelyLow = QLatin1Char('a') + QString(QChar(0xDE00));
    EXPECT_EQ(ToUtf8(lonelyLow), Hex("61efbfbd"));
    EXPECT_EQ(ToUtf8(QString(QChar(0xD800))), Hex("efbfbd"));
    // Reversed pair: two separate unpaired halves.
    const QString reversed = QString(QChar(0xDE00)) + QChar(0xD83D);
    EXPECT_EQ(ToUtf8(reversed), Hex("efbfbdefbfbd"));
}

TEST(Utf8Conversion, WorstCaseFitsTheBuffer) {
    // Every unit a three-byte character: exactly 3n bytes, no truncation.
    const QString wide(1000, QChar(0x4E2D));
    EXPECT_EQ(ToUtf8(wide).size(), 3000);
}
