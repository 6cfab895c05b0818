// The grid's menus: the column menu (group by the column, the checklist of columns), the filter
// lists under the header's buttons with their custom filter dialog, the popup menu at the focused
// row, and what the footer says when a column cannot group.
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStringList>
#include <QToolButton>
#include <algorithm>

#include "views/filter_button_strip.h"
#include "views/filter_custom_dialog.h"
#include "views/filter_popup.h"
#include "views/footer_bar.h"
#include "views/grid_qstring.h"
#include "views/odds_grid_header.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_tree_view.h"
#include "views/odds_grid_view.h"

namespace lintaro::views {
namespace {

// Keeps a checklist menu open while the user ticks several items: a click, Enter or Space on a
// checkable item toggles it in place (a menu closes on every item it triggers itself).
class ToggleKeepsMenuOpen : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* menu = qobject_cast<QMenu*>(watched);
        if (!menu) return false;
        QAction* action = nullptr;
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            action = menu->actionAt(mouse->position().toPoint());
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space) {
                return false;
            }
            action = menu->activeAction();
        } else {
            return false;
        }
        if (!action || !action->isCheckable() || !action->isEnabled()) return false;
        action->trigger();
        return true;
    }
};

}  // namespace

QMenu* OddsGridView::ActiveHeaderMenu() const { return header_menu_; }

QMenu* OddsGridView::OpenHeaderMenu(int column, const QPoint& global_pos) {
    if (header_menu_) header_menu_->close();
    const grid::GridLayout& layout = Tree().Layout();
    if (column < 0 || column >= layout.ColumnCount()) column = -1;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("header_menu"));
    menu->setAccessibleName(column >= 0 ? QStringLiteral("Столбец: ") +
                                              FromCp1251(layout.Column(column).caption)
                                        : QStringLiteral("Столбцы"));
    if (Tree().CanGroupBy(column) && layout.Column(column).visible) {
        QAction* group = menu->addAction(QStringLiteral("Группировать по этому столбцу"));
        group->setObjectName(QStringLiteral("actGroupByColumn"));
        connect(group, &QAction::triggered, this, [this, column] { GroupByColumn(column); });
    }

    QMenu* columns = menu->addMenu(QStringLiteral("Столбцы"));
    columns->setObjectName(QStringLiteral("columns_menu"));
    const std::vector<int> listed = layout.UserToggleableColumns();
    int band = -1;
    for (const int c : listed) {
        const grid::GridColumn& info = layout.Column(c);
        if (info.band != band) {
            band = info.band;
            columns->addSection(FromCp1251(layout.Bands().at(band).caption));
        }
        QAction* item = columns->addAction(FromCp1251(layout.ChecklistCaption(c)));
        item->setCheckable(true);
        item->setData(c);
        connect(item, &QAction::triggered, this, [this, c, columns](bool on) {
            SetColumnShown(c, on);
            SyncChecklist(columns);
        });
    }
    SyncChecklist(columns);
    columns->installEventFilter(new ToggleKeepsMenuOpen(columns));

    emit HeaderMenuAboutToShow(menu, column);
    header_menu_ = menu;
    menu->popup(global_pos);
    return menu;
}

void OddsGridView::SyncChecklist(QMenu* checklist) const {
    const grid::GridLayout& layout = Tree().Layout();
    std::vector<QAction*> items;
    for (QAction* item : checklist->actions()) {
        if (item->data().isValid()) items.push_back(item);
    }
    const auto shown = std::count_if(items.begin(), items.end(), [&layout](QAction* item) {
        return layout.Column(item->data().toInt()).visible;
    });
    for (QAction* item : items) {
        const bool visible = layout.Column(item->data().toInt()).visible;
        item->setChecked(visible);
        // The last shown column stays: a grid without columns would leave nothing to click.
        item->setEnabled(!(visible && shown == 1));
    }
}

