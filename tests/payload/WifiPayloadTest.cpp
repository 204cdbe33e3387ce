// Wi-Fi records: the exact text, and what a reader's field parser gets back from a real scan.
#include "encoder/clsQRCode.h"
#include "payload/PayloadKinds.h"
#include "tests/support/QtPrinting.h"
#include "tests/support/ZxingDecode.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Splits "WIFI:K:v;K:v;;" as phone readers do: a field ends at the first ";" no backslash
// escapes, and each escaping backslash is dropped.
std::map<std::string, std::string> ParseWifiRecord(const std::string& record) {
    std::map<std::string, std::string> fields;
    std::string field;
    for (std::size_t i = 5; record.starts_with("WIFI:") && i < record.size(); ++i) {
        if (record[i] == '\\' && i + 1 < record.size()) {
            field += record[++i];
        } else if (record[i] != ';') {
            field += record[i];
        } else if (!field.empty()) {
            const std::size_t colon = field.find(':');
            fields[field.substr(0, colon)] =
                colon == std::string::npos ? std::string() : field.substr(colon + 1);
            field.clear();
        }
    }
    return fields;
}

std::string Wifi(const char* ssid, const char* password, const char* security, const char* hidden,
                 std::string* error = nullptr) {
    const auto composed = PayloadKinds::Compose(
        "wifi",
        {{"ssid", ssid}, {"password", password}, {"security", security}, {"hidden", hidden}});
    if (error) *error = composed.error;
    return composed.payload;
}

std::string ValueOr(const std::map<std::string, std::string>& fields, const std::string& key,
                    const std::string& otherwise = {}) {
    const auto found = fields.find(key);
    return found == fields.end() ? otherwise : found->second;
}

} // namespace

TEST(WifiRecord, FieldsOptionalPartsAndRefusals) {
    EXPECT_EQ(Wifi("home", "secret", "", ""), "WIFI:T:WPA;S:home;P:secret;;");
    EXPECT_EQ(Wifi("home", "secret", "wep", "true"), "WIFI:T:WEP;S:home;P:secret;H:true;;");
    EXPECT_EQ(Wifi("cafe", "ignored", "nopass", "FALSE"), "WIFI:T:nopass;S:cafe;;");
    std::string error;
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
        const std::string payload = Wifi(ssid, password, security, hidden);
        clsQRCode encoder;
        const auto symbol = encoder.EncodeToMatrix(
            reinterpret_cast<const std::uint8_t*>(payload.data()), int(payload.size()), 0, 3, -1);
        ASSERT_TRUE(symbol);
        const auto decoded = DecodeSymbol(*symbol);
        ASSERT_TRUE(decoded) << ssid;
        const std::map<std::string, std::string> read = ParseWifiRecord(decoded->text);
        const bool open = std::string(security) == "nopass";
        EXPECT_EQ(ValueOr(read, "S"), ssid);
        EXPECT_EQ(ValueOr(read, "P", "<none>"), open ? "<none>" : password);
        EXPECT_EQ(ValueOr(read, "T"), open                             ? "nopass"
                                      : std::string(security) == "wpa" ? "WPA"
                                                                       : security);
        EXPECT_EQ(ValueOr(read, "H"), std::string(hidden) == "true" ? "true" : "");
    }
}
