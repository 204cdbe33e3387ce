#include "payload/PayloadComposer.h"
#include "tests/support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace PayloadComposer;

namespace {

std::string S(const char* utf8) {
    return utf8;
}

} // namespace

TEST(PayloadFormats, FreeTextIsUnchanged) {
    EXPECT_EQ(Text(S("a;b:c\\ \r\n二维码 ")), S("a;b:c\\ \r\n二维码 "));
    EXPECT_EQ(Text(std::string()), std::string());
}

TEST(PayloadFormats, MailKeysOrderAndTag) {
    EXPECT_EQ(Mail(S("a@b.cn"), S("主题"), S("你好")),
              S("MAIL:TO:a@b.cn;SUB:主题;TXT:你好;;ZRQub"));
    EXPECT_EQ(Mail({}, {}, {}), S("MAIL:TO:;SUB:;TXT:;;ZRQub"));
}

TEST(PayloadFormats, MailAndSmsFieldsAreEscapedLikeTheOtherRecords) {
    EXPECT_EQ(Mail(S("x;y"), S("a:b"), S("c\\d")), S("MAIL:TO:x\\;y;SUB:a\\:b;TXT:c\\\\d;;ZRQub"));
    EXPECT_EQ(Sms(S("1:2"), S("a;b\\")), S("SMS:SM:1\\:2;TXT:a\\;b\\\\;;ZRQub"));
    EXPECT_EQ(Mail(S("a@b.cn;SUB:forged"), S("real"), {}),
              S("MAIL:TO:a@b.cn\\;SUB\\:forged;SUB:real;TXT:;;ZRQub"));
    EXPECT_EQ(Sms(S("10086;TXT:x"), S("y")), S("SMS:SM:10086\\;TXT\\:x;TXT:y;;ZRQub"));
}

TEST(PayloadFormats, SmsKeysAndTag) {
    EXPECT_EQ(Sms(S("15555555555"), S("到了")), S("SMS:SM:15555555555;TXT:到了;;ZRQub"));
    EXPECT_EQ(Sms({}, {}), S("SMS:SM:;TXT:;;ZRQub"));
}

TEST(PayloadFormats, BookmarkKeysAndTerminator) {
    EXPECT_EQ(Bookmark(S("网站"), S("example.com")), S("MEBKM:TITLE:网站;URL:example.com;;"));
    EXPECT_EQ(Bookmark({}, {}), S("MEBKM:TITLE:;URL:;;"));
}

TEST(PayloadFormats, ContactKeyOrderAndTerminator) {
    EXPECT_EQ(Contact(S("张三"), S("公司"), S("138"), S("经理"), S("备注"), S("z@s.cn"), S("北京")),
              S("MECARD:N:张三;ORG:公司;TEL:TYPE=cell:138;TITLE:经理;NOTE:备注;EMAIL:z@s.cn;"
                "ADR:北京;;"));
    EXPECT_EQ(Contact({}, {}, {}, {}, {}, {}, {}),
              S("MECARD:N:;ORG:;TEL:TYPE=cell:;TITLE:;NOTE:;EMAIL:;ADR:;;"));
}

TEST(PayloadFormats, LineBreaksKeptAsCrLf) {
    const std::string twoLines = S("第一行\r\n第二行");
    EXPECT_EQ(Text(twoLines), twoLines);
    EXPECT_TRUE(Mail({}, {}, twoLines).find(twoLines) != std::string::npos);
    EXPECT_TRUE(Sms({}, twoLines).find(twoLines) != std::string::npos);
}

