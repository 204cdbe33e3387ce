// quorlik-qr is a Qt-free core that hands every command line it does not answer to the full
// program. Whichever of the two answers, a script must see the same: the same standard output,
// the same message, the same exit status and the same file bytes.
#include "tests/cli/ToolProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
    std::map<QString, QByteArray> files; // every file the run left in its folder
};

std::map<QString, QByteArray> FilesIn(const QString& folder) {
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile file(folder + QLatin1Char('/') + name);
        if (file.open(QIODevice::ReadOnly)) files[name] = file.readAll();
    }
    return files;
}

// Runs `program` in a fresh folder holding payload.txt, with `input` on standard input.
Outcome RunProgram(const QString& program, const QStringList& arguments,
                   const QByteArray& input = {}) {
    const QTemporaryDir folder;
    WriteFile(folder.path() + QStringLiteral("/payload.txt"), "a payload from a file 12345");
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.start(program, arguments);
    if (!process.waitForStarted()) return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    Outcome outcome;
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    outcome.files = FilesIn(folder.path());
    return outcome;
}

const QString Core = QStringLiteral(QUORLIK_QR_BINARY);
const QString Full = QStringLiteral(QUORLIK_QR_FULL_BINARY);

void ExpectSameOutcome(const QStringList& arguments, const QByteArray& input = {}) {
    SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
    const Outcome core = RunProgram(Core, arguments, input);
    const Outcome full = RunProgram(Full, arguments, input);
    EXPECT_EQ(core.status, full.status);
    EXPECT_EQ(core.out.toStdString(), full.out.toStdString());
    EXPECT_EQ(core.err.toStdString(), full.err.toStdString());
    EXPECT_EQ(core.files, full.files);
}

const QString LongText = QString(300, QLatin1Char('x'));

// Command lines the core answers itself.
const QList<QStringList> CoreCommandLines = {
    {QStringLiteral("hello")},
    {QStringLiteral("-t"), QStringLiteral("ascii"), QStringLiteral("--margin"), QStringLiteral("1"),
     QStringLiteral("hello")},
    {QStringLiteral("-t"), QStringLiteral("ANSI"), QStringLiteral("hello")},
    {QStringLiteral("--info"), QStringLiteral("--matrix"), QStringLiteral("-lH"),
     QStringLiteral("-m"), QStringLiteral("5"), QStringLiteral("二维码 0123456789")},
    {QStringLiteral("--info"), QStringLiteral("--kanji"), QStringLiteral("\u00e9\u00e9")},
    {QStringLiteral("--info"), QStringLiteral("--eci"), QStringLiteral("--symversion=7"),
     QStringLiteral("中文")},
    {QStringLiteral("--info"), QStringLiteral("-r"), QStringLiteral("payload.txt")},
    {QStringLiteral("--matrix")},
    {QStringLiteral("--info"), QStringLiteral("-")},
    {QStringLiteral("-o"), QStringLiteral("x.png"), QStringLiteral("hello")},
    {QStringLiteral("-o"), QStringLiteral("x.PNG"), QStringLiteral("-s"), QStringLiteral("7"),
     QStringLiteral("--margin"), QStringLiteral("0"), QStringLiteral("-l"), QStringLiteral("L"),
     LongText},
    {QStringLiteral("-o"), QStringLiteral("x.svg"), QStringLiteral("--scale"), QStringLiteral("3"),
     QStringLiteral("hello")},
    {QStringLiteral("--info"), QStringLiteral("-o"), QStringLiteral("x.svg"), LongText},
    {QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("hello")},
    {QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("-t"), QStringLiteral("svg"),
     QStringLiteral("hello")},
    {QStringLiteral("-o"), QStringLiteral("x.png"), QStringLiteral("--foreground"),
     QStringLiteral("#1a237e"), QStringLiteral("--background"), QStringLiteral("FFFFFF00"),
     QStringLiteral("hello")},
    {QStringLiteral("-o"), QStringLiteral("x.svg"), QStringLiteral("--background"),
     QStringLiteral("fff8e1"), QStringLiteral("hello")},
    {QStringLiteral("-o"), QStringLiteral("x.eps"), QStringLiteral("-s"), QStringLiteral("2"),
     QStringLiteral("hello")},
    {QStringLiteral("--help")},
    {QStringLiteral("-V")},
    {QStringLiteral("--kind"), QStringLiteral("wifi"), QStringLiteral("--field"),
     QStringLiteral("ssid=家里"), QStringLiteral("--field"), QStringLiteral("password=a;b"),
     QStringLiteral("-o"), QStringLiteral("w.png")},
    {QStringLiteral("--kind"), QStringLiteral("vcard"), QStringLiteral("--field"),
     QStringLiteral("first=三"), QStringLiteral("--field"), QStringLiteral("last=张"),
     QStringLiteral("--info")},
};

