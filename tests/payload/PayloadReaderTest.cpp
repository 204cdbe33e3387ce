// Payloads read back into the window's pages: records the pages make come back as their fields,
// anything else as free text.
#include "payload/PayloadReader.h"
#include "payload/PayloadComposer.h"
#include "tests/support/QtPrinting.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

std::string S(const char* utf8) {
    return utf8;
}

struct Case {
    const char* name;
    const char* payload;
    int page;
    std::vector<const char*> fields; // empty: the whole payload as the text page's one field
};

class PayloadReading : public testing::TestWithParam<Case> {};

TEST_P(PayloadReading, GivesThePageAndItsFields) {
    const Case& c = GetParam();
    const std::string payload = S(c.payload);
    const PayloadReader::PageFields read = PayloadReader::Read(payload);
    std::vector<std::string> expected;
    for (const char* field : c.fields) expected.push_back(S(field));
    if (expected.empty()) expected = {payload};
    EXPECT_EQ(read.page, c.page);
    EXPECT_EQ(read.fields, expected);
    // Saving the page again writes the same payload.
    EXPECT_EQ(PayloadComposer::Compose(read.page, read.fields), payload);
}

using namespace PayloadComposer;

INSTANTIATE_TEST_SUITE_P(
    Records, PayloadReading,
    testing::Values(
        Case{"mail",
             "MAIL:TO:a\\;b@c.cn;SUB:re\\: 你好;TXT:x\r\ny\\\\;;ZRQub",
             MailPage,
             {"a;b@c.cn", "re: 你好", "x\r\ny\\"}},
        Case{"bookmark",
             "MEBKM:TITLE:站;URL:http\\://a.cn/?q=1;;",
             BookmarkPage,
             {"站", "http://a.cn/?q=1"}},
        Case{"sms", "SMS:SM:10086;TXT:余额\\;查询;;ZRQub", SmsPage, {"10086", "余额;查询"}},
        Case{"contact",
             "MECARD:N:李\\;雷;ORG:;TEL:TYPE=cell:1\\:2;TITLE:;NOTE:,;EMAIL:;ADR:;;",
             ContactPage,
             {"李;雷", "", "1:2", "", ",", "", ""}},
        Case{"wifi",
             "WIFI:T:WEP;S:a\\,b\\\"c;P:p\\;w;H:true;;",
             WifiPage,
             {"a,b\"c", "p;w", "WEP", "true"}},
        Case{"open wifi", "WIFI:T:nopass;S:咖啡馆;;", WifiPage, {"咖啡馆", "", "nopass", "false"}},
        Case{"free text", "你好;世界", TextPage, {}},
        Case{"a web address", "https://example.com/a;b", TextPage, {}},
        Case{"a vCard", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nEND:VCARD\r\n", TextPage, {}},
        Case{"contact keys in another order", "MECARD:ORG:x;N:y;;", TextPage, {}},
        Case{"contact without the cell type",
             "MECARD:N:a;ORG:;TEL:1;TITLE:;NOTE:;EMAIL:;ADR:;;",
             TextPage,
             {}},
        Case{"mail without its tag", "MAIL:TO:a;SUB:;TXT:;;", TextPage, {}},
        Case{"unterminated record", "MEBKM:TITLE:a;URL:b", TextPage, {}},
        Case{"escaped terminator", "SMS:SM:1;TXT:x\\;;ZRQub", TextPage, {}},
        Case{"wifi fields in another order", "WIFI:S:home;T:WPA;P:x;;", TextPage, {}},
        Case{"wifi security in lower case", "WIFI:T:wpa;S:home;P:x;;", TextPage, {}},
        Case{"wifi without a network name", "WIFI:T:WPA;S:;P:x;;", TextPage, {}},
        Case{"WPA wifi without a password", "WIFI:T:WPA;S:home;;", TextPage, {}},
        Case{"an escape the page would not write", "MEBKM:TITLE:\\a;URL:b;;", TextPage, {}},
        Case{"no type", ":x;;", TextPage, {}}),
    [](const testing::TestParamInfo<Case>& info) {
        std::string name;
        for (const char* c = info.param.name; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(PayloadReading, FreeTextWithLoneLineBreaksComesBackWhole) {
    // The text page writes CR LF: only the field is the payload, not its saving.
    const std::string payload = S("一\n二\r三");
    const PayloadReader::PageFields read = PayloadReader::Read(payload);
    EXPECT_EQ(read.page, TextPage);
    EXPECT_EQ(read.fields, std::vector<std::string>{payload});
}

} // namespace
