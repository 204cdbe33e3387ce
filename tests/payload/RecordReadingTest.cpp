// The contact and bookmark records, scanned by an independent reader and parsed as phones do.
#include "composition/PayloadBytes.h"
#include "encoder/clsQRCode.h"
#include "payload/PayloadComposer.h"
#include "tests/payload/MecardReader.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/ZxingDecode.h"

#include <gtest/gtest.h>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Encodes the payload as the generator does and returns what zxing-cpp reads back.
QString ScannedText(const QString& payload) {
    clsQRCode encoder;
    const QByteArray bytes = PayloadBytes::ToUtf8(payload);
    const auto symbol = encoder.EncodeToMatrix(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), int(bytes.size()), 0, 3, -1);
    if (!symbol) return QStringLiteral("<no symbol>");
    const auto decoded = DecodeSymbol(*symbol);
    if (!decoded) return QStringLiteral("<unreadable>");
    EXPECT_EQ(decoded->bytes, bytes.toStdString());
    return QString::fromStdString(decoded->text);
}

// The payload of a page from its fields, as text.
QString Composed(int page, const QStringList& fields) {
    std::vector<std::string> utf8;
    for (const QString& field : fields) utf8.push_back(field.toStdString());
    return QString::fromStdString(PayloadComposer::Compose(page, utf8));
}

} // namespace

TEST(RecordReading, ContactWithReservedCharactersComesBackFieldForField) {
    const QStringList fields{S("李;雷:Jr."),
                             S("Acme; Ltd"),
                             S("15555555555"),
                             S("CTO:总监"),
                             S("call TEL:110; or N:x\\"),
                             S("li@a.cn"),
                             S("Road 1\\")};
    const QString scanned = ScannedText(Composed(4, fields));
    const QStringList keys{S("N:"),     S("ORG:"), S("TEL:TYPE=cell:"), S("TITLE:"), S("NOTE:"),
                           S("EMAIL:"), S("ADR:")};
    for (int i = 0; i < keys.size(); ++i) {
        const QStringList values = ReaderValues(scanned, keys[i]);
        ASSERT_FALSE(values.isEmpty()) << keys[i].toStdString();
        EXPECT_EQ(values.first(), fields[i]) << keys[i].toStdString();
    }
    // The note's "TEL:" and "N:" must not hand the reader a second number or name.
    EXPECT_EQ(ReaderValues(scanned, S("TEL:")).size(), 1);
    EXPECT_EQ(ReaderValues(scanned, S("N:")).size(), 1);
}

TEST(RecordReading, BookmarkWithSemicolonsComesBack) {
    const QString title = S("A;B 网站");
    const QString url = S("https://example.com/a;b?q=1:2");
    const QString scanned = ScannedText(Composed(2, {title, S("  ") + url + S(" ")}));
    EXPECT_EQ(ReaderValues(scanned, S("TITLE:")), QStringList{title});
    EXPECT_EQ(ReaderValues(scanned, S("URL:")), QStringList{url});
}

TEST(RecordReading, UnescapedRecordWouldBeMisread) {
    // The reader model itself must notice the fault that escaping mends.
    const QString raw = S("MECARD:N:a;b;NOTE:TEL:1;;");
    EXPECT_EQ(ReaderValues(raw, S("N:")).first(), S("a"));
    EXPECT_EQ(ReaderValues(raw, S("TEL:")).size(), 1);
}

TEST(RecordReading, MailAndSmsScanExactly) {
    const QString mail = Composed(1, {S("a@b.cn"), S("主题"), S("第一行\r\n第二行")});
    EXPECT_EQ(ScannedText(mail), mail);
    const QString sms = Composed(3, {S("10086"), S("余额;查询")});
    EXPECT_EQ(ScannedText(sms), sms);
}

TEST(RecordReading, MailAndSmsFieldsCannotForgeAnotherKey) {
    const QStringList mail{S("a@b.cn;SUB:forged"), S("re: 你好; TXT:x"), S("body;;ZRQub\\")};
    const QString scannedMail = ScannedText(Composed(1, mail));
    const QStringList mailKeys{S("TO:"), S("SUB:"), S("TXT:")};
    for (int i = 0; i < mailKeys.size(); ++i)
        EXPECT_EQ(ReaderValues(scannedMail, mailKeys[i]), QStringList{mail[i]})
            << mailKeys[i].toStdString();

    const QStringList sms{S("10086;TXT:x"), S("查询;SM:1:2\\")};
    const QString scannedSms = ScannedText(Composed(3, sms));
    EXPECT_EQ(ReaderValues(scannedSms, S("SM:")), QStringList{sms[0]});
    EXPECT_EQ(ReaderValues(scannedSms, S("TXT:")), QStringList{sms[1]});
}
