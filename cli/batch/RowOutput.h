#pragma once

#include "cli/core/CommandLine.h"
#include "encoder/clsQRCode.h"
#include "files/FileAccess.h"
#include "raster/ImageExport.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <fcntl.h>

#include <optional>

class MemoryBudget;

class clsQRCode;

// How every row of a batch becomes a file.
struct RowOutputSettings {
    EncodeSettings encode;
    int outDir = AT_FDCWD; // the open output folder; every file is placed inside it
    FileFormats::Format format = FileFormats::Format::Png;
    RenderOptions render{8, 4}; // without compose: pixels a module, quiet zone, colours
    bool compose = false;
    bool paintLogo = false;
    QImage logo;
    bool verify = false;
    bool eci = false;               // an ECI designator declaring UTF-8 before every row's data
    MemoryBudget* budget = nullptr; // shared by the jobs; none: rows take what they need
};

// About the most memory a row holds at once for a picture `side` pixels square: the picture in
// the writer's pixel format, the encoded file, and with verify the picture read back.
std::size_t RowMemoryNeed(qint64 side, FileFormats::Format format, bool verify);

// Encodes the payload into the file's bytes, with verify reads those bytes back, and only then
// places outDir/name.extension (never through a symbolic link, never outside outDir). Returns
// the reason the row failed, empty when the file is in place. A failed row changes no file.
// The file is not yet durable: the caller syncs the folder's file system once for the run.
// fileError, when given, receives what went wrong with the file itself (a full disk).
// With a budget, the row waits for its share of memory before drawing, and fails when it needs
// more than the whole budget.
// What the manifest tells of a row: its symbol and its file.
struct RowFacts {
    std::string version; // "5" or "M2"; empty when no symbol was made
    std::string level;   // as --info prints it
    bool verified = false;
    std::string file;               // relative to the output folder, once in place
    std::optional<QRSymbol> symbol; // the symbol drawn into the file
};

QString WriteRowFile(clsQRCode& encoder, const QByteArray& payload, const QString& name,
                     const RowOutputSettings& settings, FileAccess::Error* fileError = nullptr,
                     RowFacts* facts = nullptr);
