#include "encoder/clsQRCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

const std::uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

EncodeOptions Kanji(bool allowed) {
    EncodeOptions options;
    options.allowKanji = allowed;
    return options;
}

int measure(const clsQRCode& qr, const std::string& payload, int version, bool allowKanji = false) {
    return qr.BuildBitStream(nullptr, bytes(payload), static_cast<int>(payload.size()), version,
                             true, nullptr, Kanji(allowKanji));
}

struct Written {
    int length;
    std::vector<std::uint8_t> bits;
    std::vector<QRSegment> segments;
};

Written write(const clsQRCode& qr, const std::string& payload, int version,
              bool allowKanji = false) {
    Written w{0, std::vector<std::uint8_t>(clsQRCode::StreamCells, 7), {}};
    w.length = qr.BuildBitStream(w.bits.data(), bytes(payload), static_cast<int>(payload.size()),
                                 version, false, &w.segments, Kanji(allowKanji));
    return w;
}

int field(const std::vector<std::uint8_t>& bits, int from, int width) {
    int value = 0;
    for (int i = 0; i < width; ++i) value = value * 2 + bits[from + i];
    return value;
}

TEST(DataEncoding, CharacterClassesAndAlphanumericTable) {
    EXPECT_EQ(clsQRCode::CharClass('0'), 1);
    EXPECT_EQ(clsQRCode::CharClass('Z'), 2);
    EXPECT_EQ(clsQRCode::CharClass(':'), 2);
    EXPECT_EQ(clsQRCode::CharClass('a'), 0);
    EXPECT_EQ(clsQRCode::CharClass('#'), 0);
    const std::string table = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    for (int i = 0; i < 45; ++i) EXPECT_EQ(clsQRCode::AlphanumericValue(table[i]), i);
    EXPECT_EQ(clsQRCode::AlphanumericValue('a'), 0);
    EXPECT_TRUE(clsQRCode::IsKanjiPair(0x93, 0x5F));
    EXPECT_TRUE(clsQRCode::IsKanjiPair(0xE4, 0xB8));
    EXPECT_TRUE(clsQRCode::IsKanjiPair(0x81, 0x7F));
    EXPECT_TRUE(clsQRCode::IsKanjiPair(0xEB, 0xBF));
    EXPECT_FALSE(clsQRCode::IsKanjiPair(0xEB, 0xC0));
    EXPECT_FALSE(clsQRCode::IsKanjiPair(0x93, 0x3F));
    EXPECT_FALSE(clsQRCode::IsKanjiPair(0xA0, 0x80));
}

TEST(DataEncoding, SingleModeStreamsHaveTheirExactLengths) {
    clsQRCode qr;
    const Written digits = write(qr, "0123456789", 1);
    EXPECT_EQ(digits.length, 52);
    EXPECT_EQ(measure(qr, "0123456789", 1), 52);
    EXPECT_EQ(digits.segments, (std::vector<QRSegment>{{ModeNumeric, 10}}));
    EXPECT_EQ(field(digits.bits, 0, 4), 0b0001);
    EXPECT_EQ(field(digits.bits, 4, 10), 10);
    EXPECT_EQ(field(digits.bits, 14, 10), 12); // "012"
    EXPECT_EQ(field(digits.bits, 44, 4), 9);   // last single digit
    EXPECT_EQ(field(digits.bits, 48, 4), 0);   // terminator
    EXPECT_EQ(digits.bits[52], 7);             // nothing written past the stream

    const Written alnum = write(qr, "AB12", 1);
    EXPECT_EQ(alnum.length, 39);
    EXPECT_EQ(alnum.segments, (std::vector<QRSegment>{{ModeAlphanumeric, 4}}));
    EXPECT_EQ(field(alnum.bits, 13, 11), 45 * 10 + 11);

    const Written lower = write(qr, "hello world", 1);
    EXPECT_EQ(lower.segments, (std::vector<QRSegment>{{ModeByte, 11}}));
    EXPECT_EQ(lower.length, 4 + 8 + 88 + 4);

    EXPECT_EQ(write(qr, "", 1).length, 4);
    EXPECT_EQ(measure(qr, "", 1), 4);
}

