#pragma once

#include <QImage>

#include <optional>
#include <string>
#include <vector>

// A QR or Micro QR symbol found in a picture by zxing-cpp, with what the symbol says about
// itself.
struct ReadSymbol {
    std::string bytes;     // the payload's bytes as stored, no character-set conversion
    std::string text;      // the reader's text, UTF-8 (converted by the ECI or a guess)
    bool micro = false;    // a Micro QR symbol, whose versions 1–4 are M1–M4
    int version = 0;       // 0 when it cannot be told
    std::string level;     // "L", "M", "Q" or "H"; "-" for M1, which only detects errors
    int mask = -1;         // -1 when the format information cannot be sampled again
    std::vector<int> ecis; // the ECI designators, in order
    // A part of a structured-append sequence: its position from 0, the number of parts, and
    // the sequence's parity (the XOR of every payload byte), which all parts share.
    struct Sequence {
        int position = 0;
        int total = 0;
        std::string parity;
    };
    std::optional<Sequence> sequence;
};

// Every QR and Micro QR symbol zxing-cpp finds in the picture, top to bottom and then left to
// right. Throws std::bad_alloc when the memory to look cannot be had, so that is never taken for no
// symbol.
std::vector<ReadSymbol> ReadQrSymbols(const QImage& picture);

// Adds a frame's symbols in reading order to those of the frames before; a symbol an earlier
// frame already showed (an animation repeating it) is not added again.
void AddFrameSymbols(std::vector<ReadSymbol>& symbols, std::vector<ReadSymbol> frame);

// The first of them, if any.
std::optional<ReadSymbol> ReadQrSymbol(const QImage& picture);

// The ECI designators in zxing-cpp's ECI-protocol content ("]Q2\000026..."): a backslash and
// six digits each, a doubled backslash being a literal one.
std::vector<int> EcisOfProtocolText(const std::string& content);
