#include "payload/WifiPayload.h"

namespace WifiPayload {

QString SecurityToken(WifiSecurity security) {
    switch (security) {
    case WifiSecurity::Wep: return QStringLiteral("WEP");
    case WifiSecurity::NoPassword: return QStringLiteral("nopass");
    default: return QStringLiteral("WPA");
    }
}

Missing MissingField(const QString& ssid, const QString& password, WifiSecurity security) {
    if (ssid.isEmpty()) return Missing::Ssid;
    if (password.isEmpty() && security != WifiSecurity::NoPassword) return Missing::Password;
    return Missing::Nothing;
}

QString EscapeValue(const QString& value) {
    static const QString reserved = QStringLiteral("\\;,:\"");
    QString escaped;
    escaped.reserve(value.size() * 2);
    for (QChar c : value) {
        if (reserved.contains(c)) escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

std::optional<WifiSecurity> SecurityNamed(const QString& name) {
    const QString token = name.trimmed().toLower();
    if (token.isEmpty() || token == QStringLiteral("wpa")) return WifiSecurity::Wpa;
    if (token == QStringLiteral("wep")) return WifiSecurity::Wep;
    if (token == QStringLiteral("nopass")) return WifiSecurity::NoPassword;
    return std::nullopt;
}

QString Compose(const QString& ssid, const QString& password, WifiSecurity security, bool hidden) {
    QString record = QStringLiteral("WIFI:T:") + SecurityToken(security) + QStringLiteral(";S:") +
                     EscapeValue(ssid) + QLatin1Char(';');
    if (security != WifiSecurity::NoPassword)
        record += QStringLiteral("P:") + EscapeValue(password) + QLatin1Char(';');
    if (hidden) record += QStringLiteral("H:true;");
    return record + QLatin1Char(';');
}

} // namespace WifiPayload
