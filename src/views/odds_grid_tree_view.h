// The QTreeView of the odds grid: a standard tree view (keyboard, selection, accessibility as
// usual) that draws each group row's text once across the whole row, shows the whole text of
// a cut cell as its tooltip, and a hint on how to load the line while there is nothing to show.
#pragma once

#include <QColor>
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

    // Room for the column header, one row and the horizontal scroll bar. A scroll area asks for
    // its vertical scroll bar's full length by default, which would keep the main window taller
    // than a small or strongly scaled screen (1024 × 600 at 3×).
    QSize minimumSizeHint() const override;

  protected:
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

  private:
    // The counts of what moved under a closed group row ("▲3 ▼2"), after its caption.
    void DrawGroupMarks(QPainter* painter, const QRect& text_rect, int caption_width,
                        const QString& moved, const QColor& background,
                        const QColor& selected_text) const;

    QColor group_background_;
    QColor group_text_;
};

}  // namespace lintaro::views
