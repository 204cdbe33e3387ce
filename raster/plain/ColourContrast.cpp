#include "raster/plain/ColourContrast.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double Linear(double channel, double alpha) {
    const double flattened = (channel * alpha + 255.0 * (1.0 - alpha)) / 255.0;
    return flattened <= 0.04045 ? flattened / 12.92 : std::pow((flattened + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(Colour colour) {
    const double alpha = colour.alpha / 255.0;
    return 0.2126 * Linear(colour.red, alpha) + 0.7152 * Linear(colour.green, alpha) +
           0.0722 * Linear(colour.blue, alpha);
}

// One decimal, rounded down, so that a ratio shown equal to the threshold is never below it.
std::string OneDecimalDown(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::floor(value * 10.0) / 10.0);
    return text;
}

} // namespace

double ContrastRatio(Colour a, Colour b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::optional<std::string> ContrastProblem(Colour dark, Colour light) {
    const double ratio = ContrastRatio(dark, light);
    if (ratio >= MinimumContrastRatio) return std::nullopt;
    return "the colours " + HexOf(dark) + " and " + HexOf(light) + " have a contrast ratio of " +
           OneDecimalDown(ratio) + ", below the " + OneDecimalDown(MinimumContrastRatio) +
           " that readers need";
}

bool Inverted(Colour dark, Colour light) {
    return RelativeLuminance(dark) > RelativeLuminance(light);
}

std::string HexOf(Colour colour) {
    char text[12];
    if (colour.opaque())
        std::snprintf(text, sizeof text, "%02x%02x%02x", colour.red, colour.green, colour.blue);
    else
        std::snprintf(text, sizeof text, "%02x%02x%02x%02x", colour.red, colour.green, colour.blue,
                      colour.alpha);
    return text;
}
