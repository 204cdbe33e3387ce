#include "cli/batch/FieldDecoding.h"

namespace {

// Each field is decoded on its own, and a byte-order mark inside the text is content.
constexpr auto FieldFlags =
    QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;

// The longest character of the encodings read byte-wise (UTF-8, GB18030) is four bytes.
constexpr qsizetype LongestCharacter = 4;

} // namespace

QStringDecoder FieldDecoding::decoder() const {
    return QStringDecoder(name_.toLatin1().constData(), FieldFlags);
}

bool FieldDecoding::decodesCleanly(QByteArrayView bytes) const {
    QStringDecoder decoder = this->decoder();
    const QString text = decoder.decode(bytes); // decoding happens when the result is taken
    return !decoder.hasError();
}

std::optional<FieldDecoding> FieldDecoding::Named(const std::string& name) {
    const FieldDecoding decoding(QString::fromStdString(name));
    if (name.empty() || !decoding.decoder().isValid()) return std::nullopt;
    static const QByteArray delimiters = "\",\r\n azAZ09";
    QStringDecoder decoder = decoding.decoder();
    const QString text = decoder.decode(delimiters);
    if (decoder.hasError() || text != QLatin1String(delimiters)) return std::nullopt;
    return decoding;
}

FieldDecoding::Text FieldDecoding::Decode(const CsvField& field) const {
    QStringDecoder decoder = this->decoder();
    Text result{decoder.decode(field.bytes), {}};
    if (!decoder.hasError()) return result;
    result.error = QStringLiteral("invalid %1 at byte %2 of the file")
                       .arg(name_)
                       .arg(field.offset + firstInvalidByte(field.bytes));
    result.text.clear();
    return result;
}

// Where the first bad character starts: the first prefix length that no character's remaining
// bytes can complete into clean text. Once a prefix cannot be completed, no longer one can, so a
// binary search finds it. Only runs on a field already refused.
qsizetype FieldDecoding::firstInvalidByte(const QByteArray& bytes) const {
    const auto completes = [&](qsizetype length) {
        for (qsizetype end = length; end <= std::min(length + LongestCharacter - 1, bytes.size());
             ++end)
            if (decodesCleanly(QByteArrayView(bytes).first(end))) return true;
        return false;
    };
    qsizetype good = 0, bad = bytes.size();
    while (bad - good > 1) {
        const qsizetype middle = good + (bad - good) / 2;
        (completes(middle) ? good : bad) = middle;
    }
    return good;
}
