// The UTF-8 ECI designator: its bits, the version it costs, and what real readers make of it.
#include "encoder/clsQRCode.h"
#include "tests/support/ZxingDecode.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

int size(const std::string& s) {
    return static_cast<int>(s.size());
}

// Options with this ECI designator.
EncodeOptions WithEci(int eci, int version = 0, int level = 3, int mask = 0) {
    EncodeOptions options = clsQRCode::OptionsOf(version, level, mask);
    options.eci = eci;
    return options;
}

int field(const std::vector<std::uint8_t>& bits, int from, int width) {
    int value = 0;
    for (int i = 0; i < width; ++i) value = value * 2 + bits[from + i];
    return value;
}

std::string chineseOf(int characters) {
    static const char* const kText[] = {"二", "维", "码", "生", "成", "器", "中", "文"};
    std::string s;
    for (int i = 0; i < characters; ++i) s += kText[(i * 5 + characters) % 8];
    return s;
}

TEST(Eci, HeaderOfOneTwoOrThreeBytesPrecedesTheUnchangedSegments) {
    const std::string payload = "中文 ABC 0123456789";
    clsQRCode plain, declared;
    std::vector<std::uint8_t> a(clsQRCode::StreamCells), b(clsQRCode::StreamCells);
    const int lengthA = plain.BuildBitStream(a.data(), bytes(payload), size(payload), 1, false);
    // designator, header bits, length prefix and its width
    for (auto [eci, header, prefix, width] :
         {std::array{26, 12, 0, 1}, std::array{899, 20, 2, 2}, std::array{810900, 28, 6, 3}}) {
        ASSERT_EQ(declared.BuildBitStream(b.data(), bytes(payload), size(payload), 1, false,
                                          nullptr, WithEci(eci)),
                  lengthA + header);
        EXPECT_EQ(declared.BuildBitStream(nullptr, bytes(payload), size(payload), 1, true, nullptr,
                                          WithEci(eci)),
                  lengthA + header);
        EXPECT_EQ(field(b, 0, 4), 0b0111);
        EXPECT_EQ(field(b, 4, width), prefix);
        EXPECT_EQ(field(b, 4 + width, header - 4 - width), eci);
        EXPECT_TRUE(std::equal(a.begin(), a.begin() + lengthA, b.begin() + header));
    }
    for (int none : {0, -26, 1000000}) EXPECT_EQ(clsQRCode::EciHeaderBits(none), 0);
    // out of range: nothing written, the symbol of no ECI
    EXPECT_TRUE(std::ranges::equal(
        declared.EncodeToMatrix(bytes(payload), size(payload), WithEci(1000000))->modules(),
        plain.EncodeToMatrix(bytes(payload), size(payload), 0, 3, 0)->modules()));
}

// Chinese payloads of every length up to the largest symbols: the version chosen is the
// smallest that holds the stream with its 12 header bits, the one below is refused, and where
// the header pushes the payload over a version boundary the symbol still scans.
TEST(Eci, VersionChoiceCountsTheHeader) {
    clsQRCode plain, utf8;
    const int utf8Eci = clsQRCode::EciUtf8;
    int pushedUp = 0;
    for (int level = 1; level <= 4; ++level) {
        for (int characters = 1; characters <= 980; ++characters) {
            const std::string p = chineseOf(characters);
            const auto without = plain.EncodeToMatrix(bytes(p), size(p), 0, level, 0);
            const auto with = utf8.EncodeToMatrix(bytes(p), size(p), WithEci(utf8Eci, 0, level));
            if (!without) break;
            int smallest = 0;
            for (int v = 1; v <= 40 && smallest == 0; ++v)
                if (utf8.BuildBitStream(nullptr, bytes(p), size(p), v, true, nullptr,
                                        WithEci(utf8Eci)) -
                        4 <=
                    8 * utf8.DataCodewords(v, level))
                    smallest = v;
            ASSERT_EQ(with ? with->version() : 0, smallest) << characters << " level " << level;
            if (!with) continue;
            EXPECT_EQ(with->streamBits(),
                      plain.BuildBitStream(nullptr, bytes(p), size(p), with->version(), true) + 12);
            EXPECT_EQ(with->eci(), clsQRCode::EciUtf8);
            EXPECT_TRUE(with->version() == 1 ||
                        !utf8.EncodeToMatrix(bytes(p), size(p),
                                             WithEci(utf8Eci, with->version() - 1, level)));
            if (with->version() == without->version()) continue;
            ++pushedUp;
            const auto decoded = DecodeSymbol(*with);
            ASSERT_TRUE(decoded) << characters << " level " << level;
            EXPECT_TRUE(decoded->hasEci);
            EXPECT_EQ(decoded->text, p);
        }
    }
    EXPECT_GT(pushedUp, 20);
}

// zxing-cpp reports the designator; zbar in text mode converts to UTF-8 from the character
// set the designator names.
TEST(Eci, ZxingAndZbarReadTheChineseText) {
    QTemporaryDir folder;
    clsQRCode qr;
    int index = 0;
    for (const std::string& p :
         {std::string("中文"), std::string("你好，世界"), std::string("二维码生成器：文字、网址"),
          std::string("联系人：张三；电话 13800000000；地址：北京市海淀区"), chineseOf(120)}) {
        for (int level = 1; level <= 4; ++level) {
            const auto symbol =
                qr.EncodeToMatrix(bytes(p), size(p), WithEci(clsQRCode::EciUtf8, 0, level, -1));
            ASSERT_TRUE(symbol);
            const auto decoded = DecodeSymbol(*symbol);
            ASSERT_TRUE(decoded) << p;
            EXPECT_EQ(decoded->text, p);
            EXPECT_EQ(decoded->bytesEci, "]Q2\\000026" + p); // symbology id, then the designator
            const QString file = folder.filePath(QStringLiteral("%1.png").arg(index++));
            ASSERT_TRUE(SymbolPicture(*symbol, 4).save(file));
            QProcess zbar;
            zbar.start(QStringLiteral("zbarimg"),
                       {QStringLiteral("--raw"), QStringLiteral("-q"), file});
            ASSERT_TRUE(zbar.waitForFinished(30000)) << "zbarimg (zbar-tools) is needed";
            EXPECT_EQ(zbar.readAllStandardOutput().toStdString(), p + "\n");
        }
    }
}

} // namespace
