#include "cli/core/PayloadInput.h"

#include "cli/core/ExitStatus.h"
#include "files/FileAccess.h"

#include <unistd.h>

namespace PayloadInput {
namespace {

Payload Refused(int status, std::string problem) {
    return Payload{{}, status, std::move(problem)};
}

// At most MaxPayloadBytes: reading stops one byte later, so an endless stream costs nothing.
Payload ReadBounded(int fd, const std::string& name) {
    const FileAccess::ReadResult read = FileAccess::ReadStream(fd, MaxPayloadBytes, name);
    if (read.error.kind == FileAccess::ErrorKind::TooLarge)
        return Refused(ExitDoesNotFit, name + " is longer than " + std::to_string(MaxPayloadBytes) +
                                           " bytes, more than any symbol holds");
    if (!read.ok()) return Refused(ExitBadUsage, FileAccess::Describe(read.error));
    return Payload{std::vector<std::uint8_t>(read.bytes.begin(), read.bytes.end()), ExitDone, {}};
}

} // namespace

// Regular files, pipes and character devices (a terminal, /dev/null) can be read as a stream;
// a folder or a block device is not a payload.
Payload FromFile(const std::string& fileName) {
    using namespace FileAccess;
    const Opened input = OpenInput(fileName, RegularFile | Pipe | CharacterDevice);
    if (!input.ok()) return Refused(ExitBadUsage, Describe(input.error));
    return ReadBounded(input.descriptor.get(), QuotedName(fileName));
}

Payload FromStandardInput() {
    return ReadBounded(STDIN_FILENO, "standard input");
}

} // namespace PayloadInput
