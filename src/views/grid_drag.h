// The drag payload of a grid column: dragged from the column header (to group by it or move it)
// or from a group panel button (to ungroup it or change its level).
#pragma once

#include <QMimeData>
#include <memory>
#include <optional>

namespace lintaro::views {

inline constexpr char kColumnMimeType[] = "application/x-lintaro-grid-column";

struct ColumnDrag {
    int column = -1;
    bool from_group_panel = false;
};

inline std::unique_ptr<QMimeData> MakeColumnMime(ColumnDrag drag) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kColumnMimeType,
                  QByteArray::number(drag.column) + (drag.from_group_panel ? " g" : " h"));
    return mime;
}

inline std::optional<ColumnDrag> ReadColumnMime(const QMimeData* mime) {
    if (!mime || !mime->hasFormat(kColumnMimeType)) return std::nullopt;
    const QList<QByteArray> parts = mime->data(kColumnMimeType).split(' ');
    bool ok = false;
    const int column = parts.value(0).toInt(&ok);
    if (!ok || parts.size() != 2) return std::nullopt;
    return ColumnDrag{column, parts[1] == "g"};
}

}  // namespace lintaro::views
