// --kind/--field, --eci and --decode through the built binary, each symbol judged by a real
// reader (zxing-cpp, and zbar where the character set matters).
#include "cli/core/FieldPayload.h"
#include "cli/core/SymbolText.h"
#include "encoder/clsQRCode.h"
#include "payload/PayloadComposer.h"
#include "payload/PayloadKinds.h"
#include "tests/cli/ToolProcess.h"
#include "tests/support/ZxingDecode.h"

#include <QFile>
#include <QImage>
#include <QProcess>

#include <QMap>

#include <gtest/gtest.h>

namespace {

const QString Chinese = QStringLiteral("订单：二维码生成器，已发货");

std::optional<DecodedSymbol> ReadPicture(const QString& file) {
    return DecodeImage(QImage(file));
}

// Writes the symbol of `arguments` to a PNG, 4 pixels a module unless composed, and reads it
// back.
std::optional<DecodedSymbol> MadeAndRead(QStringList arguments) {
    const QString file = TemporaryFolder() + "/symbol.png";
    arguments << "-o" << file;
    if (!arguments.contains("--compose"))
        arguments << "--scale"
                  << "4"; // compose: 240 x 240
    const ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    return ReadPicture(file);
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

std::string Utf8(const std::string& text) {
    return text;
}

QStringList Fields(const QMap<QString, QString>& fields) {
    QStringList arguments;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        arguments << "--field" << it.key() + '=' + it.value();
    return arguments;
}

TEST(ContentKinds, SymbolsCarryExactlyTheComposedText) {
    const std::vector<std::pair<QString, QMap<QString, QString>>> cases = {
        {"wifi", {{"ssid", "家里"}, {"password", "a;b:\\\"c"}, {"hidden", "true"}}},
        {"wifi", {{"ssid", "Café"}, {"security", "nopass"}}},
        {"vcard",
         {{"first", "三"},
          {"last", "张"},
          {"company", "Quorlik, 研发部"},
          {"mobile", "13800000000"},
          {"note", "line one\nline two; a,b"},
          {"email", "zhang@example.com"}}},
    };
    for (const auto& [kind, fields] : cases) {
        PayloadKinds::Fields utf8;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            utf8.emplace(it.key().toStdString(), it.value().toStdString());
        const PayloadKinds::Composed expected = PayloadKinds::Compose(kind.toStdString(), utf8);
        ASSERT_EQ(expected.error, "");
        const std::optional<DecodedSymbol> read =
            MadeAndRead(QStringList{"--kind", kind} + Fields(fields));
        ASSERT_TRUE(read) << kind.toStdString();
        EXPECT_EQ(read->bytes, Utf8(expected.payload)) << kind.toStdString();
    }
}

TEST(ContentKinds, MailIsTheWindowsCompositionAndTextIsTheDefaultKind) {
    const std::optional<DecodedSymbol> mail =
        MadeAndRead({"--kind", "mail", "--field", "to=li@example.com", "--field",
                     "subject=周报 & 计划", "--field", "body=第一行\n第二行?=&"});
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->bytes,
              Utf8(PayloadComposer::Mail("li@example.com", "周报 & 计划", "第一行\n第二行?=&")));
    const std::optional<DecodedSymbol> text = MadeAndRead({"--field", "text=" + Chinese});
    ASSERT_TRUE(text);
    EXPECT_EQ(text->bytes, Utf8(Chinese));
}

TEST(ContentKinds, UnknownKindFieldOrValueIsUsageWithOneLine) {
    struct Case {
        QStringList arguments;
        std::string listed; // what the message must offer instead
    };
    const std::vector<Case> cases = {
        {{"--kind", "poem"}, "bookmark, contact, mail, sms, text, vcard, wifi"},
        {{"--kind", "wifi", "--field", "pass=x"}, "ssid, password, security, hidden"},
        {{"--kind", "vcard", "--field", "phone=1"}, "name, first, last, company, mobile"},
        {{"--field", "ssid=x"}, "kind text has the fields text"},
        {{"--kind", "wifi", "--field", "ssid=x", "--field", "security=WPA3"}, "WPA, WEP or nopass"},
        {{"--kind", "wifi"}, "ssid"},
        {{"--kind", "text", "--field", "text=a", "--field", "text=b"}, "twice"},
        {{"--field", "text=a", "TEXT"}, "no TEXT"},
    };
    for (const Case& c : cases) {
        const ToolRun run = RunTool(c.arguments, "stdin is not read");
        ExpectBadUsage(run, c.arguments.join(' ').toStdString());
        EXPECT_NE(run.err.toStdString().find(c.listed), std::string::npos) << run.err.toStdString();
    }
}

// Arguments are bytes; a value that is no UTF-8 must not reach the symbol as replacement marks.
TEST(ContentKinds, FieldValuesMustBeUtf8) {
    const FieldPayload bad =
        ComposeFieldPayload("wifi", {{"ssid", "ok"}, {"password", "\xff\xfe"}});
    EXPECT_TRUE(bad.bytes.empty());
    EXPECT_EQ(bad.error, "--field password: the value is not UTF-8");
    const FieldPayload good = ComposeFieldPayload("text", {{"text", "\xe5\xae\xb6"}});
    EXPECT_EQ(good.error, "");
    EXPECT_EQ(good.bytes, (std::vector<std::uint8_t>{0xe5, 0xae, 0xb6}));
}

TEST(EciOption, DeclaresUtf8SoEveryReaderShowsTheChinese) {
    const ToolRun info = RunTool({"--eci", "--info", Chinese});
    ASSERT_EQ(info.status, 0);
    EXPECT_TRUE(info.out.endsWith(" eci=26\n")) << info.out.toStdString();
    const QString file = TemporaryFolder() + "/eci.png";
    ASSERT_EQ(RunTool({"--eci", "-o", file, "--scale", "4", Chinese}).status, 0);
    const std::optional<DecodedSymbol> read = ReadPicture(file);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->hasEci);
    EXPECT_EQ(read->text, Utf8(Chinese));
    QProcess zbar; // text mode: it converts from the character set the designator names
    zbar.start("zbarimg", {"--raw", "-q", file});
    ASSERT_TRUE(zbar.waitForFinished(30000)) << "zbarimg (zbar-tools) is needed";
    EXPECT_EQ(zbar.readAllStandardOutput().toStdString(), Utf8(Chinese) + "\n");
    const std::optional<DecodedSymbol> composed =
        MadeAndRead({"--eci", "--kind", "wifi", "--field", "ssid=家里", "--field",
                     "security=nopass", "--compose"});
    ASSERT_TRUE(composed);
    EXPECT_TRUE(composed->hasEci);
    EXPECT_EQ(
        composed->text,
        Utf8(PayloadKinds::Compose("wifi", {{"ssid", "家里"}, {"security", "nopass"}}).payload));
}

