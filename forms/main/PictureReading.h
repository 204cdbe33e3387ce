#pragma once

#include "reading/PictureReader.h"

#include <QString>

#include <optional>

// Reading a picture back into the window (Ctrl+O, or a picture file dropped on it): the picture
// goes through the one picture reader, with every rule of `quorlik-qr --decode`, and its one
// symbol's payload is read into the page that makes it (PayloadReader).
namespace PictureReading {

inline const QString DialogTitle = QStringLiteral("识别图片");
inline const QString NoSymbol =
    QStringLiteral("这张图片里没有找到二维码。请换一张清楚、完整的二维码图片再试。");
// With the number of symbols found.
QString SeveralSymbols(int count);
inline const QString OneFileAtATime = QStringLiteral("请一次只拖入一个图片文件。");

// The payload of the picture's one symbol, or the message that says why there is none.
struct Found {
    std::optional<QString> payload;
    QString message;
};

// `fileName` as the file dialog or a drop gives it, in the system's file-name encoding.
Found PayloadOf(const QString& fileName);

// Why a file could not be read as a picture, in the window's words.
QString FileProblem(FileAccess::ErrorKind kind);
QString ReadProblem(const PictureReader::Outcome& outcome);

} // namespace PictureReading
