#include "files/FileAccess.h"

#include "files/Escape.h"

#include <cstdio>
#include <cstring>

namespace FileAccess {

std::string Reason(const Error& error) {
    switch (error.kind) {
    case ErrorKind::None: return "no error";
    case ErrorKind::WriteProtected: return "the file is write-protected";
    case ErrorKind::WrongKind:
        if (error.accepted == RegularFile) return "not a regular file";
        if (error.accepted == (RegularFile | Pipe)) return "not a regular file or a pipe";
        return "not a regular file, a pipe or a terminal";
    case ErrorKind::SymbolicLink: return "a symbolic link, which is not followed here";
    case ErrorKind::PlantedLink:
        return "a link owned by another user in a sticky folder that everyone may write to, "
               "which is not followed";
    case ErrorKind::PlantedFile:
        return "a file owned by another user in a sticky folder that everyone may write to, "
               "which is not written";
    case ErrorKind::NotAFolder: return "a part of the name is not a folder";
    case ErrorKind::BadName: return "not a usable file name";
    case ErrorKind::TooLarge: return "longer than " + std::to_string(error.limit) + " bytes";
    case ErrorKind::NoSpace:
        return error.number ? std::strerror(error.number) : "no space left on the device";
    default: break;
    }
    return error.number ? std::strerror(error.number) : "failed";
}

std::string QuotedName(std::string_view name) {
    return Escape::Shown(name, {.quoted = true});
}

std::string Describe(const Error& error) {
    const std::string verb = error.step == Step::Read ? "cannot read " : "cannot write ";
    const std::string what =
        error.path.empty() && !error.stream.empty() ? error.stream : QuotedName(error.path);
    return verb + what + ": " + Reason(error);
}

} // namespace FileAccess
