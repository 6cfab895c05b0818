// Filter buttons over the column header.
#include "views/filter_button_strip.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRegion>
#include <algorithm>

#include "views/grid_qstring.h"
#include "views/odds_grid_model.h"

namespace lintaro::views {

FilterButtonStrip::FilterButtonStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("filter_buttons"));
    setAccessibleName(QStringLiteral("Фильтры столбцов"));
}

void FilterButtonStrip::SetLayoutInfo(const grid::GridLayout& layout,
                                      const std::vector<bool>& filtered) {
    const int count = layout.ColumnCount();
    for (int column = count; column < static_cast<int>(buttons_.size()); ++column) {
        if (buttons_[column]) buttons_[column]->deleteLater();
    }
    buttons_.resize(count, nullptr);
    for (int column = 0; column < count; ++column) {
        const grid::GridColumn& c = layout.Column(column);
        const bool wants_button = c.filter && c.visible;
        QToolButton*& button = buttons_[column];
        if (wants_button && !button) {
            button = new QToolButton(this);
            button->setArrowType(Qt::DownArrow);
            button->setAutoRaise(true);
            button->setCheckable(true);
            button->setFocusPolicy(Qt::TabFocus);
            button->setObjectName(QStringLiteral("filter_button_%1").arg(column));
            button->installEventFilter(this);
            connect(button, &QToolButton::clicked, this, [this, column] {
                // A click shows the list; the button shows whether a filter is set, not the click.
                buttons_[column]->setChecked(!buttons_[column]->isChecked());
                emit Clicked(column);
            });
        } else if (!wants_button && button) {
            button->hide();
            button->deleteLater();
            button = nullptr;
        }
        if (button) {
            const QString name = QStringLiteral("Фильтр: ") + FromCp1251(c.caption);
            button->setAccessibleName(name);
            button->setToolTip(name + QStringLiteral(" (Alt+Вниз; меню столбца: Shift+F10)"));
            button->setChecked(column < static_cast<int>(filtered.size()) && filtered[column]);
        }
    }
}

void FilterButtonStrip::Follow(const QHeaderView& header, const OddsGridModel& model) {
    const QWidget* viewport = header.viewport();
    const QPoint origin = viewport->mapTo(parentWidget(), QPoint(0, 0));
    setGeometry(QRect(origin, viewport->size()));
    const int h = viewport->height() > 0 ? viewport->height() : header.sizeHint().height();
    const int side = std::max(10, std::min(16, h - 4));
    QRegion shown;
    for (int column = 0; column < static_cast<int>(buttons_.size()); ++column) {
        QToolButton* button = buttons_[column];
        if (!button) continue;
        const int section = model.ModelColumn(column);
        if (section < 0 || section >= header.count() || header.isSectionHidden(section) ||
            header.sectionSize(section) < side + 4) {
            button->hide();
            continue;
        }
        const int right = header.sectionViewportPosition(section) + header.sectionSize(section);
        const QRect place(right - side - 2, (h - side) / 2, side, side);
        // Only the part over the header's viewport shows, never over the next widget.
        if (place.right() < 0 || place.left() >= viewport->width()) {
            button->hide();
            continue;
        }
        button->setGeometry(place);
        button->show();
        shown += place;
    }
    if (shown.isEmpty()) {
        hide();
        return;
    }
    setMask(shown);
    show();
    raise();
}

bool FilterButtonStrip::eventFilter(QObject* watched, QEvent* event) {
    const auto found = std::find(buttons_.begin(), buttons_.end(), watched);
    if (found == buttons_.end()) return QWidget::eventFilter(watched, event);
    const int column = static_cast<int>(found - buttons_.begin());
    QToolButton* button = *found;
    if (event->type() == QEvent::ContextMenu) {
        const auto* menu_event = static_cast<QContextMenuEvent*>(event);
        const QPoint at = menu_event->reason() == QContextMenuEvent::Mouse
                              ? menu_event->globalPos()
                              : button->mapToGlobal(QPoint(0, button->height()));
        emit MenuRequested(column, at);
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers =
            key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        if ((key->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
            (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
            emit MenuRequested(column, button->mapToGlobal(QPoint(0, button->height())));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QToolButton* FilterButtonStrip::Button(int column) const {
    return column >= 0 && column < static_cast<int>(buttons_.size()) ? buttons_[column] : nullptr;
}

}  // namespace lintaro::views
