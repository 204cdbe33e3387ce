#pragma once

#include "cli/core/CommandLine.h"
#include "cli/core/PayloadInput.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

class QRSymbol;
class clsQRCode;

// The steps of one symbol's run that both programs share, so that a payload, a failure and a
// written file are told the same way whichever program answers.
namespace SymbolRun {

// Prints "quorlik-qr: MESSAGE" and returns `status`.
int Fail(int status, const std::string& message);

// TEXT, -r FILE or standard input; or the payload --kind and --field compose.
PayloadInput::Payload ReadPayload(const CliOptions& options);

// The symbol the command line asks for, QR or Micro QR; nothing when the payload fits none.
std::optional<QRSymbol> Encode(clsQRCode& encoder, std::span<const std::uint8_t> payload,
                               const EncodeSettings& settings, bool eci);

// "the payload (9 bytes) fits no symbol at level Q in any version" (or "in version 5"; or "no
// Micro QR symbol at level L in M2").
std::string DoesNotFitMessage(const EncodeSettings& settings, std::size_t payloadBytes);

// A file's bytes, or why there are none ("the picture is too large").
struct FileBytes {
    std::string bytes;
    std::string problem;
};

// The picture of -o: "-" is standard output (never a terminal); a file replaces its name whole,
// unsynced, as other command-line tools write a single file. Returns the exit status.
int WriteOutput(const CliOptions& options, const std::function<FileBytes()>& encode);

// One line on standard error when the dark modules are the lighter ones.
void WarnIfInverted(const RenderOptions& render);

// --info, --matrix, or the terminal art when no file was asked for.
int PrintText(const QRSymbol& symbol, const CliOptions& options);

// The payload over as few symbols of the forced version as hold it, at most 16, each with the
// structured-append header: -o NAME.png writes NAME-01.png … NAME-NN.png, the text outputs
// come one symbol after another (--info lines begin "part=K/N "). More than 16 symbols
// needed: status 1, naming how many. `encodeFile` makes one symbol's file.
int RunStructured(const CliOptions& options, std::span<const std::uint8_t> payload,
                  const std::function<FileBytes(const QRSymbol&)>& encodeFile);

// "NAME-03.png" for part 3 of -o NAME.png.
std::string PartFileName(const std::string& file, int part);

} // namespace SymbolRun
