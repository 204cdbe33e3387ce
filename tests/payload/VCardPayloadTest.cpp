// vCards: escaping and folding by the rules, and an independent parser (Python's vobject,
// run on what zxing-cpp scans) getting back every field as it went in.
#include "payload/VCardPayload.h"
#include "composition/PayloadBytes.h"
#include "encoder/clsQRCode.h"
#include "payload/PayloadKinds.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/ZxingDecode.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString VCard(const QMap<QString, QString>& fields) {
    PayloadKinds::Fields utf8;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        utf8.emplace(it.key().toStdString(), it.value().toStdString());
    return QString::fromStdString(PayloadKinds::Compose("vcard", utf8).payload);
}

QByteArray FoldLine(const QByteArray& line) {
    return QByteArray::fromStdString(VCardPayload::FoldLine(line.toStdString()));
}

// Debian's interpreter, where python3-vobject is installed.
QJsonObject ParsedByVobject(const QString& card) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(QUORLIK_VCARD_READER)});
    python.write(card.toUtf8());
    python.closeWriteChannel();
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        ADD_FAILURE() << "vobject: " << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace

TEST(VCard, PropertiesInOrderEscapedWithEmptyOnesLeftOut) {
    EXPECT_EQ(VCard({{"name", S("张三")}, {"mobile", "138"}}),
              S("BEGIN:VCARD\r\nVERSION:3.0\r\nN:张三;;;;\r\nFN:张三\r\nTEL;TYPE=CELL:138\r\n"
                "END:VCARD\r\n"));
    EXPECT_EQ(VCard({{"first", "Ada"},
                     {"last", "L"},
                     {"company", "A"},
                     {"title", "T"},
                     {"email", "e@x"},
                     {"address", "R"},
                     {"note", "a\\b,c;d:e\r\nf\ng\rh"}}),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:L;Ada;;;\r\nFN:Ada L\r\nORG:A\r\nTITLE:T\r\n"
              "EMAIL:e@x\r\nADR;TYPE=WORK:;;R;;;;\r\nNOTE:a\\\\b\\,c\\;d:e\\nf\\ng\\nh\r\n"
              "END:VCARD\r\n");
    EXPECT_EQ(VCardPayload::Compose({}),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nFN:\r\nEND:VCARD\r\n");
    // A Chinese name reads family name first, with no space.
    EXPECT_EQ(VCard({{"first", S("三")}, {"last", S("张")}}),
              S("BEGIN:VCARD\r\nVERSION:3.0\r\nN:张;三;;;\r\nFN:张三\r\nEND:VCARD\r\n"));
}

TEST(VCard, FoldsAt75OctetsOnCharacterBoundaries) {
    EXPECT_EQ(FoldLine(QByteArray(76, 'a')), QByteArray(75, 'a') + "\r\n a\r\n");
    for (int shift = 0; shift < 3; ++shift) { // every position of the cut within a character
        const QByteArray line =
            "NOTE:" + QByteArray(shift, 'x') + S("北京市海淀区").repeated(20).toUtf8();
        const QList<QByteArray> lines = FoldLine(line).split('\n');
        ASSERT_EQ(lines.last(), ""); // the last line break
        QByteArray unfolded;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            ASSERT_TRUE(lines[i].endsWith('\r'));
            const QByteArray physical = lines[i].chopped(1);
            EXPECT_LE(physical.size(), 75);
            EXPECT_GE(physical.size(), i + 2 < lines.size() ? 73 : 1) << "folded early";
            ASSERT_EQ(physical.startsWith(' '), i > 0);
            const QByteArray content = physical.mid(i > 0 ? 1 : 0);
            EXPECT_EQ(QString::fromUtf8(content).toUtf8(), content) << "split character";
            unfolded += content;
        }
        EXPECT_EQ(unfolded, line);
    }
}

TEST(VCard, VobjectReadsEveryFieldBackFromAScan) {
    const QString street = S("中国北京市海淀区中关村大街1号院，创新大厦;B座 17层 1701室（东南口）");
    const QMap<QString, QString> cards[] = {
        {{"name", S("张三")},
         {"company", S("某某科技有限公司, 研发部; 二组")},
         {"mobile", "+86 138-0000-0000"},
         {"title", S("工程师,经理")},
         {"note", S("第一行\r\n第二行; 注:\\ 完")},
         {"email", "z@example.cn"},
         {"address", street}},
        {{"first", "Ada"}, {"last", "King, Countess; of Lovelace"}, {"note", street}},
    };
    for (const QMap<QString, QString>& card : cards) {
        const QByteArray payload = PayloadBytes::ToUtf8(VCard(card));
        clsQRCode encoder;
        const auto symbol =
            encoder.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.constData()),
                                   int(payload.size()), 0, 2, -1);
        ASSERT_TRUE(symbol);
        const auto decoded = DecodeSymbol(*symbol);
        ASSERT_TRUE(decoded);
        const QJsonObject read = ParsedByVobject(QString::fromStdString(decoded->text));
        const auto field = [&read](const char* key) { return read.value(key).toString(); };
        EXPECT_EQ(field("version"), "3.0");
        EXPECT_EQ(field("family"), card.contains("name") ? card["name"] : card["last"]);
        EXPECT_EQ(field("given"), card.value("first"));
        EXPECT_EQ(field("fn"), card.contains("name") ? card["name"] : "Ada " + card["last"]);
        EXPECT_EQ(read.value("org").toVariant().toStringList(),
                  card.contains("company") ? QStringList{card["company"]} : QStringList());
        for (const char* key : {"title", "mobile", "email"}) EXPECT_EQ(field(key), card.value(key));
        EXPECT_EQ(field("street"), card.value("address"));
        EXPECT_EQ(field("note"), QString(card["note"]).replace("\r\n", "\n"));
        EXPECT_EQ(field("mobileType"), card.contains("mobile") ? "CELL" : "");
        EXPECT_EQ(field("adrType"), card.contains("address") ? "WORK" : "");
    }
}
