// Payloads composed by the command line and by batches: the same escaping and the same line
// breaks as the window's pages, whichever way the fields come in.
#include "payload/PayloadComposer.h"
#include "tests/cli/ToolProcess.h"

#include <gtest/gtest.h>

namespace {

// The payload the tool puts into a symbol for these arguments, read back from the picture.
std::optional<std::string> PayloadOf(QStringList arguments) {
    const QString file = TemporaryFolder() + "/symbol.png";
    arguments << "-o" << file << "--scale"
              << "4";
    const ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    return ReadBack(file);
}

} // namespace

TEST(PayloadEntry, MailAndSmsFieldsCannotForgeKeys) {
    EXPECT_EQ(
        PayloadOf({"--kind", "mail", "--field", "to=a@b.cn;SUB:forged", "--field", "subject=real"}),
        "MAIL:TO:a@b.cn\\;SUB\\:forged;SUB:real;TXT:;;ZRQub");
    EXPECT_EQ(PayloadOf({"--kind", "sms", "--field", "phone=10086;TXT:x", "--field", "text=y"}),
              "SMS:SM:10086\\;TXT\\:x;TXT:y;;ZRQub");
}

TEST(PayloadEntry, LineBreaksAreCrLfFromFieldsAndCsvAlike) {
    EXPECT_EQ(PayloadOf({"--kind", "text", "--field", "text=a\nb"}), "a\r\nb");
    EXPECT_EQ(PayloadOf({"--kind", "sms", "--field", "phone=1", "--field", "text=x\ry"}),
              (PayloadComposer::Sms("1", "x\r\ny")));
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteFile(folder + "/rows.csv",
                                  "file,kind,text,phone\nt,text,\"a\nb\",\ns,sms,\"x\ry\",1\n");
    ASSERT_EQ(RunTool({"--batch", csv, "--out-dir", out}).status, 0);
    EXPECT_EQ(ReadBack(out + "/t.png"), "a\r\nb");
    EXPECT_EQ(ReadBack(out + "/s.png"), (PayloadComposer::Sms("1", "x\r\ny")));
}
