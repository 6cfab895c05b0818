// Outer sizes and placement on top of Qt's client-area geometry.
#include "views/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace lintaro::views {

namespace {

QMargins FrameMargins(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    return handle != nullptr ? handle->frameMargins() : QMargins();
}

bool IsResizable(const QWidget* window) { return window->minimumSize() != window->maximumSize(); }

}  // namespace

QPoint OuterTopLeftIn(QRect area, QSize outer) {
    if (outer.width() > area.width() || outer.height() > area.height()) return area.topLeft();
    return {area.x() + (area.width() - outer.width()) / 2,
            area.y() + (area.height() - outer.height()) / 2};
}

QRect AvailableArea(const QWidget* window) {
    const QScreen* screen =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

void CentreOnScreen(QWidget* window) {
    const QRect area = AvailableArea(window);
    if (area.isEmpty()) return;
    const QMargins frame = FrameMargins(window);
    if (IsResizable(window)) {
        // resize() keeps the window at least at its minimum size.
        const QSize outer = window->size().grownBy(frame);
        if (outer.width() > area.width() || outer.height() > area.height()) {
            window->resize(outer.boundedTo(area.size()).shrunkBy(frame));
        }
    }
    // move() places the frame's top-left corner of a top-level window.
    window->move(OuterTopLeftIn(area, window->size().grownBy(frame)));
}

void SetOuterSizeCentred(QWidget* window, QSize outer) {
    window->resize(outer.shrunkBy(FrameMargins(window)));
    CentreOnScreen(window);
}

}  // namespace lintaro::views