TEST(DataEncoding, KanjiModeOnlyWhenAllowed) {
    clsQRCode qr;
    const std::string shiftJis = "\x93\x5F";
    EXPECT_EQ(write(qr, shiftJis, 1).segments, (std::vector<QRSegment>{{ModeByte, 2}}));
    const Written kanji = write(qr, shiftJis, 1, true);
    EXPECT_EQ(kanji.length, 25 + 4);
    EXPECT_EQ(kanji.segments, (std::vector<QRSegment>{{ModeKanji, 2}}));
    EXPECT_EQ(field(kanji.bits, 4, 8), 1);
    EXPECT_EQ(field(kanji.bits, 12, 13), 3487);
    // In UTF-8 Chinese, a lead byte and the next byte often pass the Kanji test; for 文文文文
    // (E6 96 87 repeated) the pairs chain into one long, cheaper Kanji run.
    const std::string wen = "\xE6\x96\x87\xE6\x96\x87\xE6\x96\x87\xE6\x96\x87";
    const Written utf8 = write(qr, wen, 1, true);
    EXPECT_EQ(utf8.segments, (std::vector<QRSegment>{{ModeKanji, 12}}));
    EXPECT_EQ(measure(qr, wen, 1, true), utf8.length);
    EXPECT_EQ(write(qr, wen, 1).segments, (std::vector<QRSegment>{{ModeByte, 12}}));
}

TEST(DataEncoding, MixedPayloadIsSegmentedWhereThatIsShorter) {
    clsQRCode qr;
    const std::string payload = "hello 1234567890123 WORLD:ABCDEFGHIJKL";
    const Written w = write(qr, payload, 1);
    ASSERT_GE(w.segments.size(), 3u);
    int total = 0;
    for (const QRSegment& s : w.segments) total += s.byteCount;
    EXPECT_EQ(total, static_cast<int>(payload.size()));
    EXPECT_LT(w.length, 4 + 8 + 8 * static_cast<int>(payload.size()) + 4);
    EXPECT_EQ(measure(qr, payload, 1), w.length);
}

TEST(DataEncoding, LongByteRunsSplitAt255BelowVersionTen) {
    clsQRCode qr;
    const std::string payload(300, 'x');
    const Written small = write(qr, payload, 9);
    EXPECT_EQ(small.segments, (std::vector<QRSegment>{{ModeByte, 255}, {ModeByte, 45}}));
    EXPECT_EQ(small.length, 2 * (4 + 8) + 300 * 8 + 4);
    EXPECT_EQ(measure(qr, payload, 1), small.length);
    const Written large = write(qr, payload, 10);
    EXPECT_EQ(large.segments, (std::vector<QRSegment>{{ModeByte, 300}}));
    EXPECT_EQ(large.length, 4 + 16 + 300 * 8 + 4);
}

