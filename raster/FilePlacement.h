#pragma once

#include "ExportOutcome.h"

#include <QByteArray>
#include <QString>

#include <fcntl.h>

// Puts the finished bytes of a file in place, whole or not at all.
namespace FilePlacement {

struct Target {
    // The file name; relative to `directory` when that is an open folder.
    QString path;
    // AT_FDCWD: path is an ordinary name, and a link at the name is followed as editors do.
    // An open folder (the batch's output folder): path is resolved inside it, never through a
    // symbolic link, and never leaves it.
    int directory = AT_FDCWD;
    // The bytes go to standard output (the command line's "-o -").
    bool standardOutput = false;
};

// The bytes go to a temporary file beside the target, which replaces the target only once it is
// complete: a failed write never leaves half a file nor destroys the one that was there. An
// existing target that is not a regular file (a FIFO, a device, a folder) is refused and left
// alone.
ExportOutcome::SaveOutcome Place(const QByteArray& bytes, const Target& target);

} // namespace FilePlacement
