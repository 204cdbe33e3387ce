#include "cli/core/batch/Sha256.h"

#include <nettle/sha2.h>

std::array<std::uint8_t, 32> Sha256(std::string_view bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    std::array<std::uint8_t, 32> digest{};
    sha256_digest(&context, digest.size(), digest.data());
    return digest;
}

std::string Sha256Hex(std::string_view bytes) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : Sha256(bytes)) {
        hex += Digits[byte >> 4];
        hex += Digits[byte & 15];
    }
    return hex;
}
