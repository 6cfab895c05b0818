// The QTreeView of the odds grid: a standard tree view (keyboard, selection, accessibility as
// usual) that draws each group row's text once across the whole row, and shows the whole text of
// a cut cell as its tooltip.
#pragma once

#include <QColor>
#include <QTreeView>

namespace lintaro::views {

class OddsGridTreeView : public QTreeView {
    Q_OBJECT
  public:
    explicit OddsGridTreeView(QWidget* parent = nullptr);

    void SetGroupRowColours(const QColor& background, const QColor& text);

  protected:
    bool viewportEvent(QEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

  private:
    QColor group_background_;
    QColor group_text_;
};

}  // namespace lintaro::views
