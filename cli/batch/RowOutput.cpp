#include "cli/batch/RowOutput.h"

#include "cli/batch/MemoryBudget.h"
#include "cli/batch/Verifier.h"
#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "files/FileAccess.h"

namespace {

QString TooLong(const QByteArray& bytes, const EncodeSettings& settings) {
    return QStringLiteral("the payload (%1 bytes) fits no symbol at level %2%3")
        .arg(bytes.size())
        .arg(QLatin1Char(LevelLetter(LevelOfNumber(settings.ecLevel).value_or(EcLevel::M))))
        .arg(settings.version ? QStringLiteral(" in version %1").arg(settings.version) : QString());
}

bool HasLogo(const RowOutputSettings& settings) {
    return settings.compose && settings.paintLogo && !settings.logo.isNull();
}

// Batches write no Kanji mode: their payloads are UTF-8 text.
SymbolJob::Request RequestOf(const QByteArray& payload, const RowOutputSettings& settings) {
    SymbolJob::Request request;
    request.payload = SymbolJob::BytesOf(payload);
    const EncodeSettings& e = settings.encode;
    request.options = clsQRCode::OptionsOf(e.version, e.ecLevel, e.maskPattern);
    request.options.eci = settings.eci ? clsQRCode::EciUtf8 : 0;
    request.withLogo = HasLogo(settings);
    return request;
}

struct EncodedRow {
    QByteArray bytes;
    QString error;
    MemoryBudget::Share memory; // held until the file is placed
};

// The composed picture's side.
constexpr qint64 ComposedSide = 240;

QString TooBigForTheBudget(std::size_t need, std::size_t budget) {
    const auto megabytes = [](std::size_t bytes) {
        return qulonglong((bytes + (1 << 20) - 1) >> 20);
    };
    return QStringLiteral("the picture needs about %1 MB, more than the %2 MB this batch may use "
                          "at once (try a smaller --scale or --format png)")
        .arg(megabytes(need))
        .arg(megabytes(budget));
}

EncodedRow EncodeRow(clsQRCode& encoder, const QByteArray& payload,
                     const RowOutputSettings& settings) {
    ImageExport::Source source;
    std::optional<QRSymbol> symbol;
    MemoryBudget::Share memory;
    const auto takeMemoryFor = [&](qint64 side) {
        if (!settings.budget) return true;
        const std::size_t need = RowMemoryNeed(side, settings.format, settings.verify);
        std::optional<MemoryBudget::Share> share = settings.budget->Take(need);
        if (share) memory = std::move(*share);
        return share.has_value();
    };
    if (settings.compose) {
        if (!takeMemoryFor(ComposedSide))
            return {
                {},
                TooBigForTheBudget(RowMemoryNeed(ComposedSide, settings.format, settings.verify),
                                   settings.budget->Total()),
                {}};
        SymbolJob::Made made =
            SymbolJob::Make(encoder, RequestOf(payload, settings), settings.logo);
        if (!made.symbol) return {{}, TooLong(payload, settings.encode), {}};
        source.picture = std::move(made.composed);
    } else {
        symbol = SymbolJob::Encode(encoder, RequestOf(payload, settings));
        if (!symbol) return {{}, TooLong(payload, settings.encode), {}};
        source.symbol = &*symbol;
        source.scale = settings.scale;
        source.margin = settings.margin;
        const qint64 side = qint64(symbol->side() + 2 * settings.margin) * settings.scale;
        if (!takeMemoryFor(side))
            return {{},
                    TooBigForTheBudget(RowMemoryNeed(side, settings.format, settings.verify),
                                       settings.budget->Total()),
                    {}};
    }
    ImageExport::Encoded file = ImageExport::Encode(source, settings.format);
    if (!file.outcome.written) return {{}, ExportOutcome::EnglishText(file.outcome), {}};
    return {std::move(file.bytes), {}, std::move(memory)};
}

} // namespace

std::size_t RowMemoryNeed(qint64 side, ImageExport::Format format, bool verify) {
    // Peak bytes per picture pixel as measured per writer: the 1-bit picture, its conversion to
    // the writer's pixel format and the encoded file growing in memory.
    const auto perPixel = [format]() -> double {
        switch (format) {
        case ImageExport::Format::Png: return 1;
        case ImageExport::Format::Gif: return 3;
        case ImageExport::Format::Jpeg: return 5;
        case ImageExport::Format::Tiff: return 7;
        case ImageExport::Format::Bmp: return 8;
        case ImageExport::Format::Svg: return 0.25;
        }
        return 8;
    };
    // Reading back draws the picture in 32-bit colour and a grey copy for the decoder.
    const double verifying = verify ? 6 : 0;
    constexpr double Fixed = 16 << 20; // encoder tables, compressor state, small buffers
    const double pixels = double(std::max<qint64>(side, 0)) * double(std::max<qint64>(side, 0));
    return static_cast<std::size_t>(Fixed + pixels * (perPixel() + verifying));
}

QString WriteRowFile(clsQRCode& encoder, const QByteArray& payload, const QString& name,
                     const RowOutputSettings& settings, FileAccess::Error* fileError) {
    const EncodedRow file = EncodeRow(encoder, payload, settings);
    if (!file.error.isEmpty()) return file.error;
    if (settings.verify) {
        if (QString problem = VerifyEncodedFile(file.bytes, payload); !problem.isEmpty())
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
