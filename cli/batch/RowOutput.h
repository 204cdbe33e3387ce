#pragma once

#include "cli/core/batch/RowFile.h"

#include <QImage>

#include <string>

// What the full program's rows draw beyond the core's: the window's composed picture, with its
// logo, and every file format.
struct RowPictureSettings {
    bool compose = false;
    QImage logo; // null: none
};

// A row's file: composed, or in a format the core does not write, through the picture export;
// otherwise exactly the core's plain row.
EncodedRow EncodeFullRow(clsQRCode& encoder, const std::string& payload,
                         const RowOutputSettings& settings, const RowPictureSettings& picture);
