// The command line in an unfriendly environment: a desktop platform with no display, a runtime
// folder that does not exist, none at all.
#include "tests/cli/ToolProcess.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

struct Material {
    QString folder;
    QString picture; // a symbol of "hello"
    QString csv;     // one text row
};

Material MakeMaterial() {
    Material m;
    m.folder = TemporaryFolder();
    m.picture = m.folder + "/hello.png";
    EXPECT_EQ(RunTool({"-o", m.picture, "--scale", "4", "hello"}).status, 0);
    m.csv = WriteFile(m.folder + "/rows.csv", "file,text\na,one\n");
    return m;
}

} // namespace

TEST(Environment, DesktopPlatformWithoutDisplayIsIgnored) {
    const Material m = MakeMaterial();
    for (const QString& platform : {QStringLiteral("wayland"), QStringLiteral("xcb")}) {
        ToolSetup setup;
        setup.setEnvironment = {"QT_QPA_PLATFORM=" + platform};
        setup.unsetEnvironment = {"DISPLAY", "WAYLAND_DISPLAY"};
        const ToolRun decode = RunToolWith({"--decode", m.picture}, setup);
        EXPECT_EQ(decode.status, 0) << platform.toStdString() << decode.err.toStdString();
        EXPECT_EQ(decode.out, "hello");
        const QString out = NewFolder(m.folder, "out-" + platform);
        const ToolRun batch = RunToolWith({"--batch", m.csv, "--out-dir", out}, setup);
        EXPECT_EQ(batch.status, 0) << platform.toStdString() << batch.err.toStdString();
        EXPECT_EQ(ReadBack(out + "/a.png"), "one");
        const ToolRun compose =
            RunToolWith({"--compose", "-o", m.folder + "/c-" + platform + ".png", "x"}, setup);
        EXPECT_EQ(compose.status, 0) << platform.toStdString() << compose.err.toStdString();
    }
}

TEST(Environment, NoRuntimeFolderIsCreated) {
    const Material m = MakeMaterial();
    const QString missing = m.folder + "/runtime";
    const QString temporary = NewFolder(m.folder, "tmp");
    const QStringList commands[] = {
        {"--decode", m.picture},
        {"--batch", m.csv, "--out-dir", NewFolder(m.folder, "out")},
        {"--compose", "-o", m.folder + "/c.png", "x"},
    };
    for (const QStringList& arguments : commands) {
        ToolSetup named;
        named.setEnvironment = {"XDG_RUNTIME_DIR=" + missing};
        const ToolRun run = RunToolWith(arguments, named);
        EXPECT_EQ(run.status, 0) << arguments.join(' ').toStdString() << run.err.toStdString();
        EXPECT_EQ(run.err, "") << arguments.join(' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(missing)) << arguments.join(' ').toStdString();

        // Without one, Qt would make a runtime folder in the temporary folder.
        ToolSetup unnamed;
        unnamed.setEnvironment = {"TMPDIR=" + temporary};
        unnamed.unsetEnvironment = {"XDG_RUNTIME_DIR"};
        EXPECT_EQ(RunToolWith(arguments, unnamed).status, 0);
        EXPECT_EQ(QDir(temporary).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList())
            << arguments.join(' ').toStdString();
    }
}