void OddsGridView::OpenHeaderMenuBelow(int column) {
    const int section = model_->ModelColumn(column);
    const int x = section >= 0 ? header_->sectionViewportPosition(section) : 0;
    QMenu* menu =
        OpenHeaderMenu(column, header_->viewport()->mapToGlobal(QPoint(x, header_->height())));
    // Opened from the keyboard: the first item is ready for Enter.
    if (!menu->actions().isEmpty()) menu->setActiveAction(menu->actions().first());
}

FilterPopup* OddsGridView::OpenFilterPopup(int column) {
    QToolButton* button = filters_->Button(column);
    if (!button) return nullptr;
    if (filter_popup_) filter_popup_->close();
    const grid::GridColumn& c = Tree().Layout().Column(column);
    auto* popup = new FilterPopup(FromCp1251(c.caption), Tree().FilterList(column), this);
    filter_popup_ = popup;
    connect(popup, &FilterPopup::EntryChosen, this,
            [this, column](const grid::FilterListEntry& entry) {
                if (const auto filter = grid::FilterForEntry(entry)) {
                    SetColumnFilter(column, *filter);
                } else {
                    OpenCustomFilterDialog(column);
                }
            });
    const int section = model_->ModelColumn(column);
    const QPoint below = header_->viewport()->mapToGlobal(
        QPoint(header_->sectionViewportPosition(section), header_->height()));
    const int rows = std::min(popup->List()->count(), 20);
    const int row_height = std::max(popup->List()->sizeHintForRow(0), fontMetrics().height());
    popup->resize(std::max(header_->sectionSize(section), 200), rows * row_height + 8);
    popup->move(below);
    popup->show();
    return popup;
}

FilterPopup* OddsGridView::ActiveFilterPopup() const { return filter_popup_; }

CustomFilterDialog* OddsGridView::ActiveCustomFilterDialog() const { return custom_dialog_; }

CustomFilterDialog* OddsGridView::OpenCustomFilterDialog(int column) {
    if (column < 0 || column >= Tree().Layout().ColumnCount()) return nullptr;
    if (custom_dialog_) custom_dialog_->close();
    std::vector<std::string> values;
    for (const grid::FilterListEntry& entry : Tree().FilterList(column)) {
        if (entry.kind == grid::FilterListEntry::Kind::kValue) values.push_back(entry.text);
    }
    auto* dialog = new CustomFilterDialog(FromCp1251(Tree().Layout().Column(column).caption),
                                          values, Tree().Filter(column), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    custom_dialog_ = dialog;
    connect(dialog, &QDialog::accepted, this,
            [this, column, dialog] { SetColumnFilter(column, dialog->Filter()); });
    dialog->open();
    return dialog;
}

void OddsGridView::SayCannotGroup(int column) {
    // Short enough for the footer; the columns that can group named by their captions.
    const grid::GridLayout& layout = Tree().Layout();
    QStringList can;
    for (int c = 0; c < layout.ColumnCount(); ++c) {
        const grid::GridColumn& info = layout.Column(c);
        if (layout.CanGroupBy(c) && !info.disable_caption) {
            can << QStringLiteral("«") + FromCp1251(info.caption) + QStringLiteral("»");
        }
    }
    QString text = QStringLiteral("«") + FromCp1251(layout.Column(column).caption) +
                   QStringLiteral("» не группирует строки");
    if (!can.isEmpty()) {
        text += QStringLiteral(": группируют только ") + can.join(QStringLiteral(" и "));
    }
    footer_->SetStatus(text);
    QApplication::beep();
}

void OddsGridView::OpenPopupMenuAtFocus() {
    if (!popup_menu_) return;
    const QRect cell = tree_->visualRect(tree_->currentIndex());
    const QPoint at = cell.isValid() ? cell.bottomLeft() : QPoint(0, 0);
    popup_menu_->popup(tree_->viewport()->mapToGlobal(at));
}

}  // namespace lintaro::views
