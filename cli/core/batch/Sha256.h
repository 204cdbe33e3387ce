#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// SHA-256 through nettle: the manifest's payload digests and the name register's keys.
std::array<std::uint8_t, 32> Sha256(std::string_view bytes);
std::string Sha256Hex(std::string_view bytes);
