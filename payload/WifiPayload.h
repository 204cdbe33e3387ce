#pragma once

#include <optional>
#include <string>

enum class WifiSecurity { Wpa, Wep, NoPassword };

// The Wi-Fi network record phones join from a scan:
// "WIFI:T:<security>;S:<ssid>;P:<password>;H:true;;". P is left out of open networks (their
// password, if any, is ignored) and H only appears for hidden networks. Text is UTF-8.
namespace WifiPayload {

std::string Compose(const std::string& ssid, const std::string& password, WifiSecurity security,
                    bool hidden);

// "WPA", "WEP" or "nopass" in any letter case, spaces around ignored; empty means WPA. Nothing
// for anything else.
std::optional<WifiSecurity> SecurityNamed(const std::string& name);

// Backslash before "\", ";", ",", ":" and '"', which the record's readers treat as syntax.
// PayloadComposer::UnescapeRecordValue undoes it.
std::string EscapeValue(const std::string& value);

// The fields a record cannot do without, whoever makes it: a network name, and a password
// unless the network is open.
enum class Missing { Nothing, Ssid, Password };
Missing MissingField(const std::string& ssid, const std::string& password, WifiSecurity security);

// The record's own word for the security: "WPA", "WEP" or "nopass".
std::string SecurityToken(WifiSecurity security);

} // namespace WifiPayload
