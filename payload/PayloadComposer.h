#pragma once

#include "payload/WifiPayload.h"

#include <QString>
#include <QStringList>

// The payload text of each content page, built from the page's field texts (PayloadReader reads
// them back). Every line break
// of every field (CR LF, CR or LF) enters the payload as CR LF, the way the window's multi-line
// boxes hold it, whichever way the field came in. The fields of the mail, bookmark, SMS and
// contact records are escaped, so that no field can end its own value or start another key.
namespace PayloadComposer {

QString Text(const QString& text);
QString Mail(const QString& to, const QString& subject, const QString& body);
QString Bookmark(const QString& title, const QString& url);
QString Sms(const QString& phone, const QString& text);
QString Contact(const QString& name, const QString& company, const QString& mobile,
                const QString& title, const QString& note, const QString& email,
                const QString& address);
// The Wi-Fi network record of WifiPayload, its fields' line breaks as CR LF like every record's.
QString Wifi(const QString& ssid, const QString& password, WifiSecurity security, bool hidden);

// Every line break (CR LF, a lone CR or a lone LF) as CR LF.
QString WithCrLfLineBreaks(const QString& text);

// Backslash before "\", ";" and ":", the convention of MECARD and MEBKM readers.
QString EscapeRecordValue(const QString& value);
// Drops each escaping backslash, keeping the character it escapes: the inverse of
// EscapeRecordValue and of WifiPayload::EscapeValue alike.
QString UnescapeRecordValue(const QString& value);

// The pages of the window, by index (the About page after them composes nothing).
enum Page { TextPage, MailPage, BookmarkPage, SmsPage, ContactPage, WifiPage, PageCount };

// page 0–5 with its fields in the order they enter the payload; the Wi-Fi page's are the network
// name, the password, the security as the record names it ("WPA", "WEP", "nopass"; anything
// else is WPA) and "true" for a hidden network. Any other page gives an empty payload, missing
// fields are empty.
QString Compose(int page, const QStringList& fields);

} // namespace PayloadComposer
