// Configuration files that are not what they claim: links to devices, FIFOs, huge files, names
// that climb out of their folder. The check must answer at once, in bounded memory.
#include "forms/main/判断五笔字型.h"
#include "tests/platform/IBusSettings.h"
#include "tests/platform/InputListFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <future>

using namespace InputMethodCheck;

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QByteArray Local(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    return QFile::encodeName(path);
}

// Runs the check; should it block on the FIFO, a writer releases it after ten seconds and the
// test fails instead of hanging.
std::optional<int> CheckBeside(const QString& fifo) {
    auto check = std::async(std::launch::async, [] { return 判断五笔字型(); });
    if (check.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "blocked on " << fifo.toStdString();
        ::close(::open(Local(fifo).constData(), O_WRONLY));
    }
    return check.get();
}

void SetModified(const QString& path, time_t seconds) {
    const timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(Local(path).constData(), times), 0);
}

} // namespace

class HostileConfig : public InputListFixture {
  protected:
    void SetUp() override {
        InputListFixture::SetUp();
        WriteFcitx5Conf(S("wbx"), S("Haifeng"), S("海峰五笔"));
    }
    QString Profile() const { return Config(S("fcitx5/profile")); }
};

TEST_F(HostileConfig, LinksToEndlessDevicesAreNotRead) {
    ASSERT_EQ(::symlink("/dev/zero", Local(Profile()).constData()), 0);
    EXPECT_EQ(判断五笔字型(), std::nullopt);
    ASSERT_TRUE(QFile::remove(Profile()));
    WriteFcitx5Profile({S("keyboard-us"), S("endless")});
    const QString conf = Data(S("fcitx5/inputmethod/endless.conf"));
    ASSERT_EQ(::symlink("/dev/zero", Local(conf).constData()), 0);
    EXPECT_EQ(ReadInputList().at(1).description, QString());
}

TEST_F(HostileConfig, FifosNeitherBlockNorCount) {
    ASSERT_EQ(::mkfifo(Local(Profile()).constData(), 0600), 0);
    EXPECT_EQ(CheckBeside(Profile()), std::nullopt);
    ASSERT_TRUE(QFile::remove(Profile()));
    WriteFcitx5Profile({S("piped")});
    const QString conf = Data(S("fcitx5/inputmethod/piped.conf"));
    ASSERT_EQ(::mkfifo(Local(conf).constData(), 0600), 0);
    EXPECT_EQ(CheckBeside(conf), 0);
    // Sorted before the Wubi engine's component file, so it is met first.
    const QString component = Data(S("ibus/component/a-piped.xml"));
    ASSERT_EQ(::mkfifo(Local(component).constData(), 0600), 0);
    WriteIBusComponent(S("wb98"), S("五笔98"), S("Table"));
    SetIBusPreloadEngines({"wb98"});
    EXPECT_EQ(CheckBeside(component), 1);
}

TEST_F(HostileConfig, ProfileIsReadOnlyAsFarAsTheSizeCap) {
    WriteFcitx5Profile({S("wbx")});
    QFile file(Profile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray items = file.readAll();
    file.close();
    // Far past any real profile: items behind 300 KiB of comments are never reached.
    const QString comments = QString::fromLatin1(QByteArray("# padding\n").repeated(30 * 1024));
    WriteFile(Profile(), comments + QString::fromUtf8(items));
    EXPECT_EQ(判断五笔字型(), std::nullopt);
    WriteFile(Profile(), QString::fromUtf8(items) + comments);
    EXPECT_EQ(判断五笔字型(), 1);
}

TEST_F(HostileConfig, UnchangedProfileIsNotParsedAgain) {
    WriteFcitx5Profile({S("keyboard-us"), S("abc")});
    SetModified(Profile(), 1'000'000'000);
    EXPECT_EQ(判断五笔字型(), 0);
    // Same inode, size and time: to the check this is the file it has already parsed.
    QFile file(Profile());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray changed = file.readAll().replace("Name=abc", "Name=wbx");
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(changed), file.size());
    file.close();
    SetModified(Profile(), 1'000'000'000);
    EXPECT_EQ(判断五笔字型(), 0);
    SetModified(Profile(), 1'000'000'100);
    EXPECT_EQ(判断五笔字型(), 1);
}

TEST_F(HostileConfig, EntryNamesNeverLeaveTheConfFolder) {
    WriteFile(Data(S("fcitx5/other/wbx.conf")), S("[InputMethod]\nName[zh_CN]=五笔\n"));
    WriteFcitx5Profile({S("../other/wbx")});
    EXPECT_EQ(ReadInputList().at(0).description, QString());
    EXPECT_EQ(判断五笔字型(), 0);
}

TEST_F(HostileConfig, OnlyTheFirstComponentFilesAreLookedAt) {
    for (int i = 0; i < 300; ++i)
        WriteIBusComponent(QStringLiteral("e%1").arg(i, 3, 10, QLatin1Char('0')), S("Other"),
                           S("Table"));
    WriteIBusComponent(S("zz-wb98"), S("五笔98"), S("Table")); // sorted after 300 others
    SetIBusPreloadEngines({"e000", "zz-wb98"});
    const std::vector<Entry> list = ReadInputList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].description, S("Other Table"));
    EXPECT_EQ(list[1].description, QString());
    EXPECT_EQ(判断五笔字型(), 0);
}
