// The odds grid's item model: node references packed into QModelIndex ids, texts converted from
// the core's display texts on demand.
#include "views/odds_grid_model.h"

#include <QStringList>

#include "grid/column_value.h"
#include "grid/team_name_colour.h"
#include "views/grid_qstring.h"

namespace lintaro::views {

using table::FieldAlignment;
using table::OddsRecord;

namespace {

// internalId: the node's level in the high bits, its index in the low 40.
constexpr int kLevelShift = 40;
constexpr quintptr kIndexMask = (quintptr{1} << kLevelShift) - 1;

Qt::Alignment ToQt(FieldAlignment alignment) {
    switch (alignment) {
        case FieldAlignment::kLeft:
            return Qt::AlignLeft | Qt::AlignVCenter;
        case FieldAlignment::kRight:
            return Qt::AlignRight | Qt::AlignVCenter;
        case FieldAlignment::kCenter:
            return Qt::AlignCenter;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

OddsGridModel::OddsGridModel(QObject* parent) : QAbstractItemModel(parent) {
    empty_table_.ResetTable();
    tree_.Rebuild(empty_table_);
    MapColumns();
}

void OddsGridModel::Reload(const table::OddsTable* table) {
    beginResetModel();
    table_ = table;
    ForgetRowMarks();
    tree_.Rebuild(table ? *table : empty_table_);
    MapColumns();
    endResetModel();
}

void OddsGridModel::ChangeTree(const std::function<void(grid::GridTree&)>& change) {
    beginResetModel();
    // The mapping follows the tree even when the change fails half-way.
    struct Remap {
        OddsGridModel* model;
        ~Remap() {
            model->MapColumns();
            model->endResetModel();
        }
    } remap{this};
    ForgetGroupMarks();
    change(tree_);
}

void OddsGridModel::MapColumns() {
    const grid::GridLayout& layout = tree_.Layout();
    has_indent_ = tree_.LevelCount() > 0;
    shown_.clear();
    model_column_of_.assign(layout.ColumnCount(), -1);
    const int first = has_indent_ ? 1 : 0;
    for (const int column : layout.ExportColumns()) {
        model_column_of_[column] = first + static_cast<int>(shown_.size());
        shown_.push_back(column);
    }
}

int OddsGridModel::ModelColumn(int layout_column) const {
    if (layout_column < 0 || layout_column >= static_cast<int>(model_column_of_.size())) return -1;
    return model_column_of_[layout_column];
}

int OddsGridModel::LayoutColumn(int model_column) const {
    const int at = model_column - (has_indent_ ? 1 : 0);
    if (at < 0 || at >= static_cast<int>(shown_.size())) return -1;
    return shown_[at];
}

void OddsGridModel::SetLook(const QFont& grid_font, const QFont& header_font,
                            const QColor& info_background) {
    grid_font_ = grid_font;
    bold_font_ = grid_font;
    bold_font_.setBold(true);
    header_font_ = header_font;
    info_background_ = info_background;
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void OddsGridModel::SetCaptionColour(const QColor& colour) {
    caption_colour_ = colour;
    if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void OddsGridModel::SetCellMarks(CellMarkSource source, RowMarkSource rows) {
    marks_ = std::move(source);
    row_marks_source_ = std::move(rows);
    ForgetRowMarks();
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void OddsGridModel::SetCellMarksShown(bool shown) {
    marks_shown_ = shown;
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void OddsGridModel::ForgetRowMarks() {
    row_marks_.clear();
    row_marks_known_ = false;
    group_marks_.clear();
}

const MarkCounts& OddsGridModel::RowMarks(int table_row) const {
    static const MarkCounts kNothing;
    if (!row_marks_known_) {
        row_marks_known_ = true;
        row_marks_.clear();
        if (row_marks_source_ && table_ != nullptr) {
            const std::vector<OddsRecord>& rows = table_->Rows();
            row_marks_.resize(rows.size());
            for (size_t i = 0; i < rows.size(); ++i) row_marks_[i] = row_marks_source_(rows[i]);
        }
    }
    if (table_row < 0 || table_row >= static_cast<int>(row_marks_.size())) return kNothing;
    return row_marks_[table_row];
}

MarkCounts OddsGridModel::GroupMarks(grid::NodeRef node) const {
    if (!tree_.IsGroup(node)) return {};
    if (group_marks_.empty()) {
        // Bottom up: the lowest groups add their event rows, each level above its groups.
        const int levels = tree_.LevelCount();
        group_marks_.resize(levels);
        for (int level = levels - 1; level >= 0; --level) {
            std::vector<MarkCounts>& sums = group_marks_[level];
            sums.assign(tree_.NodeCount(level), MarkCounts{});
            for (int i = 0; i < static_cast<int>(sums.size()); ++i) {
                const grid::NodeRef group{level, i};
                const int children = tree_.ChildCount(group);
                for (int row = 0; row < children; ++row) {
                    const grid::NodeRef child = tree_.Child(group, row);
                    sums[i] += level == levels - 1 ? RowMarks(tree_.TableRow(child))
                                                   : group_marks_[level + 1][child.index];
                }
            }
        }
    }
    if (node.level >= static_cast<int>(group_marks_.size())) return {};
    const std::vector<MarkCounts>& sums = group_marks_[node.level];
    return node.index < static_cast<int>(sums.size()) ? sums[node.index] : MarkCounts{};
}

CellMark OddsGridModel::MarkOf(grid::NodeRef node, int layout_column) const {
    if (!marks_ || layout_column < 0) return {};
    const OddsRecord* record = tree_.Record(node);
    const int field = tree_.Layout().Column(layout_column).field_index;
    if (record == nullptr || field < 0) return {};
    CellMark mark = marks_(*record, field);
    if (!marks_shown_) {
        // Only the movement goes: who holds a price is no mark of change.
        mark.kind = CellMarkKind::kNone;
        mark.text.clear();
    }
    return mark;
}

grid::NodeRef OddsGridModel::NodeOf(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    const quintptr id = index.internalId();
    return {static_cast<int>(id >> kLevelShift), static_cast<int>(id & kIndexMask)};
}

QModelIndex OddsGridModel::IndexOf(grid::NodeRef node, int column) const {
    if (node.IsRoot()) return {};
    return createIndex(tree_.RowInParent(node), column,
                       (quintptr(node.level) << kLevelShift) | quintptr(node.index));
}

QModelIndex OddsGridModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= columnCount() || row >= rowCount(parent)) return {};
    const grid::NodeRef node = tree_.Child(NodeOf(parent), row);
    return createIndex(row, column, (quintptr(node.level) << kLevelShift) | quintptr(node.index));
}

QModelIndex OddsGridModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return IndexOf(tree_.Parent(NodeOf(child)));
}

int OddsGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return tree_.ChildCount(NodeOf(parent));
}

int OddsGridModel::columnCount(const QModelIndex&) const {
    return static_cast<int>(shown_.size()) + (has_indent_ ? 1 : 0);
}

bool OddsGridModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant OddsGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const grid::NodeRef node = NodeOf(index);
    const bool group = tree_.IsGroup(node);
    switch (role) {
        case kIsGroupRole:
            return group;
        case kLevelRole:
            return node.level;
        case kTableRowRole:
            return tree_.TableRow(node);
        default:
            break;
    }
    const int column = LayoutColumn(index.column());
    if (has_indent_ && index.column() == kIndentColumn) {
        // The indent column holds a group row's text; the view draws it across the row.
        return group ? GroupData(node, role) : QVariant();
    }
    if (group || column < 0) return {};
    return CellData(node, column, role);
}

QVariant OddsGridModel::GroupData(grid::NodeRef node, int role) const {
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return FromCp1251(tree_.GroupText(node));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        case Qt::FontRole:
            return grid_font_;
        case kGroupMarksRole:
            return marks_shown_ ? MarkCountsShortText(GroupMarks(node)) : QString();
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole: {
            if (!marks_shown_) return {};
            const QString told = MarkCountsLongText(GroupMarks(node));
            return told.isEmpty() ? QVariant() : QVariant(told);
        }
        default:
            return {};
    }
}

QVariant OddsGridModel::CellData(grid::NodeRef node, int column, int role) const {
    const grid::GridColumn& layout_column = tree_.Layout().Column(column);
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return QString::fromStdString(tree_.CellText(node, column));
        case kCellMarkRole:
            return static_cast<int>(MarkOf(node, column).kind);
        case kCellBadgeRole:
            return MarkOf(node, column).badge;
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole:
            return CellToolTip(node, column);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(ToQt(layout_column.alignment));
        case Qt::FontRole:
            return layout_column.bold ? bold_font_ : grid_font_;
        case Qt::BackgroundRole:
            switch (layout_column.background) {
                case grid::ColumnBackground::kInfo:
                    return info_background_;
                case grid::ColumnBackground::kApricot:
                    return ApricotColour();
                case grid::ColumnBackground::kGrid:
                    return {};
            }
            return {};
        case Qt::ForegroundRole: {
            // The rule as for an unselected cell; the delegate drops it on selected rows.
            const OddsRecord* record = tree_.Record(node);
            const std::optional<std::string> missing;
            const grid::TeamCellContext cell{false, false, column,
                                             record ? &record->dop_info : &missing};
            if (grid::TeamNameIsNavy(cell)) return NavyColour();
            return {};
        }
        case kBackgroundKindRole:
            return static_cast<int>(layout_column.background);
        default:
            return {};
    }
}

QVariant OddsGridModel::CellToolTip(grid::NodeRef node, int column) const {
    // A value shown rounded ("2.12") tells its exact value ("точно 2.125").
    const OddsRecord* record = tree_.Record(node);
    const std::string exact =
        record ? grid::ExactCellText(*record, tree_.Layout().Column(column), tree_.Formats())
               : std::string();
    const CellMark mark = MarkOf(node, column);
    QStringList told;
    if (!exact.empty()) told << QStringLiteral("точно ") + QString::fromStdString(exact);
    if (!mark.badge_text.isEmpty()) told << mark.badge_text;
    if (!mark.text.isEmpty()) told << mark.text;
    if (told.isEmpty()) return {};
    return told.join(QStringLiteral("; "));
}

QVariant OddsGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    const int layout_column = LayoutColumn(section);
    switch (role) {
        case Qt::DisplayRole: {
            if (layout_column < 0) return QString();
            const grid::GridColumn& column = tree_.Layout().Column(layout_column);
            return column.disable_caption ? QString() : FromCp1251(column.caption);
        }
        case Qt::AccessibleTextRole: {
            // The indent column shows no caption, but holds the group rows' texts.
            if (layout_column < 0) return QStringLiteral("Группа");
            const grid::GridColumn& column = tree_.Layout().Column(layout_column);
            return column.disable_caption ? QString() : FromCp1251(column.caption);
        }
        case Qt::AccessibleDescriptionRole: {
            // Captions repeat across bands ("знач." three times): the band tells them apart.
            if (layout_column < 0) return {};
            const grid::GridLayout& layout = tree_.Layout();
            const grid::GridColumn& column = layout.Column(layout_column);
            return FromCp1251(layout.Bands().at(column.band).caption) + QStringLiteral(", ") +
                   FromCp1251(column.caption);
        }
        case Qt::ToolTipRole: {
            if (layout_column < 0) return {};
            const grid::GridColumn& column = tree_.Layout().Column(layout_column);
            QString tip =
                FromCp1251(column.caption) + QStringLiteral(": щелчок или Ctrl+Shift+S сортирует");
            if (column.filter) tip += QStringLiteral(", Alt+Вниз открывает фильтр");
            if (!column.fixed) tip += QStringLiteral(", Ctrl+Shift+G группирует");
            tip += QStringLiteral(", правая кнопка или Ctrl+Shift+M открывает меню столбца");
            return tip;
        }
        case Qt::TextAlignmentRole:
            if (layout_column < 0) return {};
            return QVariant::fromValue(
                ToQt(tree_.Layout().Column(layout_column).caption_alignment));
        case Qt::ForegroundRole:
            return caption_colour_;
        case Qt::FontRole:
            return header_font_;
        default:
            return {};
    }
}

Qt::ItemFlags OddsGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!tree_.IsGroup(NodeOf(index))) flags |= Qt::ItemNeverHasChildren;
    return flags;
}

}  // namespace lintaro::views
