#pragma once

#include <QImage>
#include <QList>
#include <QRgb>

#include <memory>

// The logo as it is painted into its square: smoothly scaled, over white, opaque.
struct LogoSquare {
    QImage rgb;          // size × size, RGB32
    QList<QRgb> colours; // its distinct colours when there are at most MaxColours, else empty
    QImage indices;      // size × size, 8 bits: an index into colours; null when colours is

    // A composed picture also holds black and white (and the matrix's grey), so a logo of at most
    // this many colours keeps the picture within a 256-entry palette.
    static constexpr int MaxColours = 253;
};

// Made once per logo and size and kept per thread for a few logos (one per page of the window,
// one per batch), so that a keystroke or a batch row only copies the square.
std::shared_ptr<const LogoSquare> LogoSquareOf(const QImage& logo, int size);
