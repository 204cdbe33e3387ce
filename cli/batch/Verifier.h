#pragma once

#include <QByteArray>
#include <QString>

// Reads a written file back with zxing-cpp. Empty when it scans to exactly `payload`,
// otherwise what went wrong. SVG files are drawn by Qt's SVG renderer first.
QString VerifyWrittenFile(const QString& fileName, bool isSvg, const QByteArray& payload);