TEST(DataEncoding, PadPatternStartsRightAfterTheTerminator) {
    clsQRCode qr;
    std::vector<std::uint8_t> bits(clsQRCode::StreamCells, 7);
    const std::string payload = "abcdefghijklmnopq"; // 148 data bits, d = 152, 2-Q holds 22
    ASSERT_EQ(qr.BuildDataStream(bits.data(), bytes(payload), 17, 2, 3), 152);
    const int start[] = {1, 1, 1, 0, 1, 1, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(bits[152 + i], start[i]);
    for (int i = 0; i <= 24; ++i) EXPECT_EQ(bits[152 + i], clsQRCode::PadPatternBit(i));
    EXPECT_EQ(bits[177], 7);
}

TEST(DataEncoding, EightDigitsAtOneMGiveTheStreamAndParityCodewords) {
    clsQRCode qr;
    std::vector<std::uint8_t> bits(clsQRCode::StreamCells, 0);
    ASSERT_EQ(qr.BuildDataStream(bits.data(), bytes("01234567"), 8, 1, 2), 45);
    const std::vector<std::uint8_t> codewords = qr.InterleaveBlocks(bits.data(), 1, 2);
    const std::vector<std::uint8_t> expected = {16,  32,  12,  86, 97,  135, 96,  143, 96,
                                                143, 96,  143, 96, 143, 96,  143, 127, 207,
                                                217, 185, 76,  9,  90,  134, 196, 238};
    EXPECT_EQ(codewords, expected);
}

TEST(DataEncoding, FiveQInterleavesShortBlocksFirst) {
    clsQRCode qr;
    ASSERT_EQ(qr.DataCodewords(5, 3), 62);
    // Data codeword c carries the value c, so positions tell which codeword landed where.
    std::vector<std::uint8_t> bits(clsQRCode::StreamCells, 0);
    for (int c = 0; c < 62; ++c)
        for (int b = 0; b < 8; ++b) bits[8 * c + b] = (c >> (7 - b)) & 1;
    const std::vector<std::uint8_t> codewords = qr.InterleaveBlocks(bits.data(), 5, 3);
    ASSERT_EQ(codewords.size(), 134u);
    EXPECT_EQ(codewords[0], 0);   // block 0 starts at codeword 0
    EXPECT_EQ(codewords[1], 15);  // block 1 (short) at 15
    EXPECT_EQ(codewords[2], 30);  // block 2 (long) at 30
    EXPECT_EQ(codewords[3], 46);  // block 3 (long) at 46
    EXPECT_EQ(codewords[56], 14); // last codeword of short block 0
    EXPECT_EQ(codewords[60], 45); // last codeword of long block 2
    EXPECT_EQ(codewords[61], 61); // last codeword of long block 3
    clsReedSolomon rs;
    auto field = std::make_shared<clsFiniteField>();
    field->Init(256, 285, 2);
    ASSERT_TRUE(rs.Init(15, 18, field, 0, 0));
    std::int32_t block[33];
    for (int i = 0; i < 15; ++i) block[32 - i] = i;
    rs.Encode(block);
    EXPECT_EQ(codewords[62], block[17]); // first error-correction codeword of block 0
    EXPECT_EQ(codewords[66], block[16]); // its second, one round of four blocks later
}

TEST(DataEncoding, VersionChoiceAndCapacityLimits) {
    clsQRCode qr;
    const std::string letters(17, 'q');
    auto versionOf = [&](const std::string& p, int level) {
        auto s = qr.EncodeToMatrix(bytes(p), static_cast<int>(p.size()), 0, level, -1);
        return s ? s->version() : 0;
    };
    EXPECT_EQ(versionOf(letters, 3), 2);
    EXPECT_EQ(versionOf(std::string(1663, 'q'), 3), 40);
    EXPECT_EQ(versionOf(std::string(1664, 'q'), 3), 0);
    EXPECT_EQ(versionOf("", 3), 1);
    // 27 digits fill 1-Q's 104 data bits exactly: the terminator is cut off entirely.
    auto exact = qr.EncodeToMatrix(bytes(std::string(27, '7')), 27, 0, 3, 0);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->version(), 1);
    EXPECT_EQ(exact->streamBits(), 108);
    // 26 digits overflow only by one terminator bit.
    auto shortened = qr.EncodeToMatrix(bytes(std::string(26, '7')), 26, 1, 3, 0);
    ASSERT_TRUE(shortened);
    EXPECT_EQ(shortened->streamBits(), 105);
    EXPECT_FALSE(qr.EncodeToMatrix(bytes(std::string(28, '7')), 28, 1, 3, 0));
    EXPECT_EQ(versionOf(std::string(28, '7'), 3), 2);
    // A forced version whose stream would not even fit the stream buffer yields nothing.
    EXPECT_FALSE(qr.EncodeToMatrix(bytes(std::string(7000, 'q')), 7000, 40, 1, 0));
}

TEST(DataEncoding, HugePasteIsRefused) {
    clsQRCode qr;
    const std::string paste(1 << 20, '5');
    EXPECT_FALSE(qr.EncodeToMatrix(bytes(paste), static_cast<int>(paste.size()), 0, 3, -1));
    EXPECT_FALSE(qr.EncodeToMatrix(bytes(paste), static_cast<int>(paste.size()), 40, 1, -1));
}

