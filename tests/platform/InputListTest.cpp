#include "forms/main/判断五笔字型.h"
#include "tests/platform/IBusSettings.h"
#include "tests/platform/InputListFixture.h"

#include <cstdlib>

using namespace InputMethodCheck;

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QStringList Names(const std::vector<Entry>& list) {
    QStringList names;
    for (const Entry& entry : list) names << entry.name;
    return names;
}

} // namespace

class Fcitx5List : public InputListFixture {
  protected:
    void SetUp() override {
        InputListFixture::SetUp();
        WriteFcitx5Conf(S("pinyin"), S("Pinyin"), S("拼音"));
        WriteFcitx5Conf(S("wbx"), S("Wubi"), S("五笔字型"));
        WriteFcitx5Conf(S("rime"), S("Rime"), S("中州韵"));
    }
};

TEST_F(Fcitx5List, WubiFirstMiddleLast) {
    WriteFcitx5Profile({S("wbx"), S("keyboard-us"), S("pinyin")});
    EXPECT_EQ(判断五笔字型(), 1);
    WriteFcitx5Profile({S("keyboard-us"), S("wbx"), S("pinyin")});
    EXPECT_EQ(判断五笔字型(), 1);
    WriteFcitx5Profile({S("keyboard-us"), S("pinyin"), S("rime"), S("wbx")});
    EXPECT_EQ(判断五笔字型(), 1);
    WriteFcitx5Profile({S("keyboard-us"), S("pinyin"), S("rime")});
    EXPECT_EQ(判断五笔字型(), 0);
}

TEST_F(Fcitx5List, EntriesCarryChineseNamesAndKinds) {
    WriteFcitx5Conf(S("english-only"), S("Plain"), QString());
    WriteFcitx5Profile({S("keyboard-us"), S("pinyin"), S("english-only"), S("unknown")});
    const std::vector<Entry> list = ReadInputList();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_FALSE(list[0].isInputMethod);
    EXPECT_TRUE(list[1].isInputMethod);
    EXPECT_EQ(list[1].description, S("拼音"));
    EXPECT_EQ(list[2].description, S("Plain"));
    EXPECT_TRUE(list[3].isInputMethod);
    EXPECT_TRUE(list[3].description.isEmpty());
}

TEST_F(Fcitx5List, BeyondThe25thEntryIsNotExamined) {
    QStringList names;
    for (int i = 0; i < 25; ++i) names << (i % 2 ? S("pinyin") : S("keyboard-us"));
    names << S("wbx");
    WriteFcitx5Profile(names);
    EXPECT_EQ(ReadInputList().size(), 25u);
    EXPECT_EQ(判断五笔字型(), 0);
    names[24] = S("wbx");
    WriteFcitx5Profile(names);
    EXPECT_EQ(判断五笔字型(), 1);
}

TEST_F(Fcitx5List, OnlyKeyboardLayouts) {
    WriteFcitx5Profile({S("keyboard-us"), S("keyboard-cn"), S("keyboard-de-wubi")});
    EXPECT_EQ(判断五笔字型(), 0);
}

TEST_F(Fcitx5List, EmptyAndMissingConfiguration) {
    EXPECT_EQ(判断五笔字型(), std::nullopt); // nothing written at all
    WriteFcitx5Profile({});
    EXPECT_EQ(判断五笔字型(), std::nullopt);
}

TEST_F(Fcitx5List, WubiAddedWhileRunningIsFoundNextTime) {
    WriteFcitx5Profile({S("keyboard-us"), S("pinyin")});
    EXPECT_EQ(判断五笔字型(), 0);
    WriteFcitx5Profile({S("keyboard-us"), S("pinyin"), S("wbx")});
    EXPECT_EQ(判断五笔字型(), 1);
}

TEST_F(Fcitx5List, LaterDataFolderAndDataHomeAreSearched) {
    // XDG_DATA_DIRS starts with an empty folder; the conf lives in the second one.
    WriteFcitx5Profile({S("haifeng")});
    EXPECT_EQ(判断五笔字型(), 0);
    WriteFcitx5Conf(S("haifeng"), S("Haifeng"), S("海峰五笔"));
    EXPECT_EQ(判断五笔字型(), 1);
}

TEST_F(InputListFixture, Fcitx4EnabledEntriesOnly) {
    WriteFcitx4TableConf(S("wbx"), S("五笔字型"));
    WriteFcitx4Profile(S("fcitx-keyboard-us:True,pinyin:True,wbx:False"));
    EXPECT_EQ(Names(ReadInputList()), (QStringList{S("fcitx-keyboard-us"), S("pinyin")}));
    EXPECT_EQ(判断五笔字型(), 0);
    WriteFcitx4Profile(S("fcitx-keyboard-us:True,pinyin:True,wbx:True"));
    EXPECT_EQ(判断五笔字型(), 1);
    EXPECT_EQ(ReadInputList().back().description, S("五笔字型"));
}

TEST_F(InputListFixture, IBusPreloadEnginesWithComponentDescriptions) {
    WriteIBusComponent(S("libpinyin"), S("Intelligent Pinyin"), S("智能拼音"));
    WriteIBusComponent(S("wb98"), S("五笔98"), S("Table"));
    SetIBusPreloadEngines({"xkb:us::eng", "libpinyin"});
    const std::vector<Entry> list = ReadInputList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_FALSE(list[0].isInputMethod);
    EXPECT_TRUE(list[1].description.contains(S("智能拼音")));
    EXPECT_EQ(判断五笔字型(), 0);
    SetIBusPreloadEngines({"xkb:us::eng", "libpinyin", "wb98"});
    EXPECT_EQ(判断五笔字型(), 1);
    // ibus-table lists its engines only by running a program; its names say "wubi".
    SetIBusPreloadEngines({"xkb:us::eng", "table:wubi-jidian86"});
    EXPECT_EQ(判断五笔字型(), 1);
}

TEST_F(InputListFixture, NamedFrameworkComesFirst) {
    WriteFcitx5Profile({S("keyboard-us"), S("pinyin")});
    SetIBusPreloadEngines({"xkb:us::eng"});
    EXPECT_EQ(Names(ReadInputList()),
              (QStringList{S("keyboard-us"), S("pinyin"), S("xkb:us::eng")}));
    setenv("XMODIFIERS", "@im=ibus", 1);
    EXPECT_EQ(Names(ReadInputList()),
              (QStringList{S("xkb:us::eng"), S("keyboard-us"), S("pinyin")}));
}

TEST_F(InputListFixture, FrameworksShareThe25Entries) {
    QStringList names;
    for (int i = 0; i < 25; ++i) names << S("keyboard-us");
    WriteFcitx5Profile(names);
    SetIBusPreloadEngines({"table:wubi-jidian86"});
    EXPECT_EQ(判断五笔字型(), 0);
    setenv("XMODIFIERS", "@im=ibus", 1);
    EXPECT_EQ(判断五笔字型(), 1);
}
