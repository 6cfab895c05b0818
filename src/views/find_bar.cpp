// The find bar's field and close button, and the keys the field answers.
#include "views/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>

namespace lintaro::views {

FindBar::FindBar(QWidget* parent)
    : QWidget(parent),
      field_(new QLineEdit(this)),
      close_(new QToolButton(this)),
      nothing_found_(new QLabel(QStringLiteral("Ничего не найдено"), this)) {
    setObjectName(QStringLiteral("find_bar"));
    setAccessibleName(QStringLiteral("Поиск события"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    auto* label = new QLabel(QStringLiteral("&Найти:"), this);
    label->setBuddy(field_);

    field_->setObjectName(QStringLiteral("find_field"));
    field_->setAccessibleName(QStringLiteral("Найти событие"));
    field_->setAccessibleDescription(QStringLiteral("Команда или турнир"));
    field_->setPlaceholderText(QStringLiteral("Команда или турнир"));
    field_->setToolTip(
        QStringLiteral("Найти событие по командам или турниру (Ctrl+F). Enter: к первому "
                       "найденному; Esc: закрыть поиск"));
    field_->setClearButtonEnabled(true);
    field_->installEventFilter(this);

    close_->setObjectName(QStringLiteral("find_close"));
    close_->setAccessibleName(QStringLiteral("Закрыть поиск"));
    close_->setToolTip(QStringLiteral("Закрыть поиск (Esc)"));
    close_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close_->setAutoRaise(true);
    close_->setFocusPolicy(Qt::TabFocus);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 2, 2);
    layout->setSpacing(4);
    layout->addWidget(label);
    layout->addWidget(field_, 1);
    layout->addWidget(close_);
    nothing_found_->setObjectName(QStringLiteral("find_nothing_found"));
    nothing_found_->hide();
    layout->addWidget(nothing_found_);
    // Wide enough for a team and a tournament, not the whole window.
    field_->setMaximumWidth(field_->fontMetrics().averageCharWidth() * 40);
    layout->addStretch(1);

    connect(field_, &QLineEdit::textChanged, this, &FindBar::TextChanged);
    connect(close_, &QToolButton::clicked, this, &FindBar::CloseRequested);
}

void FindBar::SetNothingFound(bool nothing) { nothing_found_->setVisible(nothing); }

void FindBar::Open() {
    show();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        const bool ours = plain && (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
                                    key->key() == Qt::Key_Enter);
        if (ours && event->type() == QEvent::ShortcutOverride) {
            // The field takes these keys before any shortcut of the window does.
            event->accept();
            return true;
        }
        if (ours) {
            if (key->key() == Qt::Key_Escape) {
                emit CloseRequested();
            } else {
                emit Accepted();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace lintaro::views
