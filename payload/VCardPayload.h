#pragma once

#include <QString>

// A vCard 3.0 (RFC 2426) contact for readers that import address-book entries.
namespace VCardPayload {

struct Contact {
    QString name; // the formatted name; when empty, first and last name it
    QString first;
    QString last;
    QString company;
    QString mobile;
    QString title;
    QString note;
    QString email;
    QString address; // goes in the street field of the work address
};

// BEGIN, VERSION, N, FN, ORG, TITLE, TEL;TYPE=CELL, EMAIL, ADR;TYPE=WORK, NOTE, END; lines end
// in CR LF and are folded at 75 octets. Empty properties are left out, except N and FN, which
// every vCard must have. N holds last and first name when either is given, otherwise the whole
// name as the family name: splitting a name into its parts is not guessed.
QString Compose(const Contact& contact);

// "\" "," ";" get a backslash and every line break (CR LF, CR or LF) becomes "\n".
QString EscapeValue(const QString& value);

// Folds one content line (without its line end) so that no line exceeds 75 octets, each
// continuation starting with a space; never splits a UTF-8 sequence. Lines end in CR LF.
QByteArray FoldLine(const QByteArray& line);

} // namespace VCardPayload
