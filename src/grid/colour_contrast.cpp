// Relative luminance and contrast ratio of sRGB colours.
#include "grid/colour_contrast.h"

#include <algorithm>
#include <cmath>

namespace lintaro::grid {

namespace {

// One sRGB channel, 0..255, as linear light 0..1.
double Linear(uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

double RelativeLuminance(Rgb colour) {
    return 0.2126 * Linear(colour.red) + 0.7152 * Linear(colour.green) +
           0.0722 * Linear(colour.blue);
}

double ContrastRatio(Rgb a, Rgb b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb ReadableTextColour(Rgb text, Rgb background, Rgb fallback) {
    const double contrast = ContrastRatio(text, background);
    if (contrast >= kReadableContrast) return text;
    return ContrastRatio(fallback, background) > contrast ? fallback : text;
}

Rgb ReadableGraphicColour(Rgb colour, Rgb background) {
    if (ContrastRatio(colour, background) >= kReadableContrast) return colour;
    // Towards the end that stands out more from the background; one of white and black always
    // reaches 4.5:1 (both give about 4.6 on the middle grey).
    const Rgb white{255, 255, 255}, black{0, 0, 0};
    const Rgb end =
        ContrastRatio(white, background) >= ContrastRatio(black, background) ? white : black;
    const auto mix = [](uint8_t from, uint8_t to, int step) {
        return static_cast<uint8_t>(from + (static_cast<int>(to) - from) * step / 32);
    };
    for (int step = 1; step < 32; ++step) {
        const Rgb mixed{mix(colour.red, end.red, step), mix(colour.green, end.green, step),
                        mix(colour.blue, end.blue, step)};
        if (ContrastRatio(mixed, background) >= kReadableContrast) return mixed;
    }
    return end;
}

}  // namespace lintaro::grid
