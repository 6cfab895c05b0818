// The main window: its start state, toolbar, actions and menus, the refresh, delete, export and
// show-event-sheet handlers with their exact boxes, and the double-click rule. Boxes and dialogs
// are answered by FakeDialogs, so no test waits on a modal loop.
#include "app/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <memory>
#include <sstream>

#include "app/command_line.h"
#include "app/toolbar_images.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "export/row_format.h"
#include "fake_dialogs.h"
#include "grid/colour_contrast.h"
#include "grid/grid_layout.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"
#include "views/about_window.h"
#include "views/event_sheet_window.h"
#include "views/find_bar.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_view.h"

using lintaro::app::TfrmMain;
using lintaro::app::testing::FakeDialogs;
using lintaro::app::testing::WaitForRefresh;
using lintaro::table::FieldValue;
using lintaro::table::Unassigned;

namespace {

// A row of `sport`, `tournament` with the event sheet `dop_info` (nullopt: the row gives 19
// values, so the sheet stays null).
std::vector<FieldValue> Row(const char* sport, const char* tournament, int key,
                            std::optional<std::string> dop_info) {
    std::vector<FieldValue> values;
    values.emplace_back(lintaro::table::Utf8ToCp1251(sport));
    values.emplace_back(lintaro::table::Utf8ToCp1251(tournament));
    values.emplace_back(45000.75);
    values.emplace_back(std::string("Home"));
    values.emplace_back(std::string("Guest"));
    for (int price = 0; price < 13; ++price) values.push_back(1.5 + price);
    values.push_back(int32_t(key));
    if (dop_info) values.push_back(lintaro::table::Utf8ToCp1251(*dop_info));
    return values;
}

// Every visible item of a menu as it shows: separators that collapse are left out.
QStringList ShownItems(QMenu* menu) {
    menu->adjustSize();
    QStringList shown;
    for (QAction* action : menu->actions()) {
        if (!action->isVisible() || menu->actionGeometry(action).isEmpty()) continue;
        shown << (action->isSeparator() ? QStringLiteral("—") : action->text());
    }
    return shown;
}

// The model index of the event row that shows table row `table_row`.
QModelIndex EventIndex(QAbstractItemModel* model, int table_row, const QModelIndex& parent = {}) {
    for (int r = 0; r < model->rowCount(parent); ++r) {
        const QModelIndex index = model->index(r, 0, parent);
        if (model->data(index, lintaro::views::OddsGridModel::kTableRowRole).toInt() == table_row) {
            return index;
        }
        const QModelIndex found = EventIndex(model, table_row, index);
        if (found.isValid()) return found;
    }
    return {};
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<TfrmMain> window_;

    QAction* Act(const char* name) { return window_->Action(name); }
    void FillTable(const std::vector<std::vector<FieldValue>>& rows) {
        window_->cds_Data().ResetTable();
        for (const auto& row : rows) window_->cds_Data().InsertRow(row);
    }
    // Focuses the grid's event row of table row `row`, as a user's click would.
    void FocusEvent(int row) {
        window_->ActionExecute(Act("actFullExpand"));
        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        tree->setCurrentIndex(EventIndex(tree->model(), row));
    }

  private slots:
    void init() {
        dialogs_ = std::make_unique<FakeDialogs>();
        window_ = std::make_unique<TfrmMain>(*dialogs_);
    }
    void cleanup() {
        window_.reset();
        dialogs_.reset();
    }

    void StartState() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Lintaro"));
        QVERIFY(!window_->isVisible());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        // Offscreen there is no frame: the outer size is the client size.
        QCOMPARE(window_->frameGeometry().size(), QSize(937, 531));
        QVERIFY(!window_->cds_Data().IsOpen());
        QCOMPARE(window_->ctl_DataGrid()->TreeView()->model()->rowCount(), 0);
        QVERIFY(!Act("actShowDopInfo")->isEnabled());
        // The hidden export reads as disabled too, as every hidden action does.
        for (const char* name :
             {"actRefresh", "actFullExpand", "actFullCollaps", "actDelete", "actExit"}) {
            QVERIFY2(Act(name)->isEnabled(), name);
        }
        // The selector shows, at the first bookmaker when no choice was ever made.
        QComboBox* combo = window_->ctl_BKCombo();
        QVERIFY(combo->isVisible());
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QStringLiteral("Марафон"));
        QCOMPARE(combo->itemText(1), QStringLiteral("Пинакл"));
        QCOMPARE(combo->itemText(2), QStringLiteral("Обе конторы"));
        QCOMPARE(combo->currentIndex(), 0);
        QVERIFY(!combo->isEditable());
        QCOMPARE(combo->accessibleName(), QStringLiteral("Букмекер"));
        // The three other windows exist, hidden.
        QVERIFY(window_->AboutWindow() != nullptr && !window_->AboutWindow()->isVisible());
        QVERIFY(window_->EventSheetWindow() != nullptr &&
                !window_->EventSheetWindow()->isVisible());
    }

    void ActionsAsLaidOut_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("has_image");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("visible");
        QTest::newRow("refresh") << "actRefresh" << 1 << "Обновить" << true << "F5" << true;
        QTest::newRow("expand") << "actFullExpand" << 2 << "Развернуть группы" << true << ""
                                << true;
        QTest::newRow("collapse") << "actFullCollaps" << 3 << "Свернуть группы" << true << ""
                                  << true;
        QTest::newRow("export") << "actSaveToExcel" << 6 << "Конвертировать данные в Excel" << true
                                << "" << true;
        QTest::newRow("delete") << "actDelete" << 8 << "Удалить событие" << false << "" << true;
        QTest::newRow("exit") << "actExit" << 10 << "Выход" << false << "" << true;
        QTest::newRow("event sheet")
            << "actShowDopInfo" << 0 << "Показать роспись" << true << "" << true;
    }
    void ActionsAsLaidOut() {
        QFETCH(QString, name);
        QFETCH(int, tag);
        QFETCH(QString, caption);
        QFETCH(bool, has_image);
        QFETCH(QString, shortcut);
        QFETCH(bool, visible);
        QAction* action = Act(name.toUtf8().constData());
        QVERIFY(action != nullptr);
        QCOMPARE(action->data().toInt(), tag);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->toolTip(), caption);
        QCOMPARE(!action->icon().isNull(), has_image);
        QCOMPARE(action->shortcut().toString(), shortcut);
        QCOMPARE(action->isVisible(), visible);
    }

    void ToolBarItemsAndWidths() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QToolBar* bar = window_->ToolBar();
        QCOMPARE(bar->height(), 31);
        QVERIFY(!bar->isMovable());
        QStringList items;
        QList<int> widths;
        for (QAction* action : bar->actions()) {
            QWidget* widget = bar->widgetForAction(action);
            if (widget == nullptr || !widget->isVisible()) continue;
            auto* button = qobject_cast<QToolButton*>(widget);
            items << (button != nullptr                  ? button->defaultAction()->objectName()
                      : widget == window_->ctl_BKCombo() ? widget->objectName()
                                                         : "|");
            widths << widget->width();
        }
        QCOMPARE(items, (QStringList{"|", "actFullExpand", "actFullCollaps", "|", "ctl_BKCombo",
                                     "actRefresh", "|", "actShowDopInfo"}));
        QCOMPARE(widths, (QList<int>{8, 25, 25, 8, 145, 25, 8, 25}));
        // Buttons show only their 16 × 16 image, with the hint as tooltip and accessible name.
        auto* refresh = qobject_cast<QToolButton*>(bar->widgetForAction(Act("actRefresh")));
        QCOMPARE(refresh->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(bar->iconSize(), QSize(16, 16));
        QCOMPARE(refresh->toolTip(), QStringLiteral("Обновить"));
        QCOMPARE(refresh->accessibleName(), QStringLiteral("Обновить"));
    }

    void NineDistinctImages() {
        QList<QImage> images;
        for (int i = 0; i < lintaro::app::kToolbarImageCount; ++i) {
            const QImage image = lintaro::app::ToolbarImage(i).toImage();
            QCOMPARE(image.size(), QSize(16, 16));
            QVERIFY(image.hasAlphaChannel());
            QCOMPARE(image.pixelColor(0, 15).alpha(), 0);  // transparent background
            QVERIFY(!images.contains(image));
            images << image;
        }
        QVERIFY(lintaro::app::ToolbarImage(9).isNull());
    }

    // On a dark toolbar the pictures' outlines and bars take lighter inks that read at 4.5:1, so
    // the expand and collapse trees do not vanish; on a light one they are drawn as they always
    // were. The toolbar's icons follow the application palette as they are drawn.
    void ImagesReadOnADarkToolbar() {
        const QColor dark(53, 53, 53);
        const QColor light(240, 240, 240);
        const auto readable_pixels = [](const QImage& image, const QColor& background) {
            const lintaro::grid::Rgb bg{uint8_t(background.red()), uint8_t(background.green()),
                                        uint8_t(background.blue())};
            int count = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.alpha() < 255) continue;
                    const lintaro::grid::Rgb rgb{uint8_t(c.red()), uint8_t(c.green()),
                                                 uint8_t(c.blue())};
                    count += lintaro::grid::ContrastRatio(rgb, bg) >= 4.5;
                }
            }
            return count;
        };
        for (const int expand_or_collapse : {0, 1}) {
            const QImage on_light = lintaro::app::ToolbarImage(expand_or_collapse).toImage();
            QCOMPARE(lintaro::app::ToolbarImage(expand_or_collapse, light).toImage(), on_light);
            const QImage on_dark = lintaro::app::ToolbarImage(expand_or_collapse, dark).toImage();
            // Every opaque pixel of the light picture on the dark toolbar: few read. Of the dark
            // variant: its outlines and bars do.
            QVERIFY(readable_pixels(on_light, dark) < 5);
            QVERIFY2(readable_pixels(on_dark, dark) >= 30,
                     qPrintable(QString::number(readable_pixels(on_dark, dark))));
        }
        const QPalette before = QApplication::palette();
        QPalette dark_palette = before;
        dark_palette.setColor(QPalette::Window, dark);
        QApplication::setPalette(dark_palette);
        const QImage drawn = lintaro::app::ToolbarIcon(0).pixmap(16, 16).toImage();
        QApplication::setPalette(before);
        QCOMPARE(
            drawn.convertToFormat(QImage::Format_ARGB32),
            lintaro::app::ToolbarImage(0, dark).toImage().convertToFormat(QImage::Format_ARGB32));
    }

    void MenusShowTheirItemsWithSeparatorsReduced() {
        const QList<QAction*> top = window_->menuBar()->actions();
        QCOMPARE(top.size(), 3);
        QCOMPARE(top[0]->text(), QStringLiteral("Файл"));
        QCOMPARE(top[1]->text(), QStringLiteral("Правка"));
        QCOMPARE(top[2]->text(), QStringLiteral("?"));
        QCOMPARE(ShownItems(top[0]->menu()),
                 (QStringList{"Конвертировать данные в Excel", "—", "Выход"}));
        const QStringList edit{"Обновить",          "Показать роспись", "—",
                               "Развернуть группы", "Свернуть группы",  "—",
                               "Удалить событие"};
        QCOMPARE(ShownItems(top[1]->menu()), edit);
        QCOMPARE(ShownItems(top[2]->menu()), QStringList{"О программе"});
        QCOMPARE(ShownItems(window_->PopupMenu()), edit);
    }

    void RefreshAsksAndNoLeavesTheRowsAlone() {
        FillTable({Row("футбол", "Лига", 1, "<b>x</b>")});
        dialogs_->answers = {QMessageBox::No};
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        // F5 with the focus in the grid.
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        window_->ctl_DataGrid()->TreeView()->setFocus();
        QTest::keyClick(window_->ctl_DataGrid()->TreeView(), Qt::Key_F5);
        QCOMPARE(dialogs_->boxes.size(), 1);
        const lintaro::app::MessageBoxRequest& box = dialogs_->boxes[0];
        QCOMPARE(box.text, QStringLiteral("Обновить данные?"));
        QCOMPARE(box.caption, QStringLiteral("Confirm"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button_texts, (QStringList{"&Yes", "&No"}));
        QCOMPARE(window_->cds_Data().RowCount(), 1);
    }

    void RefreshYesLoadsTheFirstBookmakerCollapsed() {
        lintaro::demo::DemoOptions options;
        options.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
        lintaro::demo::DemoServer server(options);
        server.Start();
        window_->SetFirstHost(server.FirstHost());
        window_->SetSecondHost(server.SecondHost());
        window_->ActionExecute(Act("actRefresh"));
        QVERIFY(WaitForRefresh(*window_));
        QCOMPARE(dialogs_->boxes.size(), 1);  // the question, and no failure
        const auto published = lintaro::demo::PublishedFirstRows(options, *options.today);
        QCOMPARE(window_->cds_Data().Rows(), published);
        // Collapsed: one row per sport, none expanded.
        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        QVERIFY(tree->model()->rowCount() > 1);
        for (int r = 0; r < tree->model()->rowCount(); ++r) {
            QVERIFY(!tree->isExpanded(tree->model()->index(r, 0)));
        }
        QVERIFY(Act("actRefresh")->isEnabled());
        QVERIFY(!window_->IsRefreshing());
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        // Expand shows every event row; collapse goes back to the sports.
        window_->ActionExecute(Act("actFullExpand"));
        QVERIFY(tree->isExpanded(tree->model()->index(0, 0)));
        window_->ActionExecute(Act("actFullCollaps"));
        QVERIFY(!tree->isExpanded(tree->model()->index(0, 0)));

        // The second bookmaker through the selector's index.
        window_->ctl_BKCombo()->setCurrentIndex(1);
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        QCOMPARE(dialogs_->boxes.size(), 1);  // no question this time
        QCOMPARE(window_->cds_Data().Rows(),
                 lintaro::demo::PublishedSecondRows(options, *options.today));
    }

    // The selector by keyboard: Ctrl+B opens its list, arrows on the closed box open it too
    // (a choice is a refresh, so it is made once); a choice asks as F5 does, reads that line and
    // is remembered for the next window; No puts the selector back on the line shown; the
    // command line's choice holds for its run only.
    void SelectorChoiceIsARefreshOfThatLineAndIsRemembered() {
        QTemporaryDir config;
        QVERIFY(config.isValid());
        const QByteArray config_before = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", config_before); });
        window_ = std::make_unique<TfrmMain>(*dialogs_);
        lintaro::demo::DemoOptions options;
        options.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
        lintaro::demo::DemoServer server(options);
        server.Start();
        window_->SetFirstHost(server.FirstHost());
        window_->SetSecondHost(server.SecondHost());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QComboBox* combo = window_->ctl_BKCombo();
        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        const auto choose = [&](int steps) {
            QTRY_VERIFY(combo->view()->isVisible());
            for (int i = 0; i < std::abs(steps); ++i) {
                QTest::keyClick(combo->view(), steps > 0 ? Qt::Key_Down : Qt::Key_Up);
            }
            QTest::keyClick(combo->view(), Qt::Key_Return);
            QTRY_VERIFY(!combo->view()->isVisible());
        };

        window_->RefreshWithoutQuestion();  // the first bookmaker's line on screen
        QVERIFY(WaitForRefresh(*window_));
        QVERIFY(dialogs_->boxes.isEmpty());

        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_B, Qt::ControlModifier);
        choose(1);  // "Пинакл"
        QCOMPARE(dialogs_->boxes.size(), 1);
        QCOMPARE(dialogs_->boxes[0].text, QStringLiteral("Обновить данные?"));
        QVERIFY(WaitForRefresh(*window_));
        QCOMPARE(dialogs_->boxes.size(), 1);
        QCOMPARE(window_->cds_Data().Rows(),
                 lintaro::demo::PublishedSecondRows(options, *options.today));
        QVERIFY(!tree->isExpanded(tree->model()->index(0, 0)));  // collapsed, as after F5
        // Another bookmaker's line is no movement of the line before: nothing new, nothing gone.
        QVERIFY2(!window_->ReadStatus().contains(QStringLiteral("новых событий")),
                 qPrintable(window_->ReadStatus()));

        // Down on the closed box opens the list and changes nothing yet; "Марафон", then No.
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(dialogs_->boxes.size(), 1);
        QCOMPARE(combo->currentIndex(), 1);
        dialogs_->answers = {QMessageBox::No};
        choose(-1);
        QCOMPARE(dialogs_->boxes.size(), 2);
        QCOMPARE(combo->currentIndex(), 1);
        QVERIFY(!window_->IsRefreshing());
        QCOMPARE(window_->cds_Data().Rows(),
                 lintaro::demo::PublishedSecondRows(options, *options.today));
        // Choosing the line on screen asks nothing.
        QTest::keyClick(combo, Qt::Key_Down);
        choose(0);
        QCOMPARE(dialogs_->boxes.size(), 2);

        // The next run starts where this one was left.
        FakeDialogs other_dialogs;
        auto other = std::make_unique<TfrmMain>(other_dialogs);
        QCOMPARE(other->ctl_BKCombo()->currentIndex(), 1);
        // --bookmaker sets a run's choice without changing the one remembered.
        other->SetBookmaker(lintaro::app::kBothBookmakers, /*remember=*/false);
        QCOMPARE(other->ctl_BKCombo()->currentIndex(), 2);
        other = std::make_unique<TfrmMain>(other_dialogs);
        QCOMPARE(other->ctl_BKCombo()->currentIndex(), 1);
        // A settings file that names no choice is the first start's.
        QFile settings(config.filePath(QStringLiteral("lintaro/lintaro.conf")));
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write("[General]\nbookmaker=third\n");
        settings.close();
        other = std::make_unique<TfrmMain>(other_dialogs);
        QCOMPARE(other->ctl_BKCombo()->currentIndex(), 0);
    }

    void RefreshThatFailsShowsTheReadersMessageAndCollapses() {
        window_->SetFirstHost("127.0.0.1:1");  // nothing listens on port 1
        window_->RefreshWithoutQuestion();
        QVERIFY(WaitForRefresh(*window_));
        QCOMPARE(dialogs_->boxes.size(), 1);
        QCOMPARE(dialogs_->boxes[0].text,
                 QStringLiteral("Не удалось получить страницу со списком турниров."));
        QCOMPARE(dialogs_->boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(dialogs_->boxes[0].buttons, QMessageBox::Ok);
        QVERIFY(window_->cds_Data().IsOpen());
        QCOMPARE(window_->cds_Data().RowCount(), 0);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(Act("actRefresh")->isEnabled());
    }

    void DeleteGivesTheTablesOwnMessages() {
        // Closed table, then an open empty one: Yes, then the "Ошибка" box.
        window_->ActionExecute(Act("actDelete"));
        QCOMPARE(dialogs_->boxes.size(), 2);
        QCOMPARE(dialogs_->boxes[0].text, QStringLiteral("Удалить событие?"));
        QCOMPARE(dialogs_->boxes[0].caption, QStringLiteral("Запрос"));
        QCOMPARE(dialogs_->boxes[0].icon, QMessageBox::Question);
        QCOMPARE(dialogs_->boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(dialogs_->boxes[1].text,
                 QStringLiteral("cds_Data: Cannot perform this operation on a closed dataset"));
        QCOMPARE(dialogs_->boxes[1].caption, QStringLiteral("Ошибка"));
        QCOMPARE(dialogs_->boxes[1].icon, QMessageBox::Critical);
        QCOMPARE(dialogs_->boxes[1].buttons, QMessageBox::Ok);

        window_->cds_Data().ResetTable();
        window_->ActionExecute(Act("actDelete"));
        QCOMPARE(dialogs_->boxes.size(), 4);
        QCOMPARE(dialogs_->boxes[3].text,
                 QStringLiteral("cds_Data: Cannot perform this operation on an empty dataset"));
        QVERIFY(window_->cds_Data().IsOpen());

        // No keeps the row; Yes deletes the focused one.
        FillTable({Row("футбол", "Лига", 1, "a"), Row("футбол", "Лига", 2, "b")});
        FocusEvent(1);
        dialogs_->answers = {QMessageBox::No};
        window_->ActionExecute(Act("actDelete"));
        QCOMPARE(window_->cds_Data().RowCount(), 2);
        window_->ActionExecute(Act("actDelete"));
        QCOMPARE(window_->cds_Data().RowCount(), 1);
        QCOMPARE(window_->cds_Data().FieldText("dop_info"), std::string("a"));
    }

    void ShowEventSheetFollowsTheCurrentRow() {
        FillTable({Row("футбол", "Лига", 1, ""), Row("футбол", "Лига", 2, "<b>Роспись Б</b>"),
                   Row("теннис", "Кубок", 3, std::nullopt)});
        QAction* show = Act("actShowDopInfo");
        const auto at_row = [&](int row) {
            FocusEvent(row);
            window_->actShowDopInfoUpdate();
            return show->isEnabled();
        };
        QVERIFY(!at_row(0));  // the empty text
        QVERIFY(at_row(1));
        QVERIFY(!at_row(2));  // null reads as the empty text
        QVERIFY(at_row(1));

        window_->actShowDopInfoExecute();
        QCOMPARE(dialogs_->modals.size(), 1);
        QCOMPARE(dialogs_->modals[0], window_->EventSheetWindow());
        QVERIFY(window_->EventSheetWindow()->WebBrowser()->document()->toPlainText().contains(
            QStringLiteral("Роспись Б")));
    }

    // F10 opens the menu bar; Enter on an event shows its sheet as a double-click does.
    void KeysOpenTheMenuBarAndTheSheet() {
        FillTable({Row("футбол", "Лига", 1, ""), Row("футбол", "Лига", 2, "<p>Лист</p>")});
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        FocusEvent(0);
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Return);  // no sheet: nothing
        QCOMPARE(dialogs_->modals.size(), 0);
        FocusEvent(1);
        QTest::keyClick(tree, Qt::Key_Return);
        QCOMPARE(dialogs_->modals.size(), 1);

        QTest::keyClick(tree, Qt::Key_F10);
        QMenuBar* bar = window_->menuBar();
        QCOMPARE(bar->activeAction(), bar->actions().first());
        QTRY_VERIFY(bar->actions().first()->menu()->isVisible());
        bar->actions().first()->menu()->close();
    }

    // Ctrl+F is the window's key: from the toolbar too it opens the grid's find bar, which no menu
    // lists; Esc in the field closes it again.
    void CtrlFOpensTheFindBarFromAnywhereInTheWindow() {
        FillTable({Row("футбол", "Лига", 1, ""), Row("футбол", "Лига", 2, "")});
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        lintaro::views::OddsGridView* grid = window_->ctl_DataGrid();
        QVERIFY(grid->Finder()->isHidden());
        QToolBar* toolbar = window_->findChild<QToolBar*>();
        toolbar->setFocus();
        QTest::keyClick(toolbar, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(grid->Finder()->isVisible());
        QVERIFY(grid->Finder()->Field()->hasFocus());
        QTest::keyClick(grid->Finder()->Field(), Qt::Key_Escape);
        QVERIFY(grid->Finder()->isHidden());
        QVERIFY(grid->TreeView()->hasFocus());
        for (QAction* menu : window_->menuBar()->actions()) {
            for (QAction* item : menu->menu()->actions()) {
                QVERIFY(item->shortcut() != QKeySequence(QStringLiteral("Ctrl+F")));
            }
        }
    }

    // The header's menu carries the window's own items: the marks switch and the timed refresh.
    void HeaderMenuSwitchesMarksAndTheTimedRefresh() {
        QMenu menu;
        emit window_->ctl_DataGrid()->HeaderMenuAboutToShow(&menu, lintaro::grid::kColDate);
        QAction* marks = menu.findChild<QAction*>(QStringLiteral("actShowMarks"));
        QVERIFY(marks);
        QVERIFY(marks->isChecked());
        marks->trigger();
        QVERIFY(!window_->ctl_DataGrid()->Model()->CellMarksShown());
        QMenu* every = menu.findChild<QMenu*>(QStringLiteral("auto_refresh_menu"));
        QVERIFY(every);
        QCOMPARE(ShownItems(every),
                 (QStringList{"1 мин", "2 мин", "5 мин", "10 мин", "не обновлять"}));
        every->actions()[2]->trigger();
        QCOMPARE(window_->AutoRefreshMinutes(), 5);
        every->actions()[4]->trigger();
        QCOMPARE(window_->AutoRefreshMinutes(), 0);
    }

    // With the focus on a sport row, a tournament row, or nowhere after a filter took the focused
    // event away, there is no current event: Delete and the sheet are disabled and do nothing.
    void GroupRowsLeaveNoCurrentEvent_data() {
        QTest::addColumn<int>("focus");
        QTest::newRow("sport row") << 0;
        QTest::newRow("tournament row") << 1;
        QTest::newRow("event filtered away") << 2;
    }
    void GroupRowsLeaveNoCurrentEvent() {
        QFETCH(int, focus);
        FillTable({Row("бейсбол", "MLB", 1, "<b>a</b>"), Row("футбол", "Лига", 2, "<b>b</b>")});
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        FocusEvent(1);
        QVERIFY(Act("actDelete")->isEnabled());
        QVERIFY(Act("actShowDopInfo")->isEnabled());
        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        const QModelIndex baseball = tree->model()->index(0, 0);
        if (focus == 0) {
            tree->setCurrentIndex(baseball);
        } else if (focus == 1) {
            tree->setCurrentIndex(tree->model()->index(0, 0, baseball));
        } else {
            // Only baseball's event passes the filter: the focus goes to the nearest row left,
            // which is a group row.
            window_->ctl_DataGrid()->SetColumnFilter(
                lintaro::grid::kColSport,
                lintaro::grid::ColumnFilter::Value("бейсбол"));  // display texts are UTF-8
            QVERIFY(tree->currentIndex().isValid());
        }
        window_->actShowDopInfoUpdate();
        QVERIFY(!window_->ctl_DataGrid()->HasCurrentEvent());
        QVERIFY(!Act("actDelete")->isEnabled());
        QVERIFY(!Act("actShowDopInfo")->isEnabled());
        window_->ActionExecute(Act("actDelete"));
        QCOMPARE(window_->cds_Data().RowCount(), 2);
        QVERIFY(dialogs_->boxes.isEmpty());
        // A double-click on the group row only opens or closes it.
        const QRect row = tree->visualRect(tree->currentIndex());
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, row.center());
        QCoreApplication::processEvents();
        QVERIFY(dialogs_->modals.isEmpty());
    }

    void FocusInTheGridMovesTheCurrentRowAndTheAction() {
        FillTable({Row("футбол", "Лига", 1, ""), Row("футбол", "Лига", 2, "<p>Лист А</p>"),
                   Row("футбол", "Лига", 3, "<p>Лист Б</p>")});
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->ActionExecute(Act("actFullExpand"));
        QTreeView* tree = window_->ctl_DataGrid()->TreeView();
        QAction* show = Act("actShowDopInfo");

        tree->setCurrentIndex(EventIndex(tree->model(), 0));
        QCOMPARE(window_->cds_Data().CurrentRow(), 0);
        QVERIFY(!show->isEnabled());
        // A double-click on a row without an event sheet does nothing.
        const auto double_click = [&](int table_row) {
            const QModelIndex index = EventIndex(tree->model(), table_row);
            const QRect cell =
                tree->visualRect(tree->model()->index(index.row(), 3, index.parent()));
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, cell.center());
            QCoreApplication::processEvents();  // the grid reports double-clicks queued
        };
        double_click(0);
        QCOMPARE(dialogs_->modals.size(), 0);

        // Event sheet A, then B: each shows alone.
        double_click(1);
        QCOMPARE(window_->cds_Data().CurrentRow(), 1);
        QCOMPARE(dialogs_->modals.size(), 1);
        QTextDocument* document = window_->EventSheetWindow()->WebBrowser()->document();
        QVERIFY(document->toPlainText().contains(QStringLiteral("Лист А")));
        double_click(2);
        QCOMPARE(dialogs_->modals.size(), 2);
        QVERIFY(document->toPlainText().contains(QStringLiteral("Лист Б")));
        QVERIFY(!document->toPlainText().contains(QStringLiteral("Лист А")));
    }

    void ExportAsksForAFileNamedAfterTheCaption() {
        // "Файл" lists it with its image; the export has no key of its own.
        QVERIFY(Act("actSaveToExcel")->isVisible());
        QVERIFY(Act("actSaveToExcel")->shortcut().isEmpty());
        QCOMPARE(window_->menuBar()->actions().first()->menu()->actions().first(),
                 Act("actSaveToExcel"));
        window_->ActionExecute(Act("actSaveToExcel"));
        QCOMPARE(dialogs_->saves.size(), 1);
        QCOMPARE(dialogs_->saves[0].proposed_name, QStringLiteral("Lintaro"));
        // The Excel 4.0 worksheet is offered first, then the workbook and CSV.
        QStringList filters;
        QStringList suffixes;
        for (const lintaro::app::SaveFileType& type : dialogs_->saves[0].types) {
            filters << type.filter;
            suffixes << type.suffix;
        }
        QCOMPARE(filters, (QStringList{"Microsoft Excel 4.0 Worksheet (*.xls)",
                                       "Excel Workbook (*.xlsx)", "CSV UTF-8 (*.csv)"}));
        QCOMPARE(suffixes, (QStringList{"xls", "xlsx", "csv"}));
        QVERIFY(!dialogs_->saves[0].confirm_overwrite);
        QVERIFY(dialogs_->boxes.isEmpty());  // cancelled: nothing else happens

        window_->setWindowTitle(QStringLiteral("\"Lin\"taro"));
        window_->ActionExecute(Act("actSaveToExcel"));
        QCOMPARE(dialogs_->saves[1].proposed_name, QStringLiteral("Lintaro"));
    }

    // The dialog's choice picks the writer: the type chosen when the name has no suffix (which it
    // then gets), a suffix of one of the formats whatever type is chosen, and the type chosen for a
    // suffix of no format (kept as typed).
    void ExportWritesTheFormatChosen_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("starts");
        const QByteArray xls("\x09\x04\x06\x00", 4);
        const QByteArray zip("PK\x03\x04", 4);
        const QByteArray csv("sport_type_name,");
        QTest::newRow("xls") << "line" << 0 << "line.xls" << xls;
        QTest::newRow("xlsx") << "line" << 1 << "line.xlsx" << zip;
        QTest::newRow("csv") << "line" << 2 << "line.csv" << csv;
        QTest::newRow("suffix names csv") << "line.CSV" << 0 << "line.CSV" << csv;
        QTest::newRow("suffix names xlsx") << "line.xlsx" << 2 << "line.xlsx" << zip;
        QTest::newRow("other suffix") << "line.txt" << 2 << "line.txt" << csv;
    }
    void ExportWritesTheFormatChosen() {
        QFETCH(QString, typed);
        QFETCH(int, type);
        QFETCH(QString, written);
        QFETCH(QByteArray, starts);
        FillTable({Row("футбол", "Англия", 1, "a")});
        QTemporaryDir dir;
        dialogs_->save_answer = dir.filePath(typed);
        dialogs_->save_type = type;
        window_->ActionExecute(Act("actSaveToExcel"));
        QVERIFY2(dialogs_->boxes.isEmpty(),
                 dialogs_->boxes.isEmpty() ? "" : qPrintable(dialogs_->boxes[0].text));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{written});
        QFile file(dir.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith(starts));
    }

    // A margin column the user shows is exported as the grid shows it, in every format; the CSV
    // holds the rows lintaro-cli writes, in the grid's order, with the margin after the fields.
    void ExportWritesTheMarginColumnsShown() {
        const std::vector<FieldValue> football = Row("футбол", "Англия", 1, "a");
        const std::vector<FieldValue> basketball = Row("баскетбол", "НБА", 2, "b");
        FillTable({football, basketball});
        QVERIFY(window_->ctl_DataGrid()->SetColumnShown(lintaro::grid::kColMargin1X2, true));
        QTemporaryDir dir;
        const auto export_as = [&](int type) {
            dialogs_->save_answer = dir.filePath(QStringLiteral("line"));
            dialogs_->save_type = type;
            window_->ActionExecute(Act("actSaveToExcel"));
            QVERIFY2(dialogs_->boxes.isEmpty(),
                     dialogs_->boxes.isEmpty() ? "" : qPrintable(dialogs_->boxes[0].text));
        };
        // 1/1.5 + 1/2.5 + 1/3.5 - 1 = 35.2%.
        export_as(2);
        QFile csv(dir.filePath(QStringLiteral("line.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        std::ostringstream rows;
        lintaro::worksheet::WriteRows(rows, window_->cds_Data().Rows(),
                                      lintaro::worksheet::RowFormat::kCsv);
        QStringList expected = QString::fromStdString(rows.str()).split(QStringLiteral("\r\n"));
        QCOMPARE(expected.size(), 4);  // the header, two rows, and the empty text after the last
        expected = {expected[0] + QStringLiteral(",Маржа 1X2"),
                    expected[2] + QStringLiteral(",35.2"),  // basketball sorts first
                    expected[1] + QStringLiteral(",35.2"), QString()};
        QCOMPARE(QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n")), expected);

        export_as(0);
        QFile xls(dir.filePath(QStringLiteral("line.xls")));
        QVERIFY(xls.open(QIODevice::ReadOnly));
        QVERIFY(xls.readAll().contains(
            QByteArray::fromStdString(lintaro::table::Utf8ToCp1251("Маржа 1X2"))));

        export_as(1);
        QProcess python;
        python.start(
            QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import sys, openpyxl\n"
                            "sys.stdout.reconfigure(encoding='utf-8')\n"
                            "sheet = openpyxl.load_workbook(sys.argv[1]).active\n"
                            "rows = list(sheet.iter_rows(values_only=True))\n"
                            "at = [r for r in rows if 'Маржа 1X2' in r][0].index('Маржа 1X2')\n"
                            "for row in rows:\n"
                            "    if 'Home' in row: print(row[at])\n"),
             dir.filePath(QStringLiteral("line.xlsx"))});
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n')),
                 (QStringList{"35.2", "35.2", ""}));
    }

    void ExportWritesEveryRowWithTheGridsLook() {
        FillTable({Row("футбол", "Англия", 1, "a"), Row("футбол", "Испания", 2, "b"),
                   Row("хоккей", "КХЛ", 3, "c")});
        window_->ctl_DataGrid()->CollapseAllGroups();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // No suffix typed: ".xls" is added. The file there is replaced without a question.
        const QString typed = dir.filePath(QStringLiteral("Линия на завтра"));
        const QString written = typed + QStringLiteral(".xls");
        {
            QFile old(written);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        dialogs_->save_answer = typed;
        window_->ActionExecute(Act("actSaveToExcel"));
        QVERIFY2(dialogs_->boxes.isEmpty(),
                 dialogs_->boxes.isEmpty() ? "" : qPrintable(dialogs_->boxes[0].text));
        QFile file(written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray sheet = file.readAll();
        // BOF, then the code page record (1251).
        QCOMPARE(sheet.left(14), QByteArray("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00"
                                            "\x42\x00\x02\x00",
                                            14));
        // Collapsed groups are written in full, every event row with them.
        for (const char* text : {"Вид спорта : футбол ", "Турнир : Англия ", "Турнир : Испания ",
                                 "Вид спорта : хоккей ", "Турнир : КХЛ "}) {
            QVERIFY2(sheet.contains(QByteArray::fromStdString(lintaro::table::Utf8ToCp1251(text))),
                     text);
        }
        QCOMPARE(sheet.count("Home"), 3);
        // The grid's own font face, as the live widget has it, is in the font records.
        const QByteArray face = QByteArray::fromStdString(
            lintaro::table::Utf8ToCp1251(window_->ctl_DataGrid()->Look().font.face));
        QVERIFY(!face.isEmpty());
        QVERIFY(sheet.contains(face));
    }

    void ExportFailureGoesToTheDefaultErrorReport() {
        FillTable({Row("футбол", "Англия", 1, "a")});
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("missing/line.xls"));
        dialogs_->save_answer = target;
        window_->ActionExecute(Act("actSaveToExcel"));
        QCOMPARE(dialogs_->boxes.size(), 1);
        QCOMPARE(dialogs_->boxes[0].text, QStringLiteral("Cannot create file ") + target +
                                              QStringLiteral(": No such file or directory."));
        QCOMPARE(dialogs_->boxes[0].icon, QMessageBox::Critical);
    }

    void DefaultErrorReportEndsTheMessage_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Cannot create file a.xls"
                                << "Cannot create file a.xls.";
        QTest::newRow("full stop") << "Done."
                                   << "Done.";
        QTest::newRow("sorts before the full stop") << "What!"
                                                    << "What!";
        QTest::newRow("hyphen") << "range 1-"
                                << "range 1-";
        QTest::newRow("slash sorts after") << "folder /"
                                           << "folder /.";
        QTest::newRow("cyrillic") << "Ошибка"
                                  << "Ошибка.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void DefaultErrorReportEndsTheMessage() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        window_->ReportError(message);
        QCOMPARE(dialogs_->boxes.size(), 1);
        QCOMPARE(dialogs_->boxes[0].text, shown);
        QCOMPARE(dialogs_->boxes[0].caption, QStringLiteral("Lintaro"));
        QCOMPARE(dialogs_->boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(dialogs_->boxes[0].buttons, QMessageBox::Ok);
    }

    void AboutOpensModallyAndExitCloses() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QAction* about = window_->findChild<QAction*>("N9");
        QVERIFY(about != nullptr);
        about->trigger();
        QCOMPARE(dialogs_->modals.size(), 1);
        QCOMPARE(dialogs_->modals[0], window_->AboutWindow());
        window_->ActionExecute(Act("actExit"));
        QVERIFY(!window_->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
