#include "payload/PayloadReader.h"

#include "payload/PayloadComposer.h"
#include "payload/WifiPayload.h"

#include <optional>
#include <utility>

namespace PayloadReader {
namespace {

// "TYPE:KEY:value;KEY:value;;tail" taken apart: each value ends at the first ";" that no
// backslash escapes and is unescaped; an empty field ends the record.
struct Record {
    std::string type;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string tail;

    std::string value(const std::string& key) const {
        for (const auto& [name, value] : fields)
            if (name == key) return value;
        return {};
    }
};

// Where the raw field starting at `from` ends: its closing ";", or npos when there is none.
std::size_t FieldEnd(const std::string& text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == ';')
            return i;
    }
    return std::string::npos;
}

std::optional<Record> Split(const std::string& payload) {
    const std::size_t typeEnd = payload.find(':');
    if (typeEnd == 0 || typeEnd == std::string::npos) return std::nullopt;
    Record record{payload.substr(0, typeEnd), {}, {}};
    std::size_t at = typeEnd + 1;
    for (;;) {
        const std::size_t end = FieldEnd(payload, at);
        if (end == std::string::npos) return std::nullopt;
        const std::string field = payload.substr(at, end - at);
        at = end + 1;
        if (field.empty()) break;
        const std::size_t keyEnd = field.find(':');
        if (keyEnd == 0 || keyEnd == std::string::npos) return std::nullopt;
        record.fields.emplace_back(field.substr(0, keyEnd),
                                   PayloadComposer::UnescapeRecordValue(field.substr(keyEnd + 1)));
    }
    record.tail = payload.substr(at);
    return record;
}

std::vector<std::string> ValuesOf(const Record& record, std::initializer_list<const char*> keys) {
    std::vector<std::string> values;
    for (const char* key : keys) values.push_back(record.value(key));
    return values;
}

// The contact's number as the card carries it, after "TYPE=cell:".
std::string MobileOf(const Record& record) {
    const std::string prefix = "TYPE=cell:";
    const std::string value = record.value("TEL");
    return value.compare(0, prefix.size(), prefix) == 0 ? value.substr(prefix.size()) : value;
}

// The page whose record type this is and its fields in the composer's order; the text page
// when no page writes this type.
PageFields Candidate(const Record& record) {
    using namespace PayloadComposer;
    if (record.type == "MAIL") return {MailPage, ValuesOf(record, {"TO", "SUB", "TXT"})};
    if (record.type == "MEBKM") return {BookmarkPage, ValuesOf(record, {"TITLE", "URL"})};
    if (record.type == "SMS") return {SmsPage, ValuesOf(record, {"SM", "TXT"})};
    if (record.type == "MECARD") {
        std::vector<std::string> fields =
            ValuesOf(record, {"N", "ORG", "TEL", "TITLE", "NOTE", "EMAIL", "ADR"});
        fields[2] = MobileOf(record);
        return {ContactPage, fields};
    }
    if (record.type == "WIFI") {
        std::vector<std::string> fields = ValuesOf(record, {"S", "P", "T", "H"});
        if (fields[3] != "true") fields[3] = "false";
        return {WifiPage, fields};
    }
    return {TextPage, {}};
}

// The Wi-Fi page makes no record its field rules refuse.
bool WifiPageMakes(const std::vector<std::string>& fields) {
    const WifiSecurity security = WifiPayload::SecurityNamed(fields[2]).value_or(WifiSecurity::Wpa);
    return WifiPayload::MissingField(fields[0], fields[1], security) ==
           WifiPayload::Missing::Nothing;
}

} // namespace

PageFields Read(const std::string& payload) {
    const PageFields asText{PayloadComposer::TextPage, {payload}};
    const std::optional<Record> record = Split(payload);
    if (!record) return asText;
    const PageFields candidate = Candidate(*record);
    if (candidate.page == PayloadComposer::TextPage) return asText;
    if (candidate.page == PayloadComposer::WifiPage && !WifiPageMakes(candidate.fields))
        return asText;
    // Only exactly what the page writes: keys in its order, its escapes, its terminator.
    if (PayloadComposer::Compose(candidate.page, candidate.fields) != payload) return asText;
    return candidate;
}

} // namespace PayloadReader
