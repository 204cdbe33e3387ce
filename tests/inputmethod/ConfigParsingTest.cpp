// The configuration parsers on bytes, and the bounded reader that feeds them.
#include "ConfigFile.h"
#include "InputMethodConfig.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace InputMethodConfig;

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QByteArray Profile(int items) {
    QByteArray text = "[Groups/0]\nName=Default\n";
    for (int i = 0; i < items; ++i)
        text += "[Groups/0/Items/" + QByteArray::number(i) + "]\nName=im" + QByteArray::number(i) +
                "\n";
    return text + "[GroupOrder]\n0=Default\n";
}

} // namespace

TEST(ConfigParsing, Fcitx5ItemsInOrderUpToTheLimit) {
    EXPECT_EQ(Fcitx5ProfileItems(Profile(3), 25), (QStringList{"im0", "im1", "im2"}));
    EXPECT_EQ(Fcitx5ProfileItems(Profile(100), 2), (QStringList{"im0", "im1"}));
    EXPECT_TRUE(Fcitx5ProfileItems(Profile(3), 0).isEmpty());
    // Group names, comments and keys other than Name are no items.
    EXPECT_TRUE(
        Fcitx5ProfileItems("[Groups/0]\nName=x\n[Groups/0/Items/0]\n#Name=y\nLayout=z\n", 25)
            .isEmpty());
}

TEST(ConfigParsing, Fcitx4EnabledItemsOnly) {
    const QByteArray profile = "[Profile]\nEnabledIMList=a:True,b:False,c:true,:True,d,e:True\n";
    EXPECT_EQ(Fcitx4EnabledItems(profile, 25), (QStringList{"a", "c", "e"}));
    EXPECT_EQ(Fcitx4EnabledItems(profile, 2), (QStringList{"a", "c"}));
}

TEST(ConfigParsing, ConfNamePrefersChinese) {
    EXPECT_EQ(DescribedName("[InputMethod]\nName=Wubi\nName[zh_CN]=五笔\n"), S("五笔"));
    EXPECT_EQ(DescribedName("[InputMethod]\nName=Wubi\nName=Other\n"), S("Wubi"));
    EXPECT_EQ(DescribedName("no key file at all\n\xff\xfe"), QString());
}

TEST(ConfigParsing, ComponentEnginesUpToAMalformedPart) {
    const QByteArray xml = "<component><engines>"
                           "<engine><name>a</name><longname>A</longname>"
                           "<description>first</description></engine>"
                           "<engine><longname>no name</longname></engine>"
                           "<engine><name>b</name><longname>B</longname></engine>"
                           "<engine><name>c</name><longname>C</long";
    const EngineTexts engines = ComponentEngines(xml);
    ASSERT_EQ(engines.size(), 2u);
    EXPECT_EQ(engines.at(S("a")).description, S("first"));
    EXPECT_EQ(engines.at(S("b")).longname, S("B"));
}

TEST(ConfigParsing, PlainNamesOnly) {
    EXPECT_TRUE(IsPlainName(S("pinyin")));
    EXPECT_TRUE(IsPlainName(S("wubi.98")));
    for (const char* name : {"", ".", "..", "../x", "a/b", "/etc/passwd"})
        EXPECT_FALSE(IsPlainName(S(name))) << name;
}

TEST(BoundedRead, CapsLongFilesAtAWholeLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath(S("long"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("0123456789\n").repeated(10));
    file.close();
    const auto whole = ConfigFile::ReadRegular(path, 110);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->bytes.size(), 110);
    const auto cut = ConfigFile::ReadRegular(path, 50);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->bytes, QByteArray("0123456789\n").repeated(4));
    EXPECT_EQ(cut->stamp.size, 110);
}

TEST(BoundedRead, RefusesAllButRegularFiles) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(S("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(ConfigFile::ReadRegular(fifo)); // would block without O_NONBLOCK
    EXPECT_FALSE(ConfigFile::ReadRegular(S("/dev/zero")));
    EXPECT_FALSE(ConfigFile::ReadRegular(dir.path()));
    EXPECT_FALSE(ConfigFile::ReadRegular(dir.filePath(S("missing"))));
    EXPECT_FALSE(ConfigFile::RegularFileStamp(fifo));
    EXPECT_TRUE(ConfigFile::FolderStamp(dir.path()));
}
