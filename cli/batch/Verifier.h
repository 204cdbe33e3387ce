#pragma once

#include <QByteArray>
#include <QString>

// Reads a file's encoded bytes, before they are written anywhere, with zxing-cpp. Empty when
// they scan to exactly `payload`, otherwise what went wrong. SVG is drawn by Qt's SVG renderer
// first.
QString VerifyEncodedFile(const QByteArray& file, bool isSvg, const QByteArray& payload);

// Qt's image readers refuse pictures above 128 MB by default; a batch writes pictures up to
// 16,384 pixels a side in 32-bit colour, which must read back. The limit is process-wide, so
// this is called once, before any row is read back.
void AllowReadingEveryWrittenPicture();
