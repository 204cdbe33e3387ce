// Arbitrary field texts through the payload composer, for every kind and for the window's pages:
// no field can end its value or forge another key, every line break comes out as CR LF, vCard
// lines stay folded, and composing never fails but by a message.
#include "payload/PayloadComposer.h"
#include "payload/PayloadKinds.h"
#include "payload/PlainText.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

void require(bool condition) {
    if (!condition) std::abort();
}

// No CR without its LF and no LF without its CR.
bool LineBreaksAreCrLf(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

// A record's values as readers split them: at each ";" no backslash escapes, escaping
// backslashes dropped.
Texts SplitRecord(const std::string& record) {
    Texts values{std::string()};
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (record[i] == '\\' && i + 1 < record.size())
            values.back() += record[++i];
        else if (record[i] == ';')
            values.emplace_back();
        else
            values.back() += record[i];
    }
    return values;
}

std::string FieldAt(const Texts& fields, std::size_t i) {
    return i < fields.size() ? fields[i] : std::string();
}

// A page's record must split into exactly its keys, each holding its field.
void checkRecord(const std::string& payload, const Texts& keys, const Texts& fields,
                 const std::string& tail, int trimmedField) {
    const Texts values = SplitRecord(payload);
    require(values.size() == keys.size() + 2);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        require(values[i].starts_with(keys[i]));
        const std::string expected = PayloadComposer::WithCrLfLineBreaks(FieldAt(fields, i));
        if (int(i) != trimmedField) require(values[i].substr(keys[i].size()) == expected);
    }
    require(values[keys.size()].empty() && values.back() == tail);
}

void checkPage(int page, const Texts& fields) {
    const std::string payload = PayloadComposer::Compose(page, fields);
    require(LineBreaksAreCrLf(payload));
    switch (page) {
    case 0: require(payload == PayloadComposer::WithCrLfLineBreaks(FieldAt(fields, 0))); break;
    case 1: checkRecord(payload, {"MAIL:TO:", "SUB:", "TXT:"}, fields, "ZRQub", -1); break;
    case 2: checkRecord(payload, {"MEBKM:TITLE:", "URL:"}, fields, "", 1); break;
    case 3: checkRecord(payload, {"SMS:SM:", "TXT:"}, fields, "ZRQub", -1); break;
    case 4:
        checkRecord(payload,
                    {"MECARD:N:", "ORG:", "TEL:TYPE=cell:", "TITLE:", "NOTE:", "EMAIL:", "ADR:"},
                    fields, "", -1);
        break;
    case 5: require(payload.starts_with("WIFI:T:") && payload.ends_with(';')); break;
    default: require(payload.empty());
    }
}

void checkVCard(const std::string& card) {
    for (const std::string& line : PlainText::Split(card, '\n')) require(line.size() <= 76);
    require(card.empty() || card.ends_with("END:VCARD\r\n"));
}

void checkKind(const std::string& kind, const Texts& values, const Texts& extra) {
    const Texts names = PayloadKinds::FieldNames(kind).value_or(Texts());
    PayloadKinds::Fields fields;
    Texts assignments;
    for (std::size_t i = 0; i < names.size() && i < values.size(); ++i) {
        fields.emplace(names[i], values[i]);
        assignments.push_back(names[i] + '=' + values[i]);
    }
    const PayloadKinds::Composed composed = PayloadKinds::Compose(kind, fields);
    require(composed.error.empty() != composed.payload.empty());
    require(LineBreaksAreCrLf(composed.payload));
    if (kind == "vcard") checkVCard(composed.payload);
    const PayloadKinds::Composed assigned = PayloadKinds::ComposeFromAssignments(kind, assignments);
    require(assigned.payload == composed.payload);
    // Arbitrary assignments: unknown fields, missing "=", names given twice.
    assignments.insert(assignments.end(), extra.begin(), extra.end());
    const PayloadKinds::Composed arbitrary =
        PayloadKinds::ComposeFromAssignments(kind, assignments);
    require(arbitrary.error.empty() != arbitrary.payload.empty());
}

std::string Utf8Only(const std::string& bytes) {
    std::string text;
    std::size_t length = 0;
    for (std::size_t at = 0; at < bytes.size(); at += length) {
        const char32_t c = PlainText::CodePointAt(bytes, at, length);
        text += c == 0xFFFD && length == 1 ? std::string("\xEF\xBF\xBD") : bytes.substr(at, length);
    }
    return text;
}

} // namespace

// The first byte picks the kind (its remainder by the number of kinds) and the window's page
// (the rest, modulo the seven pages); the rest of the input is fields separated by NUL bytes,
// those past the kind's fields taken as raw assignments. Fields are UTF-8, as every caller
// hands them over (checked or converted), so bytes that are not become U+FFFD.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const Texts kinds = PayloadKinds::KindNames();
    const std::string kind = kinds[data[0] % kinds.size()];
    Texts values =
        PlainText::Split(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), '\0');
    for (std::string& value : values) value = Utf8Only(value);
    const std::size_t fieldCount = std::min(PayloadKinds::FieldNames(kind)->size(), values.size());
    checkKind(kind, Texts(values.begin(), values.begin() + std::ptrdiff_t(fieldCount)),
              Texts(values.begin() + std::ptrdiff_t(fieldCount), values.end()));
    checkPage(int(data[0] / kinds.size()) % 7, values);
    return 0;
}
