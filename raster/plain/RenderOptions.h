#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How a symbol is drawn, whatever the output: pixels a module, the quiet zone, and the two
// colours. Plain values, so that the command line, batches and the window pass one thing.
struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    bool opaque() const { return alpha == 255; }
    bool operator==(const Colour&) const = default;

    static constexpr Colour Black() { return {0, 0, 0, 255}; }
    static constexpr Colour White() { return {255, 255, 255, 255}; }
    // "RRGGBB" or "RRGGBBAA", a leading '#' and either case accepted.
    static std::optional<Colour> Parse(std::string_view text);
};

struct RenderOptions {
    int scale = 1;  // pixels a module (vector formats: points a module)
    int margin = 4; // light modules around the symbol
    Colour dark = Colour::Black();
    Colour light = Colour::White();
};
