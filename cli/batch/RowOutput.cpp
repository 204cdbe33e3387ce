#include "RowOutput.h"

#include "SymbolComposition.h"
#include "Verifier.h"
#include "clsQRCode.h"
#include "files/FileAccess.h"

namespace {

QString TooLong(const QByteArray& bytes, const EncodeSettings& settings) {
    return QStringLiteral("the payload (%1 bytes) fits no symbol at level %2%3")
        .arg(bytes.size())
        .arg(QChar(u"LMQH"[settings.ecLevel - 1]))
        .arg(settings.version ? QStringLiteral(" in version %1").arg(settings.version) : QString());
}

const std::uint8_t* Data(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

bool HasLogo(const RowOutputSettings& settings) {
    return settings.compose && settings.paintLogo && !settings.logo.isNull();
}

// The window's 240 × 240 picture; null when the payload fits no symbol.
QImage ComposedPicture(clsQRCode& encoder, const QByteArray& bytes,
                       const RowOutputSettings& settings) {
    const EncodeSettings& e = settings.encode;
    const QImage symbol =
        SymbolComposition::EncodeSymbol(encoder, Data(bytes), static_cast<int>(bytes.size()),
                                        e.version, e.ecLevel, e.maskPattern, HasLogo(settings));
    if (symbol.isNull()) return {};
    return SymbolComposition::Compose(symbol, settings.logo, HasLogo(settings));
}

struct EncodedRow {
    QByteArray bytes;
    QString error;
};

EncodedRow EncodeRow(clsQRCode& encoder, const QByteArray& payload,
                     const RowOutputSettings& settings) {
    ImageExport::Source source;
    std::optional<QRSymbol> symbol;
    if (settings.compose) {
        source.picture = ComposedPicture(encoder, payload, settings);
        if (source.picture.isNull()) return {{}, TooLong(payload, settings.encode)};
    } else {
        const EncodeSettings& e = settings.encode;
        symbol = encoder.EncodeToMatrix(Data(payload), static_cast<int>(payload.size()), e.version,
                                        e.ecLevel, e.maskPattern);
        if (!symbol) return {{}, TooLong(payload, settings.encode)};
        source.symbol = &*symbol;
        source.scale = settings.scale;
        source.margin = settings.margin;
    }
    ImageExport::Encoded file = ImageExport::Encode(source, settings.format);
    if (!file.outcome.written) return {{}, file.outcome.description};
    return {std::move(file.bytes), {}};
}

} // namespace

QString WriteRowFile(clsQRCode& encoder, const QByteArray& payload, const QString& name,
                     const RowOutputSettings& settings, FileAccess::Error* fileError) {
    // The encoder belongs to the worker thread and serves many rows; set it for each one.
    encoder.Eci = settings.eci ? clsQRCode::EciUtf8 : 0;
    const EncodedRow file = EncodeRow(encoder, payload, settings);
    if (!file.error.isEmpty()) return file.error;
    if (settings.verify) {
        const bool svg = settings.format == ImageExport::Format::Svg;
        if (QString problem = VerifyEncodedFile(file.bytes, svg, payload); !problem.isEmpty())
            return problem;
    }
    const std::string path =
        (name + QLatin1Char('.') + ImageExport::ExtensionOf(settings.format)).toStdString();
    // The batch makes every file durable at once before its summary.
    FileAccess::ReplaceOptions options{settings.outDir, FileAccess::Durability::Deferred};
    const FileAccess::Error error = FileAccess::ReplaceFile(
        path, std::string_view(file.bytes.constData(), std::size_t(file.bytes.size())), options);
    if (fileError) *fileError = error;
    if (error.failed()) return QString::fromStdString(FileAccess::Describe(error));
    return {};
}
