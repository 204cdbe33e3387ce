#pragma once

#include "files/FileAccess.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <string>

// The one way pictures are read: `--decode`, `--verify`, `--logo`, batches and the window's
// logo. The format is told from the content; the size the file declares is checked against a
// budget before anything is decoded; JPEG photographs beyond it are decoded scaled down; SVG is
// drawn without access to anything outside its own bytes; and every failure is one message of
// ours (the codecs' own complaints are silenced while they work).
namespace PictureReader {

enum class Kind {
    Scan,     // a picture to find symbols in: every format, every frame
    Logo,     // a logo: every format, the first frame, reduced to LogoSide
    ReadBack, // a file just written by the export, up to its largest picture
};

// Pictures declaring more pixels than this are refused unread (JPEG: decoded scaled down).
constexpr qint64 MaxPixels = 100'000'000;
// No side may be longer than this (the export's largest picture side).
constexpr int MaxSide = 16384;
// A frame after the first is read only while the frames read so far hold fewer pixels.
constexpr qint64 MaxPixelsOfAllFrames = 4 * MaxPixels;
constexpr int MaxFrames = 256;
// Logos are drawn a few dozen pixels wide; larger ones are reduced to this once, on loading.
constexpr int LogoSide = 1024;
// A JPEG decoded through a whole-picture coefficient buffer (progressive ones) may need no more
// for it than the largest picture handed on.
constexpr qint64 MaxJpegCoefficientBytes = MaxPixels * 4;
// Larger files are refused unread.
constexpr qint64 MaxFileBytes = qint64{128} << 20;
constexpr qint64 MaxLogoFileBytes = qint64{32} << 20;

enum class Failure {
    None,
    FileAccess,  // not opened or not a regular file
    NotAPicture, // no format this kind of reading accepts
    Damaged,     // cut short or not decodable whole
    TooLarge,    // beyond the pixel budget or the unpacked SVG size
    RefersElsewhere,
    OutOfMemory,
};

struct Outcome {
    Failure failure = Failure::None;
    QString message; // "is not a picture …", to follow the file's name; empty when read
    // FileAccess: why the file was not read (missing, not a regular file, a link, …), for
    // callers that word it their own way.
    FileAccess::ErrorKind fileError = FileAccess::ErrorKind::None;
    bool ok() const { return failure == Failure::None; }
};

// Receives every frame in order, each a non-null picture.
using FrameSink = std::function<void(const QImage&)>;

// Reads the file at `path` (bytes, as the system names it) and hands its frames to `sink`. A
// std::bad_alloc thrown by the sink is reported as OutOfMemory too.
Outcome ReadFile(const std::string& path, Kind kind, const FrameSink& sink);
Outcome Decode(const QByteArray& bytes, Kind kind, const FrameSink& sink);

// The message for running out of memory, for callers that run out after the reading.
QString OutOfMemoryMessage();

} // namespace PictureReader