// 34 bytes fill version 4-H to its last bit; the 12 bits of the designator move the symbol to
// version 5, so --eci leaking into the default would show in every output.
TEST(EciOption, WithoutItEveryOutputIsTodays) {
    const QString payload = QStringLiteral("二维码生成器二维码生成!");
    const QByteArray utf8 = payload.toUtf8();
    clsQRCode encoder;
    const std::optional<QRSymbol> today = encoder.EncodeToMatrix(
        reinterpret_cast<const std::uint8_t*>(utf8.data()), int(utf8.size()), 0, 4, 0);
    ASSERT_TRUE(today);
    const ToolRun plain = RunTool({"--matrix", "-l", "H", payload});
    const ToolRun marked = RunTool({"--eci", "--matrix", "-l", "H", payload});
    ASSERT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out.toStdString(), SymbolText::MatrixLines(*today));
    EXPECT_NE(marked.out, plain.out);
    EXPECT_NE(marked.out.count('\n'), plain.out.count('\n')); // another version
}

TEST(DecodeOption, ReadsOurOwnFilesBackWithItsExitStatus) {
    const QString folder = TemporaryFolder();
    const QString png = folder + "/a.png", svg = folder + "/b.svg";
    ASSERT_EQ(RunTool({"-o", png, "--scale", "3", "甲 one"}).status, 0);
    ASSERT_EQ(RunTool({"--eci", "-o", svg, "乙\ttwo"}).status, 0);
    const ToolRun single = RunTool({"--decode", png});
    EXPECT_EQ(single.status, 0) << single.err.toStdString();
    EXPECT_EQ(single.out.toStdString(), "甲 one");
    const ToolRun both = RunTool({"--decode", "--info", png, svg});
    EXPECT_EQ(both.status, 0) << both.err.toStdString();
    EXPECT_EQ(both.out.toStdString(),
              Utf8(png) + "\tversion=1 level=Q mask=0 eci=none text=甲 one\n" + Utf8(svg) +
                  "\tversion=1 level=Q mask=0 eci=26 text=乙\\ttwo\n");
    QImage blank(64, 64, QImage::Format_RGB32);
    blank.fill(Qt::white);
    ASSERT_TRUE(blank.save(folder + "/blank.png"));
    const ToolRun none = RunTool({"--decode", png, folder + "/blank.png"});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.out.startsWith(png.toUtf8() + '\t'));
    EXPECT_EQ(RunTool({"--decode", png, folder + "/missing.png"}).status, 2);
    EXPECT_EQ(RunTool({"--decode", "-o", folder + "/x.png", png}).status, 2);
}

TEST(EciOption, BatchRowsDeclareUtf8AndVerify) {
    const QString folder = TemporaryFolder();
    QFile csv(folder + "/rows.csv");
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("file,kind,text,ssid,password\n"
              "note,text,二维码，已发货,,\n"
              "home,wifi,,家里,a;b\n");
    csv.close();
    for (const QStringList& extra :
         {QStringList{"--verify", "--scale", "4"}, QStringList{"--compose"}}) {
        const ToolRun run =
            RunTool(QStringList{"--batch", csv.fileName(), "--out-dir", folder, "--eci"} + extra);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const std::optional<DecodedSymbol> note = ReadPicture(folder + "/note.png");
        const std::optional<DecodedSymbol> home = ReadPicture(folder + "/home.png");
        ASSERT_TRUE(note && home);
        EXPECT_TRUE(note->hasEci && home->hasEci);
        EXPECT_EQ(note->text, "二维码，已发货");
        EXPECT_EQ(
            home->text,
            Utf8(PayloadKinds::Compose("wifi", {{"ssid", "家里"}, {"password", "a;b"}}).payload));
    }
    ASSERT_EQ(RunTool({"--batch", csv.fileName(), "--out-dir", folder}).status, 0);
    const std::optional<DecodedSymbol> plain = ReadPicture(folder + "/note.png");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->hasEci);
    EXPECT_EQ(plain->bytes, "二维码，已发货");
}

} // namespace
