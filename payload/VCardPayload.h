#pragma once

#include <string>

// A vCard 3.0 (RFC 2426) contact for readers that import address-book entries. Text is UTF-8.
namespace VCardPayload {

struct Contact {
    std::string name; // the formatted name; when empty, first and last name it
    std::string first;
    std::string last;
    std::string company;
    std::string mobile;
    std::string title;
    std::string note;
    std::string email;
    std::string address; // goes in the street field of the work address
};

// BEGIN, VERSION, N, FN, ORG, TITLE, TEL;TYPE=CELL, EMAIL, ADR;TYPE=WORK, NOTE, END; lines end
// in CR LF and are folded at 75 octets. Empty properties are left out, except N and FN, which
// every vCard must have. N holds last and first name when either is given, otherwise the whole
// name as the family name: splitting a name into its parts is not guessed.
std::string Compose(const Contact& contact);

// "\" "," ";" get a backslash and every line break (CR LF, CR or LF) becomes "\n".
std::string EscapeValue(const std::string& value);

// Folds one content line (without its line end) so that no line exceeds 75 octets, each
// continuation starting with a space; never splits a UTF-8 sequence. Lines end in CR LF.
std::string FoldLine(const std::string& line);

} // namespace VCardPayload
