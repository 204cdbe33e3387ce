#pragma once

#include "raster/ExportOutcome.h"

#include "files/FileAccess.h"

#include <QByteArray>

#include <fcntl.h>
#include <string>

// Puts the finished bytes of an image file in place, whole or not at all (FileAccess::ReplaceFile),
// and says what failed in the window's words.
namespace FilePlacement {

struct Target {
    // The file name as bytes; relative to `directory` when that is an open folder.
    std::string path;
    // AT_FDCWD: path is an ordinary name, and a link at the name is followed as editors do.
    // An open folder (the batch's output folder): path is resolved inside it, never through a
    // symbolic link, and never leaves it.
    int directory = AT_FDCWD;
};

// The bytes replace the target. Refused, leaving everything as it was: a target that is not a
// regular file, and a file the user may not write.
ExportOutcome::SaveOutcome Place(const QByteArray& bytes, const Target& target);

// Why a file could not be written, in the window's words: the common causes in Chinese, rare
// ones as the system words them.
QString ChineseReason(const FileAccess::Error& error);

} // namespace FilePlacement
