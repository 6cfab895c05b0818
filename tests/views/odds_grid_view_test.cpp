// The odds grid widget offscreen: the model's rows and roles, expansion, the band header, filter
// lists and the custom dialog, the group panel, the footer, reloads and the current row, the find
// bar and the column menu.
#include "views/odds_grid_view.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <map>

#include "grid_fixture.h"
#include "views/band_header.h"
#include "views/filter_button_strip.h"
#include "views/filter_custom_dialog.h"
#include "views/filter_popup.h"
#include "views/find_bar.h"
#include "views/footer_bar.h"
#include "views/grid_drag.h"
#include "views/group_panel.h"
#include "views/odds_grid_delegate.h"
#include "views/odds_grid_header.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_tree_view.h"

using lintaro::grid::testing::At;
using lintaro::grid::testing::Event;
using lintaro::grid::testing::Fill;
using lintaro::table::OddsTable;
using lintaro::table::RegionalFormats;
using namespace lintaro::grid;
using namespace lintaro::views;

namespace {

// Two sports, three tournaments, six events; the second football event has no event sheet (the
// empty text) and the fourth a null one; keys 5 and 6 are shared.
std::vector<Event> SampleEvents() {
    return {
        {"футбол", "РПЛ", At(11, 20), "Спартак", "Зенит", 1.85, 1, "<b>1</b>"},
        {"футбол", "РПЛ", At(11, 18), "ЦСКА", "Локомотив", 2.0, 2, ""},
        {"футбол", "АПЛ", At(12, 0), "Челси", "Арсенал", 0.5, 3, "<b>3</b>"},
        {"баскетбол", "NBA", At(10, 3, 30), "Бостон", "Даллас", 1.8755, 4, std::nullopt},
        {"баскетбол", "NBA", At(10, 5), "Денвер", "Юта", std::nullopt, 5, "first"},
        {"баскетбол", "NBA", At(10, 7), "Майами", "Орландо", 1.5, 5, "second"},
    };
}

QModelIndex Find(const OddsGridModel& model, const QString& text, int column,
                 const QModelIndex& parent = {}) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, column, parent);
        if (index.data().toString() == text) return index;
        const QModelIndex inner = Find(model, text, column, model.index(row, 0, parent));
        if (inner.isValid()) return inner;
    }
    return {};
}

// Types `text` into `widget` a key at a time, as a keyboard with a Russian layout does (QTest's
// own typing takes Latin letters only).
void Type(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// The model column of a layout column while the grid is grouped as at start: the indent column,
// then the shown columns in the header's order.
int StartColumn(int layout_column) {
    const std::vector<int> shown = lintaro::grid::GridLayout().ExportColumns();
    return 1 +
           static_cast<int>(std::find(shown.begin(), shown.end(), layout_column) - shown.begin());
}

const int kDate = StartColumn(kColDate);
const int kHome = StartColumn(kColHomeTeam);
const int kGuest = StartColumn(kColGuestTeam);
const int kP1 = StartColumn(kColP1);
const int kF1 = StartColumn(kColF1);
const int kVF1 = StartColumn(kColVF1);

}  // namespace

class OddsGridViewTest : public QObject {
    Q_OBJECT

  private:
    OddsTable table_;
    std::unique_ptr<OddsGridView> view_;
    // Checks the model on every change it reports, in every test.
    std::unique_ptr<QAbstractItemModelTester> tester_;

    OddsGridModel& Model() { return *view_->Model(); }
    QModelIndex Row(const QString& home, int column = 0) {
        const QModelIndex found = Find(Model(), home, kHome);
        return found.siblingAtColumn(column);
    }
    QString Footer() const { return view_->Footer()->Text(); }

