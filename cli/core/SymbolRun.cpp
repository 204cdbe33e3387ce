#include "cli/core/SymbolRun.h"

#include "cli/core/ExitStatus.h"
#include "cli/core/FieldPayload.h"
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
#include <utility>
#include <vector>

namespace SymbolRun {

int Fail(int status, const std::string& message) {
    TerminalText::PrintError(message);
    return status;
}

std::optional<QRSymbol> Encode(clsQRCode& encoder, std::span<const std::uint8_t> payload,
                               const EncodeSettings& settings, bool eci) {
    const int count = static_cast<int>(payload.size());
    const EcLevel level = LevelOfNumber(settings.ecLevel).value_or(EcLevel::M);
    if (settings.rmqr)
        return encoder.EncodeRmqr(payload.data(), count,
                                  RmqrOptions{settings.version, level, settings.allowKanji});
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
    const std::string kind = settings.micro  ? "Micro QR symbol"
                             : settings.rmqr ? "rMQR symbol"
                                             : "symbol";
    const std::string versions =
        settings.version == 0 ? (settings.rmqr ? "any size" : "any version")
        : settings.micro      ? "M" + std::to_string(settings.version)
        : settings.rmqr ? "R" + std::to_string(clsQRCode::RmqrHeight(settings.version)) + "x" +
                              std::to_string(clsQRCode::RmqrWidth(settings.version))
                        : "version " + std::to_string(settings.version);
    return "the payload (" + std::to_string(payloadBytes) + " bytes) fits no " + kind +
           " at level " + level + " in " + versions;
}

PayloadInput::Payload ReadPayload(const CliOptions& options) {
    if (options.composeFields) {
        FieldPayload composed = ComposeFieldPayload(options.kind, options.fields);
        if (!composed.error.empty())
            return PayloadInput::Payload{{}, ExitBadUsage, std::move(composed.error)};
        return PayloadInput::Payload{std::move(composed.bytes), ExitDone, {}};
    }
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

namespace {

// What --info, --matrix or the terminal art show of one symbol; `part` begins its info line.
std::string TextOf(const QRSymbol& symbol, const CliOptions& options, const std::string& part) {
    std::string text;
    if (options.printInfo) text += part + SymbolText::InfoLine(symbol);
    if (options.printMatrix) text += SymbolText::MatrixLines(symbol);
    if (!options.printInfo && !options.printMatrix && !options.outputFile)
        text += SymbolOutput::TerminalArt(symbol, options.terminalStyle, options.render.margin);
    return text;
}

int WriteText(const std::string& text);

} // namespace

int PrintText(const QRSymbol& symbol, const CliOptions& options) {
    return WriteText(TextOf(symbol, options, {}));
}

namespace {

int WriteText(const std::string& text) {
    errno = 0; // the failing write's reason (EFBIG, ENOSPC, EPIPE) is all the stream keeps
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail(ExitBadUsage,
                    "cannot write standard output" +
                        (errno != 0 ? ": " + std::string(std::strerror(errno)) : std::string()));
    return ExitDone;
}

constexpr int MaxSequenceSymbols = 16;

// The longest part from `start` that one symbol holds (0: not even one byte), found by halving:
// a shorter part never needs more bits. The cut moves back to the start of a UTF-8 character
// it would split, so that readers showing each part alone show whole characters.
std::size_t LongestPart(clsQRCode& encoder, std::span<const std::uint8_t> payload,
                        std::size_t start, const EncodeOptions& options) {
    const auto fits = [&](std::size_t length) {
        return encoder.EncodeToMatrix(payload.data() + start, static_cast<int>(length), options)
            .has_value();
    };
    std::size_t low = 0, high = payload.size() - start;
    if (!fits(0)) return 0;
    while (low < high) {
        const std::size_t middle = low + (high - low + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    // A UTF-8 character is at most four bytes: at most three continuation bytes to step back
    // over. Anything else is no character to keep whole.
    std::size_t cut = low;
    for (int step = 0; step < 3 && cut > 1 && start + cut < payload.size() &&
                       (payload[start + cut] & 0xC0) == 0x80;
         ++step)
        --cut;
    const bool splitsCharacter =
        start + cut < payload.size() && (payload[start + cut] & 0xC0) == 0x80;
    return splitsCharacter ? low : cut;
}

// The parts' [start, end) ranges, as many as the payload needs; empty when the version cannot
// hold even one byte of it.
std::vector<std::pair<std::size_t, std::size_t>>
SequenceParts(clsQRCode& encoder, std::span<const std::uint8_t> payload,
              const EncodeOptions& options) {
    std::vector<std::pair<std::size_t, std::size_t>> parts;
    std::size_t start = 0;
    do {
        const std::size_t length = LongestPart(encoder, payload, start, options);
        if (length == 0 && !payload.empty()) return {};
        parts.emplace_back(start, start + length);
        start += length;
    } while (start < payload.size());
    return parts;
}

} // namespace

std::string PartFileName(const std::string& file, int part) {
    const std::size_t slash = file.rfind('/');
    std::size_t dot = file.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = file.size();
    char number[8];
    std::snprintf(number, sizeof number, "-%02d", part);
    return file.substr(0, dot) + number + file.substr(dot);
}

int RunStructured(const CliOptions& options, std::span<const std::uint8_t> payload,
                  const std::function<FileBytes(const QRSymbol&)>& encodeFile) {
    const EncodeSettings& settings = options.encode;
    EncodeOptions encoding =
        clsQRCode::OptionsOf(settings.version, settings.ecLevel, settings.maskPattern);
    encoding.allowKanji = settings.allowKanji;
    encoding.eci = options.eci ? clsQRCode::EciUtf8 : 0;
    int parity = 0;
    for (const std::uint8_t byte : payload) parity ^= byte;
    // Every header has the same 20 bits, so the parts are cut under any position and total.
    encoding.sequence = EncodeOptions::StructuredAppend{0, MaxSequenceSymbols, parity};
    clsQRCode encoder;
    const auto parts = SequenceParts(encoder, payload, encoding);
    if (parts.empty()) return Fail(ExitDoesNotFit, DoesNotFitMessage(settings, payload.size()));
    const int total = static_cast<int>(parts.size());
    if (total > MaxSequenceSymbols)
        return Fail(ExitDoesNotFit, "the payload (" + std::to_string(payload.size()) +
                                        " bytes) needs " + std::to_string(total) +
                                        " symbols of version " + std::to_string(settings.version) +
                                        " at level " + LevelLetter(encoding.level) +
                                        "; a structured-append sequence has at most " +
                                        std::to_string(MaxSequenceSymbols));
    std::vector<QRSymbol> symbols;
    for (int i = 0; i < total; ++i) {
        encoding.sequence = EncodeOptions::StructuredAppend{i, total, parity};
        const auto [start, end] = parts[std::size_t(i)];
        symbols.push_back(*encoder.EncodeToMatrix(payload.data() + start,
                                                  static_cast<int>(end - start), encoding));
    }
    if (options.outputFile) {
        WarnIfInverted(options.render);
        for (int i = 0; i < total; ++i) {
            CliOptions part = options;
            part.outputFile = PartFileName(*options.outputFile, i + 1);
            const QRSymbol& symbol = symbols[std::size_t(i)];
            if (const int status = WriteOutput(part, [&] { return encodeFile(symbol); });
                status != ExitDone)
                return status;
        }
    }
    std::string text;
    for (int i = 0; i < total; ++i)
        text += TextOf(symbols[std::size_t(i)], options,
                       "part=" + std::to_string(i + 1) + "/" + std::to_string(total) + " ");
    return WriteText(text);
}

} // namespace SymbolRun
