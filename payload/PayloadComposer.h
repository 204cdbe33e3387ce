#pragma once

#include <QString>
#include <QStringList>

// The payload text of each content page, built from the page's field texts. Every line break
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

// Every line break (CR LF, a lone CR or a lone LF) as CR LF.
QString WithCrLfLineBreaks(const QString& text);

// Backslash before "\", ";" and ":", the convention of MECARD and MEBKM readers.
QString EscapeRecordValue(const QString& value);

// page 0–4 with its fields in the order they enter the payload; page 5 (About) and missing
// fields give an empty payload / empty field.
QString Compose(int page, const QStringList& fields);

} // namespace PayloadComposer
