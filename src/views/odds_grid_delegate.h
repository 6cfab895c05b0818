// Draws the odds grid's cells: the model's fonts, colours and alignment, with the team-name rule
// applied as for the cell being drawn (never on a selected row), grid lines, and group rows left
// to the view, which draws their text across the whole row.
#pragma once

#include <QColor>
#include <QStyledItemDelegate>

namespace lintaro::views {

class OddsGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit OddsGridDelegate(QObject* parent = nullptr);

    void SetGridLineColour(const QColor& colour) { line_colour_ = colour; }
    QColor GridLineColour() const { return line_colour_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Public so tests can see what a cell is drawn with.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

  private:
    QColor line_colour_;
};

}  // namespace lintaro::views
