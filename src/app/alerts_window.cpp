// The alerts' list window: a three-column list, Delete and a button to remove, Esc to close.
#include "app/alerts_window.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace lintaro::app {

AlertsWindow::AlertsWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("alerts_window"));
    setWindowTitle(QStringLiteral("Оповещения"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("alerts_list"));
    list_->setAccessibleName(QStringLiteral("Оповещения"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels(
        {QStringLiteral("Условие"), QStringLiteral("Событие"), QStringLiteral("Состояние")});
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(this);
    remove_ = buttons->addButton(QStringLiteral("Удалить"), QDialogButtonBox::ActionRole);
    remove_->setObjectName(QStringLiteral("alerts_remove"));
    remove_->setToolTip(QStringLiteral("Удалить оповещение (Delete)"));
    QPushButton* close =
        buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    close->setAutoDefault(false);
    remove_->setAutoDefault(false);
    layout->addWidget(buttons);
    connect(remove_, &QPushButton::clicked, this, &AlertsWindow::RemoveCurrent);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    list_->installEventFilter(this);
    resize(640, 260);
}

void AlertsWindow::SetItems(const std::vector<AlertListItem>& items) {
    const int current = list_->currentIndex().row();
    list_->clear();
    for (const AlertListItem& item : items) {
        auto* row = new QTreeWidgetItem(list_, {item.condition, item.event, item.state});
        // A screen reader reads the row as one sentence.
        row->setData(
            0, Qt::AccessibleTextRole,
            item.condition + QStringLiteral(", ") + item.event + QStringLiteral(", ") + item.state);
    }
    if (list_->topLevelItemCount() > 0) {
        list_->setCurrentItem(
            list_->topLevelItem(std::clamp(current, 0, list_->topLevelItemCount() - 1)));
    }
    remove_->setEnabled(list_->topLevelItemCount() > 0);
}

bool AlertsWindow::eventFilter(QObject* watched, QEvent* event) {
    // Delete in the list removes the alert under the focus.
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        RemoveCurrent();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void AlertsWindow::RemoveCurrent() {
    const int row = list_->currentIndex().row();
    if (row >= 0) emit RemoveRequested(row);
}

}  // namespace lintaro::app
