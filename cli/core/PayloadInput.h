#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The payload's bytes from a file or standard input, read only as far as a symbol can hold.
namespace PayloadInput {

// Numeric mode at version 40-L holds 7089 characters; no payload longer than that can be encoded,
// so reading stops one byte later: enough to know, in constant memory, however long the input.
constexpr std::size_t MaxPayloadBytes = 7089;

struct Payload {
    std::vector<std::uint8_t> bytes;
    int status = 0;      // not ExitDone: `problem` says why there is no payload
    std::string problem; // without the program's name
};

Payload FromFile(const std::string& fileName);
Payload FromStandardInput();

} // namespace PayloadInput
