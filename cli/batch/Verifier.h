#pragma once

#include <QByteArray>
#include <QString>

// Reads a file's encoded bytes, before they are written anywhere, through the picture reader
// and zxing-cpp, as `--decode` reads files. Empty when they scan to exactly `payload`,
// otherwise what went wrong.
QString VerifyEncodedFile(const QByteArray& file, const QByteArray& payload);
