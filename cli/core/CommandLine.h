#pragma once

#include "cli/core/SymbolOutput.h"
#include "raster/plain/FileFormats.h"
#include "raster/plain/RenderOptions.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The one command line of quorlik-qr, read into one request by both of its programs: the
// Qt-free core answers the requests it can and hands every other command line, unchanged, to the
// full program, which reads it again with the same parser and adds only what needs Qt (the
// payload kinds' field names).

// How the symbol is encoded; the defaults are the window's (automatic version, Q, mask 0,
// no Kanji mode because payloads are UTF-8). A Micro QR symbol (M1–M4, `version` 1–4) is L by
// default and its mask, -1 unless forced, is the one the standard's evaluation picks. An rMQR
// symbol (`version` 1–32 = R7x43 … R17x139, 0 the least area) is M by default.
struct EncodeSettings {
    int ecLevel = 3;
    int version = 0;
    int maskPattern = 0;
    bool allowKanji = false;
    bool micro = false;
    bool rmqr = false;
};

// Rows of a batch made by one of several runs: row r belongs to part (r - 1) mod parts + 1, so
// the parts of a sheet of any length, read as a stream, are known from the row number alone.
struct Shard {
    int part = 1;
    int parts = 1;
    bool Holds(int row) const { return (row - 1) % parts + 1 == part; }
};

// A PDF of every symbol a batch writes, laid out on pages for printing and cutting.
struct SheetSettings {
    enum class Paper { A4, Letter, A3 };
    std::string file;
    Paper paper = Paper::A4;
    int columns = 0; // 0: the paper's default grid, each symbol at least 20 mm
    int rows = 0;
    std::optional<std::string> captionColumn; // printed under each symbol; else its file's name
    bool cutMarks = false;
};

struct BatchSettings {
    std::string csvFile;
    std::string outDir;
    FileFormats::Format format = FileFormats::Format::Png;
    std::string encoding = "UTF-8"; // of the CSV file
    RenderOptions render{8, 4};
    bool verify = false;
    int jobs = 0; // 0: one per core
    Shard shard;
    std::optional<std::string> manifest; // the CSV file that records every row
    std::optional<SheetSettings> sheet;
};

using SymbolOutput::TerminalStyle;

struct CliOptions {
    EncodeSettings encode;
    bool help = false;
    bool showVersion = false;
    bool printMatrix = false;
    bool printInfo = false;
    std::optional<std::string> outputFile;         // "-": standard output
    std::optional<FileFormats::Format> outputType; // -t: the image format of "-o -"
    TerminalStyle terminalStyle = TerminalStyle::Automatic;
    std::optional<std::string> text;      // absent or "-": read standard input
    std::optional<std::string> inputFile; // -r: the payload's bytes come from this file
    RenderOptions render;                 // of -o (the margin also of the terminal art)
    bool coloured = false;                // --foreground or --background given
    bool compose = false;
    std::optional<std::string> logoFile;
    std::optional<BatchSettings> batch;
    // What the payload is made from, as the window's pages make it.
    std::string kind = "text";
    std::vector<std::pair<std::string, std::string>> fields; // in command-line order
    bool composeFields = false; // --kind or --field given: the payload is composed, not read
    bool eci = false;
    bool structured = false; // split over a structured-append sequence of -v's version
    bool decode = false;
    std::vector<std::string> decodeFiles; // with decode: the pictures to read
};

struct ParsedCommandLine {
    CliOptions options;
    std::string error; // one line; empty when the command line is usable
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The format of -o: the extension's, or -t's (PNG by default) for standard output.
FileFormats::Format OutputFormat(const CliOptions& options);

// Why a picture in `format` cannot have these colours (a transparent colour in a format without
// transparency, too little contrast for readers); empty when it can.
std::string UnusableColours(FileFormats::Format format, const RenderOptions& render);

// Whether the core answers this command line itself: its help, version, usage errors, and one
// symbol from TEXT, -r or standard input to text art, --info, --matrix or a file in a format
// it writes, and plain batches; everything else is the full program's.
bool CoreAnswers(const ParsedCommandLine& parsed);
// A batch the core makes alone: PNG, SVG or EPS files and nothing that needs the full program
// (--compose, --logo, --verify, --sheet).
bool IsPlainBatch(const CliOptions& options);
