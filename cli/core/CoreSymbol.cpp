#include "cli/core/CoreSymbol.h"

#include "cli/ExitStatus.h"
#include "cli/SymbolText.h"
#include "cli/core/PayloadInput.h"
#include "cli/core/SymbolOutput.h"
#include "cli/core/TerminalText.h"
#include "encoder/clsQRCode.h"
#include "files/FileAccess.h"
#include "raster/plain/SymbolFiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

using CoreCommandLine::FileFormat;
using CoreCommandLine::Request;

int Fail(int status, const std::string& message) {
    TerminalText::PrintError(message);
    return status;
}

PayloadInput::Payload PayloadOf(const Request& request) {
    if (request.inputFile) return PayloadInput::FromFile(*request.inputFile);
    if (request.text && *request.text != "-")
        return PayloadInput::Payload{
            std::vector<std::uint8_t>(request.text->begin(), request.text->end()), ExitDone, {}};
    return PayloadInput::FromStandardInput();
}

// The file's bytes, or why there are none.
struct FileBytes {
    std::string bytes;
    std::string problem;
};

FileBytes Encode(const QRSymbol& symbol, const Request& request) {
    if (!SymbolFiles::Drawable(symbol, request.scale, request.margin))
        return {{}, SymbolFiles::TooLargeText(symbol, request.scale, request.margin)};
    if (request.outputFormat == FileFormat::Svg)
        return {SymbolFiles::Svg(symbol, request.scale, request.margin), {}};
    std::string png = SymbolFiles::Png(symbol, request.scale, request.margin);
    if (png.empty()) return {{}, SymbolFiles::PngFailedText};
    return {std::move(png), {}};
}

// One file of a one-shot command is not synced, as no Unix tool syncs it: the rename makes the
// replacement whole or nothing, and a sync would cost more than the whole run.
FileAccess::Error PlaceFile(const std::string& file, const std::string& bytes) {
    FileAccess::ReplaceOptions options;
    options.durability = FileAccess::Durability::Deferred;
    return FileAccess::ReplaceFile(file, bytes, options);
}

int WritePicture(const QRSymbol& symbol, const Request& request) {
    const std::string& file = *request.outputFile;
    const bool standardOutput = file == "-";
    if (standardOutput && ::isatty(STDOUT_FILENO))
        return Fail(ExitBadUsage, "-o - writes a picture; send standard output to a file or pipe");
    const FileBytes encoded = Encode(symbol, request);
    if (!encoded.problem.empty())
        return Fail(ExitBadUsage,
                    "cannot write " +
                        (standardOutput ? "standard output" : FileAccess::QuotedName(file)) + ": " +
                        encoded.problem);
    const FileAccess::Error error = standardOutput
                                        ? FileAccess::WriteAll(STDOUT_FILENO, encoded.bytes)
                                        : PlaceFile(file, encoded.bytes);
    if (error.failed()) return Fail(ExitBadUsage, FileAccess::Describe(error));
    return ExitDone;
}

std::string TextOf(const QRSymbol& symbol, const Request& request) {
    std::string text;
    if (request.printInfo) text += SymbolText::InfoLine(symbol);
    if (request.printMatrix) text += SymbolText::MatrixLines(symbol);
    if (!request.printInfo && !request.printMatrix && !request.outputFile)
        text += SymbolOutput::TerminalArt(symbol, request.terminalStyle, request.margin);
    return text;
}

int PrintText(const QRSymbol& symbol, const Request& request) {
    errno = 0; // the failing write's reason (EFBIG, ENOSPC, EPIPE) is all the stream keeps
    const std::string text = TextOf(symbol, request);
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail(ExitBadUsage,
                    "cannot write standard output" +
                        (errno != 0 ? ": " + std::string(std::strerror(errno)) : std::string()));
    return ExitDone;
}

} // namespace

int RunCoreSymbol(const Request& request) {
    const PayloadInput::Payload payload = PayloadOf(request);
    if (payload.status != ExitDone) return Fail(payload.status, payload.problem);
    EncodeOptions options =
        clsQRCode::OptionsOf(request.version, request.ecLevel, request.maskPattern);
    options.allowKanji = request.allowKanji;
    options.eci = request.eci ? clsQRCode::EciUtf8 : 0;
    clsQRCode encoder;
    const std::optional<QRSymbol> symbol = encoder.EncodeToMatrix(
        payload.bytes.data(), static_cast<int>(payload.bytes.size()), options);
    if (!symbol)
        return Fail(ExitDoesNotFit,
                    SymbolOutput::DoesNotFitMessage(request.ecLevel, request.version));
    if (request.outputFile)
        if (const int status = WritePicture(*symbol, request); status != ExitDone) return status;
    return PrintText(*symbol, request);
}
