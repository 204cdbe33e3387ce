#include "payload/VCardPayload.h"

#include "payload/PlainText.h"

#include <algorithm>
#include <vector>

namespace VCardPayload {
namespace {

constexpr std::size_t MaxLineOctets = 75;

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The longest piece of `line` from `start` that fits `room` octets and ends on a character
// boundary (a lone over-long sequence is taken whole rather than looped on).
std::size_t PieceLength(const std::string& line, std::size_t start, std::size_t room) {
    std::size_t end = std::min(line.size(), start + room);
    while (end < line.size() && end > start && IsContinuationByte(line[end])) --end;
    if (end == start) { // cannot happen with valid UTF-8 and room >= 4
        end = start + 1;
        while (end < line.size() && IsContinuationByte(line[end])) ++end;
    }
    return end - start;
}

std::string NameComponents(const Contact& contact) {
    if (contact.first.empty() && contact.last.empty()) return EscapeValue(contact.name) + ";;;;";
    return EscapeValue(contact.last) + ';' + EscapeValue(contact.first) + ";;;";
}

// Chinese names are written family name first and without a space (张三); others given name
// first (Ada Lovelace).
std::string FormattedName(const Contact& contact) {
    if (!contact.name.empty()) return contact.name;
    if (PlainText::HasHan(contact.first) || PlainText::HasHan(contact.last))
        return contact.last + contact.first;
    std::vector<std::string> parts;
    for (const std::string* part : {&contact.first, &contact.last})
        if (!part->empty()) parts.push_back(*part);
    return PlainText::Joined(parts, " ");
}

} // namespace

std::string EscapeValue(const std::string& value) {
    std::string escaped;
    escaped.reserve(value.size() * 2);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            escaped += "\\n";
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
            continue;
        }
        if (c == '\\' || c == ',' || c == ';') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string FoldLine(const std::string& line) {
    std::string folded;
    std::size_t start = 0;
    std::size_t room = MaxLineOctets;
    do {
        const std::size_t length = PieceLength(line, start, room);
        if (start > 0) folded += ' ';
        folded += line.substr(start, length) + "\r\n";
        start += length;
        room = MaxLineOctets - 1; // the leading space takes one octet
    } while (start < line.size());
    return folded;
}

std::string Compose(const Contact& contact) {
    std::string card;
    const auto add = [&card](const char* property, const std::string& value) {
        card += FoldLine(std::string(property) + ':' + value);
    };
    const auto addIfGiven = [&add](const char* property, const std::string& raw,
                                   const std::string& value) {
        if (!raw.empty()) add(property, value);
    };
    add("BEGIN", "VCARD");
    add("VERSION", "3.0");
    add("N", NameComponents(contact));
    add("FN", EscapeValue(FormattedName(contact)));
    addIfGiven("ORG", contact.company, EscapeValue(contact.company));
    addIfGiven("TITLE", contact.title, EscapeValue(contact.title));
    addIfGiven("TEL;TYPE=CELL", contact.mobile, EscapeValue(contact.mobile));
    addIfGiven("EMAIL", contact.email, EscapeValue(contact.email));
    addIfGiven("ADR;TYPE=WORK", contact.address, ";;" + EscapeValue(contact.address) + ";;;;");
    addIfGiven("NOTE", contact.note, EscapeValue(contact.note));
    add("END", "VCARD");
    return card;
}

} // namespace VCardPayload
