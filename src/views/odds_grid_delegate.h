// Draws the odds grid's cells: the model's fonts, colours and alignment, with the team-name rule
// applied as for the cell being drawn (never on a selected row), text colours that stay readable
// on any theme, grid lines, and group rows left to the view, which draws their text across the
// whole row.
#pragma once

#include <QColor>
#include <QStyledItemDelegate>

#include "views/cell_marks.h"

namespace lintaro::views {

class OddsGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit OddsGridDelegate(QObject* parent = nullptr);

    void SetGridLineColour(const QColor& colour) { line_colour_ = colour; }
    QColor GridLineColour() const { return line_colour_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The room a badge takes at the right of a cell in `cell_font`, which the cell's text leaves.
    static int BadgeRoom(const QFont& cell_font);

    // Public so tests can see what a cell is drawn with.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

    // The colour an event cell's text is drawn in. Selected rows: the selection's text colour.
    // Cells of a fixed background (the apricot band): black, whatever the theme. The team-name
    // rule's navy: kept where it reads on the cell's background, else the theme's link colour.
    // Otherwise the text colour that goes with the cell's background: the tooltip text on the
    // tooltip-coloured band, the theme's text elsewhere.
    QColor TextColour(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The colour a mark of `kind` is drawn in on this cell: the selection's text colour on a
    // selected row, else the mark's own colour made readable on the cell's background.
    QColor MarkColourOn(const QStyleOptionViewItem& option, const QModelIndex& index,
                        CellMarkKind kind) const;

  private:
    // The movement mark of an event cell (an up or down triangle, a diamond for a changed line, a
    // dot for a new event), drawn over its left margin.
    void DrawMark(QPainter* painter, const QStyleOptionViewItem& option,
                  const QModelIndex& index) const;

    // Who holds the price of a cell of two compared lines: its badge letter, small, at the cell's
    // right edge (left of a new event's dot), in the cell's text colour.
    void DrawBadge(QPainter* painter, const QStyleOptionViewItem& option,
                   const QModelIndex& index) const;

    // A frame around the current cell of an event row, in the colour that reads on the row.
    void DrawFocusFrame(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const;

    QColor line_colour_;
};

}  // namespace lintaro::views
