#pragma once

#include <optional>

// The error-correction level, numbered as every table indexed by level orders it.
enum class EcLevel : int { L = 1, M = 2, Q = 3, H = 4 };

// The one conversion between levels, their numbers 1–4 and their letters L, M, Q, H.
constexpr int LevelNumber(EcLevel level) {
    return static_cast<int>(level);
}

constexpr std::optional<EcLevel> LevelOfNumber(int number) {
    if (number < 1 || number > 4) return std::nullopt;
    return static_cast<EcLevel>(number);
}

constexpr char LevelLetter(EcLevel level) {
    return "LMQH"[LevelNumber(level) - 1];
}

// Upper or lower case; nothing for any other character.
constexpr std::optional<EcLevel> LevelOfLetter(char letter) {
    switch (letter) {
    case 'L':
    case 'l': return EcLevel::L;
    case 'M':
    case 'm': return EcLevel::M;
    case 'Q':
    case 'q': return EcLevel::Q;
    case 'H':
    case 'h': return EcLevel::H;
    default: return std::nullopt;
    }
}
