// The application's icon: the hicolor PNGs compiled in as a Qt resource, at every size they come
// in.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace lintaro::views {

// The window icon, every size the program carries.
QIcon ApplicationIcon();

// The icon at exactly `size` × `size` pixels (the about window's picture is 32 × 32).
QPixmap ApplicationPixmap(int size);

}  // namespace lintaro::views
