// The group panel above the grid: one button per grouping level, in level order, each a step
// lower and further right than the one before. Dropping a column header here groups by it;
// dragging a button away (or Delete on a focused button) ungroups it; a click on a button reverses
// its groups' order. With no grouping it shows "Drag a column header here to group by that
// column".
#pragma once

#include <QFrame>
#include <QLabel>
#include <QMimeData>
#include <QToolButton>
#include <vector>

namespace lintaro::views {

class GroupPanel : public QFrame {
    Q_OBJECT
  public:
    struct Level {
        int column = -1;
        QString caption;
        bool descending = false;
        friend bool operator==(const Level&, const Level&) = default;
    };

    explicit GroupPanel(QWidget* parent = nullptr);

    void SetLevels(const std::vector<Level>& levels);
    int LevelCount() const { return static_cast<int>(buttons_.size()); }
    QToolButton* LevelButton(int level) const;
    QLabel* EmptyLabel() const { return empty_label_; }

    // Sets which columns the panel takes from the header (non-fixed ones).
    void SetDroppableColumns(std::vector<bool> droppable) { droppable_ = std::move(droppable); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  signals:
    // A column was dropped on the panel at grouping level `level` (0-based; LevelCount() = last).
    void ColumnDropped(int column, int level);
    // A level button was dragged out of the panel and dropped where nothing took it, or Delete was
    // pressed on it.
    void ColumnDraggedOut(int column);
    void LevelClicked(int level);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    bool Accepts(const QMimeData* mime) const;
    int LevelAt(int x) const;
    void PlaceButtons();

    std::vector<Level> levels_;
    std::vector<QToolButton*> buttons_;
    std::vector<bool> droppable_;
    QLabel* empty_label_;
    QPoint press_pos_;
    int press_level_ = -1;
};

}  // namespace lintaro::views
