#pragma once

#include <QString>

#include <optional>

enum class WifiSecurity { Wpa, Wep, NoPassword };

// The Wi-Fi network record phones join from a scan:
// "WIFI:T:<security>;S:<ssid>;P:<password>;H:true;;". P is left out of open networks (their
// password, if any, is ignored) and H only appears for hidden networks.
namespace WifiPayload {

QString Compose(const QString& ssid, const QString& password, WifiSecurity security, bool hidden);

// "WPA", "WEP" or "nopass" in any letter case; empty means WPA. Nothing for anything else.
std::optional<WifiSecurity> SecurityNamed(const QString& name);

// Backslash before "\", ";", ",", ":" and '"', which the record's readers treat as syntax.
// PayloadComposer::UnescapeRecordValue undoes it.
QString EscapeValue(const QString& value);

// The fields a record cannot do without, whoever makes it: a network name, and a password
// unless the network is open.
enum class Missing { Nothing, Ssid, Password };
Missing MissingField(const QString& ssid, const QString& password, WifiSecurity security);

// The record's own word for the security: "WPA", "WEP" or "nopass".
QString SecurityToken(WifiSecurity security);

} // namespace WifiPayload
