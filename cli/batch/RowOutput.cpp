#include "cli/batch/RowOutput.h"

#include "cli/batch/MemoryBudget.h"
#include "cli/batch/Verifier.h"
#include "cli/core/SymbolRun.h"
#include "cli/core/SymbolText.h"
#include "composition/SymbolComposition.h"
#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "files/FileAccess.h"
#include "raster/plain/SymbolDrawing.h"

namespace {

QString TooLong(const QByteArray& bytes, const EncodeSettings& settings) {
    return QString::fromStdString(SymbolRun::DoesNotFitMessage(settings, bytes.size()));
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
    std::string version;        // of the symbol drawn, as --info names it
    std::string level;
    std::optional<QRSymbol> symbol;
};

EncodedRow Failed(QString error) {
    EncodedRow row;
    row.error = std::move(error);
    return row;
}

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
            return Failed(
                TooBigForTheBudget(RowMemoryNeed(ComposedSide, settings.format, settings.verify),
                                   settings.budget->Total()));
        SymbolJob::Made made = SymbolJob::Make(encoder, RequestOf(payload, settings), settings.logo,
                                               SymbolComposition::PictureSide,
                                               SymbolComposition::ComposedFormat::Palette,
                                               {settings.render.dark, settings.render.light});
        if (!made.symbol) return Failed(TooLong(payload, settings.encode));
        symbol = std::move(made.symbol);
        source.picture = std::move(made.composed);
    } else {
        EncodeSettings encode = settings.encode;
        encode.allowKanji = false;
        symbol = SymbolRun::Encode(encoder, SymbolJob::BytesOf(payload), encode, settings.eci);
        if (!symbol) return Failed(TooLong(payload, settings.encode));
        source.symbol = &*symbol;
        static_cast<RenderOptions&>(source) = settings.render;
        const qint64 side = SymbolDrawing::PictureSide(*symbol, settings.render);
        if (!takeMemoryFor(side))
            return Failed(TooBigForTheBudget(RowMemoryNeed(side, settings.format, settings.verify),
                                             settings.budget->Total()));
    }
    ImageExport::Encoded file = ImageExport::Encode(source, settings.format);
    if (!file.outcome.written) return Failed(ExportOutcome::EnglishText(file.outcome));
    return {
        std::move(file.bytes),          {},    std::move(memory), SymbolText::VersionName(*symbol),
        SymbolText::LevelName(*symbol), symbol};
}

} // namespace

std::size_t RowMemoryNeed(qint64 side, FileFormats::Format format, bool verify) {
    // Peak bytes per picture pixel as measured per writer: the 1-bit picture, its conversion to
    // the writer's pixel format and the encoded file growing in memory.
    const auto perPixel = [format]() -> double {
        using FileFormats::Format;
        switch (format) {
        case Format::Png: return 1;
        case Format::Gif: return 3;
        case Format::Jpeg: return 5;
        case Format::Tiff: return 7;
        case Format::Bmp: return 8;
        case Format::Svg:
        case Format::Eps: return 0.25;
        case Format::Pdf: return 0.5;
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
                     const RowOutputSettings& settings, FileAccess::Error* fileError,
                     RowFacts* facts) {
    const EncodedRow file = EncodeRow(encoder, payload, settings);
    if (!file.error.isEmpty()) return file.error;
    if (facts) *facts = {file.version, file.level, false, {}, file.symbol};
    if (settings.verify) {
        if (QString problem = VerifyEncodedFile(file.bytes, payload); !problem.isEmpty())
            return problem;
        if (facts) facts->verified = true;
    }
    const std::string path = name.toStdString() + '.' +
                             std::string(FileFormats::RowOf(settings.format).extensions.front());
    // The batch makes every file durable at once before its summary.
    FileAccess::ReplaceOptions options{settings.outDir, FileAccess::Durability::Deferred};
    const FileAccess::Error error = FileAccess::ReplaceFile(
        path, std::string_view(file.bytes.constData(), std::size_t(file.bytes.size())), options);
    if (fileError) *fileError = error;
    if (error.failed()) return QString::fromStdString(FileAccess::Describe(error));
    if (facts) facts->file = path;
    return {};
}
