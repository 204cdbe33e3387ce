#pragma once

#include "CommandLine.h"

#include <QImage>
#include <QString>

class ComputeGate;
class clsQRCode;

// How every row of a batch becomes a file.
struct RowOutputSettings {
    EncodeSettings encode;
    QString outDir;
    QString format = QStringLiteral("png"); // png, jpg, gif, tif, bmp or svg
    int scale = 8;                          // pixels per module, without compose
    bool compose = false;
    bool paintLogo = false;
    QImage logo;
    bool verify = false;
};

// Encodes the payload, writes outDir/name.format through a temporary file, and with verify reads
// it back. Returns the reason the row failed, empty when the file is in place. Computing takes
// a turn at the gate; waiting for the disk does not.
QString WriteRowFile(clsQRCode& encoder, ComputeGate& gate, const QString& payload,
                     const QString& name, const RowOutputSettings& settings);
