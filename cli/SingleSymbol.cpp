#include "cli/SingleSymbol.h"

#include "cli/ExitStatus.h"
#include "cli/FieldPayload.h"
#include "cli/GuiSession.h"
#include "cli/LogoFile.h"
#include "cli/SymbolText.h"
#include "cli/core/PayloadInput.h"
#include "cli/core/TerminalText.h"
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

int Fail(int status, const std::string& message) {
    TerminalText::PrintError(message);
    return status;
}

std::string SystemError(int number) {
    return std::strerror(number);
}

// The payload's bytes, or the exit status and message of why there are none.
using PayloadInput::Payload;

Payload Refused(int status, std::string problem) {
    return Payload{{}, status, std::move(problem)};
}

Payload ComposedPayload(const CliOptions& options) {
    FieldPayload composed = ComposeFieldPayload(options.kind, options.fields);
    if (!composed.error.empty()) return Refused(ExitBadUsage, composed.error);
    return Payload{std::move(composed.bytes), ExitDone, {}};
}

Payload PayloadOf(const CliOptions& options) {
    if (options.composeFields) return ComposedPayload(options);
    if (options.inputFile) return PayloadInput::FromFile(*options.inputFile);
    if (options.text && *options.text != "-")
        return Payload{
            std::vector<std::uint8_t>(options.text->begin(), options.text->end()), ExitDone, {}};
    return PayloadInput::FromStandardInput();
}

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

// libpng reports a damaged file (a bad checksum inside it, say) by printing to stderr itself,
// past Qt's message handler; our own one-line message says the same, so stderr is closed to it
// for the time of the load.
class StandardErrorSilenced {
  public:
    StandardErrorSilenced() : saved_(::dup(STDERR_FILENO)) {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~StandardErrorSilenced() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StandardErrorSilenced(const StandardErrorSilenced&) = delete;
    StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;

  private:
    int saved_;
};

// The logo through the window's own loader, which also refuses FIFOs and devices unread.
LogoFile LoadLogo(const std::string& fileName) {
    const StandardErrorSilenced quiet;
    return LoadLogoFile(fileName);
}

ImageExport::Format OutputFormat(const CliOptions& options) {
    // The command line has already refused names and types that are no format.
    if (*options.outputFile == "-")
        return *ImageExport::FormatNamed(
            QString::fromStdString(options.outputType.value_or("png")));
    return *ImageExport::FormatOfFileName(QFile::decodeName(options.outputFile->c_str()));
}

int WriteImage(const ImageExport::Source& source, const CliOptions& options) {
    const std::string& file = *options.outputFile;
    const bool standardOutput = file == "-";
    if (standardOutput && ::isatty(STDOUT_FILENO))
        return Fail(ExitBadUsage, "-o - writes a picture; send standard output to a file or pipe");
    const ImageExport::Encoded encoded = ImageExport::Encode(source, OutputFormat(options));
    if (!encoded.outcome.written)
        return Fail(ExitBadUsage,
                    "cannot write " +
                        (standardOutput ? "standard output" : FileAccess::QuotedName(file)) + ": " +
                        ExportOutcome::EnglishText(encoded.outcome).toStdString());
    const std::string_view bytes(encoded.bytes.constData(),
                                 static_cast<std::size_t>(encoded.bytes.size()));
    const FileAccess::Error error = standardOutput ? FileAccess::WriteAll(STDOUT_FILENO, bytes)
                                                   : FileAccess::ReplaceFile(file, bytes);
    if (error.failed()) return Fail(ExitBadUsage, FileAccess::Describe(error));
    return ExitDone;
}

// Returns the exit status; ExitDone when written. A composed picture of a payload that fits
// nothing is the notice, and it is still written.
int WritePicture(const std::optional<QRSymbol>& symbol, const CliOptions& options) {
    ImageExport::Source source;
    source.scale = options.scale;
    source.margin = options.margin;
    if (!options.compose) {
        if (!symbol) return ExitDoesNotFit;
        source.symbol = &*symbol;
        return WriteImage(source, options);
    }
    StartGuiSession();
    QImage logo;
    if (options.logoFile) {
        const LogoFile loaded = LoadLogo(*options.logoFile);
        if (!loaded.picture) return Fail(ExitBadUsage, loaded.problem);
        logo = *loaded.picture;
    }
    source.picture = SymbolJob::Composed(symbol, logo, CarriesLogo(options));
    return WriteImage(source, options);
}

} // namespace

int RunSingleSymbol(const CliOptions& options) {
    const Payload payload = PayloadOf(options);
    if (payload.status != ExitDone) return Fail(payload.status, payload.problem);
    clsQRCode encoder;
    const std::optional<QRSymbol> symbol =
        SymbolJob::Encode(encoder, RequestOf(payload.bytes, options));
    if (options.outputFile) {
        const int status = WritePicture(symbol, options);
        if (status == ExitBadUsage) return status;
    }
    if (!symbol)
        return Fail(ExitDoesNotFit, SymbolOutput::DoesNotFitMessage(options.encode.ecLevel,
                                                                    options.encode.version));
    errno = 0; // the failing write's reason (EFBIG, ENOSPC, EPIPE) is all the stream keeps
    if (options.printInfo) std::cout << SymbolText::InfoLine(*symbol);
    if (options.printMatrix) std::cout << SymbolText::MatrixLines(*symbol);
    if (!options.printInfo && !options.printMatrix && !options.outputFile)
        std::cout << SymbolOutput::TerminalArt(*symbol, options.terminalStyle, options.margin);
    std::cout.flush();
    if (!std::cout)
        return Fail(ExitBadUsage, "cannot write standard output" +
                                      (errno != 0 ? ": " + SystemError(errno) : std::string()));
    return ExitDone;
}
