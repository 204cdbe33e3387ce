#include "payload/PayloadKinds.h"

#include "payload/PayloadComposer.h"
#include "payload/VCardPayload.h"
#include "payload/WifiPayload.h"

#include <functional>
#include <map>

namespace PayloadKinds {
namespace {

using Fields = QMap<QString, QString>;

struct Kind {
    QStringList fieldNames;
    std::function<Composed(const Fields&)> compose;
    // At least one of these fields must be given, without which the record means nothing; a
    // kind that checks its fields itself leaves it empty.
    QStringList required;
};

Composed Done(const QString& payload) {
    return {payload, {}};
}

// One of the window's pages: its composer takes the fields in `fieldNames` order.
Kind PageKind(int page, const QStringList& fieldNames, const QStringList& required) {
    return {fieldNames,
            [page, fieldNames](const Fields& fields) {
                QStringList values;
                for (const QString& name : fieldNames) values.append(fields.value(name));
                return Done(PayloadComposer::Compose(page, values));
            },
            required};
}

std::optional<bool> FlagNamed(const QString& text) {
    const QString token = text.trimmed().toLower();
    if (token.isEmpty() || token == QStringLiteral("false")) return false;
    if (token == QStringLiteral("true")) return true;
    return std::nullopt;
}

Composed ComposeWifi(const Fields& fields) {
    const std::optional<WifiSecurity> security =
        WifiPayload::SecurityNamed(fields.value(QStringLiteral("security")));
    if (!security)
        return {{},
                QStringLiteral("wifi: security \"%1\" is not WPA, WEP or nopass")
                    .arg(fields.value(QStringLiteral("security")))};
    const std::optional<bool> hidden = FlagNamed(fields.value(QStringLiteral("hidden")));
    if (!hidden)
        return {{},
                QStringLiteral("wifi: hidden \"%1\" is not true or false")
                    .arg(fields.value(QStringLiteral("hidden")))};
    const QString ssid = fields.value(QStringLiteral("ssid"));
    const QString password = fields.value(QStringLiteral("password"));
    switch (WifiPayload::MissingField(ssid, password, *security)) {
    case WifiPayload::Missing::Ssid:
        return {{}, QStringLiteral("wifi: the network name (ssid) is empty")};
    case WifiPayload::Missing::Password:
        return {{},
                QStringLiteral("wifi: a %1 network needs a password (or security nopass)")
                    .arg(WifiPayload::SecurityToken(*security))};
    case WifiPayload::Missing::Nothing: break;
    }
    return Done(PayloadComposer::Wifi(ssid, password, *security, *hidden));
}

Composed ComposeVCard(const Fields& f) {
    VCardPayload::Contact contact;
    contact.name = f.value(QStringLiteral("name"));
    contact.first = f.value(QStringLiteral("first"));
    contact.last = f.value(QStringLiteral("last"));
    contact.company = f.value(QStringLiteral("company"));
    contact.mobile = f.value(QStringLiteral("mobile"));
    contact.title = f.value(QStringLiteral("title"));
    contact.note = f.value(QStringLiteral("note"));
    contact.email = f.value(QStringLiteral("email"));
    contact.address = f.value(QStringLiteral("address"));
    return Done(VCardPayload::Compose(contact));
}

QStringList Names(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* name : names) list.append(QString::fromLatin1(name));
    return list;
}

const std::map<QString, Kind>& Kinds() {
    static const std::map<QString, Kind> kinds = {
        {QStringLiteral("text"), PageKind(0, Names({"text"}), Names({"text"}))},
        {QStringLiteral("mail"), PageKind(1, Names({"to", "subject", "body"}), Names({"to"}))},
        {QStringLiteral("bookmark"), PageKind(2, Names({"title", "url"}), Names({"url"}))},
        {QStringLiteral("sms"), PageKind(3, Names({"phone", "text"}), Names({"phone"}))},
        {QStringLiteral("contact"),
         PageKind(4, Names({"name", "company", "mobile", "title", "note", "email", "address"}),
                  Names({"name"}))},
        {QStringLiteral("wifi"),
         {Names({"ssid", "password", "security", "hidden"}), ComposeWifi, {}}},
        {QStringLiteral("vcard"),
         {Names(
              {"name", "first", "last", "company", "mobile", "title", "note", "email", "address"}),
          ComposeVCard, Names({"name", "first", "last"})}},
    };
    return kinds;
}

// The one line-break rule of every payload, for the kinds the window's pages do not compose.
Fields WithCrLfLineBreaks(const Fields& fields) {
    Fields normalised;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        normalised.insert(it.key(), PayloadComposer::WithCrLfLineBreaks(it.value()));
    return normalised;
}

QString MissingRequired(const QString& kind, const Kind& rules, const Fields& fields) {
    if (rules.required.isEmpty()) return {};
    for (const QString& name : rules.required)
        if (!fields.value(name).isEmpty()) return {};
    if (rules.required.size() == 1)
        return QStringLiteral("%1: the field \"%2\" is empty").arg(kind, rules.required.front());
    return QStringLiteral("%1: the fields %2 are all empty")
        .arg(kind, rules.required.join(QStringLiteral(", ")));
}

} // namespace

QStringList KindNames() {
    QStringList names;
    for (const auto& [name, kind] : Kinds()) names.append(name);
    return names;
}

std::optional<QStringList> FieldNames(const QString& kind) {
    const auto found = Kinds().find(kind);
    if (found == Kinds().end()) return std::nullopt;
    return found->second.fieldNames;
}

Composed Compose(const QString& kind, const Fields& fields) {
    const auto found = Kinds().find(kind);
    if (found == Kinds().end())
        return {{},
                QStringLiteral("unknown kind \"%1\" (kinds: %2)")
                    .arg(kind, KindNames().join(QStringLiteral(", ")))};
    const QStringList& valid = found->second.fieldNames;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        if (!valid.contains(it.key()))
            return {{},
                    QStringLiteral("unknown field \"%1\" for kind %2 (fields: %3)")
                        .arg(it.key(), kind, valid.join(QStringLiteral(", ")))};
    const Fields given = WithCrLfLineBreaks(fields);
    if (QString missing = MissingRequired(kind, found->second, given); !missing.isEmpty())
        return {{}, missing};
    Composed composed = found->second.compose(given);
    if (composed.error.isEmpty() && composed.payload.isEmpty())
        composed.error = QStringLiteral("%1: the payload is empty").arg(kind);
    return composed;
}

Composed ComposeFromAssignments(const QString& kind, const QStringList& assignments) {
    Fields fields;
    for (const QString& assignment : assignments) {
        const qsizetype equals = assignment.indexOf(u'=');
        if (equals < 0)
            return {{}, QStringLiteral("field \"%1\" has no value (NAME=VALUE)").arg(assignment)};
        const QString name = assignment.left(equals);
        if (fields.contains(name))
            return {{}, QStringLiteral("field \"%1\" is given twice").arg(name)};
        fields.insert(name, assignment.mid(equals + 1));
    }
    return Compose(kind, fields);
}

} // namespace PayloadKinds
