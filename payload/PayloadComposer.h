#pragma once

#include "payload/WifiPayload.h"

#include <string>
#include <vector>

// The payload text of each content page, built from the page's field texts (PayloadReader reads
// them back). All text is UTF-8; every rule below is about ASCII bytes, so no character is ever
// split. Every line break of every field (CR LF, CR or LF) enters the payload as CR LF, the way
// the window's multi-line boxes hold it, whichever way the field came in. The fields of the
// mail, bookmark, SMS and contact records are escaped, so that no field can end its own value or
// start another key.
namespace PayloadComposer {

std::string Text(const std::string& text);
std::string Mail(const std::string& to, const std::string& subject, const std::string& body);
std::string Bookmark(const std::string& title, const std::string& url);
std::string Sms(const std::string& phone, const std::string& text);
std::string Contact(const std::string& name, const std::string& company, const std::string& mobile,
                    const std::string& title, const std::string& note, const std::string& email,
                    const std::string& address);
// The Wi-Fi network record of WifiPayload, its fields' line breaks as CR LF like every record's.
std::string Wifi(const std::string& ssid, const std::string& password, WifiSecurity security,
                 bool hidden);

// Every line break (CR LF, a lone CR or a lone LF) as CR LF.
std::string WithCrLfLineBreaks(const std::string& text);

// Backslash before "\", ";" and ":", the convention of MECARD and MEBKM readers.
std::string EscapeRecordValue(const std::string& value);
// Drops each escaping backslash, keeping the character it escapes: the inverse of
// EscapeRecordValue and of WifiPayload::EscapeValue alike.
std::string UnescapeRecordValue(const std::string& value);

// The pages of the window, by index (the About page after them composes nothing).
enum Page { TextPage, MailPage, BookmarkPage, SmsPage, ContactPage, WifiPage, PageCount };

// page 0–5 with its fields in the order they enter the payload; the Wi-Fi page's are the network
// name, the password, the security as the record names it ("WPA", "WEP", "nopass"; anything
// else is WPA) and "true" for a hidden network. Any other page gives an empty payload, missing
// fields are empty.
std::string Compose(int page, const std::vector<std::string>& fields);

} // namespace PayloadComposer
