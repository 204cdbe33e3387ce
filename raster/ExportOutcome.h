#pragma once

#include <QString>

// How writing one image file ended, shared by the encoders and the file placement.
namespace ExportOutcome {

// Our numbers for the step that failed; 0 means the file was written.
enum SaveError : int {
    NoError = 0,
    NoPicture = 1,        // nothing to draw: the picture is null
    UnknownFormat = 2,    // the name or extension names no format we write
    EncodeFailed = 3,     // the codec refused the picture
    CannotCreateFile = 4, // the target or the temporary file beside it cannot be created
    WriteFailed = 5,      // writing the encoded bytes failed (disk full, I/O error)
    CommitFailed = 6,     // the finished file could not replace the target
    ColourRefused = 7,    // the format cannot hold the colours asked for (transparency)
};

struct SaveOutcome {
    bool written = false; // true only when the complete file is in place
    int errorNumber = 0;  // our number for the failing step (0 when written)
    QString description;  // the failure in the window's words (Chinese)
    QString english = {}; // the same for the command line; empty: worded from errorNumber
};

inline SaveOutcome Failure(SaveError number, const QString& description,
                           const QString& english = {}) {
    return SaveOutcome{false, number, description, english};
}

// The failure as the command line tells it, in English.
inline QString EnglishText(const SaveOutcome& outcome) {
    if (!outcome.english.isEmpty()) return outcome.english;
    switch (outcome.errorNumber) {
    case NoError: return {};
    case NoPicture: return QStringLiteral("there is no picture to save");
    case UnknownFormat: return QStringLiteral("not a picture format this program writes");
    case EncodeFailed: return QStringLiteral("the picture could not be encoded");
    case CannotCreateFile: return QStringLiteral("the file cannot be created");
    case WriteFailed: return QStringLiteral("writing the file failed");
    case CommitFailed: return QStringLiteral("the finished file could not replace the old one");
    case ColourRefused: return QStringLiteral("the format cannot hold these colours");
    default: return QStringLiteral("the file was not written");
    }
}

} // namespace ExportOutcome
