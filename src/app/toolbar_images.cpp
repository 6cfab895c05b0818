// The toolbar pictures, drawn with QPainter on a 16 × 16 grid of whole pixels.
#include "app/toolbar_images.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

#include "grid/colour_contrast.h"

namespace lintaro::app {

namespace {

// The pictures' colours. Papers and light fills stay as they are on any background; the inks
// (outlines, bars, arrows, the figure) take their dark-background variant where the toolbar is
// dark.
struct Inks {
    QColor outline{64, 64, 64};
    QColor bar_fill{70, 110, 180};
    QColor green{20, 150, 40};
    QColor red{210, 30, 30};
    QColor pen{40, 40, 120};
    QColor funnel{120, 160, 220};
    QColor figure{40, 40, 40};
    QColor question{0, 0, 160};
};
const QColor kPaper(255, 255, 255);

grid::Rgb ToRgb(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return {static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
            static_cast<uint8_t>(rgb.blue())};
}

// The inks for a toolbar of `background`: as drawn on a light one; on a dark one (where white
// stands out more than black) each ink that would read below 4.5:1 is lightened just enough.
Inks InksOn(const QColor& background) {
    Inks inks;
    const grid::Rgb bg = ToRgb(background);
    if (grid::ContrastRatio({255, 255, 255}, bg) < grid::ContrastRatio({0, 0, 0}, bg)) {
        return inks;
    }
    for (QColor* ink : {&inks.outline, &inks.bar_fill, &inks.green, &inks.red, &inks.pen,
                        &inks.funnel, &inks.figure, &inks.question}) {
        const grid::Rgb readable = grid::ReadableGraphicColour(ToRgb(*ink), bg);
        *ink = QColor(readable.red, readable.green, readable.blue);
    }
    return inks;
}

void Sheet(QPainter& p, const Inks& inks, QRectF r) {
    // A sheet with its top-right corner folded.
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(inks.outline, 1));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 3, r.top()), QPointF(r.right() - 3, r.top() + 3));
    p.drawLine(QPointF(r.right() - 3, r.top() + 3), QPointF(r.right(), r.top() + 3));
}

void Bar(QPainter& p, const Inks& inks, int x, int y, int width) {
    p.setPen(QPen(inks.outline, 1));
    p.setBrush(inks.bar_fill);
    p.drawRect(QRectF(x + 0.5, y + 0.5, width, 2));
}

