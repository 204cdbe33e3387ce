#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// Every kind of payload by name, composed from named fields: the window's five pages (text,
// mail, bookmark, sms, contact, composed exactly as the pages compose them) and the kinds only
// the command line offers (wifi, vcard). Batches, the single-symbol command line and the window
// all compose through here, so they never differ. Text is UTF-8.
namespace PayloadKinds {

struct Composed {
    std::string payload;
    std::string error; // empty when the payload was composed
};

using Fields = std::map<std::string, std::string>;

// The kind names, sorted.
std::vector<std::string> KindNames();
// The fields of `kind`, in the order its payload takes them; nothing for an unknown kind.
std::optional<std::vector<std::string>> FieldNames(const std::string& kind);
// Whether any kind takes a field of this name.
bool IsFieldOfAnyKind(const std::string& name);

// Missing fields are empty; line breaks become CR LF in every kind. An unknown kind or field, a
// security other than WPA/WEP/nopass, a hidden flag other than true/false, an empty required
// field (text; to; url; phone; name; ssid; name, first or last of a vCard), a WPA or WEP network
// without a password, or an empty payload is an error that says what is valid or missing.
Composed Compose(const std::string& kind, const Fields& fields);

// The same from command-line assignments "NAME=VALUE" (split at the first "="; the value may
// be empty). An assignment without "=" or a field named twice is an error.
Composed ComposeFromAssignments(const std::string& kind,
                                const std::vector<std::string>& assignments);

} // namespace PayloadKinds
