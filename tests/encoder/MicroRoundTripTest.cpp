// Micro QR symbols read back by the project's reader at each version and level's capacity,
// with the version, level and mask they were made with, and one character more refused.
#include "encoder/clsQRCode.h"
#include "reading/SymbolReader.h"
#include "tests/support/ZxingDecode.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// Characters per mode that each symbol holds (0: the symbol lacks the mode), from the
// capacity table of the standard.
struct Capacity {
    int version;
    EcLevel level;
    int numeric, alphanumeric, byte, kanji;
};

constexpr Capacity kCapacities[] = {
    {1, EcLevel::L, 5, 0, 0, 0},    {1, EcLevel::M, 5, 0, 0, 0},    {2, EcLevel::L, 10, 6, 0, 0},
    {2, EcLevel::M, 8, 5, 0, 0},    {3, EcLevel::L, 23, 14, 9, 6},  {3, EcLevel::M, 18, 11, 7, 4},
    {4, EcLevel::L, 35, 21, 15, 9}, {4, EcLevel::M, 30, 18, 13, 8}, {4, EcLevel::Q, 21, 13, 9, 5},
};

// `n` characters of one mode; Kanji as Shift JIS pairs.
std::string payloadOf(int mode, int n) {
    std::string p;
    for (int i = 0; i < n; ++i) {
        switch (mode) {
        case ModeNumeric: p += static_cast<char>('0' + (i * 7 + 3) % 10); break;
        case ModeAlphanumeric: p += "AZ09 $%*+-./:"[i % 13]; break;
        case ModeByte: p += static_cast<char>('a' + (i * 5) % 26); break;
        default: p += i % 2 ? "\x93\x5F" : "\xE4\xAA"; break;
        }
    }
    return p;
}

std::optional<QRSymbol> encode(const std::string& payload, int version, EcLevel level) {
    MicroOptions options;
    options.version = version;
    options.level = level;
    options.allowKanji = true;
    return clsQRCode().EncodeMicro(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                   static_cast<int>(payload.size()), options);
}

// The symbol as the reader finds it in its picture: the bytes, then "M3 L 2" (M1: "M1 - 2").
std::optional<std::pair<std::string, std::string>> readMicro(const QRSymbol& symbol) {
    const std::vector<ReadSymbol> read = ReadQrSymbols(SymbolPicture(symbol, 4));
    if (read.size() != 1 || !read[0].micro) return std::nullopt;
    return std::pair(read[0].bytes, "M" + std::to_string(read[0].version) + " " + read[0].level +
                                        " " + std::to_string(read[0].mask));
}

std::string factsOf(const QRSymbol& symbol) {
    const std::string level =
        symbol.errorDetectionOnly() ? "-" : std::string(1, LevelLetter(symbol.level()));
    return "M" + std::to_string(symbol.version()) + " " + level + " " +
           std::to_string(symbol.maskPattern());
}

TEST(MicroQR, EveryVersionAndLevelReadsBackFullAndRefusesOneMore) {
    for (const Capacity& c : kCapacities) {
        const int counts[4] = {c.byte, c.numeric, c.alphanumeric, c.kanji};
        for (int mode = 0; mode < 4; ++mode) {
            if (counts[mode] == 0) continue;
            const std::string full = payloadOf(mode, counts[mode]);
            SCOPED_TRACE("M" + std::to_string(c.version) + LevelLetter(c.level) + " mode " +
                         std::to_string(mode));
            const auto symbol = encode(full, c.version, c.level);
            ASSERT_TRUE(symbol);
            EXPECT_TRUE(symbol->micro());
            EXPECT_EQ(symbol->side(), 2 * c.version + 9);
            EXPECT_EQ(readMicro(*symbol), std::pair(full, factsOf(*symbol)));
            EXPECT_EQ(encode(full, 0, c.level)->version(), c.version); // the smallest that fits
            EXPECT_FALSE(encode(payloadOf(mode, counts[mode] + 1), c.version, c.level));
        }
    }
}

// Sampled as M2, this M4 symbol's format cells happen to hold a valid M2 word: the size must
// come from the symbol, not from the first size whose format word fits.
TEST(MicroQR, ReaderTellsTheSizeFromTheSymbol) {
    MicroOptions options;
    options.version = 4;
    options.level = EcLevel::Q;
    options.mask = 2;
    const std::string payload("CC\xE2 \0\n", 6);
    const auto symbol = clsQRCode().EncodeMicro(
        reinterpret_cast<const std::uint8_t*>(payload.data()), int(payload.size()), options);
    ASSERT_TRUE(symbol);
    EXPECT_EQ(readMicro(*symbol), std::pair(payload, std::string("M4 Q 2")));
}

TEST(MicroQR, LevelRules) {
    const std::string digits = "12345";
    EXPECT_TRUE(encode(digits, 0, EcLevel::M)->errorDetectionOnly());
    EXPECT_EQ(encode(digits, 0, EcLevel::Q)->version(), 4);
    EXPECT_FALSE(encode(digits, 1, EcLevel::Q));
    EXPECT_FALSE(encode(digits, 0, EcLevel::H));
    EXPECT_FALSE(encode(payloadOf(ModeNumeric, 36), 0, EcLevel::L));
    EXPECT_FALSE(encode("ab", 2, EcLevel::L)); // M2 has no byte mode
}

} // namespace