TEST(DataEncoding, OptionsAreNormalisedNotRefused) {
    clsQRCode qr;
    const std::string p = "Normalise 123";
    auto encode = [&](int version, int level, int mask) {
        return qr.EncodeToMatrix(bytes(p), static_cast<int>(p.size()), version, level, mask);
    };
    const auto reference = encode(0, 2, 0);
    ASSERT_TRUE(reference);
    for (auto [version, level, mask] :
         {std::tuple{0, 0, 0}, {0, 5, 0}, {0, 2, -1}, {0, 2, 8}, {41, 2, 100}}) {
        const auto s = encode(version, level, mask);
        ASSERT_TRUE(s);
        EXPECT_EQ(LevelNumber(s->level()), 2);
        EXPECT_EQ(s->maskPattern(), 0);
        EXPECT_TRUE(std::ranges::equal(s->modules(), reference->modules()));
    }
    EXPECT_FALSE(encode(-1, 3, 0));
}

} // namespace

namespace {

// An independent statement of the shortest stream: the best first segment (mode and length)
// plus the best stream for the rest, over every segment that each mode could hold.
int segmentBits(int mode, int length, int k) {
    switch (mode) {
    case ModeByte: return 4 + (k == 2 ? 8 : 16) + 8 * length;
    case ModeNumeric:
        return 4 + (k + 8) + 10 * (length / 3) + (length % 3 == 2 ? 7 : length % 3 == 1 ? 4 : 0);
    case ModeAlphanumeric: return 4 + (k + 7) + 11 * (length / 2) + 6 * (length % 2);
    default: return 4 + (k + 6) + 13 * (length / 2);
    }
}

bool modeCanHold(const std::string& s, int from, int length, int mode, bool allowKanji) {
    for (int i = from; i < from + length; ++i) {
        const int cls = clsQRCode::CharClass(static_cast<std::uint8_t>(s[i]));
        if (mode == ModeNumeric && cls != 1) return false;
        if (mode == ModeAlphanumeric && cls == 0) return false;
    }
    if (mode != ModeKanji) return true;
    if (!allowKanji || length % 2 != 0) return false;
    for (int i = from; i < from + length; i += 2)
        if (!clsQRCode::IsKanjiPair(static_cast<std::uint8_t>(s[i]),
                                    static_cast<std::uint8_t>(s[i + 1])))
            return false;
    return true;
}

int shortestStreamByCases(const std::string& s, int k, bool allowKanji) {
    const int n = static_cast<int>(s.size());
    std::vector<int> best(n + 1, 1 << 30);
    best[n] = 0;
    for (int from = n - 1; from >= 0; --from)
        for (int mode = 0; mode < 4; ++mode)
            for (int length = 1; from + length <= n; ++length)
                if (modeCanHold(s, from, length, mode, allowKanji))
                    best[from] =
                        std::min(best[from], segmentBits(mode, length, k) + best[from + length]);
    return best[0] + 4;
}

TEST(DataEncoding, SegmentationIsTheShortestOfAllSegmentations) {
    const char* pieces[] = {"0",   "7", "A", "Z", " ", ":", "a", "q", "\x93\x5F", "\xE6\x96\x87",
                            "\x81"};
    std::mt19937 rng(7);
    clsQRCode qr;
    for (int round = 0; round < 640; ++round) {
        std::string s;
        const int parts = 1 + rng() % 14;
        for (int i = 0; i < parts; ++i) s += pieces[rng() % std::size(pieces)];
        // Digits alone, which take a shorter way, at every remainder of three.
        if (round >= 600)
            s = std::to_string(rng()).substr(0, 1 + round % 9) + std::string(round % 31, '9');
        const bool allowKanji = round % 2 == 1;
        for (int version : {1, 10, 27}) {
            const int k = version == 1 ? 2 : (version == 10 ? 4 : 6);
            const int expected = shortestStreamByCases(s, k, allowKanji);
            ASSERT_EQ(measure(qr, s, version, allowKanji), expected) << s << " at " << version;
            ASSERT_EQ(write(qr, s, version, allowKanji).length, expected) << s << " at " << version;
        }
    }
}

} // namespace
