#include "cli/core/CoreSymbol.h"

#include "cli/core/ExitStatus.h"
#include "cli/core/SymbolOutput.h"
#include "cli/core/SymbolRun.h"
#include "encoder/clsQRCode.h"
#include "raster/plain/SymbolFiles.h"

#include <optional>

namespace {

using SymbolRun::FileBytes;

FileBytes Encode(const QRSymbol& symbol, const CliOptions& options) {
    const RenderOptions& render = options.render;
    if (!SymbolFiles::Drawable(symbol, render.scale, render.margin))
        return {{}, SymbolFiles::TooLargeText(symbol, render.scale, render.margin)};
    if (OutputFormat(options) == FileFormats::Format::Svg)
        return {SymbolFiles::Svg(symbol, render.scale, render.margin), {}};
    std::string png = SymbolFiles::Png(symbol, render.scale, render.margin);
    if (png.empty()) return {{}, SymbolFiles::PngFailedText};
    return {std::move(png), {}};
}

} // namespace

int RunCoreSymbol(const CliOptions& options) {
    const PayloadInput::Payload payload = SymbolRun::ReadPayload(options);
    if (payload.status != ExitDone) return SymbolRun::Fail(payload.status, payload.problem);
    const EncodeSettings& e = options.encode;
    EncodeOptions encoding = clsQRCode::OptionsOf(e.version, e.ecLevel, e.maskPattern);
    encoding.allowKanji = e.allowKanji;
    encoding.eci = options.eci ? clsQRCode::EciUtf8 : 0;
    clsQRCode encoder;
    const std::optional<QRSymbol> symbol = encoder.EncodeToMatrix(
        payload.bytes.data(), static_cast<int>(payload.bytes.size()), encoding);
    if (!symbol)
        return SymbolRun::Fail(ExitDoesNotFit,
                               SymbolOutput::DoesNotFitMessage(e.ecLevel, e.version));
    if (options.outputFile)
        if (const int status =
                SymbolRun::WriteOutput(options, [&] { return Encode(*symbol, options); });
            status != ExitDone)
            return status;
    return SymbolRun::PrintText(*symbol, options);
}
