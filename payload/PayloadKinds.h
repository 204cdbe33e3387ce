#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Every kind of payload by name, composed from named fields: the window's five pages (text,
// mail, bookmark, sms, contact, composed exactly as the pages compose them) and the kinds only
// the command line offers (wifi, vcard). Batches and the single-symbol command line both
// compose through here, so the two never differ.
namespace PayloadKinds {

struct Composed {
    QString payload;
    QString error; // empty when the payload was composed
};

// The kind names, sorted.
QStringList KindNames();
// The fields of `kind`, in the order its payload takes them; nothing for an unknown kind.
std::optional<QStringList> FieldNames(const QString& kind);

// Missing fields are empty; line breaks become CR LF in every kind. An unknown kind or field, a
// security other than WPA/WEP/nopass, a hidden flag other than true/false, an empty required
// field (text; to; url; phone; name; ssid; name, first or last of a vCard), a WPA or WEP network
// without a password, or an empty payload is an error that says what is valid or missing.
Composed Compose(const QString& kind, const QMap<QString, QString>& fields);

// The same from command-line assignments "NAME=VALUE" (split at the first "="; the value may
// be empty). An assignment without "=" or a field named twice is an error.
Composed ComposeFromAssignments(const QString& kind, const QStringList& assignments);

} // namespace PayloadKinds
