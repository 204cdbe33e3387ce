#include "cli/FieldPayload.h"

#include "cli/Quoted.h"
#include "payload/PayloadKinds.h"

#include <QStringDecoder>

#include <optional>

namespace {

// Field values are the user's bytes; a value that is not UTF-8 is refused rather than guessed at,
// since the symbol would carry replacement characters instead of what was typed.
std::optional<QString> Utf8Text(const std::string& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (decoder.hasError()) return std::nullopt;
    return text;
}

} // namespace

FieldPayload ComposeFieldPayload(const std::string& kind,
                                 const std::vector<std::pair<std::string, std::string>>& fields) {
    QStringList assignments;
    for (const auto& [name, value] : fields) {
        const std::optional<QString> text = Utf8Text(value);
        if (!text) return {{}, "--field " + name + ": the value is not UTF-8"};
        assignments.append(QString::fromLatin1(name) + QLatin1Char('=') + *text);
    }
    const PayloadKinds::Composed composed =
        PayloadKinds::ComposeFromAssignments(QString::fromLatin1(kind), assignments);
    if (!composed.error.isEmpty()) return {{}, EscapedControls(composed.error)};
    const QByteArray utf8 = composed.payload.toUtf8();
    return {std::vector<std::uint8_t>(utf8.begin(), utf8.end()), {}};
}
