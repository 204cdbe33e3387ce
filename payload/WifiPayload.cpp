#include "payload/WifiPayload.h"

#include "payload/PlainText.h"

namespace WifiPayload {

std::string SecurityToken(WifiSecurity security) {
    switch (security) {
    case WifiSecurity::Wep: return "WEP";
    case WifiSecurity::NoPassword: return "nopass";
    default: return "WPA";
    }
}

Missing MissingField(const std::string& ssid, const std::string& password, WifiSecurity security) {
    if (ssid.empty()) return Missing::Ssid;
    if (password.empty() && security != WifiSecurity::NoPassword) return Missing::Password;
    return Missing::Nothing;
}

std::string EscapeValue(const std::string& value) {
    std::string escaped;
    escaped.reserve(value.size() * 2);
    for (const char c : value) {
        if (c == '\\' || c == ';' || c == ',' || c == ':' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::optional<WifiSecurity> SecurityNamed(const std::string& name) {
    const std::string token = PlainText::Lower(PlainText::Trimmed(name));
    if (token.empty() || token == "wpa") return WifiSecurity::Wpa;
    if (token == "wep") return WifiSecurity::Wep;
    if (token == "nopass") return WifiSecurity::NoPassword;
    return std::nullopt;
}

std::string Compose(const std::string& ssid, const std::string& password, WifiSecurity security,
                    bool hidden) {
    std::string record = "WIFI:T:" + SecurityToken(security) + ";S:" + EscapeValue(ssid) + ';';
    if (security != WifiSecurity::NoPassword) record += "P:" + EscapeValue(password) + ';';
    if (hidden) record += "H:true;";
    return record + ';';
}

} // namespace WifiPayload
