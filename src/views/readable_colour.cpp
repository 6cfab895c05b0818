// QColor over the grid's contrast rule.
#include "views/readable_colour.h"

#include "grid/colour_contrast.h"

namespace lintaro::views {

namespace {

grid::Rgb ToRgb(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return {static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
            static_cast<uint8_t>(rgb.blue())};
}

}  // namespace

QColor ReadableTextColour(const QColor& text, const QColor& background, const QColor& link) {
    const grid::Rgb chosen = grid::ReadableTextColour(ToRgb(text), ToRgb(background), ToRgb(link));
    return chosen == ToRgb(text) ? text : link;
}

QColor ReadableGraphicColour(const QColor& colour, const QColor& background) {
    const grid::Rgb chosen = grid::ReadableGraphicColour(ToRgb(colour), ToRgb(background));
    if (chosen == ToRgb(colour)) return colour;
    QColor readable(chosen.red, chosen.green, chosen.blue);
    readable.setAlpha(colour.alpha());
    return readable;
}

}  // namespace lintaro::views
