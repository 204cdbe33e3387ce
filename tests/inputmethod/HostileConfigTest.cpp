// Configuration files that are not what they claim: links to devices, FIFOs, huge files, names
// that climb out of their folder. The check must answer at once, in bounded memory.
#include "IBusSettings.h"
#include "InputListFixture.h"
#include "判断五笔字型.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace InputMethodCheck;

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QByteArray Local(const QString& path) {
    return QFile::encodeName(path);
}

void MakeParent(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
}

void LinkTo(const QString& path, const char* target) {
    MakeParent(path);
    ASSERT_EQ(::symlink(target, Local(path).constData()), 0);
}

void MakeFifo(const QString& path) {
    MakeParent(path);
    ASSERT_EQ(::mkfifo(Local(path).constData(), 0600), 0);
}

// Should a read block on the FIFO, a writer comes and goes after a few seconds so that the test
// ends (and fails) instead of hanging.
class FifoWatchdog {
  public:
    explicit FifoWatchdog(QString path) : path_(std::move(path)) {
        thread_ = std::thread([this] { watch(); });
    }
    ~FifoWatchdog() {
        done_ = true;
        thread_.join();
    }
    bool Unblocked() const { return unblocked_; }

  private:
    void watch() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done_ && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        while (!done_) {
            const int fd = ::open(Local(path_).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                unblocked_ = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    QString path_;
    std::atomic<bool> done_{false};
    std::atomic<bool> unblocked_{false};
    std::thread thread_;
};

// Gives a file a fixed modification time well in the past.
void SetModified(const QString& path, time_t seconds) {
    const timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(Local(path).constData(), times), 0);
}

// Replaces the bytes of a file in place: same inode, same size.
void OverwriteInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_EQ(file.size(), bytes.size());
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    LinkTo(Profile(), "/dev/zero");
    EXPECT_TRUE(ReadInputList().empty());
    EXPECT_EQ(判断五笔字型(), std::nullopt);

    ASSERT_TRUE(QFile::remove(Profile()));
    WriteFcitx5Profile({S("keyboard-us"), S("endless")});
    LinkTo(Data(S("fcitx5/inputmethod/endless.conf")), "/dev/zero");
    const std::vector<Entry> list = ReadInputList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[1].description.isEmpty());
    EXPECT_EQ(判断五笔字型(), 0);
}

TEST_F(HostileConfig, FifosNeitherBlockNorCount) {
    MakeFifo(Profile());
    {
        FifoWatchdog watchdog(Profile());
        EXPECT_TRUE(ReadInputList().empty());
        EXPECT_FALSE(watchdog.Unblocked()) << "reading the profile FIFO blocked";
    }
    ASSERT_TRUE(QFile::remove(Profile()));
    WriteFcitx5Profile({S("piped")});
    const QString conf = Data(S("fcitx5/inputmethod/piped.conf"));
    MakeFifo(conf);
    FifoWatchdog watchdog(conf);
    EXPECT_EQ(判断五笔字型(), 0);
    EXPECT_FALSE(watchdog.Unblocked()) << "reading the .conf FIFO blocked";
}

TEST_F(HostileConfig, ComponentFifoDoesNotBlockIBus) {
    const QString component = Data(S("ibus/component/a-piped.xml"));
    MakeFifo(component);
    WriteIBusComponent(S("wb98"), S("五笔98"), S("Table"));
    SetIBusPreloadEngines({"wb98"});
    FifoWatchdog watchdog(component);
    EXPECT_EQ(判断五笔字型(), 1);
    EXPECT_FALSE(watchdog.Unblocked()) << "reading the component FIFO blocked";
}

TEST_F(HostileConfig, ProfileIsReadOnlyAsFarAsTheSizeCap) {
    WriteFcitx5Profile({S("wbx")});
    const QByteArray items = ReadAll(Profile());
    // Far past any real profile: the items behind 300 KiB of comments are never reached.
    const QByteArray comments = QByteArray("# padding\n").repeated(30 * 1024);
    QFile file(Profile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(comments + items);
    file.close();
    EXPECT_EQ(判断五笔字型(), std::nullopt);

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(items + comments);
    file.close();
    EXPECT_EQ(判断五笔字型(), 1);
}

TEST_F(HostileConfig, HugeProfileGivesOnlyItsFirst25Entries) {
    QStringList names;
    for (int i = 0; i < 20000; ++i) names << (i % 2 ? S("pinyin") : S("keyboard-us"));
    names[24] = S("wbx");
    WriteFcitx5Profile(names);
    const std::vector<Entry> list = ReadInputList();
    ASSERT_EQ(list.size(), std::size_t(MaxEntries));
    EXPECT_EQ(list[24].description, S("海峰五笔"));
    EXPECT_EQ(判断五笔字型(), 1);
}

TEST_F(HostileConfig, UnchangedProfileIsNotParsedAgain) {
    WriteFcitx5Profile({S("keyboard-us"), S("abc")});
    SetModified(Profile(), 1'000'000'000);
    EXPECT_EQ(判断五笔字型(), 0);
    // Same inode, size and time: to the check this is the file it has already parsed.
    QByteArray changed = ReadAll(Profile());
    changed.replace("Name=abc", "Name=wbx");
    OverwriteInPlace(Profile(), changed);
    SetModified(Profile(), 1'000'000'000);
    EXPECT_EQ(判断五笔字型(), 0);
    // A new modification time is a change.
    SetModified(Profile(), 1'000'000'100);
    EXPECT_EQ(判断五笔字型(), 1);
}

TEST_F(HostileConfig, EntryNamesNeverLeaveTheConfFolder) {
    WriteFile(Data(S("fcitx5/other/wbx.conf")), S("[InputMethod]\nName[zh_CN]=五笔\n"));
    WriteFcitx5Profile({S("../other/wbx")});
    EXPECT_EQ(ReadInputList().front().description, QString());
    EXPECT_EQ(判断五笔字型(), 0);
}

TEST_F(HostileConfig, OnlyTheFirstComponentFilesAreLookedAt) {
    for (int i = 0; i < 300; ++i)
        WriteIBusComponent(QStringLiteral("engine%1").arg(i, 3, 10, QLatin1Char('0')), S("Other"),
                           S("Table"));
    // Sorted after 300 others: past the files the check looks at.
    WriteIBusComponent(S("zz-wb98"), S("五笔98"), S("Table"));
    SetIBusPreloadEngines({"engine000", "zz-wb98"});
    const std::vector<Entry> list = ReadInputList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].description, S("Other Table"));
    EXPECT_TRUE(list[1].description.isEmpty());
    EXPECT_EQ(判断五笔字型(), 0);
}
