// Placing the program's top-level windows: an outer size that includes the window manager's frame,
// and the middle of the screen.
#pragma once

#include <QSize>

class QWidget;

namespace lintaro::views {

// Moves `window` so that its outer rectangle stands in the middle of its screen.
void CentreOnScreen(QWidget* window);

// Gives `window` the outer size `outer`, frame included: the client area is made smaller by the
// frame's margins as far as they are known (none before the window is first shown; call again
// once it is), and the window is centred on its screen.
void SetOuterSizeCentred(QWidget* window, QSize outer);

}  // namespace lintaro::views
