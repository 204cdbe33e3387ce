#include "cli/core/SymbolRun.h"

#include "cli/core/ExitStatus.h"
#include "cli/core/SymbolOutput.h"
#include "cli/core/SymbolText.h"
#include "cli/core/TerminalText.h"
#include "encoder/clsQRCode.h"
#include "files/FileAccess.h"
#include "raster/plain/ColourContrast.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace SymbolRun {

int Fail(int status, const std::string& message) {
    TerminalText::PrintError(message);
    return status;
}

std::optional<QRSymbol> Encode(clsQRCode& encoder, std::span<const std::uint8_t> payload,
                               const EncodeSettings& settings, bool eci) {
    const int count = static_cast<int>(payload.size());
    const EcLevel level = LevelOfNumber(settings.ecLevel).value_or(EcLevel::M);
    if (settings.micro)
        return encoder.EncodeMicro(
            payload.data(), count,
            MicroOptions{settings.version, level, settings.maskPattern, settings.allowKanji});
    EncodeOptions options =
        clsQRCode::OptionsOf(settings.version, settings.ecLevel, settings.maskPattern);
    options.allowKanji = settings.allowKanji;
    options.eci = eci ? clsQRCode::EciUtf8 : 0;
    return encoder.EncodeToMatrix(payload.data(), count, options);
}

std::string DoesNotFitMessage(const EncodeSettings& settings, std::size_t payloadBytes) {
    const char level = LevelLetter(LevelOfNumber(settings.ecLevel).value_or(EcLevel::M));
    const std::string kind = settings.micro ? "Micro QR symbol" : "symbol";
    const std::string versions = settings.version == 0 ? "any version"
                                 : settings.micro      ? "M" + std::to_string(settings.version)
                                                  : "version " + std::to_string(settings.version);
    return "the payload (" + std::to_string(payloadBytes) + " bytes) fits no " + kind +
           " at level " + level + " in " + versions;
}

PayloadInput::Payload ReadPayload(const CliOptions& options) {
    if (options.inputFile) return PayloadInput::FromFile(*options.inputFile);
    if (options.text && *options.text != "-")
        return PayloadInput::Payload{
            std::vector<std::uint8_t>(options.text->begin(), options.text->end()), ExitDone, {}};
    return PayloadInput::FromStandardInput();
}

int WriteOutput(const CliOptions& options, const std::function<FileBytes()>& encode) {
    const std::string& file = *options.outputFile;
    const bool standardOutput = file == "-";
    if (standardOutput && ::isatty(STDOUT_FILENO))
        return Fail(ExitBadUsage, "-o - writes a picture; send standard output to a file or pipe");
    const FileBytes encoded = encode();
    if (!encoded.problem.empty())
        return Fail(ExitBadUsage,
                    "cannot write " +
                        (standardOutput ? "standard output" : FileAccess::QuotedName(file)) + ": " +
                        encoded.problem);
    FileAccess::ReplaceOptions placing;
    placing.durability = FileAccess::Durability::Deferred; // the rename alone makes it whole
    const FileAccess::Error error = standardOutput
                                        ? FileAccess::WriteAll(STDOUT_FILENO, encoded.bytes)
                                        : FileAccess::ReplaceFile(file, encoded.bytes, placing);
    if (error.failed()) return Fail(ExitBadUsage, FileAccess::Describe(error));
    return ExitDone;
}

void WarnIfInverted(const RenderOptions& render) {
    if (Inverted(render.dark, render.light))
        TerminalText::PrintError("note: the modules are lighter than the background (" +
                                 HexOf(render.dark) + " on " + HexOf(render.light) +
                                 "); some readers cannot read inverted symbols");
}

int PrintText(const QRSymbol& symbol, const CliOptions& options) {
    std::string text;
    if (options.printInfo) text += SymbolText::InfoLine(symbol);
    if (options.printMatrix) text += SymbolText::MatrixLines(symbol);
    if (!options.printInfo && !options.printMatrix && !options.outputFile)
        text += SymbolOutput::TerminalArt(symbol, options.terminalStyle, options.render.margin);
    errno = 0; // the failing write's reason (EFBIG, ENOSPC, EPIPE) is all the stream keeps
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail(ExitBadUsage,
                    "cannot write standard output" +
                        (errno != 0 ? ": " + std::string(std::strerror(errno)) : std::string()));
    return ExitDone;
}

} // namespace SymbolRun
