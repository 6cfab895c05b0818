// The window's side of the contrast rule (grid/colour_contrast.h): fixed text colours such as the
// grid's navy stay where they read on the theme's background, and become the theme's link colour
// where they do not. On the standard light colours nothing changes.
#pragma once

#include <QColor>

namespace lintaro::views {

// `text` on `background` when their contrast is at least 4.5:1, else `link` (unless that reads
// even worse). Alpha is ignored.
QColor ReadableTextColour(const QColor& text, const QColor& background, const QColor& link);

// A colour that means something of its own (a mark's green or red, a toolbar picture's ink) kept
// readable on `background`: itself at 4.5:1 or more, else lightened or darkened just enough
// (grid::ReadableGraphicColour). Alpha is kept.
QColor ReadableGraphicColour(const QColor& colour, const QColor& background);

}  // namespace lintaro::views
