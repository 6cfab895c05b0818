// The Qt item model of the odds grid: a thin adapter that shows the headless tree
// (grid/grid_tree.h) to a QTreeView. Column 0 is the indent column, where the tree draws its
// branches and a group row's text begins; column 1 + i is the layout's column i (hidden ones are
// hidden by the view). Rows are the tree's group and event rows. The model never copies a text: a
// cell's text is made when asked.
#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QFont>
#include <functional>

#include "grid/grid_tree.h"

namespace lintaro::views {

class OddsGridModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    // Extra roles the view and tests read.
    enum Role {
        kIsGroupRole = Qt::UserRole + 1,  // bool: a group row
        kLevelRole,                       // int: 0.. for group rows, LevelCount() for event rows
        kTableRowRole,                    // int: the table row of an event row, -1 otherwise
        kBackgroundKindRole,              // int: grid::ColumnBackground of the column
    };

    explicit OddsGridModel(QObject* parent = nullptr);

    static constexpr int kIndentColumn = 0;
    static int ModelColumn(int layout_column) { return layout_column + 1; }
    // The layout column of a model column, -1 for the indent column.
    static int LayoutColumn(int model_column) { return model_column - 1; }

    grid::GridTree& Tree() { return tree_; }
    const grid::GridTree& Tree() const { return tree_; }

    // Reads the table again (nullptr: no table, an empty grid). One model reset.
    void Reload(const OddsTable* table);
    // Changes the tree (grouping, sort, filter, formats) inside one model reset.
    void ChangeTree(const std::function<void(grid::GridTree&)>& change);

    // Fonts and colours the roles hand out: the grid font (its bold form for bold columns), the
    // header font and the info background.
    void SetLook(const QFont& grid_font, const QFont& header_font, const QColor& info_background);

    grid::NodeRef NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(grid::NodeRef node, int column = 0) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    grid::GridTree tree_;
    const OddsTable* table_ = nullptr;
    OddsTable empty_table_;  // stands in while there is no table
    QFont grid_font_;
    QFont bold_font_;
    QFont header_font_;
    QColor info_background_{255, 255, 225};
};

// The navy of the team names and of the header captions.
inline QColor NavyColour() { return QColor(0, 0, 128); }
// The background of the handicap band.
inline QColor ApricotColour() { return QColor(240, 202, 166); }

}  // namespace lintaro::views
