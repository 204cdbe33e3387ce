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
};

struct SaveOutcome {
    bool written = false; // true only when the complete file is in place
    int errorNumber = 0;  // our number for the failing step (0 when written)
    QString description;  // the writer's own description of the failure
};

inline SaveOutcome Failure(SaveError number, const QString& description) {
    return SaveOutcome{false, number, description};
}

} // namespace ExportOutcome
