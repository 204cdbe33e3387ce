#include "cli/batch/RowOutput.h"

#include "cli/core/CoreSymbol.h"
#include "cli/core/SymbolRun.h"
#include "composition/SymbolComposition.h"
#include "composition/SymbolJob.h"
#include "raster/ImageExport.h"
#include "raster/plain/SymbolDrawing.h"

namespace {

// The composed picture's side.
constexpr std::int64_t ComposedSide = 240;

std::span<const std::uint8_t> BytesOf(const std::string& payload) {
    return {reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()};
}

// The window's picture (batches write no Kanji mode: their payloads are UTF-8 text).
bool Compose(clsQRCode& encoder, const std::string& payload, const RowOutputSettings& settings,
             const RowPictureSettings& picture, EncodedRow& row, ImageExport::Source& source) {
    if (!TakeRowMemory(settings, ComposedSide, row)) return false;
    SymbolJob::Request request;
    request.payload = BytesOf(payload);
    const EncodeSettings& e = settings.encode;
    request.options = clsQRCode::OptionsOf(e.version, e.ecLevel, e.maskPattern);
    request.options.eci = settings.eci ? clsQRCode::EciUtf8 : 0;
    request.withLogo = !picture.logo.isNull();
    SymbolJob::Made made = SymbolJob::Make(
        encoder, request, picture.logo, SymbolComposition::PictureSide,
        SymbolComposition::ComposedFormat::Palette, {settings.render.dark, settings.render.light});
    if (!made.symbol) {
        row.error = SymbolRun::DoesNotFitMessage(settings.encode, payload.size());
        return false;
    }
    row.symbol = std::move(made.symbol);
    source.picture = std::move(made.composed);
    return true;
}

} // namespace

EncodedRow EncodeFullRow(clsQRCode& encoder, const std::string& payload,
                         const RowOutputSettings& settings, const RowPictureSettings& picture) {
    if (!picture.compose && FileFormats::RowOf(settings.format).core)
        return EncodePlainRow(encoder, payload, settings);
    EncodedRow row;
    ImageExport::Source source;
    if (picture.compose) {
        if (!Compose(encoder, payload, settings, picture, row, source)) return row;
    } else {
        row.symbol = EncodeRowSymbol(encoder, payload, settings, row);
        if (!row.symbol ||
            !TakeRowMemory(settings, SymbolDrawing::PictureSide(*row.symbol, settings.render), row))
            return row;
        source.symbol = &*row.symbol;
        static_cast<RenderOptions&>(source) = settings.render;
    }
    ImageExport::Encoded file = ImageExport::Encode(source, settings.format);
    if (!file.outcome.written) {
        row.error = ExportOutcome::EnglishText(file.outcome).toStdString();
        return row;
    }
    row.bytes = file.bytes.toStdString();
    return row;
}
