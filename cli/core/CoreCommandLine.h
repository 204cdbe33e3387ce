#pragma once

#include "cli/core/SymbolOutput.h"

#include <optional>
#include <string>

// The requests the command-line core answers itself: one symbol from TEXT, -r FILE or standard
// input, drawn as text art, --info, --matrix, or a PNG or SVG file. Anything else — another
// option, another format, or a command line the full program would refuse — is not the core's,
// and goes unchanged to the full program, which has the one set of usage messages.
namespace CoreCommandLine {

enum class Action { Symbol, Help, Version };

enum class FileFormat { Png, Svg };

struct Request {
    Action action = Action::Symbol;
    int ecLevel = 3; // the window's defaults: automatic version, Q, mask 0
    int version = 0;
    int maskPattern = 0;
    bool allowKanji = false;
    bool eci = false;
    bool printMatrix = false;
    bool printInfo = false;
    SymbolOutput::TerminalStyle terminalStyle = SymbolOutput::TerminalStyle::Automatic;
    std::optional<std::string> text;       // absent or "-": read standard input
    std::optional<std::string> inputFile;  // -r
    std::optional<std::string> outputFile; // "-": standard output
    FileFormat outputFormat = FileFormat::Png;
    int scale = 1;
    int margin = 4;
};

// Nothing when the command line is not the core's to answer.
std::optional<Request> Parse(int argc, char* const* argv);

} // namespace CoreCommandLine
