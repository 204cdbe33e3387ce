// The registry of payload kinds: the window's pages composed exactly as the pages compose them,
// and errors that name what is valid.
#include "payload/PayloadKinds.h"
#include "payload/PayloadComposer.h"
#include "tests/support/QtPrinting.h"

#include <gtest/gtest.h>

TEST(PayloadKinds, PageKindsComposeAsTheirPages) {
    const std::string name = "李;雷";
    EXPECT_EQ(PayloadKinds::Compose(
                  "contact", {{"name", name}, {"company", "C:1"}, {"note", "N"}, {"address", "A"}})
                  .payload,
              PayloadComposer::Contact(name, "C:1", "", "", "N", "", "A"));
    EXPECT_EQ(PayloadKinds::Compose("mail", {{"to", "a@b"}, {"body", "x;y"}}).payload,
              PayloadComposer::Mail("a@b", "", "x;y"));
    EXPECT_EQ(PayloadKinds::Compose("bookmark", {{"url", " u:1 "}, {"title", "t"}}).payload,
              PayloadComposer::Bookmark("t", " u:1 "));
    EXPECT_EQ(PayloadKinds::Compose("sms", {{"phone", "1"}, {"text", "hi"}}).payload,
              PayloadComposer::Sms("1", "hi"));
    EXPECT_EQ(PayloadKinds::Compose("text", {{"text", "a\r\nb"}}).payload, "a\r\nb");
}

TEST(PayloadKinds, UnknownKindsAndFieldsNameTheValidOnes) {
    EXPECT_EQ(PayloadKinds::FieldNames("mail"),
              std::vector<std::string>({"to", "subject", "body"}));
    EXPECT_FALSE(PayloadKinds::FieldNames("fax"));
    const PayloadKinds::Composed fax = PayloadKinds::Compose("fax", {});
    EXPECT_EQ(fax.payload, "");
    EXPECT_EQ(fax.error,
              "unknown kind \"fax\" (kinds: bookmark, contact, mail, sms, text, vcard, wifi)");
    EXPECT_EQ(PayloadKinds::Compose("wifi", {{"sid", "x"}}).error,
              "unknown field \"sid\" for kind wifi (fields: ssid, password, security, hidden)");
    EXPECT_NE(PayloadKinds::Compose("sms", {{"url", "x"}}).error, ""); // another kind's field
}

TEST(PayloadKinds, CommandLineAssignments) {
    EXPECT_EQ(
        PayloadKinds::ComposeFromAssignments("wifi", {"ssid=a=b", "password==", "hidden=true"})
            .payload,
        "WIFI:T:WPA;S:a=b;P:=;H:true;;");
    EXPECT_EQ(PayloadKinds::ComposeFromAssignments("text", {"text"}).error,
              "field \"text\" has no value (NAME=VALUE)");
    EXPECT_EQ(PayloadKinds::ComposeFromAssignments("text", {"text=a", "text=b"}).error,
              "field \"text\" is given twice");
    EXPECT_NE(PayloadKinds::ComposeFromAssignments("text", {"txt=a"}).error, "");
}

TEST(PayloadKinds, EveryKindTakesLineBreaksAsCrLf) {
    EXPECT_EQ(PayloadKinds::Compose("text", {{"text", "a\nb\rc"}}).payload, "a\r\nb\r\nc");
    EXPECT_EQ(PayloadKinds::ComposeFromAssignments("text", {"text=a\nb"}).payload, "a\r\nb");
    EXPECT_EQ(PayloadKinds::Compose("sms", {{"phone", "1"}, {"text", "x\ny"}}).payload,
              PayloadComposer::Sms("1", "x\r\ny"));
    EXPECT_EQ(PayloadKinds::Compose("wifi", {{"ssid", "a\nb"}, {"security", "nopass"}}).payload,
              "WIFI:T:nopass;S:a\r\nb;;");
}

TEST(PayloadKinds, EmptyPayloadsAndMissingRequiredFieldsAreRefused) {
    const struct {
        const char* kind;
        PayloadKinds::Fields fields;
        const char* error;
    } refused[] = {
        {"text", {}, "text: the field \"text\" is empty"},
        {"text", {{"text", ""}}, "text: the field \"text\" is empty"},
        {"mail", {{"subject", "s"}, {"body", "b"}}, "mail: the field \"to\" is empty"},
        {"bookmark", {{"title", "t"}}, "bookmark: the field \"url\" is empty"},
        {"sms", {{"text", "t"}}, "sms: the field \"phone\" is empty"},
        {"contact", {{"mobile", "1"}}, "contact: the field \"name\" is empty"},
        {"vcard", {{"mobile", "1"}}, "vcard: the fields name, first, last are all empty"},
        {"wifi", {{"ssid", "home"}}, "wifi: a WPA network needs a password (or security nopass)"},
        {"wifi",
         {{"ssid", "home"}, {"security", "WEP"}},
         "wifi: a WEP network needs a password (or security nopass)"},
    };
    for (const auto& c : refused) {
        const PayloadKinds::Composed composed = PayloadKinds::Compose(c.kind, c.fields);
        EXPECT_EQ(composed.error, c.error) << c.kind;
        EXPECT_EQ(composed.payload, "") << c.kind;
    }
    EXPECT_EQ(PayloadKinds::Compose("vcard", {{"last", "张"}}).error, "");
    EXPECT_EQ(PayloadKinds::Compose("wifi", {{"ssid", "cafe"}, {"security", "nopass"}}).error, "");
    EXPECT_EQ(PayloadKinds::Compose("text", {{"text", " "}}).payload, " ");
}
