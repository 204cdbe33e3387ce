// Bytes a terminal obeys (ESC sequences that retitle or clear it, BEL, C1 controls) never reach
// a terminal raw, from decoded payloads or from names echoed in messages; pipes and files still
// get every byte exactly.
#include "tests/cli/ToolProcess.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

// A payload that retitles the terminal, rings it, clears it and starts an 8-bit CSI.
const QByteArray Hostile = "\x1b]0;owned\x07\x1b[2J\xc2\x9b"
                           "31m tail\r\nline 2";

// The batch's progress bar clears its own line with ESC [ K; nothing else may come raw.
bool HasRawControls(const QByteArray& shown) {
    return QByteArray(shown).replace("\x1b[K", "").contains('\x1b') || shown.contains('\x07') ||
           shown.contains("\xc2\x9b");
}

QString HostileSymbol() {
    const QString file = TemporaryFolder() + "/hostile.png";
    EXPECT_EQ(RunTool({"-o", file, "--scale", "4"}, Hostile).status, 0);
    return file;
}

} // namespace

TEST(TerminalOutput, DecodedPayloadIsEscapedOnATerminalAndExactInAPipe) {
    const QString file = HostileSymbol();
    const ToolRun piped = RunTool({"--decode", file});
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, Hostile);

    const QByteArray shown = RunOnTerminal({"--decode", file});
    EXPECT_FALSE(HasRawControls(shown)) << shown.toStdString();
    EXPECT_TRUE(shown.contains("\\x1B]0;owned\\a\\x1B[2J\\xC2\\x9B31m tail"))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("line 2"));
    const QByteArray info = RunOnTerminal({"--decode", "--info", file});
    EXPECT_FALSE(HasRawControls(info)) << info.toStdString();
    const QByteArray lines = RunOnTerminal({"--decode", file, file});
    EXPECT_FALSE(HasRawControls(lines)) << lines.toStdString();
}

TEST(TerminalOutput, MessagesEchoNoRawControlsOnATerminal) {
    const QString folder = TemporaryFolder();
    const QString csv = WriteFile(folder + "/rows.csv", "file,text\n\"\x1b]0;x\x07\",\n");
    const QStringList runs[] = {
        {"--bogus\x1b]0;owned\x07"},
        {"--format", "\x1b[2J", "--batch", csv, "--out-dir", folder},
        {"-o", folder + "/missing/\x1b[2J.png", "hello"},
        {"--decode", folder + "/\x1b]0;owned\x07.png"},
        {"--batch", csv, "--out-dir", folder},
        {"--kind", "wifi", "--field", "ssid=a", "--field",
         "security=\xc2\x9b"
         "2J"},
    };
    for (const QStringList& arguments : runs) {
        const QByteArray shown = RunWithErrorsOnTerminal(arguments);
        EXPECT_FALSE(shown.isEmpty()) << arguments.join(' ').toStdString();
        EXPECT_FALSE(HasRawControls(shown)) << shown.toStdString();
    }
}
