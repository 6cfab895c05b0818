// The QTreeView of the odds grid: a standard tree view (keyboard, selection, accessibility as
// usual) that draws each group row's text once across the whole row, shows the whole text of
// a cut cell as its tooltip, and a hint on how to load the line while there is nothing to show.
// It owns the grid's keys: what moves within the rows (Enter on a group row, Left and Right along
// an event row) it does itself; what the user asks of the grid (a column's filter list, sort,
// grouping, menu, the end of a search) it emits, and the grid widget (odds_grid_view.h) acts.
#pragma once

#include <QColor>
#include <QKeyEvent>
#include <QString>
#include <QTreeView>

namespace lintaro::views {

class OddsGridTreeView : public QTreeView {
    Q_OBJECT
  public:
    explicit OddsGridTreeView(QWidget* parent = nullptr);

    void SetGroupRowColours(const QColor& background, const QColor& text);

    // Shown in the middle of the empty rows area while the grid has no rows and no filter or search
    // hides any: the table is closed (first start) or holds nothing.
    static QString EmptyHint() { return QStringLiteral("Нажмите F5, чтобы загрузить линию"); }
    bool ShowsEmptyHint() const;
    // Shown instead while only what moved is shown and nothing did (no filter or search narrows
    // the rows besides).
    static QString NothingMovedHint() {
        return QStringLiteral(
            "С прошлого обновления ничего не изменилось. Ctrl+Shift+C показывает всю линию");
    }
    bool ShowsNothingMovedHint() const;
    // The text of that hint: NothingMovedHint, or what the grid says when other rules keep the
    // rows ("Только вилки").
    void SetRowRuleHint(const QString& hint) { row_rule_hint_ = hint; }
    const QString& RowRuleHint() const { return row_rule_hint_; }

    // Room for the column header, one row and the horizontal scroll bar. A scroll area asks for
    // its vertical scroll bar's full length by default, which would keep the main window taller
    // than a small or strongly scaled screen (1024 × 600 at 3×).
    QSize minimumSizeHint() const override;

    // The layout column of the focused cell, or -1 (no focused row, or the indent column).
    int FocusedColumn() const;
    // While the find bar is open, Esc in the rows ends the search; otherwise the view lets it pass.
    void SetEscapeEndsSearch(bool ends) { escape_ends_search_ = ends; }

  signals:
    // Enter on a focused event row.
    void EventActivated();
    // Alt+Down or F4: the focused column's filter list (`column` may be -1).
    void FilterListRequested(int column);
    // Ctrl+Shift+S: sort by the focused column.
    void SortRequested(int column);
    // Ctrl+Shift+G: group by the focused column (which may be one that cannot group).
    void GroupRequested(int column);
    // Ctrl+Shift+M: the focused column's menu (-1: no column).
    void ColumnMenuRequested(int column);
    // Esc while the find bar is open.
    void EndSearchRequested();
    // The Menu key or Shift+F10: the popup menu at the focused row.
    void PopupMenuRequested();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

  private:
    // The grid's own keys; false for a key the standard tree view handles.
    bool HandleGridKey(const QKeyEvent& key);
    bool IsGroupRow(const QModelIndex& index) const;
    // Left and Right along an event row: the focused cell moves, so that the column keys know
    // their column.
    void MoveAlongRow(const QModelIndex& current, int step);

    // The counts of what moved under a closed group row ("▲3 ▼2"), after its caption.
    void DrawGroupMarks(QPainter* painter, const QRect& text_rect, int caption_width,
                        const QString& moved, const QColor& background,
                        const QColor& selected_text) const;

    QColor group_background_;
    QColor group_text_;
    bool escape_ends_search_ = false;
    QString row_rule_hint_ = NothingMovedHint();
};

}  // namespace lintaro::views