TEST(PayloadFormats, EveryLineBreakBecomesCrLfInEveryField) {
    const std::string crLf = S("一\r\n二");
    for (const std::string& typed : {S("一\n二"), S("一\r二"), crLf}) {
        EXPECT_EQ(Text(typed), crLf);
        EXPECT_EQ(Mail(typed, typed, typed), Mail(crLf, crLf, crLf));
        EXPECT_EQ(Sms(typed, typed), Sms(crLf, crLf));
        EXPECT_EQ(Bookmark(typed, typed), Bookmark(crLf, crLf));
        EXPECT_EQ(Compose(4, {typed, typed, typed, typed, typed, typed, typed}),
                  Compose(4, {crLf, crLf, crLf, crLf, crLf, crLf, crLf}));
    }
    EXPECT_EQ(Text(S("\n\n\r\r\n")), S("\r\n\r\n\r\n\r\n"));
    EXPECT_EQ(WithCrLfLineBreaks(S("\r\r\n\n")), S("\r\n\r\n\r\n"));
}

TEST(UrlEscaping, ColonsEscapedThenSpacesTrimmed) {
    EXPECT_EQ(Bookmark({}, S("  a:b:c  ")), S("MEBKM:TITLE:;URL:a\\:b\\:c;;"));
    EXPECT_EQ(Bookmark({}, S("  example.com ")), S("MEBKM:TITLE:;URL:example.com;;"));
}

TEST(UrlEscaping, OnlyU0020IsTrimmed) {
    EXPECT_EQ(Bookmark({}, S("\texample.com\r\n")), S("MEBKM:TITLE:;URL:\texample.com\r\n;;"));
    EXPECT_EQ(Bookmark({}, S("\u3000x\u00A0")), S("MEBKM:TITLE:;URL:\u3000x\u00A0;;"));
}

TEST(RecordEscaping, BackslashFirstThenSemicolonAndColon) {
    EXPECT_EQ(EscapeRecordValue(S("a\\;b:c")), S("a\\\\\\;b\\:c"));
    EXPECT_EQ(EscapeRecordValue(S("\\")), S("\\\\"));
    EXPECT_EQ(EscapeRecordValue(S("普通")), S("普通"));
}

TEST(RecordEscaping, EveryBookmarkAndContactFieldIsEscaped) {
    EXPECT_EQ(Bookmark(S("A;B:C"), S(" http://x/a;b ")),
              S("MEBKM:TITLE:A\\;B\\:C;URL:http\\://x/a\\;b;;"));
    EXPECT_EQ(Contact(S("n;"), S("o:"), S("t\\"), S("ti;"), S("no:"), S("e;"), S("a:")),
              S("MECARD:N:n\\;;ORG:o\\:;TEL:TYPE=cell:t\\\\;TITLE:ti\\;;NOTE:no\\:;EMAIL:e\\;;"
                "ADR:a\\:;;"));
}

TEST(PageDispatch, PagesMapToTheirFormats) {
    EXPECT_EQ(Compose(0, {S("x")}), Text(S("x")));
    EXPECT_EQ(Compose(1, {S("t"), S("s"), S("b")}), Mail(S("t"), S("s"), S("b")));
    EXPECT_EQ(Compose(2, {S("n"), S("u")}), Bookmark(S("n"), S("u")));
    EXPECT_EQ(Compose(3, {S("p"), S("m")}), Sms(S("p"), S("m")));
    const std::vector<std::string> seven{S("1"), S("2"), S("3"), S("4"), S("5"), S("6"), S("7")};
    EXPECT_EQ(Compose(4, seven), Contact(S("1"), S("2"), S("3"), S("4"), S("5"), S("6"), S("7")));
    EXPECT_EQ(Compose(5, {S("n"), S("p"), S("WEP"), S("true")}),
              Wifi(S("n"), S("p"), WifiSecurity::Wep, true));
    EXPECT_EQ(Compose(5, {S("n"), S("p"), S("?"), S("yes")}),
              Wifi(S("n"), S("p"), WifiSecurity::Wpa, false));
}

TEST(PageDispatch, AboutPageAndMissingFields) {
    EXPECT_TRUE(Compose(6, {S("x")}).empty());
    EXPECT_EQ(Compose(1, {}), S("MAIL:TO:;SUB:;TXT:;;ZRQub"));
    EXPECT_EQ(Compose(4, {}), S("MECARD:N:;ORG:;TEL:TYPE=cell:;TITLE:;NOTE:;EMAIL:;ADR:;;"));
}