// Failures of command lines the core answers: a payload too long for the level and version, an
// unreadable payload file, a picture too large to draw, a folder that is not there.
const QList<QStringList> CoreFailures = {
    {QStringLiteral("-v"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("H"),
     LongText},
    {QStringLiteral("-o"), QStringLiteral("x.png"), QStringLiteral("-v"), QStringLiteral("2"),
     LongText},
    {QStringLiteral("--info"), QStringLiteral("-r"), QStringLiteral("missing.txt")},
    {QStringLiteral("--info"), QStringLiteral("-r"), QStringLiteral(".")},
    {QStringLiteral("-o"), QStringLiteral("x.png"), QStringLiteral("-s"), QStringLiteral("100"),
     QStringLiteral("--margin"), QStringLiteral("100"), QStringLiteral("hello")},
    {QStringLiteral("-o"), QStringLiteral("missing/x.svg"), QStringLiteral("hello")},
};

// Usage errors: both programs read the command line with one parser and word them alike.
const QList<QStringList> UsageErrors = {
    {QStringLiteral("-l"), QStringLiteral("X"), QStringLiteral("hello")},
    {QStringLiteral("--lev"), QStringLiteral("H"), QStringLiteral("hello")},
    {QStringLiteral("-t"), QStringLiteral("ascii"), QStringLiteral("--info"),
     QStringLiteral("hello")},
    {QStringLiteral("one"), QStringLiteral("two")},
    {QStringLiteral("--help"), QStringLiteral("-s"), QStringLiteral("0")},
    {QStringLiteral("--no-such-option")},
    {QStringLiteral("--decode")},
    {QStringLiteral("--foreground"), QStringLiteral("12345"), QStringLiteral("-o"),
     QStringLiteral("x.png"), QStringLiteral("hello")},
    {QStringLiteral("--kind"), QStringLiteral("sms"), QStringLiteral("--field"),
     QStringLiteral("number=123"), QStringLiteral("--info")},
    {QStringLiteral("-o=x.png"), QStringLiteral("--kind"), QStringLiteral("poem")},
    {QStringLiteral("--kind"), QStringLiteral("wifi"), QStringLiteral("--field"),
     QStringLiteral("ssid=home"), QStringLiteral("-o"), QStringLiteral("x.png")},
};

// Command lines the full program answers through the core: other formats and commands.
const QList<QStringList> HandedOver = {
    {QStringLiteral("-o"), QStringLiteral("x.bmp"), QStringLiteral("hello")},
    {QStringLiteral("--compose"), QStringLiteral("-o"), QStringLiteral("x.png"),
     QStringLiteral("hello")},
    {QStringLiteral("--decode"), QStringLiteral("missing.png")},
};

TEST(CoreAgreement, TheCoreAnswersAsTheFullProgramDoes) {
    for (const QStringList& arguments : CoreCommandLines)
        ExpectSameOutcome(arguments, "payload from standard input");
}

TEST(CoreAgreement, TheCoreFailsAsTheFullProgramDoes) {
    for (const QStringList& arguments : CoreFailures + UsageErrors) ExpectSameOutcome(arguments);
}

TEST(CoreAgreement, HandedOverCommandLinesKeepTheirOutcome) {
    for (const QStringList& arguments : HandedOver) ExpectSameOutcome(arguments);
}

// A plain batch is made by the core alone; the full program makes the same rows into the same
// bytes, manifest and messages included (the summary's time aside).
TEST(CoreAgreement, PlainBatchesComeOutTheSameFromEitherProgram) {
    const QByteArray csv = "file,kind,text,to,ssid,password,foreground\n"
                           "a,,二维码 1,,,,\n"
                           "b,mail,,li@example.cn,,,800000\n"
                           "c,wifi,,,家里,\"a;b\",\n"
                           "a,,dup,,,,\n"
                           "e,,x,,,,ffffff\n";
    for (const char* format : {"png", "svg", "eps"}) {
        const QStringList arguments = {QStringLiteral("--batch"),    QStringLiteral("/dev/stdin"),
                                       QStringLiteral("--out-dir"),  QStringLiteral("."),
                                       QStringLiteral("--format"),   QString::fromLatin1(format),
                                       QStringLiteral("--manifest"), QStringLiteral("m.csv")};
        SCOPED_TRACE(format);
        const Outcome core = RunProgram(Core, arguments, csv);
        const Outcome full = RunProgram(Full, arguments, csv);
        EXPECT_EQ(core.status, 1); // rows 4 and 5 fail
        EXPECT_EQ(core.status, full.status);
        EXPECT_EQ(core.err, full.err);
        EXPECT_EQ(core.files.size(), 5u); // payload.txt, three rows, the manifest
        EXPECT_TRUE(core.files == full.files);
        EXPECT_TRUE(core.out.startsWith("quorlik-qr: rows written 3, rows failed 2, "))
            << core.out.toStdString();
    }
}

// A copy of the core without the full program beside it: what it answers still works, and what
// it hands over fails with one message instead of being answered differently.
TEST(CoreAgreement, TheCoreAnswersItsOwnCasesWithoutTheFullProgram) {
    const QTemporaryDir folder;
    const QString alone = folder.path() + QStringLiteral("/quorlik-qr");
    ASSERT_TRUE(QFile::copy(Core, alone));
    for (const QStringList& arguments : CoreCommandLines + UsageErrors) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const Outcome run = RunProgram(alone, arguments, "payload from standard input");
        EXPECT_FALSE(run.err.startsWith("quorlik-qr: cannot run ")) << run.err.toStdString();
    }
    for (const QStringList& arguments : HandedOver) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const Outcome run = RunProgram(alone, arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.startsWith("quorlik-qr: cannot run ")) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1);
    }
}

