#pragma once

#include <sys/stat.h>
#include <sys/types.h>

// What a replacement must carry over from the file it replaces, so that a file written by us is
// seen by everyone else exactly as the old one was.
namespace FileAccess::Internal {

// Gives the file open at `replacement` the owner, group, extended attributes (the ACL among
// them) and mode of the file open at `old`, whose status is `oldStatus`. False when one of them
// cannot be given (only root may give a file away; a file system may refuse an attribute): the
// caller then writes the old file in place instead.
bool CopyAttributes(int old, const struct stat& oldStatus, int replacement);

// The mode a new file gets from open(2) with 0666: less the process's umask.
mode_t NewFileMode();

} // namespace FileAccess::Internal
