// What matters to users: an independent reader (zxing-cpp) gets back exactly what went in.
#include "encoder/clsQRCode.h"
#include "raster/EncodeToPicture.h"
#include "tests/support/ZxingDecode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

const std::uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

std::string levelName(int level) {
    return std::string(1, "LMQH"[level - 1]);
}

// The longest lower-case payload that fits `version` at `level`: it cannot fit the version below.
std::string fillingPayload(const clsQRCode& qr, int version, int level) {
    const int countBits = version < 10 ? 8 : 16;
    const int count = (8 * qr.DataCodewords(version, level) - 4 - countBits) / 8;
    std::string p(count, 'a');
    for (int i = 0; i < count; ++i) p[i] = static_cast<char>('a' + (i * 7 + version) % 26);
    return p;
}

class EveryVersionAndLevel : public testing::TestWithParam<int> {};

TEST_P(EveryVersionAndLevel, DecodesWithEveryMask) {
    const int version = GetParam();
    clsQRCode qr;
    for (int level = 1; level <= 4; ++level) {
        const std::string payload = fillingPayload(qr, version, level);
        for (int mask = 0; mask <= 7; ++mask) {
            const auto symbol =
                qr.EncodeToMatrix(bytes(payload), static_cast<int>(payload.size()), 0, level, mask);
            ASSERT_TRUE(symbol);
            ASSERT_EQ(symbol->version(), version) << "level " << level;
            const auto decoded = DecodeSymbol(*symbol, 4);
            ASSERT_TRUE(decoded) << "version " << version << " level " << level << " mask " << mask;
            EXPECT_EQ(decoded->bytes, payload);
            EXPECT_EQ(decoded->ecLevel, levelName(level));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, EveryVersionAndLevel, testing::Range(1, 41));

std::string randomMixedPayload(std::mt19937& rng) {
    static const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    static const char* chinese[] = {"中", "文", "二", "维", "码", "测", "试", "你", "好", "。"};
    std::string p;
    const int pieces = std::uniform_int_distribution<int>(1, 12)(rng);
    for (int i = 0; i < pieces; ++i) {
        const int length = std::uniform_int_distribution<int>(1, 40)(rng);
        const int kind = std::uniform_int_distribution<int>(0, 3)(rng);
        for (int j = 0; j < length; ++j) {
            switch (kind) {
            case 0: p += static_cast<char>('0' + rng() % 10); break;
            case 1: p += upper[rng() % upper.size()]; break;
            case 2: p += static_cast<char>('a' + rng() % 26); break;
            default: p += chinese[rng() % 10]; break;
            }
        }
    }
    return p;
}

TEST(ReaderRoundTrip, RandomMixedPayloadsAtEveryLevel) {
    std::mt19937 rng(20261208);
    clsQRCode qr;
    for (int round = 0; round < 160; ++round) {
        const std::string payload = randomMixedPayload(rng);
        const int level = 1 + round % 4;
        const auto symbol =
            qr.EncodeToMatrix(bytes(payload), static_cast<int>(payload.size()), 0, level, -1);
        if (!symbol) continue; // the odd payload too long for its level
        const auto decoded = DecodeSymbol(*symbol);
        ASSERT_TRUE(decoded) << payload;
        EXPECT_EQ(decoded->bytes, payload);
    }
}

TEST(ReaderRoundTrip, BoundaryStreams) {
    clsQRCode qr;
    for (const std::string& payload :
         {std::string(), std::string(27, '7'), std::string(26, '7'), std::string(1663, 'z'),
          std::string("HTTP://EXAMPLE.COM/ABC")}) {
        const auto symbol =
            qr.EncodeToMatrix(bytes(payload), static_cast<int>(payload.size()), 0, 3, -1);
        ASSERT_TRUE(symbol) << payload.size();
        const auto decoded = DecodeSymbol(*symbol, 4);
        ASSERT_TRUE(decoded) << payload.size();
        EXPECT_EQ(decoded->bytes, payload);
    }
}

// Kanji mode takes UTF-8 byte pairs for Shift JIS characters wherever that is shorter, and
// readers then show garbage. With it off, Chinese text comes back as typed.
TEST(ReaderRoundTrip, ChineseUtf8NeedsKanjiModeOff) {
    clsQRCode qr;
    for (const std::string chinese : {"中文", "文文文文", "二维码生成器：文字、网址和名片"}) {
        const auto plain =
            qr.EncodeToMatrix(bytes(chinese), static_cast<int>(chinese.size()), 0, 3, -1);
        ASSERT_TRUE(plain);
        const auto decoded = DecodeSymbol(*plain);
        ASSERT_TRUE(decoded) << chinese;
        EXPECT_EQ(decoded->text, chinese);
        EXPECT_EQ(decoded->bytes, chinese);
    }
    EncodeOptions kanji = clsQRCode::OptionsOf(0, 3, -1);
    kanji.allowKanji = true;
    const std::string wen = "文文文文";
    const auto withKanji = qr.EncodeToMatrix(bytes(wen), static_cast<int>(wen.size()), kanji);
    ASSERT_TRUE(withKanji);
    const auto garbled = DecodeSymbol(*withKanji);
    ASSERT_TRUE(garbled);
    EXPECT_NE(garbled->text, wen);
}

TEST(ReaderRoundTrip, ShiftJisKanjiStillDecodesWhenAllowed) {
    clsQRCode qr;
    EncodeOptions kanji = clsQRCode::OptionsOf(0, 3, -1);
    kanji.allowKanji = true;
    const std::string shiftJis = "\x93\x5F\x96\x7B"; // 点本 in Shift JIS
    const auto symbol = qr.EncodeToMatrix(bytes(shiftJis), 4, kanji);
    ASSERT_TRUE(symbol);
    ASSERT_EQ(symbol->segments().front().mode, ModeKanji);
    const auto decoded = DecodeSymbol(*symbol);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->bytes, shiftJis);
}

TEST(ReaderRoundTrip, PictureHasTheLightMarginAndDecodes) {
    clsQRCode qr;
    const std::string payload = "picture";
    const QImage picture = EncodeToPicture(qr, bytes(payload), 7, 1, 3, -1);
    ASSERT_EQ(picture.width(), 29);
    ASSERT_EQ(picture.height(), 29);
    for (int i = 0; i < 29; ++i)
        for (int m : {0, 1, 2, 3, 25, 26, 27, 28}) {
            EXPECT_EQ(picture.pixel(i, m), qRgb(255, 255, 255));
            EXPECT_EQ(picture.pixel(m, i), qRgb(255, 255, 255));
        }
    EXPECT_EQ(picture.pixel(4, 4), qRgb(0, 0, 0));
    const auto decoded = DecodeImage(picture.scaled(29 * 4, 29 * 4));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->bytes, payload);
    EXPECT_TRUE(EncodeToPicture(qr, bytes(payload), 7, -1, 3, -1).isNull());
    EXPECT_EQ(EncodeToPicture(qr, bytes(payload), 7, 40, 3, -1).width(), 185);
}

} // namespace
