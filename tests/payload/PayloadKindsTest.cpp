// The registry of payload kinds: the window's pages composed exactly as the pages compose them,
// and errors that name what is valid.
#include "PayloadKinds.h"
#include "PayloadComposer.h"
#include "QtPrinting.h"

#include <gtest/gtest.h>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(PayloadKinds, PageKindsComposeAsTheirPages) {
    const QMap<QString, QString> contact = {
        {"name", S("李;雷")}, {"company", S("C:1")}, {"mobile", S("139")}, {"title", S("T\\")},
        {"note", S("N")},     {"email", S("e@x")},   {"address", S("A")}};
    EXPECT_EQ(PayloadKinds::Compose("contact", contact).payload,
              PayloadComposer::Contact(S("李;雷"), S("C:1"), S("139"), S("T\\"), S("N"), S("e@x"),
                                       S("A")));
    EXPECT_EQ(PayloadKinds::Compose("mail", {{"to", "a@b"}, {"body", "x;y"}}).payload,
              PayloadComposer::Mail("a@b", "", "x;y"));
    EXPECT_EQ(PayloadKinds::Compose("bookmark", {{"url", " u:1 "}, {"title", "t"}}).payload,
              PayloadComposer::Bookmark("t", " u:1 "));
    EXPECT_EQ(PayloadKinds::Compose("sms", {{"phone", "1"}, {"text", "hi"}}).payload,
              PayloadComposer::Sms("1", "hi"));
    EXPECT_EQ(PayloadKinds::Compose("text", {{"text", S("二维码\r\n")}}).payload, S("二维码\r\n"));
    EXPECT_EQ(PayloadKinds::Compose("text", {}).payload, QString());
}

TEST(PayloadKinds, NamesAndFieldsOfEveryKind) {
    EXPECT_EQ(PayloadKinds::KindNames(),
              QStringList({"bookmark", "contact", "mail", "sms", "text", "vcard", "wifi"}));
    EXPECT_EQ(PayloadKinds::FieldNames("wifi"),
              QStringList({"ssid", "password", "security", "hidden"}));
    EXPECT_EQ(PayloadKinds::FieldNames("mail"), QStringList({"to", "subject", "body"}));
    EXPECT_FALSE(PayloadKinds::FieldNames("fax"));
}

TEST(PayloadKinds, UnknownKindsAndFieldsNameTheValidOnes) {
    const PayloadKinds::Composed fax = PayloadKinds::Compose("fax", {});
    EXPECT_EQ(fax.payload, QString());
    EXPECT_EQ(fax.error, "unknown kind \"fax\" (kinds: bookmark, contact, mail, sms, text, vcard, "
                         "wifi)");
    const PayloadKinds::Composed typo = PayloadKinds::Compose("wifi", {{"sid", "x"}});
    EXPECT_EQ(typo.payload, QString());
    EXPECT_EQ(typo.error,
              "unknown field \"sid\" for kind wifi (fields: ssid, password, security, hidden)");
    // A field of another kind is no field of this one.
    EXPECT_NE(PayloadKinds::Compose("sms", {{"url", "x"}}).error, "");
}
