// vCards: escaping and folding by the rules, and an independent parser (Python's vobject,
// run on what zxing-cpp scans) getting back every field as it went in.
#include "VCardPayload.h"
#include "PayloadKinds.h"
#include "QtPrinting.h"
#include "SymbolComposition.h"
#include "ZxingDecode.h"
#include "clsQRCode.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString Scanned(const QString& payload) {
    clsQRCode encoder;
    const QByteArray bytes = SymbolComposition::ToUtf8(payload);
    const auto symbol = encoder.EncodeToMatrix(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), int(bytes.size()), 0, 2, -1);
    if (!symbol) return QStringLiteral("<no symbol>");
    const auto decoded = DecodeSymbol(*symbol);
    if (!decoded) return QStringLiteral("<unreadable>");
    return QString::fromStdString(decoded->text);
}

// Debian's interpreter, where python3-vobject is installed.
QJsonObject ParsedByVobject(const QString& card) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(QUORLIK_VCARD_READER)});
    python.write(card.toUtf8());
    python.closeWriteChannel();
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << "vobject: " << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QString Field(const QJsonObject& parsed, const char* key) {
    return parsed.value(QLatin1String(key)).toString();
}

} // namespace

TEST(VCard, PropertiesInOrderWithCrLfAndEmptyOnesLeftOut) {
    VCardPayload::Contact contact;
    contact.name = S("张三");
    contact.mobile = S("13800000000");
    EXPECT_EQ(VCardPayload::Compose(contact),
              S("BEGIN:VCARD\r\nVERSION:3.0\r\nN:张三;;;;\r\nFN:张三\r\n"
                "TEL;TYPE=CELL:13800000000\r\nEND:VCARD\r\n"));
    contact = {};
    contact.first = S("Ada");
    contact.last = S("Lovelace");
    contact.company = S("A");
    contact.title = S("T");
    contact.email = S("e@x");
    contact.address = S("R");
    contact.note = S("N");
    EXPECT_EQ(VCardPayload::Compose(contact),
              S("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lovelace;Ada;;;\r\nFN:Ada Lovelace\r\nORG:A\r\n"
                "TITLE:T\r\nEMAIL:e@x\r\nADR;TYPE=WORK:;;R;;;;\r\nNOTE:N\r\nEND:VCARD\r\n"));
    EXPECT_EQ(VCardPayload::Compose({}),
              S("BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nFN:\r\nEND:VCARD\r\n"));
}

TEST(VCard, EscapesReservedCharactersAndEveryLineBreak) {
    EXPECT_EQ(VCardPayload::EscapeValue(S("a\\b,c;d:e")), S("a\\\\b\\,c\\;d:e"));
    EXPECT_EQ(VCardPayload::EscapeValue(S("1\r\n2\n3\r4\n\r5")), S("1\\n2\\n3\\n4\\n\\n5"));
}

TEST(VCard, FoldsAt75OctetsOnCharacterBoundaries) {
    for (int prefix = 0; prefix < 3; ++prefix) {
        const QByteArray line = QByteArray("NOTE:") + QByteArray(prefix, 'x') +
                                S("北京市海淀区中关村大街").repeated(12).toUtf8();
        const QByteArray folded = VCardPayload::FoldLine(line);
        ASSERT_TRUE(folded.endsWith("\r\n"));
        const QList<QByteArray> lines = folded.chopped(2).split('\n');
        ASSERT_GT(lines.size(), 5);
        QByteArray unfolded;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QByteArray physical = lines[i];
            if (i + 1 < lines.size()) {
                ASSERT_TRUE(physical.endsWith('\r'));
                physical.chop(1);
                EXPECT_GE(physical.size(), 73) << "folded early, line " << i;
            }
            EXPECT_LE(physical.size(), 75);
            if (i > 0) {
                ASSERT_TRUE(physical.startsWith(' '));
                physical.remove(0, 1);
            }
            EXPECT_EQ(QString::fromUtf8(physical).toUtf8(), physical) << "split in line " << i;
            unfolded += physical;
        }
        EXPECT_EQ(unfolded, line);
    }
    EXPECT_EQ(VCardPayload::FoldLine(QByteArray(75, 'a')), QByteArray(75, 'a') + "\r\n");
    EXPECT_EQ(VCardPayload::FoldLine(QByteArray(76, 'a')), QByteArray(75, 'a') + "\r\n a\r\n");
}

TEST(VCard, VobjectReadsEveryFieldBackFromAScan) {
    struct Case {
        QMap<QString, QString> fields;
        QString family, given, formatted;
    };
    const QString longAddress = S("中国北京市海淀区中关村大街1号院，创新大厦;B座 17层 1701室") +
                                S("（靠近地铁站，东南口出）");
    const Case cases[] = {
        {{{"name", S("张三")},
          {"company", S("北京某某科技有限公司, 研发部; 二组")},
          {"mobile", S("+86 138-0000-0000")},
          {"title", S("工程师,经理")},
          {"note", S("第一行\r\n第二行\n第三行; 注:\\ 完")},
          {"email", S("zhang.san@example.cn")},
          {"address", longAddress}},
         S("张三"),
         QString(),
         S("张三")},
        {{{"first", S("Ada")}, {"last", S("King, Countess; of Lovelace")}},
         S("King, Countess; of Lovelace"),
         S("Ada"),
         S("Ada King, Countess; of Lovelace")},
        {{{"name", S("A\\B")}, {"first", S("B")}, {"last", S("A")}, {"note", longAddress}},
         S("A"),
         S("B"),
         S("A\\B")},
    };
    for (const Case& c : cases) {
        const PayloadKinds::Composed card =
            PayloadKinds::Compose(QStringLiteral("vcard"), c.fields);
        ASSERT_EQ(card.error, "");
        const QString scanned = Scanned(card.payload);
        ASSERT_EQ(scanned, card.payload);
        const QJsonObject parsed = ParsedByVobject(scanned);
        EXPECT_EQ(Field(parsed, "version"), S("3.0"));
        EXPECT_EQ(Field(parsed, "family"), c.family);
        EXPECT_EQ(Field(parsed, "given"), c.given);
        EXPECT_EQ(Field(parsed, "fn"), c.formatted);
        const QStringList org = parsed.value("org").toVariant().toStringList();
        EXPECT_EQ(org, c.fields.contains("company") ? QStringList{c.fields.value("company")}
                                                    : QStringList());
        EXPECT_EQ(Field(parsed, "title"), c.fields.value("title"));
        EXPECT_EQ(Field(parsed, "mobile"), c.fields.value("mobile"));
        EXPECT_EQ(Field(parsed, "email"), c.fields.value("email"));
        EXPECT_EQ(Field(parsed, "street"), c.fields.value("address"));
        // A line break comes back as the reader's "\n", whatever the one typed.
        QString note = c.fields.value("note");
        note.replace(S("\r\n"), S("\n"));
        EXPECT_EQ(Field(parsed, "note"), note);
        if (c.fields.contains("mobile")) {
            EXPECT_EQ(parsed.value("mobileType").toVariant().toStringList(), QStringList{"CELL"});
        }
        if (c.fields.contains("address")) {
            EXPECT_EQ(parsed.value("adrType").toVariant().toStringList(), QStringList{"WORK"});
        }
    }
}
