// Group panel buttons, drops and drags.
#include "views/group_panel.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "views/grid_drag.h"

namespace lintaro::views {
namespace {

constexpr int kMargin = 6;
constexpr int kStepDown = 8;  // each level's button sits this much lower than the one before
constexpr int kGap = 10;

}  // namespace

GroupPanel::GroupPanel(QWidget* parent) : QFrame(parent) {
    setAccessibleName(QStringLiteral("Панель группировки"));
    setFrameStyle(QFrame::NoFrame);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Dark);
    setAcceptDrops(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    empty_label_ =
        new QLabel(QStringLiteral("Drag a column header here to group by that column"), this);
    empty_label_->setObjectName(QStringLiteral("group_panel_hint"));
    empty_label_->setAccessibleName(empty_label_->text());
    QPalette palette = empty_label_->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Light));
    empty_label_->setPalette(palette);
}

void GroupPanel::SetLevels(const std::vector<Level>& levels) {
    // Unchanged levels keep their buttons (and the keyboard focus on one of them).
    if (levels == levels_ && buttons_.size() == levels.size()) return;
    levels_ = levels;
    for (QToolButton* button : buttons_) {
        button->hide();  // at once: the deletion waits for the event loop
        button->deleteLater();
    }
    buttons_.clear();
    for (size_t level = 0; level < levels.size(); ++level) {
        auto* button = new QToolButton(this);
        button->setText(levels[level].caption);
        button->setAccessibleName(levels[level].caption);
        button->setAccessibleDescription(levels[level].descending
                                             ? QStringLiteral("Группировка по убыванию")
                                             : QStringLiteral("Группировка по возрастанию"));
        button->setObjectName(QStringLiteral("group_level_%1").arg(level));
        button->setToolTip(levels[level].caption +
                           QStringLiteral(": щелчок меняет порядок, Delete убирает группировку"));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setArrowType(levels[level].descending ? Qt::DownArrow : Qt::UpArrow);
        button->setFocusPolicy(Qt::TabFocus);
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this,
                [this, level] { emit LevelClicked(static_cast<int>(level)); });
        buttons_.push_back(button);
    }
    empty_label_->setVisible(levels.empty());
    PlaceButtons();
    for (QToolButton* button : buttons_) button->show();
    updateGeometry();
}

QToolButton* GroupPanel::LevelButton(int level) const {
    return level >= 0 && level < LevelCount() ? buttons_[level] : nullptr;
}

void GroupPanel::PlaceButtons() {
    int x = kMargin;
    for (size_t level = 0; level < buttons_.size(); ++level) {
        QToolButton* button = buttons_[level];
        const QSize size = button->sizeHint();
        button->setGeometry(x, kMargin + static_cast<int>(level) * kStepDown, size.width(),
                            size.height());
        x += size.width() + kGap;
    }
    const QSize hint = empty_label_->sizeHint();
    empty_label_->setGeometry(kMargin, (height() - hint.height()) / 2, hint.width(), hint.height());
}

QSize GroupPanel::sizeHint() const {
    const int button_height = QToolButton().sizeHint().height();
    const int levels = std::max(1, LevelCount());
    return {200, 2 * kMargin + button_height + (levels - 1) * kStepDown};
}

void GroupPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    PlaceButtons();
}

int GroupPanel::LevelAt(int x) const {
    for (int level = 0; level < LevelCount(); ++level) {
        const QRect r = buttons_[level]->geometry();
        if (x < r.center().x()) return level;
    }
    return LevelCount();
}

bool GroupPanel::Accepts(const QMimeData* mime) const {
    const auto drag = ReadColumnMime(mime);
    if (!drag) return false;
    if (drag->from_group_panel) return true;
    return drag->column >= 0 && drag->column < static_cast<int>(droppable_.size()) &&
           droppable_[drag->column];
}

void GroupPanel::dragEnterEvent(QDragEnterEvent* event) {
    if (Accepts(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void GroupPanel::dragMoveEvent(QDragMoveEvent* event) {
    if (Accepts(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void GroupPanel::dropEvent(QDropEvent* event) {
    if (!Accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const auto drag = ReadColumnMime(event->mimeData());
    emit ColumnDropped(drag->column, LevelAt(event->position().toPoint().x()));
}

bool GroupPanel::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QToolButton*>(watched);
    const auto it = std::find(buttons_.begin(), buttons_.end(), button);
    if (it == buttons_.end()) return QFrame::eventFilter(watched, event);
    const int level = static_cast<int>(it - buttons_.begin());
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            press_pos_ = mouse->position().toPoint();
            press_level_ = level;
        }
    } else if (event->type() == QEvent::MouseMove && press_level_ == level) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if ((mouse->buttons() & Qt::LeftButton) &&
            (mouse->position().toPoint() - press_pos_).manhattanLength() >=
                QApplication::startDragDistance()) {
            press_level_ = -1;
            const int column = levels_[level].column;
            button->setDown(false);
            auto* drag = new QDrag(this);
            drag->setMimeData(MakeColumnMime({column, true}).release());
            drag->setPixmap(button->grab());
            drag->setHotSpot(press_pos_);
            // Dropped where nothing takes it (away from the panel and the header): ungroup.
            if (drag->exec(Qt::MoveAction) == Qt::IgnoreAction) emit ColumnDraggedOut(column);
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        press_level_ = -1;
    } else if (event->type() == QEvent::KeyPress) {
        // The keyboard's way of dragging a button out: Delete ungroups its column.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            emit ColumnDraggedOut(levels_[level].column);
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace lintaro::views
