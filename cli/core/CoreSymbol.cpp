#include "cli/core/CoreSymbol.h"

#include "cli/core/ExitStatus.h"
#include "cli/core/SymbolOutput.h"
#include "cli/core/SymbolRun.h"
#include "encoder/clsQRCode.h"
#include "raster/plain/SymbolDrawing.h"
#include "raster/plain/SymbolFiles.h"

#include <optional>

SymbolRun::FileBytes CoreFileBytes(const QRSymbol& symbol, const RenderOptions& render,
                                   FileFormats::Format format) {
    if (!SymbolDrawing::Drawable(symbol, render))
        return {{}, SymbolDrawing::TooLargeText(symbol, render)};
    const SymbolDrawing::Drawing drawing = SymbolDrawing::Draw(symbol, render);
    switch (format) {
    case FileFormats::Format::Svg: return {SymbolFiles::Svg(drawing), {}};
    case FileFormats::Format::Eps: return {SymbolFiles::Eps(drawing), {}};
    default: break;
    }
    std::string png = SymbolFiles::Png(drawing);
    if (png.empty()) return {{}, SymbolFiles::PngFailedText};
    return {std::move(png), {}};
}

namespace {

SymbolRun::FileBytes Encode(const QRSymbol& symbol, const CliOptions& options) {
    return CoreFileBytes(symbol, options.render, OutputFormat(options));
}

} // namespace

int RunCoreSymbol(const CliOptions& options) {
    const PayloadInput::Payload payload = SymbolRun::ReadPayload(options);
    if (payload.status != ExitDone) return SymbolRun::Fail(payload.status, payload.problem);
    if (options.structured)
        return SymbolRun::RunStructured(options, payload.bytes, [&](const QRSymbol& symbol) {
            return Encode(symbol, options);
        });
    clsQRCode encoder;
    const std::optional<QRSymbol> symbol =
        SymbolRun::Encode(encoder, payload.bytes, options.encode, options.eci);
    if (!symbol)
        return SymbolRun::Fail(ExitDoesNotFit,
                               SymbolRun::DoesNotFitMessage(options.encode, payload.bytes.size()));
    if (options.outputFile) SymbolRun::WarnIfInverted(options.render);
    if (options.outputFile)
        if (const int status =
                SymbolRun::WriteOutput(options, [&] { return Encode(*symbol, options); });
            status != ExitDone)
            return status;
    return SymbolRun::PrintText(*symbol, options);
}
