#include "cli/SingleSymbol.h"

#include "cli/GuiSession.h"
#include "cli/LogoFile.h"
#include "cli/core/ExitStatus.h"
#include "cli/core/PayloadInput.h"
#include "cli/core/SymbolRun.h"
#include "cli/core/SymbolText.h"
#include "composition/SymbolComposition.h"
#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "files/FileAccess.h"
#include "raster/ImageExport.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

namespace {

using PayloadInput::Payload;
using SymbolRun::Fail;

bool CarriesLogo(const CliOptions& options) {
    return options.compose && options.logoFile.has_value();
}

// The symbol job of this command line: the logo rule applies when the picture carries one.
SymbolJob::Request RequestOf(const std::vector<std::uint8_t>& payload, const CliOptions& options) {
    SymbolJob::Request request;
    request.payload = payload;
    const EncodeSettings& e = options.encode;
    request.options = clsQRCode::OptionsOf(e.version, e.ecLevel, e.maskPattern);
    request.options.allowKanji = e.allowKanji;
    request.options.eci = options.eci ? clsQRCode::EciUtf8 : 0;
    request.withLogo = CarriesLogo(options);
    return request;
}

SymbolRun::FileBytes Encode(const ImageExport::Source& source, const CliOptions& options) {
    const ImageExport::Encoded encoded = ImageExport::Encode(source, OutputFormat(options));
    if (!encoded.outcome.written)
        return {{}, ExportOutcome::EnglishText(encoded.outcome).toStdString()};
    return {encoded.bytes.toStdString(), {}};
}

int WriteImage(const ImageExport::Source& source, const CliOptions& options) {
    return SymbolRun::WriteOutput(options, [&] { return Encode(source, options); });
}

// Returns the exit status; ExitDone when written. A composed picture of a payload that fits
// nothing is the notice, and it is still written.
int WritePicture(const std::optional<QRSymbol>& symbol, const CliOptions& options) {
    ImageExport::Source source;
    static_cast<RenderOptions&>(source) = options.render;
    if (!options.compose) {
        if (!symbol) return ExitDoesNotFit;
        source.symbol = &*symbol;
        return WriteImage(source, options);
    }
    StartGuiSession();
    QImage logo;
    if (options.logoFile) {
        const LogoFile loaded = LoadLogoFile(*options.logoFile);
        if (!loaded.picture) return Fail(ExitBadUsage, loaded.problem);
        logo = *loaded.picture;
    }
    source.picture = SymbolJob::Composed(
        symbol, logo, CarriesLogo(options), SymbolComposition::PictureSide,
        SymbolComposition::ComposedFormat::Palette, {options.render.dark, options.render.light});
    return WriteImage(source, options);
}

} // namespace

int RunSingleSymbol(const CliOptions& options) {
    const Payload payload = SymbolRun::ReadPayload(options);
    if (payload.status != ExitDone) return Fail(payload.status, payload.problem);
    if (options.structured)
        return SymbolRun::RunStructured(options, payload.bytes, [&](const QRSymbol& symbol) {
            ImageExport::Source source;
            static_cast<RenderOptions&>(source) = options.render;
            source.symbol = &symbol;
            return Encode(source, options);
        });
    // Only a composed picture has a logo, and the logo's rule is the symbol job's.
    clsQRCode encoder;
    const std::optional<QRSymbol> symbol =
        options.compose ? SymbolJob::Encode(encoder, RequestOf(payload.bytes, options))
                        : SymbolRun::Encode(encoder, payload.bytes, options.encode, options.eci);
    if (options.outputFile) {
        SymbolRun::WarnIfInverted(options.render);
        const int status = WritePicture(symbol, options);
        if (status == ExitBadUsage) return status;
    }
    if (!symbol)
        return Fail(ExitDoesNotFit,
                    SymbolRun::DoesNotFitMessage(options.encode, payload.bytes.size()));
    return SymbolRun::PrintText(*symbol, options);
}
