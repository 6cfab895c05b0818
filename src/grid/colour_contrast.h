// Contrast between a text colour and its background, as relative luminances compare them (the
// measure accessibility guidelines use), and the choice of a readable text colour on a background
// that the user's desktop theme decides. Plain C++, so the window and the worksheet export agree.
#pragma once

#include "grid/grid_layout.h"

namespace lintaro::grid {

// The least contrast at which normal-size text counts as readable.
inline constexpr double kReadableContrast = 4.5;

// The relative luminance of an sRGB colour: 0 for black up to 1 for white.
double RelativeLuminance(Rgb colour);

// (L1 + 0.05) / (L2 + 0.05), the lighter colour's luminance L1 over the darker one's L2: from 1
// (the same luminance) to 21 (black on white). Symmetric.
double ContrastRatio(Rgb a, Rgb b);

// `text` when it reads well enough on `background`; otherwise `fallback` (a theme's link colour),
// unless that reads even worse, in which case `text` stays.
Rgb ReadableTextColour(Rgb text, Rgb background, Rgb fallback);

// A colour of its own meaning (a green rise, a red fall) that stays readable on `background`:
// `colour` itself when its contrast reaches kReadableContrast, else the same hue mixed with white
// (on a dark background) or black (on a light one), just as far as it takes to reach it. The
// movement marks and the toolbar pictures keep their look on light themes this way and stay
// visible on dark ones.
Rgb ReadableGraphicColour(Rgb colour, Rgb background);

}  // namespace lintaro::grid
