// Loads the icon's sizes from the resource; a drawn stand-in serves a build without them.
#include "views/app_icon.h"

#include <QFile>
#include <QPainter>

namespace lintaro::views {

namespace {

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

QString ResourcePath(int size) { return QStringLiteral(":/icons/lintaro-%1.png").arg(size); }

// A line of odds on a green board: drawn only when the build carries no icon files.
QPixmap DrawnIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    painter.setPen(QPen(QColor(0, 80, 40), unit));
    painter.setBrush(QColor(30, 140, 70));
    painter.drawRoundedRect(QRectF(0.5 * unit, 0.5 * unit, 15 * unit, 15 * unit), 3 * unit,
                            3 * unit);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (int row = 0; row < 3; ++row) {
        painter.drawRect(QRectF(3 * unit, (3.5 + 3.5 * row) * unit, 5 * unit, 2 * unit));
        painter.drawRect(QRectF(9.5 * unit, (3.5 + 3.5 * row) * unit, 3.5 * unit, 2 * unit));
    }
    return pixmap;
}

}  // namespace

QPixmap ApplicationPixmap(int size) {
    for (const int carried : kIconSizes) {
        if (carried == size && QFile::exists(ResourcePath(size))) {
            return QPixmap(ResourcePath(size));
        }
    }
    for (const int carried : kIconSizes) {
        if (carried >= size && QFile::exists(ResourcePath(carried))) {
            return QPixmap(ResourcePath(carried))
                .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
    }
    return DrawnIcon(size);
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int size : kIconSizes) icon.addPixmap(ApplicationPixmap(size));
    return icon;
}

}  // namespace lintaro::views
