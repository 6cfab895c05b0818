// The toolbar pictures, drawn with QPainter on a 16 × 16 grid of whole pixels.
#include "app/toolbar_images.h"

#include <QPainter>
#include <QPainterPath>

namespace lintaro::app {

namespace {

const QColor kOutline(64, 64, 64);
const QColor kPaper(255, 255, 255);
const QColor kBarFill(70, 110, 180);
const QColor kGreen(20, 150, 40);
const QColor kRed(210, 30, 30);

void Sheet(QPainter& p, QRectF r) {
    // A sheet with its top-right corner folded.
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 3, r.top()), QPointF(r.right() - 3, r.top() + 3));
    p.drawLine(QPointF(r.right() - 3, r.top() + 3), QPointF(r.right(), r.top() + 3));
}

void Bar(QPainter& p, int x, int y, int width) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kBarFill);
    p.drawRect(QRectF(x + 0.5, y + 0.5, width, 2));
}

void Draw(int index, QPainter& p) {
    switch (index) {
        case 0:  // opened tree: bars stepped to the right
            Bar(p, 1, 2, 9);
            Bar(p, 4, 6, 9);
            Bar(p, 4, 10, 9);
            p.setPen(QPen(kOutline, 1, Qt::DotLine));
            p.drawLine(QPointF(2.5, 5), QPointF(2.5, 11.5));
            p.drawLine(QPointF(2.5, 7.5), QPointF(4, 7.5));
            p.drawLine(QPointF(2.5, 11.5), QPointF(4, 11.5));
            break;
        case 1:  // closed tree: two bars
            Bar(p, 2, 4, 11);
            Bar(p, 2, 9, 11);
            break;
        case 2: {  // sheet with a red arrow and a pen
            Sheet(p, QRectF(1.5, 1.5, 10, 13));
            p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 8), QPointF(10, 8));
            p.setPen(Qt::NoPen);
            p.setBrush(kRed);
            p.drawPolygon(QPolygonF({QPointF(9, 5), QPointF(13, 8), QPointF(9, 11)}));
            p.setPen(QPen(QColor(40, 40, 120), 2, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(15, 9), QPointF(11, 14));
            p.setPen(QPen(kOutline, 1));
            p.drawPoint(QPointF(10.5, 14.5));
            break;
        }
        case 3: {  // green circular arrow
            p.setPen(QPen(kGreen, 2.2, Qt::SolidLine, Qt::FlatCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 290 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen);
            p.drawPolygon(QPolygonF({QPointF(6.5, 0.5), QPointF(11, 3.2), QPointF(6.5, 6.5)}));
            break;
        }
        case 4: {  // funnel
            p.setPen(QPen(kOutline, 1));
            p.setBrush(QColor(120, 160, 220));
            p.drawPolygon(QPolygonF({QPointF(1.5, 2.5), QPointF(14.5, 2.5), QPointF(9.5, 8.5),
                                     QPointF(9.5, 14.5), QPointF(6.5, 12.5), QPointF(6.5, 8.5)}));
            break;
        }
        case 5: {  // sheet with a small table
            Sheet(p, QRectF(1.5, 0.5, 12, 15));
            p.setPen(QPen(kOutline, 1));
            p.setBrush(QColor(255, 255, 225));
            p.drawRect(QRectF(3.5, 5.5, 8, 7));
            p.drawLine(QPointF(3.5, 7.5), QPointF(11.5, 7.5));
            p.drawLine(QPointF(3.5, 10), QPointF(11.5, 10));
            p.drawLine(QPointF(7.5, 5.5), QPointF(7.5, 12.5));
            break;
        }
        case 6:  // two sheets side by side
            Sheet(p, QRectF(0.5, 2.5, 7, 11));
            Sheet(p, QRectF(8.5, 2.5, 7, 11));
            break;
        case 7: {  // running figure
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 40, 40));
            p.drawEllipse(QRectF(8.5, 0.5, 3.5, 3.5));
            p.setPen(QPen(QColor(40, 40, 40), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
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
            p.setPen(QPen(kOutline, 1));
            p.setBrush(QColor(255, 255, 200));
            p.drawPath(bubble.simplified());
            QFont font = p.font();
            font.setPixelSize(10);
            font.setBold(true);
            p.setFont(font);
            p.setPen(QColor(0, 0, 160));
            p.drawText(QRectF(0.5, 0.5, 15, 11), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        default:
            break;
    }
}

}  // namespace

QPixmap ToolbarImage(int index) {
    if (index < 0 || index >= kToolbarImageCount) return QPixmap();
    QPixmap pixmap(kToolbarImageSize, kToolbarImageSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(index, painter);
    return pixmap;
}

QIcon ToolbarIcon(int index) {
    QIcon icon;
    icon.addPixmap(ToolbarImage(index));
    return icon;
}

}  // namespace lintaro::app
