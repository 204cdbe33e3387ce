#pragma once

#include "raster/plain/RenderOptions.h"

#include <optional>
#include <string>

// Whether readers can tell the two colours of a symbol apart, measured as the WCAG contrast
// ratio (L1 + 0.05) / (L2 + 0.05) of their relative luminances, each colour first flattened
// onto white as a page or screen shows it.

// The lowest ratio we let through. Measured with bench/colour/contrast_scan.py over 1,647 colour
// pairs and symbol versions, clean and blurred: zbar and WeChat's decoder read nearly everything
// above 2, but zxing-cpp failed pairs up to 4.0 (mid grey on white); 4.5 leaves a margin above
// every failure seen.
inline constexpr double MinimumContrastRatio = 4.5;

double ContrastRatio(Colour a, Colour b);

// "the colours 777777 and 888888 have a contrast ratio of 1.3, below the 2.0 that readers
// need"; nothing when the pair is readable.
std::optional<std::string> ContrastProblem(Colour dark, Colour light);

// The dark modules are lighter than the light ones: many readers find no symbol then.
bool Inverted(Colour dark, Colour light);

// "rrggbb", or "rrggbbaa" when not opaque.
std::string HexOf(Colour colour);
