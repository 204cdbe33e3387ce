#pragma once

#include "cli/core/SymbolOutput.h"
#include "cli/core/Usage.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// How the symbol is encoded; the defaults are the window's (automatic version, Q, mask 0,
// no Kanji mode because payloads are UTF-8).
struct EncodeSettings {
    int ecLevel = 3;
    int version = 0;
    int maskPattern = 0;
    bool allowKanji = false;
};

struct BatchSettings {
    std::string csvFile;
    std::string outDir;
    std::string format = "png";
    std::string encoding = "UTF-8"; // of the CSV file
    int scale = 8;
    int margin = 4;
    bool verify = false;
    int jobs = 0; // 0: one per core
};

using SymbolOutput::TerminalStyle;

struct CliOptions {
    EncodeSettings encode;
    bool help = false;
    bool showVersion = false;
    bool printMatrix = false;
    bool printInfo = false;
    std::optional<std::string> outputFile; // "-": standard output
    std::optional<std::string> outputType; // the image format of "-o -" (png, jpg, svg, ...)
    TerminalStyle terminalStyle = TerminalStyle::Automatic;
    std::optional<std::string> text;      // absent or "-": read standard input
    std::optional<std::string> inputFile; // -r: the payload's bytes come from this file
    int scale = 1;                        // pixels per module of -o
    int margin = 4;                       // light modules around the symbol
    bool compose = false;
    std::optional<std::string> logoFile;
    std::optional<BatchSettings> batch;
    // What the payload is made from, as the window's pages make it.
    std::string kind = "text";
    std::vector<std::pair<std::string, std::string>> fields; // in command-line order
    bool composeFields = false; // --kind or --field given: the payload is composed, not read
    bool eci = false;
    bool decode = false;
    std::vector<std::string> decodeFiles; // with decode: the pictures to read
};

struct ParsedCommandLine {
    CliOptions options;
    std::string error; // empty when the command line is usable
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