void Draw(int index, QPainter& p, const Inks& inks) {
    switch (index) {
        case 0:  // opened tree: bars stepped to the right
            Bar(p, inks, 1, 2, 9);
            Bar(p, inks, 4, 6, 9);
            Bar(p, inks, 4, 10, 9);
            p.setPen(QPen(inks.outline, 1, Qt::DotLine));
            p.drawLine(QPointF(2.5, 5), QPointF(2.5, 11.5));
            p.drawLine(QPointF(2.5, 7.5), QPointF(4, 7.5));
            p.drawLine(QPointF(2.5, 11.5), QPointF(4, 11.5));
            break;
        case 1:  // closed tree: two bars
            Bar(p, inks, 2, 4, 11);
            Bar(p, inks, 2, 9, 11);
            break;
        case 2: {  // sheet with a red arrow and a pen
            Sheet(p, inks, QRectF(1.5, 1.5, 10, 13));
            p.setPen(QPen(inks.red, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 8), QPointF(10, 8));
            p.setPen(Qt::NoPen);
            p.setBrush(inks.red);
            p.drawPolygon(QPolygonF({QPointF(9, 5), QPointF(13, 8), QPointF(9, 11)}));
            p.setPen(QPen(inks.pen, 2, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(15, 9), QPointF(11, 14));
            p.setPen(QPen(inks.outline, 1));
            p.drawPoint(QPointF(10.5, 14.5));
            break;
        }
        case 3: {  // green circular arrow
            p.setPen(QPen(inks.green, 2.2, Qt::SolidLine, Qt::FlatCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 290 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(inks.green);
            p.drawPolygon(QPolygonF({QPointF(6.5, 0.5), QPointF(11, 3.2), QPointF(6.5, 6.5)}));
            break;
        }
        case 4: {  // funnel
            p.setPen(QPen(inks.outline, 1));
            p.setBrush(inks.funnel);
            p.drawPolygon(QPolygonF({QPointF(1.5, 2.5), QPointF(14.5, 2.5), QPointF(9.5, 8.5),
                                     QPointF(9.5, 14.5), QPointF(6.5, 12.5), QPointF(6.5, 8.5)}));
            break;
        }
        case 5: {  // sheet with a small table
            Sheet(p, inks, QRectF(1.5, 0.5, 12, 15));
            p.setPen(QPen(inks.outline, 1));
            p.setBrush(QColor(255, 255, 225));
            p.drawRect(QRectF(3.5, 5.5, 8, 7));
            p.drawLine(QPointF(3.5, 7.5), QPointF(11.5, 7.5));
            p.drawLine(QPointF(3.5, 10), QPointF(11.5, 10));
            p.drawLine(QPointF(7.5, 5.5), QPointF(7.5, 12.5));
            break;
        }
        case 6:  // two sheets side by side
            Sheet(p, inks, QRectF(0.5, 2.5, 7, 11));
            Sheet(p, inks, QRectF(8.5, 2.5, 7, 11));
            break;
        case 7: {  // running figure
            p.setPen(Qt::NoPen);
            p.setBrush(inks.figure);
            p.drawEllipse(QRectF(8.5, 0.5, 3.5, 3.5));
            p.setPen(QPen(inks.figure, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(
                QPolygonF({QPointF(9, 5), QPointF(7, 10), QPointF(9.5, 12.5), QPointF(8.5, 15)}));
            p.drawPolyline(QPolygonF({QPointF(7, 10), QPointF(4.5, 12), QPointF(1.5, 12)}));
            p.drawPolyline(QPolygonF(
                {QPointF(4, 6), QPointF(6.5, 5), QPointF(9, 5), QPointF(11, 8), QPointF(13.5, 8)}));
            break;
        }
        case 8: {  // speech bubble with a question mark
            QPainterPath bubble;
            bubble.addRoundedRect(QRectF(0.5, 0.5, 15, 11), 3, 3);
            bubble.moveTo(4, 11.5);
            bubble.lineTo(3, 15.5);
            bubble.lineTo(8, 11.5);
            p.setPen(QPen(inks.outline, 1));
            p.setBrush(QColor(255, 255, 200));
            p.drawPath(bubble.simplified());
            QFont font = p.font();
            font.setPixelSize(10);
            font.setBold(true);
            p.setFont(font);
            p.setPen(inks.question);
            p.drawText(QRectF(0.5, 0.5, 15, 11), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        default:
            break;
    }
}

QPixmap Render(int index, const QSize& size, const QColor& background) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on the 16-pixel grid, scaled to the size asked for (crisp at a scale factor of 2).
    painter.scale(size.width() / double(kToolbarImageSize),
                  size.height() / double(kToolbarImageSize));
    Draw(index, painter, InksOn(background));
    return pixmap;
}

// Draws the picture whenever it is asked for, against the application's palette as it is then, so
// the toolbar follows a change of theme without being built again.
class ToolbarIconEngine : public QIconEngine {
  public:
    explicit ToolbarIconEngine(int index) : index_(index) {}
    QIconEngine* clone() const override { return new ToolbarIconEngine(index_); }
    QString key() const override { return QStringLiteral("lintaro-toolbar"); }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        if (size.isEmpty()) return QPixmap();
        const QPalette palette = QApplication::palette();
        QPixmap picture = Render(index_, size, palette.color(QPalette::Window));
        if (mode == QIcon::Normal || mode == QIcon::Active) return picture;
        QStyleOption option;
        option.palette = palette;
        return QApplication::style()->generatedIconPixmap(mode, picture, &option);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap(rect.size() * scale, mode, state);
        picture.setDevicePixelRatio(scale);
        painter->drawPixmap(rect, picture);
    }

  private:
    int index_;
};

}  // namespace

QPixmap ToolbarImage(int index) { return ToolbarImage(index, QColor(Qt::white)); }

QPixmap ToolbarImage(int index, const QColor& background) {
    if (index < 0 || index >= kToolbarImageCount) return QPixmap();
    return Render(index, QSize(kToolbarImageSize, kToolbarImageSize), background);
}

QIcon ToolbarIcon(int index) {
    if (index < 0 || index >= kToolbarImageCount) return QIcon();
    return QIcon(new ToolbarIconEngine(index));
}

}  // namespace lintaro::app
