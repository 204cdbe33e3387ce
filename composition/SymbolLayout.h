#pragma once

#include <QRect>

#include <vector>

// Where the symbol picture (n × n pixels: the modules and their 4-module margin) lands on the
// side × side composed picture, pixel by pixel, and where the logo square goes.
//
// While the picture gives every module at least 3 pixels (side ≥ 3n), the symbol is stretched
// over the whole picture exactly as Qt's nearest-neighbour scaling does, modules of uneven width
// included, and the logo takes the centre square of a quarter side. Below that, uneven modules
// of 1–2 or 2–3 pixels stop readers, so each module is drawn as k × k pixels (k = side / n), the
// drawing centred on white, and the logo square is a quarter of the drawn width.
struct SymbolLayout {
    // The picture pixels one pixel of the symbol picture covers along a side: spans[i] for its
    // column or row i, in order and side by side; what no span covers is white.
    struct Span {
        int start = 0;
        int length = 0;
    };
    std::vector<Span> spans;
    // k when every span is k pixels (whole-pixel modules), else 0.
    int wholePixels = 0;
    QRect logo;
};

// Null when the symbol picture cannot be laid out this way (larger than the picture); the
// result lives as long as the program.
const SymbolLayout* LayoutFor(int n, int side);