  private slots:
    void init() {
        Fill(table_, SampleEvents());
        view_ = std::make_unique<OddsGridView>();
        tester_ = std::make_unique<QAbstractItemModelTester>(
            view_->Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        view_->SetFormats(RegionalFormats{});
        view_->resize(1000, 500);
        view_->SetTable(&table_);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    }
    void cleanup() {
        tester_.reset();
        view_.reset();
    }

    // Every change below is checked by the tester made in init().
    void modelPassesTheModelTester() {
        view_->ExpandAllGroups();
        view_->ClickHeader(kColHomeTeam);
        view_->SetColumnFilter(kColHomeTeam, ColumnFilter::Custom({CompareOp::kLike, "*а*"}));
        view_->SetGroupColumns({kColCompetition});
        view_->SetGroupColumns({});
        table_.InsertRow(lintaro::grid::testing::ValuesOf({"x", "y", At(1, 1), "Ааа", "b"}));
        table_.ResetTable();
    }

    void rowsAndTexts() {
        OddsGridModel& model = Model();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("Вид спорта : баскетбол "));
        QCOMPARE(model.index(0, 0).data(Qt::AccessibleTextRole).toString(),
                 QStringLiteral("Вид спорта : баскетбол "));
        const QModelIndex football = model.index(1, 0);
        QCOMPARE(model.index(0, 0, football).data().toString(), QStringLiteral("Турнир : АПЛ "));
        QCOMPARE(model.index(0, kHome, football).data().toString(), QString());  // group row

        const QModelIndex boston = Row(QStringLiteral("Бостон"));
        QVERIFY(boston.isValid());
        QCOMPARE(boston.siblingAtColumn(kDate).data().toString(),
                 QStringLiteral("10.12.2026 3:30:00"));
        QCOMPARE(boston.siblingAtColumn(kP1).data().toString(), QStringLiteral("1.876"));
        QCOMPARE(boston.siblingAtColumn(kP1).data(Qt::AccessibleTextRole).toString(),
                 QStringLiteral("1.876"));
        QCOMPARE(Row(QStringLiteral("Челси"), kDate).data().toString(),
                 QStringLiteral("12.12.2026"));
        // 0.5 returns less than the stake: no price, an empty cell.
        QCOMPARE(Row(QStringLiteral("Челси"), kP1).data().toString(), QString());
        QCOMPARE(Row(QStringLiteral("Денвер"), kP1).data().toString(), QString());
        // Within a tournament, by date: 18:00 above 20:00.
        const QModelIndex rpl = model.index(1, 0, football);
        QCOMPARE(model.index(0, kHome, rpl).data().toString(), QStringLiteral("ЦСКА"));
        QCOMPARE(model.index(1, kHome, rpl).data().toString(), QStringLiteral("Спартак"));
        // Headers: captions, navy, caption alignment.
        QCOMPARE(model.headerData(kHome, Qt::Horizontal).toString(),
                 QStringLiteral("Командa дом."));
        QCOMPARE(model.headerData(kP1, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(),
                 QColor(0, 0, 128));
        QCOMPARE(
            model.headerData(kP1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::Alignment(Qt::AlignCenter));
        // Hidden columns are not in the model at all: nothing unnamed or empty to read out.
        QCOMPARE(model.ModelColumn(kColDopInfo), -1);
        QCOMPARE(model.ModelColumn(kColSport), -1);
        QCOMPARE(model.columnCount(), 1 + 16);
    }

    void alignmentFontsAndColours() {
        const QModelIndex chelsea = Row(QStringLiteral("Челси"));
        auto align = [&](int column) {
            return chelsea.siblingAtColumn(column)
                       .data(Qt::TextAlignmentRole)
                       .value<Qt::Alignment>() &
                   Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(align(kDate), Qt::Alignment(Qt::AlignLeft));
        QCOMPARE(align(kP1), Qt::Alignment(Qt::AlignRight));
        QCOMPARE(align(kVF1), Qt::Alignment(Qt::AlignHCenter));
        QVERIFY(chelsea.siblingAtColumn(kP1).data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(chelsea.siblingAtColumn(kF1).data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(!chelsea.siblingAtColumn(kVF1).data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(!chelsea.siblingAtColumn(kHome).data(Qt::FontRole).value<QFont>().bold());
        QCOMPARE(chelsea.siblingAtColumn(kP1).data(Qt::BackgroundRole).value<QColor>(),
                 view_->TreeView()->palette().color(QPalette::ToolTipBase));
        QCOMPARE(chelsea.siblingAtColumn(kF1).data(Qt::BackgroundRole).value<QColor>(),
                 QColor(240, 202, 166));
        QVERIFY(!chelsea.siblingAtColumn(kHome).data(Qt::BackgroundRole).isValid());
    }

    void navyTeamNamesOnlyWhereTheRuleSays() {
        struct Case {
            QString home;
            bool navy;
        };
        // Sheet text, empty sheet, null sheet.
        for (const Case& c :
             {Case{QStringLiteral("Спартак"), true}, Case{QStringLiteral("ЦСКА"), false},
              Case{QStringLiteral("Бостон"), true}}) {
            for (int column : {kHome, kGuest}) {
                const QVariant colour = Row(c.home, column).data(Qt::ForegroundRole);
                QCOMPARE(colour.isValid(), c.navy);
                if (c.navy) QCOMPARE(colour.value<QColor>(), QColor(0, 0, 128));
            }
            QVERIFY(!Row(c.home, kDate).data(Qt::ForegroundRole).isValid());
            QVERIFY(!Row(c.home, kP1).data(Qt::ForegroundRole).isValid());
        }
        // Group rows never; a selected row is drawn in the selection colours.
        QVERIFY(!Model().index(0, kHome).data(Qt::ForegroundRole).isValid());
        auto* delegate = qobject_cast<OddsGridDelegate*>(view_->TreeView()->itemDelegate());
        QVERIFY(delegate);
        const QModelIndex spartak = Row(QStringLiteral("Спартак"), kHome);
        QStyleOptionViewItem option;
        option.initFrom(view_->TreeView());
        delegate->initStyleOption(&option, spartak);
        QCOMPARE(option.palette.color(QPalette::Text), QColor(0, 0, 128));
        QStyleOptionViewItem selected;
        selected.initFrom(view_->TreeView());
        selected.state |= QStyle::State_Selected;
        delegate->initStyleOption(&selected, spartak);
        QVERIFY(selected.palette.color(QPalette::Text) != QColor(0, 0, 128));
    }

    void expandAndCollapse() {
        QTreeView* tree = view_->TreeView();
        view_->ExpandAllGroups();
        const QModelIndex football = Model().index(1, 0);
        QVERIFY(tree->isExpanded(football));
        QVERIFY(tree->isExpanded(Model().index(0, 0, football)));
        view_->CollapseAllGroups();
        QVERIFY(!tree->isExpanded(football));
        tree->expand(football);  // a click on the sport row
        QVERIFY(!tree->isExpanded(Model().index(0, 0, football)));
        QVERIFY(!tree->isExpanded(Model().index(1, 0, football)));
        // Both are harmless on an empty grid.
        table_.ResetTable();
        view_->ExpandAllGroups();
        view_->CollapseAllGroups();
        QCOMPARE(Model().rowCount(), 0);
    }

    void bandHeaderFollowsColumns() {
        OddsGridHeader* header = view_->Header();
        QLabel* general = view_->Bands()->BandLabel(0);
        QLabel* outcomes = view_->Bands()->BandLabel(1);
        QCOMPARE(general->text(), QStringLiteral("Общие данные"));
        // The date column is 104 pixels or as wide as a whole date and time in the grid's font.
        const int date_width = header->sectionSize(kDate);
        QVERIFY(date_width >= 104);
        const QString longest = QStringLiteral("28.12.2026 20:59:59");
        QVERIFY(QFontMetrics(view_->TreeView()->font()).horizontalAdvance(longest) < date_width);
        QCOMPARE(general->width(), date_width + 150 + 150);
        QCOMPARE(outcomes->width(), 6 * 50);
        QCOMPARE(outcomes->x(), general->x() + general->width());

        header->resizeSection(kP1, 80);
        QCOMPARE(outcomes->width(), 5 * 50 + 80);
        QCOMPARE(view_->Tree().Layout().Column(kColP1).width, 80);

        // Ungroup the sport: it comes back as a column at the end of band 0; moving it to the front
        // of the band moves the date and teams right, and the band grows by its width.
        view_->SetGroupColumns({kColCompetition});
        view_->MoveColumn(kColSport, 0);
        const int sport = Model().ModelColumn(kColSport);
        const int date = Model().ModelColumn(kColDate);
        QCOMPARE(header->visualIndex(sport) < header->visualIndex(date), true);
        QCOMPARE(general->width(), 86 + date_width + 150 + 150);
        QCOMPARE(header->sectionViewportPosition(date) - header->sectionViewportPosition(sport),
                 86);
        QCOMPARE(view_->Tree().Layout().ExportColumns().front(), kColSport);

        // Horizontal scrolling moves the bands with the columns (the part over the header shows).
        view_->resize(700, 500);
        QTRY_VERIFY(view_->TreeView()->horizontalScrollBar()->maximum() > 60);
        const int before = outcomes->x();
        view_->TreeView()->horizontalScrollBar()->setValue(60);
        QCOMPARE(outcomes->x(), before - 60);
        QVERIFY(outcomes->geometry().right() <= view_->Header()->viewport()->width());
    }

    void bandEdgeDragResizesItsLastColumn() {
        QLabel* outcomes = view_->Bands()->BandLabel(1);
        const QPoint edge(outcomes->width() - 2, outcomes->height() / 2);
        QTest::mousePress(outcomes, Qt::LeftButton, {}, edge);
        QTest::mouseMove(outcomes, edge + QPoint(30, 0));
        QTest::mouseRelease(outcomes, Qt::LeftButton, {}, edge + QPoint(30, 0));
        QCOMPARE(view_->Tree().Layout().Column(kColP2X).width, 80);
        QCOMPARE(outcomes->width(), 5 * 50 + 80);
    }

    void unusualRowsShowAsTheTableHoldsThem() {
        table_.ResetTable();
        table_.InsertRow(std::vector<lintaro::table::FieldValue>(20, lintaro::table::Null{}));
        std::vector<lintaro::table::FieldValue> odd(20, lintaro::table::Null{});
        odd[0] = std::string("\x98\xA0z");
        odd[3] = std::string(300, '\xB9');  // cut to 255
        odd[19] = std::string(5000, 'x');
        table_.InsertRow(odd);
        view_->ExpandAllGroups();
        QCOMPARE(Model().rowCount(), 2);
        QCOMPARE(Model().index(0, 0).data().toString(), QStringLiteral("Вид спорта :  "));
        const QModelIndex null_row = Model().index(0, 0, Model().index(0, 0, Model().index(0, 0)));
        for (int column = 1; column < Model().columnCount(); ++column) {
            QCOMPARE(null_row.siblingAtColumn(column).data().toString(), QString());
        }
        QCOMPARE(
            Model().index(1, 0).data().toString(),
            QStringLiteral("Вид спорта : ") + QChar(0xFFFD) + QChar(0xA0) + QStringLiteral("z "));
        const QModelIndex odd_row =
            Model().index(0, kHome, Model().index(0, 0, Model().index(1, 0)));
        QCOMPARE(odd_row.data().toString(), QString(255, QChar(0x2116)));
        QCOMPARE(Footer(), QStringLiteral("Всего: 2"));
        view_->TreeView()->viewport()->repaint();
    }

    // The second bookmaker's lines and its tennis draw: quarter lines with both decimals, a line
    // of more decimals rounded with its exact value in the tooltip (beside a mark's text), and
    // the draw stored as 0 an empty cell.
    void linesAndNoPricesInTheCells() {
        table_.ResetTable();
        std::vector<lintaro::table::FieldValue> row =
            lintaro::grid::testing::ValuesOf({"tennis", "ATP", At(1, 10), "Alpha", "Beta", 1.9});
        row[6] = 0.0;      // X
        row[12] = -0.75;   // VF1
        row[14] = 0.75;    // VF2
        row[17] = 2.1255;  // VT
        table_.InsertRow(row);
        view_->ExpandAllGroups();
        const QModelIndex alpha = Row(QStringLiteral("Alpha"));
        QVERIFY(alpha.isValid());
        QCOMPARE(alpha.siblingAtColumn(StartColumn(kColX)).data().toString(), QString());
        QCOMPARE(alpha.siblingAtColumn(kVF1).data().toString(), QStringLiteral("-0.75"));
        QCOMPARE(alpha.siblingAtColumn(StartColumn(kColVF2)).data().toString(),
                 QStringLiteral("0.75"));
        QVERIFY(!alpha.siblingAtColumn(kVF1).data(Qt::ToolTipRole).isValid());
        const QModelIndex total = alpha.siblingAtColumn(StartColumn(kColVT));
        QCOMPARE(total.data().toString(), QStringLiteral("2.13"));
        QCOMPARE(total.data(Qt::ToolTipRole).toString(), QStringLiteral("точно 2.1255"));
        view_->Model()->SetCellMarks([](const lintaro::table::OddsRecord&, int field) {
            if (field != lintaro::table::FieldIndex("VT")) return lintaro::views::CellMark{};
            return lintaro::views::CellMark{lintaro::views::CellMarkKind::kUp, "было 2"};
        });
        QCOMPARE(total.data(Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("точно 2.1255; было 2"));
    }

    void filterListsOfDateAndTeamColumns() {
        QToolButton* date_button = view_->Filters()->Button(kColDate);
        QVERIFY(date_button);
        QCOMPARE(date_button->accessibleName(), QStringLiteral("Фильтр: Дата события"));
        QVERIFY(!view_->Filters()->Button(kColP1));     // prices have no filter
        QVERIFY(!view_->Filters()->Button(kColSport));  // hidden while grouped
        QTest::mouseClick(date_button, Qt::LeftButton);
        FilterPopup* popup = view_->ActiveFilterPopup();
        QVERIFY(popup);
        QCOMPARE(popup->accessibleName(), QStringLiteral("Фильтр: Дата события"));
        QStringList texts;
        for (int i = 0; i < popup->List()->count(); ++i) texts << popup->List()->item(i)->text();
        QCOMPARE(texts, (QStringList{"(All)", "(Custom...)", "10.12.2026 3:30:00",
                                     "10.12.2026 5:00:00", "10.12.2026 7:00:00",
                                     "11.12.2026 18:00:00", "11.12.2026 20:00:00", "12.12.2026"}));
        popup->Choose(2);
        QCOMPARE(Footer(), QStringLiteral("Всего: 1"));
        QVERIFY(view_->Filters()->Button(kColDate)->isChecked());

        table_.InsertRow(
            lintaro::grid::testing::ValuesOf({"теннис", "ATP", At(9, 9), std::nullopt, "x"}));
        view_->SetColumnFilter(kColDate, ColumnFilter::All());
        popup = view_->OpenFilterPopup(kColHomeTeam);
        texts.clear();
        for (int i = 0; i < popup->List()->count(); ++i) texts << popup->List()->item(i)->text();
        QCOMPARE(texts, (QStringList{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)", "Бостон",
                                     "Денвер", "Майами", "Спартак", "ЦСКА", "Челси"}));
        popup->Choose(2);  // (Blanks)
        QCOMPARE(Footer(), QStringLiteral("Всего: 1"));
        QCOMPARE(Model().index(0, 0).data().toString(), QStringLiteral("Вид спорта : теннис "));
    }

    void customAndOrFilter() {
        FilterPopup* popup = view_->OpenFilterPopup(kColHomeTeam);
        popup->Choose(1);  // (Custom...)
        CustomFilterDialog* dialog = view_->ActiveCustomFilterDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Custom AutoFilter"));
        QCOMPARE(dialog->AndButton()->text(), QStringLiteral("&And"));
        QCOMPARE(dialog->OrButton()->text(), QStringLiteral("&Or"));
        QCOMPARE(dialog->FirstValue()->count(), 6);  // the column's values to choose from
        dialog->FirstOperator()->setCurrentIndex(static_cast<int>(CompareOp::kLike));
        dialog->FirstValue()->setEditText(QStringLiteral("*а*"));
        dialog->SecondOperator()->setCurrentIndex(static_cast<int>(CompareOp::kNotEquals) + 1);
        dialog->SecondValue()->setEditText(QStringLiteral("Спартак"));
        dialog->accept();
        // Like ignores case: ЦСКА and Майами; Спартак is excluded by the second comparison.
        QCOMPARE(Footer(), QStringLiteral("Всего: 2"));

        dialog = view_->OpenCustomFilterDialog(kColHomeTeam);
        QCOMPARE(dialog->FirstValue()->currentText(), QStringLiteral("*а*"));  // the current one
        dialog->FirstOperator()->setCurrentIndex(static_cast<int>(CompareOp::kEquals));
        dialog->FirstValue()->setEditText(QStringLiteral("Челси"));
        dialog->OrButton()->setChecked(true);
        dialog->SecondOperator()->setCurrentIndex(static_cast<int>(CompareOp::kEquals) + 1);
        dialog->SecondValue()->setEditText(QStringLiteral("Юта"));
        dialog->accept();
        QCOMPARE(Footer(), QStringLiteral("Всего: 1"));

        // Dates compare as values.
        dialog = view_->OpenCustomFilterDialog(kColDate);
        dialog->FirstOperator()->setCurrentIndex(static_cast<int>(CompareOp::kGreaterOrEqual));
        dialog->FirstValue()->setEditText(QStringLiteral("10.12.2026 5:00"));
        dialog->SecondOperator()->setCurrentIndex(static_cast<int>(CompareOp::kLess) + 1);
        dialog->SecondValue()->setEditText(QStringLiteral("11.12.2026"));
        dialog->accept();
        QCOMPARE(Footer(),
                 QStringLiteral("Всего: "));  // and the home team filter: Челси is on 12.12
        view_->SetColumnFilter(kColHomeTeam, ColumnFilter::All());
        QCOMPARE(Footer(), QStringLiteral("Всего: 2"));
    }

    void dragIntoAndOutOfTheGroupPanel() {
        GroupPanel* panel = view_->Panel();
        QCOMPARE(panel->LevelCount(), 2);
        QCOMPARE(panel->LevelButton(0)->accessibleName(), QStringLiteral("Вид спорта"));
        QCOMPARE(panel->LevelButton(1)->accessibleName(), QStringLiteral("Турнир"));
        QVERIFY(!panel->EmptyLabel()->isVisible());

        // A group button dropped on the column header: ungrouped, shown as a column.
        auto drop = [](QWidget* target, ColumnDrag drag, QPoint pos) {
            const auto mime = MakeColumnMime(drag);
            QDragEnterEvent enter(pos, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            QDropEvent event(pos, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &event);
            return enter.isAccepted() && event.isAccepted();
        };
        QVERIFY(drop(view_->Header()->viewport(), {kColSport, true}, QPoint(5, 5)));
        QCOMPARE(view_->Tree().GroupColumns(), std::vector<int>{kColCompetition});
        QVERIFY(Model().ModelColumn(kColSport) >= 0);
        QVERIFY(view_->Filters()->Button(kColSport));
        QCOMPARE(panel->LevelCount(), 1);
        QCOMPARE(Model().index(0, 0).data().toString(), QStringLiteral("Турнир : NBA "));

        // The sport header dropped on the panel before the tournament button: level 1 again.
        QVERIFY(drop(panel, {kColSport, false}, QPoint(0, 5)));
        QCOMPARE(view_->Tree().GroupColumns(), (std::vector<int>{kColSport, kColCompetition}));
        QCOMPARE(Model().ModelColumn(kColSport), -1);

        // A fixed column is refused.
        QVERIFY(!drop(panel, {kColDate, false}, QPoint(0, 5)));
        QCOMPARE(view_->Tree().GroupColumns().size(), 2u);

        // Both dragged out (dropped where nothing takes them): no grouping, the hint shows.
        QSignalSpy out(panel, &GroupPanel::ColumnDraggedOut);
        emit panel->ColumnDraggedOut(kColSport);
        emit panel->ColumnDraggedOut(kColCompetition);
        QCOMPARE(view_->Tree().LevelCount(), 0);
        QVERIFY(panel->EmptyLabel()->isVisible());
        QCOMPARE(panel->EmptyLabel()->text(),
                 QStringLiteral("Drag a column header here to group by that column"));
        QCOMPARE(Model().rowCount(), 6);
    }

    void groupButtonsByMouseAndKeyboard() {
        GroupPanel* panel = view_->Panel();
        QTest::mouseClick(panel->LevelButton(0), Qt::LeftButton);
        QCOMPARE(view_->Tree().GroupDirection(0), SortDirection::kDescending);
        QCOMPARE(Model().index(0, 0).data().toString(), QStringLiteral("Вид спорта : футбол "));
        QTest::keyClick(panel->LevelButton(1), Qt::Key_Delete);
        QCOMPARE(view_->Tree().GroupColumns(), std::vector<int>{kColSport});
        QCOMPARE(panel->LevelCount(), 1);
        QMenu* menu = view_->OpenHeaderMenu(kColCompetition, QPoint(0, 0));
        menu->findChild<QAction*>(QStringLiteral("actGroupByColumn"))->trigger();
        menu->close();
        QCOMPARE(view_->Tree().GroupColumns(), (std::vector<int>{kColSport, kColCompetition}));

        // The filter list answers the keyboard too: Down, Enter chooses; Esc closes.
        FilterPopup* popup = view_->OpenFilterPopup(kColGuestTeam);
        QTest::keyClick(popup->List(), Qt::Key_Down);
        QTest::keyClick(popup->List(), Qt::Key_Down);
        QTest::keyClick(popup->List(), Qt::Key_Return);  // the first value
        QCOMPARE(view_->Tree().Filter(kColGuestTeam), ColumnFilter::Value("Арсенал"));
        popup = view_->OpenFilterPopup(kColGuestTeam);
        QTest::keyClick(popup, Qt::Key_Escape);
        QTRY_VERIFY(!view_->ActiveFilterPopup());
        QCOMPARE(view_->Tree().Filter(kColGuestTeam), ColumnFilter::Value("Арсенал"));
    }

    void footerFollowsFiltersAndItsColumn() {
        QCOMPARE(Footer(), QStringLiteral("Всего: 6"));
        QCOMPARE(view_->Footer()->CountLabel()->accessibleName(), QStringLiteral("Всего: 6"));
        view_->SetColumnFilter(kColGuestTeam, ColumnFilter::Value("Зенит"));
        QCOMPARE(Footer(), QStringLiteral("Всего: 1"));
        view_->SetColumnFilter(kColGuestTeam, ColumnFilter::Value("nobody"));
        QCOMPARE(Footer(), QStringLiteral("Всего: "));
        OddsGridHeader* header = view_->Header();
        QLabel* label = view_->Footer()->CountLabel();
        QCOMPARE(label->width(), header->sectionSize(kHome));
        header->resizeSection(kDate, 150);
        const QPoint label_x = label->mapTo(view_.get(), QPoint(0, 0));
        const QPoint section_x = header->viewport()->mapTo(
            view_.get(), QPoint(header->sectionViewportPosition(kHome), 0));
        QCOMPARE(label_x.x(), section_x.x());
    }

    void headerClickSorts() {
        OddsGridHeader* header = view_->Header();
        view_->ExpandAllGroups();
        const QPoint centre(header->sectionViewportPosition(kHome) + 20, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(view_->Tree().Sort().column, kColHomeTeam);
        QCOMPARE(header->sortIndicatorSection(), kHome);
        const QModelIndex nba = Model().index(0, 0, Model().index(0, 0));
        QCOMPARE(Model().index(0, kHome, nba).data().toString(), QStringLiteral("Бостон"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(Model().index(0, kHome, nba).data().toString(), QStringLiteral("Майами"));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    void reloadsOncePerNotification() {
        QSignalSpy resets(view_->Model(), &QAbstractItemModel::modelReset);
        {
            lintaro::table::ScopedDisplaySuspension suspended(table_);
            for (int i = 0; i < 50; ++i) {
                table_.InsertRow(
                    lintaro::grid::testing::ValuesOf({"хоккей", "КХЛ", At(9, 10), "A", "B"}));
            }
            QCOMPARE(resets.count(), 0);
        }
        QCOMPARE(resets.count(), 1);
        QCOMPARE(Footer(), QStringLiteral("Всего: 56"));
        table_.InsertRow(lintaro::grid::testing::ValuesOf({"хоккей", "КХЛ", At(9, 11), "C", "D"}));
        QCOMPARE(resets.count(), 2);
        QCOMPARE(Footer(), QStringLiteral("Всего: 57"));
    }

    void deleteKeepsExpansionScrollAndFocusNearby() {
        // Enough rows to scroll: 60 events in one tournament.
        std::vector<Event> events = SampleEvents();
        for (int i = 0; i < 60; ++i) {
            events.push_back({"хоккей", "КХЛ", At(1 + i / 10, 10 + i % 10),
                              "Команда " + std::to_string(i), "Гость", 1.5, 100 + i});
        }
        Fill(table_, events);
        QTreeView* tree = view_->TreeView();
        view_->CollapseAllGroups();
        const QModelIndex hockey = Find(Model(), QStringLiteral("Вид спорта : хоккей "), 0);
        tree->expand(hockey);
        tree->expand(Model().index(0, 0, hockey));
        const QModelIndex target = Row(QStringLiteral("Команда 30"));
        tree->setCurrentIndex(target);
        tree->scrollTo(target, QAbstractItemView::PositionAtCenter);
        const int scroll = tree->verticalScrollBar()->value();
        QVERIFY(scroll > 0);
        QCOMPARE(table_.FieldText("team_h_name"), lintaro::table::Utf8ToCp1251("Команда 30"));

        table_.DeleteCurrentRow();
        // The following row has the focus and is the table's current row; nothing else moved.
        QCOMPARE(tree->currentIndex().siblingAtColumn(kHome).data().toString(),
                 QStringLiteral("Команда 31"));
        QCOMPARE(table_.FieldText("team_h_name"), lintaro::table::Utf8ToCp1251("Команда 31"));
        const QModelIndex hockey_after = Find(Model(), QStringLiteral("Вид спорта : хоккей "), 0);
        QVERIFY(tree->isExpanded(hockey_after));
        QVERIFY(!tree->isExpanded(Model().index(0, 0)));  // basketball stays collapsed
        QCOMPARE(tree->verticalScrollBar()->value(), scroll);
        QCOMPARE(Footer(), QStringLiteral("Всего: 65"));

        // The last row of its group gives the focus to the one before it.
        tree->setCurrentIndex(Row(QStringLiteral("Команда 59")));
        table_.DeleteCurrentRow();
        QCOMPARE(tree->currentIndex().siblingAtColumn(kHome).data().toString(),
                 QStringLiteral("Команда 58"));
    }

    void findTextFiltersAndKeepsTheFocus() {
        QTreeView* tree = view_->TreeView();
        view_->ExpandAllGroups();
        tree->setCurrentIndex(Row(QStringLiteral("Спартак")));
        view_->SetFindText("СПАР");
        QCOMPARE(Footer(), QStringLiteral("Всего: 1"));
        QCOMPARE(tree->currentIndex().siblingAtColumn(kHome).data().toString(),
                 QStringLiteral("Спартак"));
        view_->SetColumnFilter(kColGuestTeam, ColumnFilter::Value("Зенит"));
        view_->SetFindText("");
        QCOMPARE(Footer(), QStringLiteral("Всего: 1"));  // the column filter stays
        view_->SetColumnFilter(kColGuestTeam, ColumnFilter::All());
        QCOMPARE(Footer(), QStringLiteral("Всего: 6"));
        QCOMPARE(tree->currentIndex().siblingAtColumn(kHome).data().toString(),
                 QStringLiteral("Спартак"));
    }

    // Ctrl+F, typing, Enter and Esc as a person does them: case and "ё" do not matter, groups that
    // hold a found event open, and closing gives back the grid as it was with the found event
    // focused.
    void findBarFindsAndEscRestores_data() {
        QTest::addColumn<bool>("esc_in_field");
        QTest::newRow("Esc in the field") << true;
        QTest::newRow("Esc in the grid, back from the found event") << false;
    }
    void findBarFindsAndEscRestores() {
        table_.InsertRow(lintaro::grid::testing::ValuesOf(
            {"хоккей", "КХЛ", At(13, 19), "Сокол", "Ёлка-Юниор", 2.1, 7, ""}));
        QApplication::setActiveWindow(view_.get());
        QVERIFY(QTest::qWaitForWindowActive(view_.get()));
        QTreeView* tree = view_->TreeView();
        FindBar* bar = view_->Finder();
        QLineEdit* field = bar->Field();
        QVERIFY(bar->isHidden());  // hidden until asked for
        view_->SetColumnFilter(kColGuestTeam, ColumnFilter::Custom({CompareOp::kLike, "*о*"}));
        QCOMPARE(Footer(), QStringLiteral("Всего: 3"));  // Локомотив, Орландо, Ёлка-Юниор
        view_->CollapseAllGroups();
        tree->setCurrentIndex(Model().index(0, 0));
        tree->setFocus();

        QTest::keyClick(tree, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QVERIFY(field->hasFocus());
        struct Case {
            QString typed;
            QString footer;
        };
        for (const Case& c :
             {Case{"ЛОКО", "Всего: 1"}, Case{"елка", "Всего: 1"}, Case{"ЁЛКА", "Всего: 1"},
              Case{"NbA", "Всего: 1"}, Case{"nba", "Всего: 1"}, Case{"зенит", "Всего: "}}) {
            field->selectAll();
            Type(field, c.typed);
            QCOMPARE(field->text(), c.typed);
            QVERIFY2(Footer() == c.footer, qPrintable(c.typed + " -> " + Footer()));
            QCOMPARE(bar->SaysNothingFound(), c.footer == QStringLiteral("Всего: "));
        }
        // Nothing found is no empty line: the grid does not ask for a refresh.
        QVERIFY(!qobject_cast<OddsGridTreeView*>(tree)->ShowsEmptyHint());
        field->selectAll();
        Type(field, QStringLiteral("юнИор"));
        // The groups above the found event are open, so it can be seen.
        const QModelIndex elka = Row(QStringLiteral("Сокол"));
        QVERIFY(elka.isValid());
        QVERIFY(tree->isExpanded(elka.parent()));
        QVERIFY(tree->isExpanded(elka.parent().parent()));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(tree->hasFocus());
        QCOMPARE(tree->currentIndex().siblingAtColumn(kHome).data().toString(),
                 QStringLiteral("Сокол"));

        // Ctrl+F again: back in the field, its text ready to be replaced.
        QTest::keyClick(tree, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->selectedText(), QStringLiteral("юнИор"));
        QFETCH(bool, esc_in_field);
        if (!esc_in_field) QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(esc_in_field ? static_cast<QWidget*>(field) : tree, Qt::Key_Escape);
        QVERIFY(bar->isHidden());
        QCOMPARE(field->text(), QString());
        QVERIFY(tree->hasFocus());
        // The column filter is back on its own; the other groups are collapsed as before, and the
        // event found keeps the focus, its groups open.
        QCOMPARE(Footer(), QStringLiteral("Всего: 3"));
        QCOMPARE(tree->currentIndex().siblingAtColumn(kHome).data().toString(),
                 QStringLiteral("Сокол"));
        const QModelIndex football = Find(Model(), QStringLiteral("Вид спорта : футбол "), 0);
        QVERIFY(!tree->isExpanded(football));
        QVERIFY(tree->isExpanded(Row(QStringLiteral("Сокол")).parent()));

        // The close button ends a search too; nothing chosen, the focus of before comes back.
        tree->setCurrentIndex(football);
        view_->ShowFindBar();
        Type(field, QStringLiteral("сокол"));
        QCOMPARE(Footer(), QStringLiteral("Всего: 1"));
        // The filter buttons stay on their header as the bar pushes it down and lets it up again.
        const auto buttons_on_header = [this] {
            const QWidget* button = view_->Filters()->Button(kColHomeTeam);
            const QWidget* header = view_->Header();
            const QRect on_header(header->mapTo(view_.get(), QPoint(0, 0)), header->size());
            return on_header.contains(button->mapTo(view_.get(), button->rect().center()));
        };
        QTRY_VERIFY(buttons_on_header());
        QTest::mouseClick(bar->CloseButton(), Qt::LeftButton);
        QVERIFY(bar->isHidden());
        view_->layout()->activate();  // the tree moves up; nothing else changes
        QVERIFY(buttons_on_header());
        QCOMPARE(Footer(), QStringLiteral("Всего: 3"));
        QCOMPARE(tree->currentIndex(), football);
        QVERIFY(!tree->isExpanded(football));
    }

    void findBarIsNamedAndTellsItsKeys() {
        FindBar* bar = view_->Finder();
        QCOMPARE(bar->Field()->accessibleName(), QStringLiteral("Найти событие"));
        QCOMPARE(bar->CloseButton()->accessibleName(), QStringLiteral("Закрыть поиск"));
        QVERIFY(bar->Field()->toolTip().contains(QStringLiteral("Ctrl+F")));
        QVERIFY(bar->Field()->toolTip().contains(QStringLiteral("Esc")));
        QVERIFY(bar->CloseButton()->toolTip().contains(QStringLiteral("Esc")));
        QCOMPARE(view_->FindAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        view_->ShowFindBar();
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(bar->Field());
        QCOMPARE(field->text(QAccessible::Name), QStringLiteral("Найти событие"));
        QAccessibleInterface* close = QAccessible::queryAccessibleInterface(bar->CloseButton());
        QCOMPARE(close->text(QAccessible::Name), QStringLiteral("Закрыть поиск"));
    }

    // The header's column menu, on a fixed column too: its checklist shows a margin column in the
    // model and the header, and hides it again; others may add their own items.
    void headerMenuChecklistShowsAndHidesColumns() {
        QList<int> announced;
        connect(view_.get(), &OddsGridView::HeaderMenuAboutToShow, this,
                [&announced](QMenu* menu, int column) {
                    announced << column;
                    menu->addAction(QStringLiteral("Обновлять каждые …"));
                });
        OddsGridHeader* header = view_->Header();
        const auto right_click = [&](int section) {
            const QPoint at(header->sectionViewportPosition(section) + 5, header->height() / 2);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                                    header->viewport()->mapToGlobal(at));
            QApplication::sendEvent(header->viewport(), &event);
            return view_->ActiveHeaderMenu();
        };
        const auto items = [](QMenu* menu) {
            QStringList texts;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) texts << action->text();
            }
            return texts;
        };
        const auto checklist = [](QMenu* menu) {
            return menu->findChild<QMenu*>(QStringLiteral("columns_menu"));
        };

        QMenu* menu = right_click(kP1);  // a fixed column: no grouping, but the checklist
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(items(menu), (QStringList{"Столбцы", "Обновлять каждые …"}));
        QCOMPARE(announced, QList<int>{kColP1});
        QStringList listed;
        for (QAction* action : checklist(menu)->actions()) {
            if (!action->isSeparator()) listed << action->text();
        }
        // Every column but the grouped ones and the event sheet, told apart where captions repeat.
        QCOMPARE(listed,
                 (QStringList{"Дата события", "Командa дом.", "Командa гость", "1", "X", "2", "X1",
                              "12", "2X", "Маржа 1X2", "знач. (Ф1)", "Ф1", "знач. (Ф2)", "Ф2",
                              "Маржа Ф", "знач. (Тотал)", "TM", "ТБ", "Маржа Т"}));
        QAction* margin = nullptr;
        for (QAction* action : checklist(menu)->actions()) {
            if (action->text() == QStringLiteral("Маржа 1X2")) margin = action;
        }
        QVERIFY(margin && margin->isCheckable() && !margin->isChecked());
        margin->trigger();
        menu->close();
        const int section = Model().ModelColumn(kColMargin1X2);
        QVERIFY(section >= 0);
        QCOMPARE(header->model()->headerData(section, Qt::Horizontal).toString(),
                 QStringLiteral("Маржа 1X2"));
        QVERIFY(!header->isSectionHidden(section));
        // Its whole caption shows in the header's font, left of its filter button.
        QToolButton* filter = view_->Filters()->Button(kColMargin1X2);
        QVERIFY(filter && filter->isVisible());
        QVERIFY(header->sectionViewportPosition(section) +
                    QFontMetrics(header->font()).horizontalAdvance(QStringLiteral("Маржа 1X2")) <
                filter->geometry().left());

        // From the margin's own header: checked; unchecked, it is gone from model and header.
        menu = right_click(section);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(announced.last(), int(kColMargin1X2));
        QCOMPARE(items(menu).first(), QStringLiteral("Столбцы"));  // a price: fixed
        margin = nullptr;
        for (QAction* action : checklist(menu)->actions()) {
            if (action->data().toInt() == kColMargin1X2 && action->isCheckable()) margin = action;
        }
        QVERIFY(margin && margin->isChecked());
        margin->trigger();
        menu->close();
        QCOMPARE(Model().ModelColumn(kColMargin1X2), -1);
        QCOMPARE(header->count(), Model().columnCount());

        // The last shown column cannot be unchecked: the header would have nothing left.
        for (int column : view_->Tree().Layout().UserToggleableColumns()) {
            if (column != kColHomeTeam) view_->SetColumnShown(column, false);
        }
        menu = view_->OpenHeaderMenu(kColHomeTeam, QPoint(0, 0));
        for (QAction* action : checklist(menu)->actions()) {
            if (action->isCheckable()) {
                QCOMPARE(action->isEnabled(), action->data().toInt() != kColHomeTeam);
            }
        }
        menu->close();
    }

    // The checklist stays open while several columns are ticked, by mouse and by keyboard, and
    // keeps its items in step with the columns shown.
    void headerMenuChecklistStaysOpenWhileTicking() {
        QMenu* menu = view_->OpenHeaderMenu(kColHomeTeam, QPoint(0, 0));
        QMenu* checklist = menu->findChild<QMenu*>(QStringLiteral("columns_menu"));
        QVERIFY(checklist);
        checklist->popup(QPoint(10, 10));
        QTRY_VERIFY(checklist->isVisible());
        const auto item = [&](int column) -> QAction* {
            for (QAction* action : checklist->actions()) {
                if (action->isCheckable() && action->data().toInt() == column) return action;
            }
            return nullptr;
        };
        QTest::mouseClick(checklist, Qt::LeftButton, {},
                          checklist->actionGeometry(item(kColMargin1X2)).center());
        QTest::mouseClick(checklist, Qt::LeftButton, {},
                          checklist->actionGeometry(item(kColMarginTotal)).center());
        QVERIFY(checklist->isVisible());
        QVERIFY(Model().ModelColumn(kColMargin1X2) >= 0);
        QVERIFY(Model().ModelColumn(kColMarginTotal) >= 0);
        QVERIFY(item(kColMargin1X2)->isChecked() && item(kColMarginTotal)->isChecked());
        checklist->setActiveAction(item(kColMarginHandicap));
        QTest::keyClick(checklist, Qt::Key_Space);
        QTest::keyClick(checklist, Qt::Key_Return);  // ticked and unticked again
        QVERIFY(checklist->isVisible());
        QCOMPARE(Model().ModelColumn(kColMarginHandicap), -1);
        QTest::mouseClick(checklist, Qt::LeftButton, {},
                          checklist->actionGeometry(item(kColMargin1X2)).center());
        QCOMPARE(Model().ModelColumn(kColMargin1X2), -1);
        QVERIFY(!item(kColMargin1X2)->isChecked());
        menu->close();
    }

    // Without a mouse: Ctrl+Shift+M on the grid opens the focused column's menu, Shift+F10 on a
    // filter button that column's.
    void headerMenuFromTheKeyboard() {
        QApplication::setActiveWindow(view_.get());
        QVERIFY(QTest::qWaitForWindowActive(view_.get()));
        QSignalSpy announced(view_.get(), &OddsGridView::HeaderMenuAboutToShow);
        QTreeView* tree = view_->TreeView();
        view_->ExpandAllGroups();
        tree->setCurrentIndex(Row(QStringLiteral("Челси"), kGuest));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(view_->ActiveHeaderMenu() && view_->ActiveHeaderMenu()->isVisible());
        QCOMPARE(announced.last().at(1).toInt(), int(kColGuestTeam));
        QVERIFY(view_->ActiveHeaderMenu()->activeAction());
        view_->ActiveHeaderMenu()->close();

        QToolButton* button = view_->Filters()->Button(kColDate);
        button->setFocus();
        QTest::keyClick(button, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(view_->ActiveHeaderMenu() && view_->ActiveHeaderMenu()->isVisible());
        QCOMPARE(announced.last().at(1).toInt(), int(kColDate));
        QVERIFY(button->toolTip().contains(QStringLiteral("Shift+F10")));
        QVERIFY(Model()
                    .headerData(kHome, Qt::Horizontal, Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("Ctrl+Shift+M")));
        view_->ActiveHeaderMenu()->close();
    }

    void marginColumnsShowAndHide() {
        const int columns_at_start = Model().columnCount();
        QCOMPARE(Model().ModelColumn(kColMargin1X2), -1);  // hidden: not in the model
        QVERIFY(!view_->Filters()->Button(kColMargin1X2));
        QVERIFY(view_->SetColumnShown(kColMargin1X2, true));
        QCOMPARE(Model().columnCount(), columns_at_start + 1);
        const int margin = Model().ModelColumn(kColMargin1X2);
        QCOMPARE(margin, Model().ModelColumn(kColP2X) + 1);  // after the prices of its band
        QVERIFY(view_->Filters()->Button(kColMargin1X2));
        QCOMPARE(Model().headerData(margin, Qt::Horizontal).toString(),
                 QStringLiteral("Маржа 1X2"));
        view_->ExpandAllGroups();
        // Спартак has one price of the three: no margin.
        QCOMPARE(Row(QStringLiteral("Спартак"), margin).data().toString(), QString());
        view_->ClickHeader(kColMargin1X2);
        QCOMPARE(view_->Tree().Sort().column, int(kColMargin1X2));
        QVERIFY(view_->SetColumnShown(kColMargin1X2, false));
        QCOMPARE(Model().columnCount(), columns_at_start);
        QCOMPARE(view_->Tree().Sort().column, int(kColDate));
        QVERIFY(!view_->SetColumnShown(kColDopInfo, true));
        QCOMPARE(Model().ModelColumn(kColDopInfo), -1);
    }

    void aReloadFindsTheFocusedEventByTheGivenIdentity() {
        // A new read of the line: every price moved and a new event stands before the focused one.
        std::vector<Event> moved = SampleEvents();
        for (Event& e : moved) e.p1 = e.p1.value_or(1.0) + 0.1;
        moved.push_back({"футбол", "РПЛ", At(11, 19), "Ротор", "Факел", 2.2, 7, ""});
        view_->SetSameEvent(
            [](const lintaro::table::OddsRecord& a, const lintaro::table::OddsRecord& b) {
                return a.team_h_name == b.team_h_name && a.sport_event_date == b.sport_event_date;
            });
        QTreeView* tree = view_->TreeView();
        view_->ExpandAllGroups();
        tree->setCurrentIndex(Row(QStringLiteral("Спартак")));
        {
            // The rows replaced under one suspension, as a refresh that keeps the place does.
            lintaro::table::ScopedDisplaySuspension suspended(table_);
            Fill(table_, moved);
        }
        QCOMPARE(tree->currentIndex().siblingAtColumn(kHome).data().toString(),
                 QStringLiteral("Спартак"));
        QVERIFY(tree->isExpanded(Find(Model(), QStringLiteral("Вид спорта : баскетбол "), 0)));
    }

    void focusingARowMovesTheCurrentRowByKey() {
        QSignalSpy changed(view_.get(), &OddsGridView::CurrentRowChanged);
        view_->ExpandAllGroups();
        view_->TreeView()->setCurrentIndex(Row(QStringLiteral("Майами")));
        // Майами shares key 5 with Денвер, which stands first in the table.
        QCOMPARE(table_.FieldText("dop_info"), std::string("first"));
        QCOMPARE(changed.count(), 1);
        view_->TreeView()->setCurrentIndex(Row(QStringLiteral("Челси")));
        QCOMPARE(table_.FieldText("dop_info"), std::string("<b>3</b>"));
        QCOMPARE(changed.count(), 2);
        QVERIFY(view_->HasCurrentEvent());
        // A group row: the table's row stays, but there is no current event to act on.
        view_->TreeView()->setCurrentIndex(Model().index(0, 0));
        QCOMPARE(table_.FieldText("dop_info"), std::string("<b>3</b>"));
        QCOMPARE(changed.count(), 3);
        QVERIFY(!view_->HasCurrentEvent());
    }

    void doubleClickAndPopupMenu() {
        QSignalSpy double_clicked(view_.get(), &OddsGridView::DoubleClicked);
        QWidget* viewport = view_->TreeView()->viewport();
        // A group row only opens or closes; the empty area is reported.
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(50, 5));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(50, 400));
        QTRY_COMPARE(double_clicked.count(), 1);
        QTest::qWait(20);
        QCOMPARE(double_clicked.count(), 1);

        QMenu menu;
        menu.addAction(QStringLiteral("Показать роспись"));
        view_->SetPopupMenu(&menu);
        emit view_->TreeView()->customContextMenuRequested(QPoint(50, 5));
        QTRY_VERIFY(menu.isVisible());
        menu.close();
    }

    void accessibleNamesAndTexts() {
        QVERIFY(!view_->accessibleName().isEmpty());
        QVERIFY(!view_->TreeView()->accessibleName().isEmpty());
        QVERIFY(!view_->Header()->accessibleName().isEmpty());
        QVERIFY(!view_->Bands()->accessibleName().isEmpty());
        QVERIFY(!view_->Panel()->accessibleName().isEmpty());
        for (int band = 0; band < 4; ++band) {
            QCOMPARE(view_->Bands()->BandLabel(band)->accessibleName(),
                     view_->Bands()->BandLabel(band)->text());
        }
        for (int column : {kColDate, kColHomeTeam, kColGuestTeam}) {
            QToolButton* button = view_->Filters()->Button(column);
            QVERIFY(button);
            QCOMPARE(
                button->accessibleName(),
                QStringLiteral("Фильтр: ") +
                    Model().headerData(Model().ModelColumn(column), Qt::Horizontal).toString());
        }
        // Assistive technology reads the cells' shown texts through the view.
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view_->TreeView());
        QVERIFY(table);
        QCOMPARE(table->text(QAccessible::Name), view_->TreeView()->accessibleName());
    }

    // What a screen reader finds: the filter buttons among the grid's children, every column
    // header named with its band, and no hidden or unnamed column.
    void screenReaderWalk() {
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(view_.get());
        QStringList buttons;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            if (node->text(QAccessible::Name).startsWith(QStringLiteral("Фильтр: "))) {
                buttons << node->text(QAccessible::Name);
            }
            for (int i = 0; i < node->childCount(); ++i) walk(node->child(i));
        };
        walk(grid);
        QCOMPARE(buttons, (QStringList{"Фильтр: Дата события", "Фильтр: Командa дом.",
                                       "Фильтр: Командa гость"}));

        QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(view_->TreeView());
        QAccessibleTableInterface* table = tree->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->columnCount(), 1 + 16);  // the group column and the shown ones
        QStringList names, descriptions;
        // The tree's first children are its column headers.
        for (int column = 0; column < table->columnCount(); ++column) {
            QAccessibleInterface* header = tree->child(column);
            QVERIFY(header);
            QCOMPARE(header->role(), QAccessible::ColumnHeader);
            names << header->text(QAccessible::Name);
            descriptions << header->text(QAccessible::Description);
        }
        QCOMPARE(names.first(), QStringLiteral("Группа"));
        QVERIFY(!names.contains(QString()));
        QVERIFY(!names.contains(QStringLiteral("Вид спорта")));
        QCOMPARE(names.count(QStringLiteral("знач.")), 3);
        QCOMPARE(descriptions.mid(kVF1, 1), QStringList{"Фора, знач."});
        QVERIFY(descriptions.contains(QStringLiteral("Тотал, знач.")));
        QCOMPARE(descriptions[kP1], QStringLiteral("Исходы, 1"));
    }

    // A person with the keyboard alone: Alt+Down opens the focused column's filter list,
    // Ctrl+Shift+S sorts by the column, Ctrl+Shift+G groups by it, Enter on an event asks for its
    // sheet and on a group row opens it, the Menu key opens the popup menu.
    void keyboardReachesEveryTool() {
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        QTreeView* tree = view_->TreeView();
        view_->ExpandAllGroups();
        const QModelIndex chelsea = Row(QStringLiteral("Челси"));
        tree->setCurrentIndex(chelsea.siblingAtColumn(kHome));
        tree->setFocus();
        QCOMPARE(view_->FocusedColumn(), kColHomeTeam);
        // Right moves the focused cell along the row.
        QTest::keyClick(tree, Qt::Key_Right);
        QCOMPARE(view_->FocusedColumn(), kColGuestTeam);
        QTest::keyClick(tree, Qt::Key_Left);

        QTest::keyClick(tree, Qt::Key_Down, Qt::AltModifier);
        FilterPopup* popup = view_->ActiveFilterPopup();
        QVERIFY(popup);
        QCOMPARE(popup->accessibleName(), QStringLiteral("Фильтр: Командa дом."));
        QTest::keyClick(popup->List(), Qt::Key_Escape);
        QTRY_VERIFY(!view_->ActiveFilterPopup());

        QSignalSpy activated(view_.get(), &OddsGridView::EventActivated);
        QTest::keyClick(tree, Qt::Key_Return);
        QCOMPARE(activated.count(), 1);

        tree->setCurrentIndex(Row(QStringLiteral("Челси")).siblingAtColumn(kHome));
        QTest::keyClick(tree, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view_->Tree().Sort().column, kColHomeTeam);
        QCOMPARE(view_->Header()->sortIndicatorSection(), Model().ModelColumn(kColHomeTeam));
        QVERIFY(view_->Header()->isSortIndicatorShown());
        // The sort keeps the event and the column the keys act on.
        QCOMPARE(view_->FocusedColumn(), kColHomeTeam);
        QCOMPARE(tree->currentIndex().siblingAtColumn(kHome).data().toString(),
                 QStringLiteral("Челси"));

        // The home team is fixed: it cannot group, and the footer says why (a screen reader hears
        // the status label's new name). The tournament, shown again, can.
        QVERIFY(view_->StatusText().isEmpty());
        QTest::keyClick(tree, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view_->Tree().GroupColumns(), (std::vector<int>{kColSport, kColCompetition}));
        QCOMPARE(view_->StatusText(),
                 QStringLiteral("«Командa дом.» не группирует строки: группируют только «Вид "
                                "спорта» и «Турнир»"));
        QCOMPARE(view_->Footer()->StatusLabel()->accessibleName(), view_->StatusText());
        QVERIFY(view_->Footer()->StatusLabel()->isVisible());
        // Moving on clears it.
        QTest::keyClick(tree, Qt::Key_Right);
        QVERIFY(view_->StatusText().isEmpty());
        QTest::keyClick(tree, Qt::Key_Left);
        view_->SetGroupColumns({kColSport});
        view_->ExpandAllGroups();
        tree->setCurrentIndex(
            Row(QStringLiteral("Челси")).siblingAtColumn(Model().ModelColumn(kColCompetition)));
        QCOMPARE(view_->FocusedColumn(), kColCompetition);
        QTest::keyClick(tree, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view_->Tree().GroupColumns(), (std::vector<int>{kColSport, kColCompetition}));

        // Enter on a group row opens and closes it; it never asks for a sheet.
        view_->CollapseAllGroups();
        tree->setCurrentIndex(Model().index(0, 0));
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(tree->isExpanded(Model().index(0, 0)));
        QCOMPARE(activated.count(), 1);

        QMenu menu;
        menu.addAction(QStringLiteral("Обновить"));
        view_->SetPopupMenu(&menu);
        QTest::keyClick(tree, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(menu.isVisible());
        menu.close();
    }

    // Marks of what moved come from the window's function: the kind for the delegate, the text as
    // tooltip and accessible description; switched off, nothing shows.
    void cellMarksReachTheCells() {
        view_->ExpandAllGroups();
        const QModelIndex chelsea = Row(QStringLiteral("Челси"));
        view_->Model()->SetCellMarks([](const lintaro::table::OddsRecord& row, int field) {
            using lintaro::views::CellMark;
            using lintaro::views::CellMarkKind;
            if (row.team_h_name != lintaro::table::Utf8ToCp1251("Челси")) return CellMark{};
            if (field == lintaro::table::FieldIndex("P1"))
                return CellMark{CellMarkKind::kUp, "было 1.85"};
            if (field == lintaro::table::FieldIndex("sport_event_date")) {
                return CellMark{CellMarkKind::kNew, "новое"};
            }
            return CellMark{};
        });
        const QModelIndex p1 = chelsea.siblingAtColumn(kP1);
        QCOMPARE(p1.data(OddsGridModel::kCellMarkRole).toInt(),
                 static_cast<int>(lintaro::views::CellMarkKind::kUp));
        QCOMPARE(p1.data(Qt::ToolTipRole).toString(), QStringLiteral("было 1.85"));
        QCOMPARE(p1.data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("было 1.85"));
        QCOMPARE(chelsea.siblingAtColumn(kDate).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("новое"));
        QVERIFY(!chelsea.siblingAtColumn(kF1).data(Qt::ToolTipRole).isValid());
        // The keyboard user reads the focused cell's mark in the footer.
        view_->TreeView()->setCurrentIndex(p1);
        QCOMPARE(view_->StatusText(), QStringLiteral("Исходы, 1: было 1.85"));
        view_->TreeView()->setCurrentIndex(chelsea.siblingAtColumn(kF1));
        QVERIFY(view_->StatusText().isEmpty());
        QVERIFY(!Row(QStringLiteral("ЦСКА")).siblingAtColumn(kP1).data(Qt::ToolTipRole).isValid());
        view_->TreeView()->viewport()->repaint();  // the delegate draws the marks without harm
        view_->Model()->SetCellMarksShown(false);
        QCOMPARE(p1.data(OddsGridModel::kCellMarkRole).toInt(), 0);
        QVERIFY(!p1.data(Qt::ToolTipRole).isValid());
    }

    // The current cell of an event row is framed inside the highlighted row; its column survives a
    // reload that finds the event again and a change of grouping.
    void focusedCellIsFramedAndKeepsItsColumn() {
        QTreeView* tree = view_->TreeView();
        view_->ExpandAllGroups();
        tree->setCurrentIndex(Row(QStringLiteral("Челси"), kP1));
        tree->setFocus();
        QCOMPARE(view_->FocusedColumn(), kColP1);
        const QColor frame =
            tree->palette().color(tree->isActiveWindow() ? QPalette::Active : QPalette::Inactive,
                                  QPalette::HighlightedText);
        // The middle of the cell's left edge (the row's own focus rectangle runs along its top and
        // bottom).
        const auto corner = [tree](const QModelIndex& cell) {
            const QImage image = tree->viewport()->grab(tree->visualRect(cell)).toImage();
            return image.pixelColor(1, image.height() / 2);
        };
        // The style may tint the whole focused row a little: nearer the frame colour than the
        // highlight is enough.
        const QColor highlight = tree->palette().color(
            tree->isActiveWindow() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
        const auto nearer_frame = [&](const QColor& c) {
            const auto distance = [&c](const QColor& to) {
                return std::abs(c.red() - to.red()) + std::abs(c.green() - to.green()) +
                       std::abs(c.blue() - to.blue());
            };
            return distance(frame) < distance(highlight);
        };
        QVERIFY(nearer_frame(corner(Row(QStringLiteral("Челси"), kP1))));
        QVERIFY(!nearer_frame(corner(Row(QStringLiteral("Челси"), kF1))));

        // A reload of the same line (the table notifies, the tree is rebuilt).
        {
            lintaro::table::ScopedDisplaySuspension suspended(table_);
            Fill(table_, SampleEvents());
        }
        QCOMPARE(view_->FocusedColumn(), kColP1);
        QCOMPARE(tree->currentIndex().siblingAtColumn(kHome).data().toString(),
                 QStringLiteral("Челси"));
        view_->SetGroupColumns({kColSport});
        QCOMPARE(view_->FocusedColumn(), kColP1);
        QCOMPARE(tree->currentIndex()
                     .siblingAtColumn(Model().ModelColumn(kColHomeTeam))
                     .data()
                     .toString(),
                 QStringLiteral("Челси"));
    }

    // What moved, counted per row by the window: a collapsed group row shows the sum of its rows
    // ("▲3 ▼1"), says it in words as tooltip and accessible description, and "Только изменения"
    // keeps only the rows with a mark, the footer counting them; new marks keep the focused event.
    void groupCountsAndOnlyChanges() {
        using lintaro::views::MarkCounts;
        const auto counts_by_home = [](std::map<std::string, MarkCounts> by_home) {
            return [by_home](const lintaro::table::OddsRecord& row) {
                const auto found = by_home.find(row.team_h_name.value_or(""));
                return found == by_home.end() ? MarkCounts{} : found->second;
            };
        };
        const auto cp = [](const char* utf8) { return lintaro::table::Utf8ToCp1251(utf8); };
        view_->SetCellMarks({}, counts_by_home({{cp("Челси"), {2, 1, 0, 0}},
                                                {cp("Спартак"), {1, 0, 1, 0}},
                                                {cp("Бостон"), {0, 0, 0, 1}}}));
        view_->CollapseAllGroups();
        const QModelIndex basketball = Model().index(0, 0);
        const QModelIndex football = Model().index(1, 0);
        QCOMPARE(football.data(OddsGridModel::kGroupMarksRole).toString(),
                 QStringLiteral("▲3 ▼1 ◆1"));
        QCOMPARE(basketball.data(OddsGridModel::kGroupMarksRole).toString(), QStringLiteral("●1"));
        QCOMPARE(football.data(Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("С прошлого обновления: выросло 3, упало 1, линия изменилась у 1"));
        QCOMPARE(football.data(Qt::ToolTipRole), football.data(Qt::AccessibleDescriptionRole));
        const QModelIndex rpl = Find(Model(), QStringLiteral("Турнир : РПЛ "), 0, football);
        const QModelIndex apl = Find(Model(), QStringLiteral("Турнир : АПЛ "), 0, football);
        QCOMPARE(rpl.data(OddsGridModel::kGroupMarksRole).toString(), QStringLiteral("▲1 ◆1"));
        QCOMPARE(apl.data(OddsGridModel::kGroupMarksRole).toString(), QStringLiteral("▲2 ▼1"));
        view_->TreeView()->viewport()->repaint();  // drawn beside the captions without harm
        // Marks switched off: nothing is told.
        view_->Model()->SetCellMarksShown(false);
        QVERIFY(football.data(OddsGridModel::kGroupMarksRole).toString().isEmpty());
        QVERIFY(!football.data(Qt::ToolTipRole).isValid());
        view_->Model()->SetCellMarksShown(true);

        view_->ExpandAllGroups();
        view_->TreeView()->setCurrentIndex(Row(QStringLiteral("Спартак"), kP1));
        QTest::keyClick(view_->TreeView(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(view_->OnlyChanges());
        QVERIFY(view_->OnlyChangesAction()->isChecked());
        QCOMPARE(view_->Tree().EventCount(), 3);
        QCOMPARE(Footer(), QStringLiteral("Всего: 3"));
        QVERIFY(!Row(QStringLiteral("ЦСКА")).isValid());
        QCOMPARE(view_->TreeView()->currentIndex(), Row(QStringLiteral("Спартак"), kP1));

        // The next read's marks: the rows follow them, the focused event stays while it moved.
        view_->SetCellMarks({}, counts_by_home({{cp("Спартак"), {0, 1, 0, 0}}}));
        QCOMPARE(Footer(), QStringLiteral("Всего: 1"));
        QCOMPARE(view_->TreeView()->currentIndex(), Row(QStringLiteral("Спартак"), kP1));
        view_->SetCellMarks({}, {});
        QCOMPARE(Footer(), QStringLiteral("Всего: "));
        auto* tree = qobject_cast<OddsGridTreeView*>(view_->TreeView());
        QVERIFY(tree->ShowsNothingMovedHint());
        QVERIFY(!tree->ShowsEmptyHint());

        view_->OnlyChangesAction()->trigger();
        QVERIFY(!view_->OnlyChanges());
        QCOMPARE(Footer(), QStringLiteral("Всего: 6"));
        QVERIFY(!tree->ShowsNothingMovedHint());
    }

    // Lines where everything, nothing or every event moved, in one group of 10 000 events.
    void groupCountsOfLargeAndExtremeLines_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("every price up") << 0;
        QTest::newRow("nothing moved") << 1;
        QTest::newRow("every event new") << 2;
    }
    void groupCountsOfLargeAndExtremeLines() {
        QFETCH(int, kind);
        std::vector<Event> events;
        for (int i = 0; i < 10000; ++i) {
            events.push_back({"футбол", "РПЛ", At(11, 20), "Команда " + std::to_string(i), "Гость",
                              1.85, i + 1, "x"});
        }
        {
            lintaro::table::ScopedDisplaySuspension suspended(
                table_);  // one reload, not one per row
            Fill(table_, events);
        }
        using lintaro::views::MarkCounts;
        view_->SetCellMarks({}, [kind](const lintaro::table::OddsRecord&) {
            if (kind == 0) return MarkCounts{13, 0, 0, 0};
            if (kind == 2) return MarkCounts{0, 0, 0, 1};
            return MarkCounts{};
        });
        view_->CollapseAllGroups();
        const QString expected[] = {QStringLiteral("▲130000"), QString(), QStringLiteral("●10000")};
        QCOMPARE(Model().index(0, 0).data(OddsGridModel::kGroupMarksRole).toString(),
                 expected[kind]);
        view_->SetOnlyChanges(true);
        QCOMPARE(view_->Tree().EventCount(), kind == 1 ? 0 : 10000);
        view_->SetOnlyChanges(false);
        QCOMPARE(view_->Tree().EventCount(), 10000);
    }

    void lookForTheExport() {
        const GridLook look = view_->Look();
        QCOMPARE(look.header_font.colour, kNavy);
        QCOMPARE(look.band_font.colour, kNavy);
        QCOMPARE(look.apricot, (Rgb{240, 202, 166}));
        const QColor info = view_->TreeView()->palette().color(QPalette::ToolTipBase);
        QCOMPARE(look.info_background,
                 (Rgb{static_cast<uint8_t>(info.red()), static_cast<uint8_t>(info.green()),
                      static_cast<uint8_t>(info.blue())}));
        QCOMPARE(QString::fromStdString(look.font.face), QApplication::font().family());
    }

    void detachingAndClosedTables() {
        OddsTable closed;
        view_->SetTable(&closed);
        QCOMPARE(Model().rowCount(), 0);
        QCOMPARE(Footer(), QStringLiteral("Всего: "));
        view_->SetTable(nullptr);
        QCOMPARE(Model().rowCount(), 0);
        table_.InsertRow(
            lintaro::grid::testing::ValuesOf({"x", "y", At(1, 1), "a", "b"}));  // detached
        QCOMPARE(Model().rowCount(), 0);
    }
};

QTEST_MAIN(OddsGridViewTest)
#include "odds_grid_view_test.moc"
