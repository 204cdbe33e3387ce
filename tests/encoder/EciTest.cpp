// The UTF-8 ECI designator: its bits, the version it costs, and what real readers make of it.
#include "ZxingDecode.h"
#include "clsQRCode.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

int size(const std::string& s) {
    return static_cast<int>(s.size());
}

int field(const std::vector<std::uint8_t>& bits, int from, int width) {
    int value = 0;
    for (int i = 0; i < width; ++i) value = value * 2 + bits[from + i];
    return value;
}

std::string chineseOf(int characters) {
    static const char* const kText[] = {"二", "维", "码", "生", "成", "器", "中", "文",
                                        "测", "试", "你", "好", "网", "址", "名", "片"};
    std::string s;
    for (int i = 0; i < characters; ++i) s += kText[(i * 5 + characters) % 16];
    return s;
}

TEST(Eci, HeaderBitsPrecedeTheUnchangedSegments) {
    clsQRCode plain;
    clsQRCode utf8;
    utf8.Eci = clsQRCode::EciUtf8;
    for (const std::string& payload : {std::string("中文 ABC 0123456789"), std::string("x")}) {
        std::vector<std::uint8_t> a(clsQRCode::StreamCells), b(clsQRCode::StreamCells);
        std::vector<QRSegment> segmentsA, segmentsB;
        const int lengthA =
            plain.BuildBitStream(a.data(), bytes(payload), size(payload), 1, false, &segmentsA);
        const int lengthB =
            utf8.BuildBitStream(b.data(), bytes(payload), size(payload), 1, false, &segmentsB);
        ASSERT_EQ(lengthB, lengthA + 12);
        EXPECT_EQ(utf8.BuildBitStream(nullptr, bytes(payload), size(payload), 1, true), lengthB);
        EXPECT_EQ(field(b, 0, 4), 0b0111);
        EXPECT_EQ(field(b, 4, 8), 26);
        EXPECT_TRUE(std::equal(a.begin(), a.begin() + lengthA, b.begin() + 12));
        EXPECT_EQ(segmentsA, segmentsB);
    }
}

TEST(Eci, DesignatorLengthsAndValuesThatWriteNothing) {
    EXPECT_EQ(clsQRCode::EciHeaderBits(26), 12);
    EXPECT_EQ(clsQRCode::EciHeaderBits(127), 12);
    EXPECT_EQ(clsQRCode::EciHeaderBits(128), 20);
    EXPECT_EQ(clsQRCode::EciHeaderBits(16383), 20);
    EXPECT_EQ(clsQRCode::EciHeaderBits(16384), 28);
    EXPECT_EQ(clsQRCode::EciHeaderBits(999999), 28);
    for (int none : {0, -26, 1000000}) EXPECT_EQ(clsQRCode::EciHeaderBits(none), 0) << none;

    clsQRCode qr;
    std::vector<std::uint8_t> bits(clsQRCode::StreamCells);
    qr.Eci = 899;
    ASSERT_EQ(qr.BuildBitStream(bits.data(), bytes("1"), 1, 1, false), 20 + 4 + 10 + 4 + 4);
    EXPECT_EQ(field(bits, 4, 2), 0b10);
    EXPECT_EQ(field(bits, 6, 14), 899);
    qr.Eci = 810900;
    ASSERT_EQ(qr.BuildBitStream(bits.data(), bytes("1"), 1, 1, false), 28 + 4 + 10 + 4 + 4);
    EXPECT_EQ(field(bits, 4, 3), 0b110);
    EXPECT_EQ(field(bits, 7, 21), 810900);

    qr.Eci = 1000000;
    const auto symbol = qr.EncodeToMatrix(bytes("abc"), 3, 0, 3, 0);
    ASSERT_TRUE(symbol);
    EXPECT_EQ(symbol->eci, 0);
    clsQRCode plain;
    EXPECT_EQ(symbol->modules, plain.EncodeToMatrix(bytes("abc"), 3, 0, 3, 0)->modules);
}

