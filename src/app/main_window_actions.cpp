// The main window's toolbar, menus and actions as it builds them, and the export of the grid.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/toolbar_images.h"
#include "export/grid_csv.h"
#include "export/grid_worksheet.h"
#include "export/xlsx_export.h"
#include "views/find_bar.h"
#include "views/odds_grid_view.h"
#include "views/user_settings.h"

namespace lintaro::app {

namespace {

constexpr int kToolBarHeight = 31;
constexpr QSize kButtonSize(25, 22);
constexpr int kSeparatorWidth = 8;

// A toolbar separator of a fixed width: an etched line down its middle.
class ToolBarGap : public QWidget {
    Q_OBJECT
  public:
    explicit ToolBarGap(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("tool_bar_gap"));
        setFixedSize(kSeparatorWidth, kButtonSize.height());
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int x = width() / 2 - 1;
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(x, 1, x, height() - 2);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(x + 1, 1, x + 1, height() - 2);
    }
};

// Assistive technology hears a separator where the toolbar has a gap, not an unnamed pane.
QAccessibleInterface* ToolBarGapAccessible(const QString&, QObject* object) {
    auto* gap = qobject_cast<ToolBarGap*>(object);
    return gap != nullptr ? new QAccessibleWidget(gap, QAccessible::Separator) : nullptr;
}

// The files the export writes, in the order its dialog offers them.
enum class ExportFormat { kXls, kXlsx, kCsv };
}  // namespace

QAction* TfrmMain::MakeAction(const char* name, const char* caption, int tag, int image) {
    const QString text = QString::fromUtf8(caption);
    auto* action =
        image >= 0 ? new QAction(ToolbarIcon(image), text, this) : new QAction(text, this);
    action->setObjectName(QString::fromUtf8(name));
    action->setToolTip(text);
    action->setStatusTip(text);
    action->setData(tag);
    if (tag != 0) {
        connect(action, &QAction::triggered, this, [this, action] { ActionExecute(action); });
    }
    return action;
}

QAction* TfrmMain::Action(const char* name) const {
    return findChild<QAction*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
}

void TfrmMain::AddCancelAction() {
    // Esc stops a running refresh; it does nothing at other times.
    auto* cancel = new QAction(QStringLiteral("Прервать обновление"), this);
    cancel->setObjectName(QStringLiteral("actCancelRefresh"));
    cancel->setShortcut(QKeySequence(Qt::Key_Escape));
    cancel->setEnabled(false);
    connect(cancel, &QAction::triggered, this, [this] {
        // During a timed read Esc first ends a search, as it does in the grid at other times.
        if (run_.kind == RefreshKind::kTimed && !ctl_data_grid_->Finder()->isHidden()) {
            ctl_data_grid_->CloseFindBar();
            return;
        }
        CancelRefresh();
    });
    addAction(cancel);
}

void TfrmMain::BuildToolBar() {
    tool_bar_ = new QToolBar(QStringLiteral("Панель инструментов"), this);
    tool_bar_->setObjectName(QStringLiteral("ToolBar1"));
    tool_bar_->setMovable(false);
    tool_bar_->setFloatable(false);
    tool_bar_->setIconSize(QSize(kToolbarImageSize, kToolbarImageSize));
    tool_bar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tool_bar_->setFixedHeight(kToolBarHeight);
    tool_bar_->setContentsMargins(0, 0, 0, 0);
    tool_bar_->setStyleSheet(
        QStringLiteral("QToolBar { spacing: 0px; padding: 0px; border: 0px; }"));
    tool_bar_->toggleViewAction()->setVisible(false);
    static const bool gaps_accessible = [] {
        QAccessible::installFactory(ToolBarGapAccessible);
        return true;
    }();
    (void)gaps_accessible;
    // The toolbar's overflow button shows only when the window is too narrow for the buttons.
    for (QToolButton* button : tool_bar_->findChildren<QToolButton*>()) {
        if (button->objectName() == QLatin1String("qt_toolbar_ext_button")) {
            button->setAccessibleName(QStringLiteral("Другие кнопки"));
        }
    }
    addToolBar(Qt::TopToolBarArea, tool_bar_);

    const auto button = [this](const char* name) {
        QAction* action = Action(name);
        tool_bar_->addAction(action);
        QWidget* widget = tool_bar_->widgetForAction(action);
        widget->setFixedSize(kButtonSize);
        widget->setAccessibleName(action->text());
    };
    tool_bar_->addWidget(new ToolBarGap(tool_bar_));
    button("actFullExpand");
    button("actFullCollaps");
    tool_bar_->addWidget(new ToolBarGap(tool_bar_));
    ctl_bk_combo_ = new QComboBox(tool_bar_);
    ctl_bk_combo_->setObjectName(QStringLiteral("ctl_BKCombo"));
    ctl_bk_combo_->setEditable(false);
    ctl_bk_combo_->addItems(
        {QStringLiteral("Марафон"), QStringLiteral("Пинакл"), QStringLiteral("Обе конторы")});
    // The first start reads the first bookmaker; later ones what the user chose last.
    const std::optional<int> remembered = BookmakerChoiceFromName(
        views::ReadUserSetting(QStringLiteral("bookmaker")).toString().toStdString());
    ctl_bk_combo_->setCurrentIndex(remembered.value_or(kFirstBookmaker));
    ctl_bk_combo_->setFixedWidth(145);
    ctl_bk_combo_->setAccessibleName(QStringLiteral("Букмекер"));
    // A screen reader on Linux names a drop-down list by its current item: the description says
    // what the list is.
    ctl_bk_combo_->setAccessibleDescription(QStringLiteral(
        "Букмекер: чью линию читает обновление; выбор другой конторы обновляет линию (Ctrl+B)"));
    ctl_bk_combo_->setToolTip(QStringLiteral("Букмекер (Ctrl+B)"));
    // A choice is a refresh, so it is made once in the open list: arrows on the closed box open
    // it, and the wheel passing over the toolbar changes nothing.
    ctl_bk_combo_->installEventFilter(this);
    connect(ctl_bk_combo_, &QComboBox::activated, this,
            [this](int choice) { Guarded([this, choice] { BookmakerChosen(choice); }); });
    tool_bar_->addWidget(ctl_bk_combo_);
    button("actRefresh");
    tool_bar_->addWidget(new ToolBarGap(tool_bar_));
    button("actShowDopInfo");
}

