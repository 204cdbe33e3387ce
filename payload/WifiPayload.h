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
QString EscapeValue(const QString& value);

} // namespace WifiPayload
