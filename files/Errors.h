#pragma once

#include "files/FileAccess.h"

// How the units of this folder turn a failed call into an Error.
namespace FileAccess::Internal {

// The kind of a failure from its errno.
ErrorKind KindOf(int number);

Error Failure(Step step, const std::string& path, int number);
Error Failure(Step step, const std::string& path, ErrorKind kind, int number = 0);
Error StreamFailure(Step step, std::string_view stream, int number);

} // namespace FileAccess::Internal
