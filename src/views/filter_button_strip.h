// The filter drop-down buttons of the odds grid's column header. They live in a strip of their own,
// a child of the grid widget laid over the header, rather than inside the header: the header's
// accessibility interface shows only its sections, so buttons inside it would be invisible to
// assistive technology. The strip is as large as the header but masked to its buttons, so every
// other point of the header still gets its own clicks and drags.
#pragma once

#include <QToolButton>
#include <QWidget>
#include <vector>

#include "grid/grid_layout.h"

class QHeaderView;

namespace lintaro::views {

class OddsGridModel;

class FilterButtonStrip : public QWidget {
    Q_OBJECT
  public:
    explicit FilterButtonStrip(QWidget* parent = nullptr);

    // Follows the layout: which columns get a button, with what name, and which buttons show an
    // active filter (`filtered`, by layout column).
    void SetLayoutInfo(const grid::GridLayout& layout, const std::vector<bool>& filtered);
    // Lays the strip over `header` (a sibling's child, in the parent's coordinates) and each button
    // at the right end of its column's section; a section too narrow for its button hides it.
    void Follow(const QHeaderView& header, const OddsGridModel& model);
    // The button of layout column `column`, or nullptr.
    QToolButton* Button(int column) const;

  signals:
    void Clicked(int column);
    // A right click on a button, or the Menu key or Shift+F10 while it has the focus: the
    // column's header menu is wanted at `global_pos`.
    void MenuRequested(int column, const QPoint& global_pos);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::vector<QToolButton*> buttons_;  // per layout column; nullptr without a filter button
};

}  // namespace lintaro::views