// A copy of the core in a place where another user could put a full program beside it runs
// nothing it finds there; the same layout made safe runs it.
TEST(CoreAgreement, TheCoreRunsNoFullProgramAnotherUserCouldHavePlaced) {
    const QTemporaryDir folder;
    const QString libexec = folder.path() + QStringLiteral("/libexec");
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(QDir(libexec).mkpath(QStringLiteral("quorlik")));
    const QString core = folder.path() + QStringLiteral("/bin/quorlik-qr");
    const QString planted = libexec + QStringLiteral("/quorlik/quorlik-qr-full");
    ASSERT_TRUE(QFile::copy(Core, core));
    WriteFile(planted, "#!/bin/sh\ntouch \"$0.ran\"\n");
    ASSERT_EQ(::chmod(QFile::encodeName(planted).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(libexec).constData(), 0777), 0);
    const QStringList decode = {QStringLiteral("--decode"), QStringLiteral("x.png")};
    const Outcome refused = RunProgram(core, decode);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "quorlik-qr: will not run " + QFile::encodeName(planted) + ": " +
                               QFile::encodeName(libexec) + " is writable by every user\n");
    EXPECT_FALSE(QFile::exists(planted + QStringLiteral(".ran")));
    ASSERT_EQ(::chmod(QFile::encodeName(libexec).constData(), 0755), 0);
    EXPECT_EQ(RunProgram(core, decode).status, 0);
    EXPECT_TRUE(QFile::exists(planted + QStringLiteral(".ran")));
}

// A minimal container has no /proc: the core still finds the full program beside it.
TEST(CoreAgreement, TheHandoverNeedsNoProc) {
    const QString hideProc = QStringLiteral("mount -t tmpfs none /proc && exec \"$0\" \"$@\"");
    const QStringList unshare = {QStringLiteral("--mount"), QStringLiteral("--propagation"),
                                 QStringLiteral("private"), QStringLiteral("sh"),
                                 QStringLiteral("-c"),      hideProc};
    if (::geteuid() != 0 ||
        RunProgram(QStringLiteral("unshare"), unshare + QStringList{QStringLiteral("true")})
                .status != 0)
        GTEST_SKIP() << "hiding /proc needs root and a mount namespace";
    if (BuiltWithAddressSanitizer())
        GTEST_SKIP() << "AddressSanitizer reads its options from /proc and its leak check at exit "
                        "needs /proc: without it every sanitized program exits 1";
    const Outcome run =
        RunProgram(QStringLiteral("unshare"),
                   unshare + QStringList{Core, QStringLiteral("-o"), QStringLiteral("x.bmp"),
                                         QStringLiteral("hello")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.files.count(QStringLiteral("x.bmp")));
}

} // namespace
