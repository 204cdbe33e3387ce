#pragma once

#include <QString>
#include <QStringList>

// The payload text of each content page, built from the page's field texts as typed.
namespace PayloadComposer {

QString Text(const QString& text);
QString Mail(const QString& to, const QString& subject, const QString& body);
QString Bookmark(const QString& title, const QString& url);
QString Sms(const QString& phone, const QString& text);
QString Contact(const QString& name, const QString& company, const QString& mobile,
                const QString& title, const QString& note, const QString& email,
                const QString& address);

// Backslash before "\", ";" and ":", the convention of MECARD and MEBKM readers.
QString EscapeRecordValue(const QString& value);

// page 0–4 with its fields in the order they enter the payload; page 5 (About) and missing
// fields give an empty payload / empty field.
QString Compose(int page, const QStringList& fields);

} // namespace PayloadComposer
