#pragma once

#include "cli/core/CommandLine.h"
#include "cli/core/batch/MemoryBudget.h"
#include "encoder/clsQRCode.h"
#include "files/FileAccess.h"
#include "raster/plain/FileFormats.h"

#include <fcntl.h>

#include <cstdint>
#include <optional>
#include <string>

// How every row of a batch becomes a file.
struct RowOutputSettings {
    EncodeSettings encode;
    int outDir = AT_FDCWD; // the open output folder; every file is placed inside it
    FileFormats::Format format = FileFormats::Format::Png;
    RenderOptions render{8, 4}; // without compose: pixels a module, quiet zone, colours
    bool verify = false;
    bool eci = false;               // an ECI designator declaring UTF-8 before every row's data
    MemoryBudget* budget = nullptr; // shared by the jobs; none: rows take what they need
};

// What the manifest and the print sheet tell of a row: its symbol and its file.
struct RowFacts {
    std::string version; // "5" or "M2"; empty when no symbol was made
    std::string level;   // as --info prints it
    bool verified = false;
    std::string file;               // relative to the output folder, once in place
    std::optional<QRSymbol> symbol; // the symbol drawn into the file
};

// A row's file in memory, or why there is none.
struct EncodedRow {
    std::string bytes;
    std::string error;
    MemoryBudget::Share memory; // held until the file is placed
    std::optional<QRSymbol> symbol;
};

// About the most memory a row holds at once for a picture `side` pixels square: the picture in
// the writer's pixel format, the encoded file, and with verify the picture read back.
std::size_t RowMemoryNeed(std::int64_t side, FileFormats::Format format, bool verify);

// The row's share of the budget for a picture `side` pixels square; `error` says why not when
// it needs more than the whole budget.
bool TakeRowMemory(const RowOutputSettings& settings, std::int64_t side, EncodedRow& row);

// The symbol a row's payload makes (batches write no Kanji mode: their payloads are UTF-8
// text); `error` says so when it fits none.
std::optional<QRSymbol> EncodeRowSymbol(clsQRCode& encoder, const std::string& payload,
                                        const RowOutputSettings& settings, EncodedRow& row);

// A plain row: the symbol drawn to PNG, SVG or EPS.
EncodedRow EncodePlainRow(clsQRCode& encoder, const std::string& payload,
                          const RowOutputSettings& settings);

// Places outDir/name.extension (never through a symbolic link, never outside outDir). Returns
// the reason the row failed, empty when the file is in place. A failed row changes no file.
// The file is not yet durable: the caller syncs the folder's file system once for the run.
// fileError receives what went wrong with the file itself (a full disk).
std::string PlaceRowFile(const EncodedRow& row, const std::string& name,
                         const RowOutputSettings& settings, FileAccess::Error& fileError,
                         RowFacts* facts);
