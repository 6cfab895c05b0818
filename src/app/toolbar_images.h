// The main window's image list: nine 16 × 16 pictures drawn on a transparent background.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace lintaro::app {

inline constexpr int kToolbarImageCount = 9;
inline constexpr int kToolbarImageSize = 16;

// The picture at `index` (0..8): 0 an opened tree of stepped bars, 1 a closed tree of two bars, 2
// a sheet with a red arrow and a pen, 3 a green circular arrow, 4 a funnel, 5 a sheet with a small
// table, 6 two sheets side by side, 7 a running figure, 8 a speech bubble with a question mark.
// Any other index gives a null pixmap. Drawn for a light toolbar; with `background`, for that one:
// on a dark background the outlines, bars and arrows take lighter variants that read at 4.5:1.
QPixmap ToolbarImage(int index);
QPixmap ToolbarImage(int index, const QColor& background);
// The picture as an icon that is drawn when shown, at the screen's scale and for the application
// palette of that moment (a change of theme reaches it at once); a null icon for other indexes.
QIcon ToolbarIcon(int index);

}  // namespace lintaro::app
