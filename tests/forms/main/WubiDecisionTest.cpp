#include "forms/main/判断五笔字型.h"

#include <gtest/gtest.h>

using InputMethodCheck::Entry;
using InputMethodCheck::判断五笔字型;

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

Entry Keyboard() {
    return {S("keyboard-us"), QString(), false};
}
Entry Pinyin() {
    return {S("pinyin"), S("拼音"), true};
}
Entry Wubi() {
    return {S("wbx"), S("五笔字型"), true};
}

std::vector<Entry> ListWithWubiAt(int position, int length) {
    std::vector<Entry> list;
    for (int i = 0; i < length; ++i)
        list.push_back(i == position ? Wubi() : (i % 2 ? Pinyin() : Keyboard()));
    return list;
}

} // namespace

TEST(WubiDecision, WubiInAnyPositionIsFound) {
    EXPECT_EQ(判断五笔字型(ListWithWubiAt(0, 5)), 1);
    EXPECT_EQ(判断五笔字型(ListWithWubiAt(2, 5)), 1);
    EXPECT_EQ(判断五笔字型(ListWithWubiAt(4, 5)), 1);
    EXPECT_EQ(判断五笔字型(ListWithWubiAt(-1, 5)), 0);
}

TEST(WubiDecision, OnlyTheFirst25AreExamined) {
    EXPECT_EQ(判断五笔字型(ListWithWubiAt(24, 30)), 1);
    EXPECT_EQ(判断五笔字型(ListWithWubiAt(25, 30)), 0);
}

TEST(WubiDecision, EmptyListGivesNoResult) {
    EXPECT_EQ(判断五笔字型(std::vector<Entry>{}), std::nullopt);
}

TEST(WubiDecision, DescriptionContainsWubiAnywhere) {
    EXPECT_EQ(判断五笔字型({{S("haifeng"), S("海峰五笔"), true}}), 1);
    EXPECT_EQ(判断五笔字型({{S("x"), S("中文 - 五笔 86"), true}}), 1);
    EXPECT_EQ(判断五笔字型({{S("x"), S("五 笔"), true}}), 0);
    EXPECT_EQ(判断五笔字型({Pinyin(), {S("shuangpin"), S("双拼"), true}}), 0);
}

TEST(WubiDecision, PinyinNameWubiCountsInAnyCase) {
    EXPECT_EQ(判断五笔字型({{S("table:wubi-jidian86"), QString(), true}}), 1);
    EXPECT_EQ(判断五笔字型({{S("x"), S("Table input method for WUBI 98"), true}}), 1);
    EXPECT_EQ(判断五笔字型({{S("WuBi86"), S("Other"), true}}), 1);
    EXPECT_EQ(判断五笔字型({{S("wu-bi"), S("wu bi"), true}}), 0);
}

TEST(WubiDecision, KeyboardLayoutsNeverCount) {
    // A layout is described as "English   (American)" whatever it carries.
    EXPECT_EQ(判断五笔字型({{S("keyboard-wubi"), S("五笔"), false}, Keyboard()}), 0);
    EXPECT_EQ(判断五笔字型({Keyboard(), Keyboard(), Keyboard()}), 0);
}
