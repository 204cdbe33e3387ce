#include "payload/PayloadKinds.h"

#include "payload/PayloadComposer.h"
#include "payload/PlainText.h"
#include "payload/VCardPayload.h"
#include "payload/WifiPayload.h"

#include <algorithm>
#include <functional>

namespace PayloadKinds {
namespace {

using Names = std::vector<std::string>;

struct Kind {
    Names fieldNames;
    std::function<Composed(const Fields&)> compose;
    // At least one of these fields must be given, without which the record means nothing; a
    // kind that checks its fields itself leaves it empty.
    Names required;
};

std::string ValueOf(const Fields& fields, const std::string& name) {
    const auto found = fields.find(name);
    return found == fields.end() ? std::string() : found->second;
}

Composed Done(std::string payload) {
    return {std::move(payload), {}};
}

// One of the window's pages: its composer takes the fields in `fieldNames` order.
Kind PageKind(int page, const Names& fieldNames, const Names& required) {
    return {fieldNames,
            [page, fieldNames](const Fields& fields) {
                Names values;
                for (const std::string& name : fieldNames) values.push_back(ValueOf(fields, name));
                return Done(PayloadComposer::Compose(page, values));
            },
            required};
}

std::optional<bool> FlagNamed(const std::string& text) {
    const std::string token = PlainText::Lower(PlainText::Trimmed(text));
    if (token.empty() || token == "false") return false;
    if (token == "true") return true;
    return std::nullopt;
}

Composed ComposeWifi(const Fields& fields) {
    const std::optional<WifiSecurity> security =
        WifiPayload::SecurityNamed(ValueOf(fields, "security"));
    if (!security)
        return {{},
                "wifi: security \"" + ValueOf(fields, "security") + "\" is not WPA, WEP or nopass"};
    const std::optional<bool> hidden = FlagNamed(ValueOf(fields, "hidden"));
    if (!hidden)
        return {{}, "wifi: hidden \"" + ValueOf(fields, "hidden") + "\" is not true or false"};
    const std::string ssid = ValueOf(fields, "ssid");
    const std::string password = ValueOf(fields, "password");
    switch (WifiPayload::MissingField(ssid, password, *security)) {
    case WifiPayload::Missing::Ssid: return {{}, "wifi: the network name (ssid) is empty"};
    case WifiPayload::Missing::Password:
        return {{},
                "wifi: a " + WifiPayload::SecurityToken(*security) +
                    " network needs a password (or security nopass)"};
    case WifiPayload::Missing::Nothing: break;
    }
    return Done(PayloadComposer::Wifi(ssid, password, *security, *hidden));
}

Composed ComposeVCard(const Fields& f) {
    VCardPayload::Contact contact;
    contact.name = ValueOf(f, "name");
    contact.first = ValueOf(f, "first");
    contact.last = ValueOf(f, "last");
    contact.company = ValueOf(f, "company");
    contact.mobile = ValueOf(f, "mobile");
    contact.title = ValueOf(f, "title");
    contact.note = ValueOf(f, "note");
    contact.email = ValueOf(f, "email");
    contact.address = ValueOf(f, "address");
    return Done(VCardPayload::Compose(contact));
}

const std::map<std::string, Kind>& Kinds() {
    static const std::map<std::string, Kind> kinds = {
        {"text", PageKind(PayloadComposer::TextPage, {"text"}, {"text"})},
        {"mail", PageKind(PayloadComposer::MailPage, {"to", "subject", "body"}, {"to"})},
        {"bookmark", PageKind(PayloadComposer::BookmarkPage, {"title", "url"}, {"url"})},
        {"sms", PageKind(PayloadComposer::SmsPage, {"phone", "text"}, {"phone"})},
        {"contact",
         PageKind(PayloadComposer::ContactPage,
                  {"name", "company", "mobile", "title", "note", "email", "address"}, {"name"})},
        {"wifi", {{"ssid", "password", "security", "hidden"}, ComposeWifi, {}}},
        {"vcard",
         {{"name", "first", "last", "company", "mobile", "title", "note", "email", "address"},
          ComposeVCard,
          {"name", "first", "last"}}},
    };
    return kinds;
}

bool Contains(const Names& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The one line-break rule of every payload, for the kinds the window's pages do not compose.
Fields WithCrLfLineBreaks(const Fields& fields) {
    Fields normalised;
    for (const auto& [name, value] : fields)
        normalised.emplace(name, PayloadComposer::WithCrLfLineBreaks(value));
    return normalised;
}

std::string MissingRequired(const std::string& kind, const Kind& rules, const Fields& fields) {
    if (rules.required.empty()) return {};
    for (const std::string& name : rules.required)
        if (!ValueOf(fields, name).empty()) return {};
    if (rules.required.size() == 1)
        return kind + ": the field \"" + rules.required.front() + "\" is empty";
    return kind + ": the fields " + PlainText::Joined(rules.required, ", ") + " are all empty";
}

} // namespace

std::vector<std::string> KindNames() {
    std::vector<std::string> names;
    for (const auto& [name, kind] : Kinds()) names.push_back(name);
    return names;
}

std::optional<std::vector<std::string>> FieldNames(const std::string& kind) {
    const auto found = Kinds().find(kind);
    if (found == Kinds().end()) return std::nullopt;
    return found->second.fieldNames;
}

bool IsFieldOfAnyKind(const std::string& name) {
    for (const auto& [kindName, kind] : Kinds())
        if (Contains(kind.fieldNames, name)) return true;
    return false;
}

Composed Compose(const std::string& kind, const Fields& fields) {
    const auto found = Kinds().find(kind);
    if (found == Kinds().end())
        return {{},
                "unknown kind \"" + kind + "\" (kinds: " + PlainText::Joined(KindNames(), ", ") +
                    ")"};
    const Names& valid = found->second.fieldNames;
    for (const auto& [name, value] : fields)
        if (!Contains(valid, name))
            return {{},
                    "unknown field \"" + name + "\" for kind " + kind +
                        " (fields: " + PlainText::Joined(valid, ", ") + ")"};
    const Fields given = WithCrLfLineBreaks(fields);
    if (std::string missing = MissingRequired(kind, found->second, given); !missing.empty())
        return {{}, missing};
    Composed composed = found->second.compose(given);
    if (composed.error.empty() && composed.payload.empty())
        composed.error = kind + ": the payload is empty";
    return composed;
}

Composed ComposeFromAssignments(const std::string& kind,
                                const std::vector<std::string>& assignments) {
    Fields fields;
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            return {{}, "field \"" + assignment + "\" has no value (NAME=VALUE)"};
        const std::string name = assignment.substr(0, equals);
        if (fields.count(name)) return {{}, "field \"" + name + "\" is given twice"};
        fields.emplace(name, assignment.substr(equals + 1));
    }
    return Compose(kind, fields);
}

} // namespace PayloadKinds
