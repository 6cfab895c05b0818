// Placing the program's top-level windows: an outer size that includes the window manager's frame,
// inside the part of the screen that panels and docks leave free, at whatever scale factor.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace lintaro::views {

// Where the outer rectangle of size `outer` goes in `area`: centred when it fits, otherwise at the
// area's top left, so that the title bar, the menus and the top left of the content stay on screen.
QPoint OuterTopLeftIn(QRect area, QSize outer);

// The part of `window`'s screen that windows may take (logical pixels, panels left out); empty when
// there is no screen.
QRect AvailableArea(const QWidget* window);

// Places `window` inside the available area of its screen: a resizable window larger than the area
// is first shrunk to it (never below its minimum size); then the window is centred, or put at the
// area's top left when it still does not fit.
void CentreOnScreen(QWidget* window);

// Gives `window` the outer size `outer`, frame included, and places it as CentreOnScreen does. The
// client area is made smaller by the frame's margins as far as they are known (none before the
// window is first shown; call again once it is).
void SetOuterSizeCentred(QWidget* window, QSize outer);

}  // namespace lintaro::views
