// The texts of counted marks.
#include "views/cell_marks.h"

#include <QStringList>

namespace lintaro::views {

QColor MarkColour(CellMarkKind kind) {
    switch (kind) {
        case CellMarkKind::kUp:
            return {0, 110, 0};
        case CellMarkKind::kDown:
            return {170, 0, 0};
        case CellMarkKind::kLineChanged:
            return {0, 0, 150};
        case CellMarkKind::kNew:
            return {0, 90, 200};
        case CellMarkKind::kNone:
            break;
    }
    return {};
}

QString MarkCountsShortText(const MarkCounts& counts) {
    QStringList parts;
    if (counts.up > 0) parts << QStringLiteral("▲%1").arg(counts.up);
    if (counts.down > 0) parts << QStringLiteral("▼%1").arg(counts.down);
    if (counts.line_changed > 0) parts << QStringLiteral("◆%1").arg(counts.line_changed);
    if (counts.new_events > 0) parts << QStringLiteral("●%1").arg(counts.new_events);
    return parts.join(QLatin1Char(' '));
}

QString MarkCountsLongText(const MarkCounts& counts) {
    QStringList parts;
    if (counts.up > 0) parts << QStringLiteral("выросло %1").arg(counts.up);
    if (counts.down > 0) parts << QStringLiteral("упало %1").arg(counts.down);
    if (counts.line_changed > 0) {
        parts << QStringLiteral("линия изменилась у %1").arg(counts.line_changed);
    }
    if (counts.new_events > 0) parts << QStringLiteral("новых событий %1").arg(counts.new_events);
    if (parts.isEmpty()) return {};
    return QStringLiteral("С прошлого обновления: ") + parts.join(QStringLiteral(", "));
}

}  // namespace lintaro::views