// Whole Chinese payloads of every length up to the largest symbols: the version with the
// designator is the smallest that holds the longer stream, and where the 12 bits overflow a
// version the next one is taken. The version below is always refused.
TEST(Eci, VersionChoiceCountsTheHeader) {
    clsQRCode plain;
    clsQRCode utf8;
    utf8.Eci = clsQRCode::EciUtf8;
    int pushedUp = 0;
    for (int level = 1; level <= 4; ++level) {
        for (int characters = 1; characters <= 980; ++characters) {
            const std::string payload = chineseOf(characters);
            const auto without = plain.EncodeToMatrix(bytes(payload), size(payload), 0, level, 0);
            const auto with = utf8.EncodeToMatrix(bytes(payload), size(payload), 0, level, 0);
            if (!without) break;
            int smallest = 0;
            for (int v = 1; v <= 40 && smallest == 0; ++v)
                if (utf8.BuildBitStream(nullptr, bytes(payload), size(payload), v, true) - 4 <=
                    8 * utf8.DataCodewords(v, level))
                    smallest = v;
            if (smallest == 0) {
                EXPECT_FALSE(with) << characters;
                continue;
            }
            ASSERT_TRUE(with) << characters;
            ASSERT_EQ(with->version, smallest) << characters << " at level " << level;
            EXPECT_EQ(with->streamBits, plain.BuildBitStream(nullptr, bytes(payload), size(payload),
                                                             with->version, true) +
                                            12);
            EXPECT_EQ(with->eci, clsQRCode::EciUtf8);
            if (with->version > 1) {
                EXPECT_FALSE(utf8.EncodeToMatrix(bytes(payload), size(payload), with->version - 1,
                                                 level, 0));
            }
            if (with->version != without->version) {
                ++pushedUp;
                const auto decoded = DecodeSymbol(*with);
                ASSERT_TRUE(decoded) << characters << " at level " << level;
                EXPECT_TRUE(decoded->hasEci);
                EXPECT_EQ(decoded->text, payload);
            }
        }
    }
    EXPECT_GT(pushedUp, 20) << pushedUp;
}

const std::vector<std::string>& chinesePayloads() {
    static const std::vector<std::string> payloads = {
        "中文",
        "你好，世界",
        "二维码生成器：文字、网址和名片",
        "联系人：张三；电话 13800000000；地址：北京市海淀区中关村大街1号",
        chineseOf(120),
    };
    return payloads;
}

TEST(Eci, ZxingReportsTheDesignatorAndTheText) {
    clsQRCode qr;
    qr.Eci = clsQRCode::EciUtf8;
    for (const std::string& payload : chinesePayloads()) {
        for (int level = 1; level <= 4; ++level) {
            const auto symbol = qr.EncodeToMatrix(bytes(payload), size(payload), 0, level, -1);
            ASSERT_TRUE(symbol);
            const auto decoded = DecodeSymbol(*symbol);
            ASSERT_TRUE(decoded) << payload;
            EXPECT_TRUE(decoded->hasEci);
            EXPECT_EQ(decoded->text, payload);
            EXPECT_EQ(decoded->bytes, payload);
            // The symbology identifier, then the designator as the ECI protocol writes it.
            EXPECT_EQ(decoded->bytesEci, "]Q2\\000026" + payload);
        }
    }
}

// zbar in text mode converts what it reads to UTF-8 from the character set it settles on;
// the designator settles it.
std::string zbarText(const QString& pictureFile) {
    const QString zbarimg = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    if (zbarimg.isEmpty()) return "<zbarimg not installed>";
    QProcess zbar;
    zbar.start(zbarimg, {QStringLiteral("--raw"), QStringLiteral("-q"), pictureFile});
    if (!zbar.waitForFinished(30000)) return "<zbarimg did not finish>";
    std::string text = zbar.readAllStandardOutput().toStdString();
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

TEST(Eci, ZbarReadsTheChineseText) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    clsQRCode qr;
    qr.Eci = clsQRCode::EciUtf8;
    int index = 0;
    for (const std::string& payload : chinesePayloads()) {
        const auto symbol = qr.EncodeToMatrix(bytes(payload), size(payload), 0, 3, -1);
        ASSERT_TRUE(symbol);
        const QString file = folder.filePath(QStringLiteral("eci%1.png").arg(index++));
        ASSERT_TRUE(SymbolPicture(*symbol, 4).save(file));
        EXPECT_EQ(zbarText(file), payload);
    }
}

} // namespace
