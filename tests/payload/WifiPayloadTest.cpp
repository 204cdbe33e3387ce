// Wi-Fi records: the exact text, and what a reader's field parser gets back from a real scan.
#include "WifiPayload.h"
#include "PayloadKinds.h"
#include "QtPrinting.h"
#include "SymbolComposition.h"
#include "ZxingDecode.h"
#include "clsQRCode.h"

#include <QMap>

#include <gtest/gtest.h>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Splits "WIFI:K:v;K:v;;" the way phone readers do: a field ends at the first ";" that no
// backslash escapes, and every escaping backslash is dropped from the value.
QMap<QString, QString> ParseWifiRecord(const QString& record) {
    QMap<QString, QString> fields;
    if (!record.startsWith(QStringLiteral("WIFI:"))) return fields;
    QString field;
    bool escaped = false;
    auto finish = [&] {
        const qsizetype colon = field.indexOf(u':');
        if (colon > 0) fields.insert(field.left(colon), field.mid(colon + 1));
        field.clear();
    };
    for (qsizetype i = 5; i < record.size(); ++i) {
        const QChar c = record.at(i);
        if (escaped) {
            field += c;
            escaped = false;
        } else if (c == u'\\') {
            escaped = true;
        } else if (c == u';') {
            finish();
        } else {
            field += c;
        }
    }
    return fields;
}

QString Scanned(const QString& payload) {
    clsQRCode encoder;
    const QByteArray bytes = SymbolComposition::ToUtf8(payload);
    const auto symbol = encoder.EncodeToMatrix(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), int(bytes.size()), 0, 3, -1);
    if (!symbol) return QStringLiteral("<no symbol>");
    const auto decoded = DecodeSymbol(*symbol);
    if (!decoded) return QStringLiteral("<unreadable>");
    return QString::fromStdString(decoded->text);
}

QString Wifi(const char* ssid, const char* password, const char* security, const char* hidden) {
    const PayloadKinds::Composed composed =
        PayloadKinds::Compose(QStringLiteral("wifi"), {{"ssid", S(ssid)},
                                                       {"password", S(password)},
                                                       {"security", S(security)},
                                                       {"hidden", S(hidden)}});
    EXPECT_EQ(composed.error, "");
    return composed.payload;
}

} // namespace

TEST(WifiRecord, FieldsOrderAndOptionalParts) {
    EXPECT_EQ(Wifi("home", "secret", "", ""), S("WIFI:T:WPA;S:home;P:secret;;"));
    EXPECT_EQ(Wifi("home", "secret", "wep", "true"), S("WIFI:T:WEP;S:home;P:secret;H:true;;"));
    EXPECT_EQ(Wifi("cafe", "ignored", "nopass", "FALSE"), S("WIFI:T:nopass;S:cafe;;"));
    EXPECT_EQ(Wifi("cafe", "", "NOPASS", "true"), S("WIFI:T:nopass;S:cafe;H:true;;"));
    EXPECT_EQ(WifiPayload::EscapeValue(S("a\\b;c,d:e\"f 网")), S("a\\\\b\\;c\\,d\\:e\\\"f 网"));
}

TEST(WifiRecord, BadOptionsAreNamed) {
    const auto compose = [](const char* security, const char* hidden, const char* ssid) {
        return PayloadKinds::Compose(
                   QStringLiteral("wifi"),
                   {{"ssid", S(ssid)}, {"security", S(security)}, {"hidden", S(hidden)}})
            .error;
    };
    EXPECT_NE(compose("WPA3", "", "x").indexOf(QStringLiteral("WPA, WEP or nopass")), -1);
    EXPECT_NE(compose("", "yes", "x").indexOf(QStringLiteral("true or false")), -1);
    EXPECT_NE(compose("", "", "").indexOf(QStringLiteral("ssid")), -1);
}

TEST(WifiRecord, EverySpecialCharacterSurvivesAScan) {
    struct Network {
        const char* ssid;
        const char* password;
        const char* security;
        const char* hidden;
    };
    const Network networks[] = {
        {"My;Net,Work:\"5G\"\\", "p;a,s:s\"w\\o\"rd", "WPA", "false"},
        {"隐藏的网络", "密码;123", "WEP", "true"},
        {"\\;;,,::\"\"", "\\", "wpa", "true"},
        {"Open \"Cafe\": free, fast; 公共", "", "nopass", "false"},
        {"open-hidden", "", "nopass", "true"},
    };
    for (const Network& n : networks) {
        const QString payload = Wifi(n.ssid, n.password, n.security, n.hidden);
        const QString scanned = Scanned(payload);
        ASSERT_EQ(scanned, payload) << n.ssid;
        const QMap<QString, QString> read = ParseWifiRecord(scanned);
        EXPECT_EQ(read.value("S"), S(n.ssid));
        const bool open = QString::fromLatin1(n.security).toLower() == QStringLiteral("nopass");
        EXPECT_EQ(read.contains("P"), !open) << n.ssid;
        if (!open) {
            EXPECT_EQ(read.value("P"), S(n.password));
        }
        EXPECT_EQ(read.value("T"),
                  open ? QStringLiteral("nopass") : QString::fromLatin1(n.security).toUpper());
        EXPECT_EQ(read.value("H"), QString::fromLatin1(n.hidden) == QStringLiteral("true")
                                       ? QStringLiteral("true")
                                       : QString());
    }
}
