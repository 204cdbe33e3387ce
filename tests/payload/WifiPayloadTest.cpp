// Wi-Fi records: the exact text, and what a reader's field parser gets back from a real scan.
#include "encoder/clsQRCode.h"
#include "payload/PayloadBytes.h"
#include "payload/PayloadKinds.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/ZxingDecode.h"

#include <gtest/gtest.h>

namespace {

// Splits "WIFI:K:v;K:v;;" as phone readers do: a field ends at the first ";" no backslash
// escapes, and each escaping backslash is dropped.
QMap<QString, QString> ParseWifiRecord(const QString& record) {
    QMap<QString, QString> fields;
    QString field;
    for (qsizetype i = 5; record.startsWith(QStringLiteral("WIFI:")) && i < record.size(); ++i) {
        if (record.at(i) == u'\\' && i + 1 < record.size()) {
            field += record.at(++i);
        } else if (record.at(i) != u';') {
            field += record.at(i);
        } else if (!field.isEmpty()) {
            fields.insert(field.section(u':', 0, 0), field.section(u':', 1));
            field.clear();
        }
    }
    return fields;
}

QString Wifi(const char* ssid, const char* password, const char* security, const char* hidden,
             QString* error = nullptr) {
    const auto composed = PayloadKinds::Compose("wifi", {{"ssid", QString::fromUtf8(ssid)},
                                                         {"password", QString::fromUtf8(password)},
                                                         {"security", security},
                                                         {"hidden", hidden}});
    if (error) *error = composed.error;
    return composed.payload;
}

} // namespace

TEST(WifiRecord, FieldsOptionalPartsAndRefusals) {
    EXPECT_EQ(Wifi("home", "secret", "", ""), "WIFI:T:WPA;S:home;P:secret;;");
    EXPECT_EQ(Wifi("home", "secret", "wep", "true"), "WIFI:T:WEP;S:home;P:secret;H:true;;");
    EXPECT_EQ(Wifi("cafe", "ignored", "nopass", "FALSE"), "WIFI:T:nopass;S:cafe;;");
    QString error;
    EXPECT_EQ(Wifi("x", "", "WPA3", "", &error), "");
    EXPECT_EQ(error, "wifi: security \"WPA3\" is not WPA, WEP or nopass");
    Wifi("x", "", "", "yes", &error);
    EXPECT_EQ(error, "wifi: hidden \"yes\" is not true or false");
    Wifi("", "", "", "", &error);
    EXPECT_EQ(error, "wifi: the network name (ssid) is empty");
}

TEST(WifiRecord, EverySpecialCharacterSurvivesAScan) {
    const std::array<const char*, 4> networks[] = {
        {"My;Net,Work:\"5G\"\\", "p;a,s:s\"w\\o\"rd", "WPA", "false"},
        {"隐藏的网络", "密码;123", "WEP", "true"},
        {"\\;;,,::\"\"", "\\", "wpa", "true"},
        {"Open \"Cafe\": free, fast; 公共", "", "nopass", "false"},
        {"open-hidden", "", "nopass", "true"},
    };
    for (const auto& [ssid, password, security, hidden] : networks) {
        const QString payload = Wifi(ssid, password, security, hidden);
        clsQRCode encoder;
        const QByteArray utf8 = PayloadBytes::ToUtf8(payload);
        const auto symbol = encoder.EncodeToMatrix(
            reinterpret_cast<const std::uint8_t*>(utf8.constData()), int(utf8.size()), 0, 3, -1);
        ASSERT_TRUE(symbol);
        const auto decoded = DecodeSymbol(*symbol);
        ASSERT_TRUE(decoded) << ssid;
        const QMap<QString, QString> read = ParseWifiRecord(QString::fromStdString(decoded->text));
        const bool open = QString(security) == "nopass";
        EXPECT_EQ(read.value("S"), QString::fromUtf8(ssid));
        EXPECT_EQ(read.value("P", "<none>"), open ? "<none>" : QString::fromUtf8(password));
        EXPECT_EQ(read.value("T"), open ? QString("nopass") : QString(security).toUpper());
        EXPECT_EQ(read.value("H"), QString(hidden) == "true" ? "true" : "");
    }
}
