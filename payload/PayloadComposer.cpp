#include "payload/PayloadComposer.h"

namespace PayloadComposer {
namespace {

std::string FieldAt(const std::vector<std::string>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string();
}

// Only U+0020 is trimmed: tabs and line breaks are content.
std::string TrimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A field as every record carries it: line breaks as CR LF, separators escaped.
std::string RecordValue(const std::string& value) {
    return EscapeRecordValue(WithCrLfLineBreaks(value));
}

std::string ComposeWifi(const std::vector<std::string>& f) {
    const WifiSecurity security =
        WifiPayload::SecurityNamed(FieldAt(f, 2)).value_or(WifiSecurity::Wpa);
    return Wifi(FieldAt(f, 0), FieldAt(f, 1), security, FieldAt(f, 3) == "true");
}

} // namespace

std::string WithCrLfLineBreaks(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            result += c;
            continue;
        }
        result += "\r\n";
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return result;
}

std::string EscapeRecordValue(const std::string& value) {
    std::string escaped;
    escaped.reserve(value.size() * 2);
    for (const char c : value) {
        if (c == '\\' || c == ';' || c == ':') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string UnescapeRecordValue(const std::string& value) {
    std::string plain;
    plain.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        plain += value[i];
    }
    return plain;
}

std::string Text(const std::string& text) {
    return WithCrLfLineBreaks(text);
}

std::string Mail(const std::string& to, const std::string& subject, const std::string& body) {
    return "MAIL:TO:" + RecordValue(to) + ";SUB:" + RecordValue(subject) +
           ";TXT:" + RecordValue(body) + ";;ZRQub";
}

std::string Bookmark(const std::string& title, const std::string& url) {
    return "MEBKM:TITLE:" + RecordValue(title) + ";URL:" + TrimSpaces(RecordValue(url)) + ";;";
}

std::string Sms(const std::string& phone, const std::string& text) {
    return "SMS:SM:" + RecordValue(phone) + ";TXT:" + RecordValue(text) + ";;ZRQub";
}

std::string Contact(const std::string& name, const std::string& company, const std::string& mobile,
                    const std::string& title, const std::string& note, const std::string& email,
                    const std::string& address) {
    return "MECARD:N:" + RecordValue(name) + ";ORG:" + RecordValue(company) +
           ";TEL:TYPE=cell:" + RecordValue(mobile) + ";TITLE:" + RecordValue(title) +
           ";NOTE:" + RecordValue(note) + ";EMAIL:" + RecordValue(email) +
           ";ADR:" + RecordValue(address) + ";;";
}

std::string Wifi(const std::string& ssid, const std::string& password, WifiSecurity security,
                 bool hidden) {
    return WifiPayload::Compose(WithCrLfLineBreaks(ssid), WithCrLfLineBreaks(password), security,
                                hidden);
}

std::string Compose(int page, const std::vector<std::string>& f) {
    switch (page) {
    case TextPage: return Text(FieldAt(f, 0));
    case MailPage: return Mail(FieldAt(f, 0), FieldAt(f, 1), FieldAt(f, 2));
    case BookmarkPage: return Bookmark(FieldAt(f, 0), FieldAt(f, 1));
    case SmsPage: return Sms(FieldAt(f, 0), FieldAt(f, 1));
    case ContactPage:
        return Contact(FieldAt(f, 0), FieldAt(f, 1), FieldAt(f, 2), FieldAt(f, 3), FieldAt(f, 4),
                       FieldAt(f, 5), FieldAt(f, 6));
    case WifiPage: return ComposeWifi(f);
    default: return {};
    }
}

} // namespace PayloadComposer
