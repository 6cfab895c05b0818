// Outer sizes and centring on top of Qt's client-area geometry.
#include "views/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace lintaro::views {

namespace {

QMargins FrameMargins(QWidget* window) {
    QWindow* handle = window->windowHandle();
    return handle != nullptr ? handle->frameMargins() : QMargins();
}

}  // namespace

void CentreOnScreen(QWidget* window) {
    QScreen* screen =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QMargins frame = FrameMargins(window);
    const QSize outer = window->size().grownBy(frame);
    const QRect area = screen->geometry();
    const QPoint outer_top_left(area.x() + (area.width() - outer.width()) / 2,
                                area.y() + (area.height() - outer.height()) / 2);
    // move() places the frame's top-left corner of a top-level window.
    window->move(outer_top_left);
}

void SetOuterSizeCentred(QWidget* window, QSize outer) {
    const QMargins frame = FrameMargins(window);
    window->resize(outer.shrunkBy(frame));
    CentreOnScreen(window);
}

}  // namespace lintaro::views