void TfrmMain::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("Файл"));
    file->addAction(Action("actSaveToExcel"));
    file->addSeparator();
    file->addAction(Action("actExit"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("Правка"));
    edit->addAction(Action("actRefresh"));
    edit->addAction(Action("actShowDopInfo"));
    edit->addSeparator();
    edit->addAction(Action("actFullExpand"));
    edit->addAction(Action("actFullCollaps"));
    edit->addSeparator();
    edit->addAction(Action("actDelete"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("?"));
    help->setAccessibleName(QStringLiteral("Справка"));
    QAction* about = help->addAction(QStringLiteral("О программе"));
    about->setObjectName(QStringLiteral("N9"));
    connect(about, &QAction::triggered, this, [this] { Guarded([this] { N9Click(); }); });

    popup_menu_ = new QMenu(this);
    popup_menu_->setObjectName(QStringLiteral("PopupMenu1"));
    popup_menu_->addAction(Action("actRefresh"));
    popup_menu_->addAction(Action("actShowDopInfo"));
    popup_menu_->addSeparator();
    popup_menu_->addAction(Action("actFullExpand"));
    popup_menu_->addAction(Action("actFullCollaps"));
    popup_menu_->addSeparator();
    popup_menu_->addAction(Action("actDelete"));
    // Only a compared event with a surebet shows the stakes' item.
    auto* stakes = new QAction(QStringLiteral("Ставки на вилку…"), this);
    stakes->setObjectName(QStringLiteral("actSurebetStakes"));
    stakes->setVisible(false);
    connect(stakes, &QAction::triggered, this,
            [this] { Guarded([this] { ShowSurebetStakes(); }); });
    popup_menu_->addAction(stakes);
    connect(popup_menu_, &QMenu::aboutToShow, this, [this, stakes] {
        const std::optional<ComparedEventView> event = CurrentComparedEvent();
        stakes->setVisible(event && !event->comparison.surebets.empty());
    });
    AddLinkItems();
    // A separator never stands first or last among the visible items, nor after another.
    for (QMenu* menu : {file, edit, help, popup_menu_}) menu->setSeparatorsCollapsible(true);
}
void TfrmMain::SaveToExcel() {
    QString proposed = windowTitle();
    proposed.remove(QLatin1Char('"'));
    // The Excel 4.0 worksheet first, as ever; a workbook for today's spreadsheet programs and the
    // rows as CSV beside it. The order is the ExportFormat order.
    const SaveFileRequest request{
        proposed,
        {{QStringLiteral("Microsoft Excel 4.0 Worksheet (*.xls)"), QStringLiteral("xls")},
         {QStringLiteral("Excel Workbook (*.xlsx)"), QStringLiteral("xlsx")},
         {QStringLiteral("CSV UTF-8 (*.csv)"), QStringLiteral("csv")}},
        /*confirm_overwrite=*/false};
    std::optional<SaveFileAnswer> answer = dialogs_.AskSaveFileName(this, request);
    if (!answer) return;
    QString file_name = answer->file_name;
    // A suffix of one of the formats names the format; otherwise the type chosen does, and its
    // suffix is added when the name has none.
    const QString suffix = QFileInfo(file_name).suffix().toLower();
    int format = -1;
    for (int i = 0; i < request.types.size(); ++i) {
        if (request.types[i].suffix == suffix) format = i;
    }
    if (format < 0) {
        format = std::clamp(answer->type, 0, static_cast<int>(request.types.size()) - 1);
        if (suffix.isEmpty()) file_name += QLatin1Char('.') + request.types[format].suffix;
    }
    const std::string path = QFile::encodeName(file_name).toStdString();
    switch (static_cast<ExportFormat>(format)) {
        case ExportFormat::kXls:
            SaveGridAsWorksheet(file_name, /*all_rows=*/true);
            break;
        case ExportFormat::kXlsx:
            // The same sheet as the worksheet: the grid as it stands, every row.
            worksheet::SaveGridAsXlsx(
                worksheet::DescribeGrid(ctl_data_grid_->Tree(), ctl_data_grid_->Look()), path);
            break;
        case ExportFormat::kCsv:
            worksheet::SaveGridAsCsv(ctl_data_grid_->Tree(), path);
            break;
    }
}

void TfrmMain::SaveGridAsWorksheet(const QString& file_name, bool all_rows) {
    // The grid as it stands (grouping, order, widths) with the live widgets' fonts and colours.
    // A failure reaches ActionExecute's default error report.
    worksheet::SaveGridAsWorksheet(ctl_data_grid_->Tree(), ctl_data_grid_->Look(),
                                   QFile::encodeName(file_name).toStdString(), all_rows);
}
}  // namespace lintaro::app

#include "main_window_actions.moc"
