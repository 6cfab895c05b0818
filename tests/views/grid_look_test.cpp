// The grid's colours on a light and a dark theme (cells, captions, band captions, drawn pixels) and
// the hint the empty grid shows until the line is loaded.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTest>

#include "grid/colour_contrast.h"
#include "grid_fixture.h"
#include "views/band_header.h"
#include "views/cell_marks.h"
#include "views/odds_grid_delegate.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_tree_view.h"
#include "views/odds_grid_view.h"
#include "views/readable_colour.h"

using lintaro::grid::testing::At;
using lintaro::grid::testing::Fill;
using lintaro::table::OddsTable;
using lintaro::table::RegionalFormats;
using namespace lintaro::grid;
using namespace lintaro::views;

namespace {

constexpr QColor kNavyText{0, 0, 128};
constexpr QColor kBlackText{0, 0, 0};

// A dark desktop theme: light text on near-black, a dark tooltip colour with light text, a light
// blue link.
QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    dark.setColor(QPalette::ToolTipBase, QColor(63, 63, 54));
    dark.setColor(QPalette::ToolTipText, Qt::white);
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Link, QColor(42, 130, 218));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    return dark;
}

int CountPixels(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == colour;
    }
    return count;
}

}  // namespace

class GridLookTest : public QObject {
    Q_OBJECT

  private:
    OddsTable table_;
    std::unique_ptr<OddsGridView> view_;
    // Checks the model on every change it reports; made with the view, which each test opens on
    // its own palette.
    std::unique_ptr<QAbstractItemModelTester> tester_;
    QPalette standard_;

    void Open(const QPalette& palette) {
        QApplication::setPalette(palette);
        view_ = std::make_unique<OddsGridView>();
        tester_ = std::make_unique<QAbstractItemModelTester>(
            view_->Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        view_->SetFormats(RegionalFormats{});
        view_->resize(1000, 400);
        view_->SetTable(&table_);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    }
    QModelIndex Cell(int layout_column) const {
        OddsGridModel* model = view_->Model();
        const QModelIndex sport = model->index(0, 0);
        const QModelIndex tournament = model->index(0, 0, sport);
        return model->index(0, model->ModelColumn(layout_column), tournament);
    }
    QColor TextColour(int layout_column) const {
        auto* delegate = qobject_cast<OddsGridDelegate*>(view_->TreeView()->itemDelegate());
        QStyleOptionViewItem option;
        option.initFrom(view_->TreeView());
        option.state &= ~QStyle::State_Selected;
        return delegate->TextColour(option, Cell(layout_column));
    }
    // What the tree draws in a cell.
    QImage Drawn(int layout_column) const {
        QTreeView* tree = view_->TreeView();
        return tree->viewport()->grab(tree->visualRect(Cell(layout_column))).toImage();
    }

  private slots:
    void initTestCase() { standard_ = QApplication::palette(); }
    void init() {
        // One event with an event sheet, a price and a handicap.
        Fill(table_, {});
        std::vector<lintaro::table::FieldValue> values = lintaro::grid::testing::ValuesOf(
            {"футбол", "РПЛ", At(11, 20), "Спартак", "Зенит", 1.85, 1, "<b>1</b>"});
        values[lintaro::table::FieldIndex("F1")] = 1.95;
        table_.InsertRow(values);
    }
    void cleanup() {
        tester_.reset();
        view_.reset();
        QApplication::setPalette(standard_);
    }

    void CellColoursFollowTheTheme_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void CellColoursFollowTheTheme() {
        QFETCH(bool, dark);
        const QPalette palette = dark ? DarkPalette() : standard_;
        Open(palette);
        view_->ExpandAllGroups();
        view_->TreeView()->clearSelection();
        view_->TreeView()->setCurrentIndex({});
        const QColor link = palette.color(QPalette::Link);
        // The light theme keeps every colour as laid out; on the dark one navy would vanish.
        const QColor team = dark ? link : kNavyText;
        QCOMPARE(TextColour(kColHomeTeam), team);
        QCOMPARE(TextColour(kColGuestTeam), team);
        QCOMPARE(TextColour(kColDate), palette.color(QPalette::Text));
        // The tooltip-coloured band: its own text colour (black on the light theme).
        QCOMPARE(TextColour(kColP1), palette.color(QPalette::ToolTipText));
        // The apricot band is apricot on every theme, so its text is always black.
        QCOMPARE(TextColour(kColF1), kBlackText);
        QCOMPARE(TextColour(kColVF1), kBlackText);

        // Captions of the columns and the bands.
        QCOMPARE(view_->Model()
                     ->headerData(view_->Model()->ModelColumn(kColP1), Qt::Horizontal,
                                  Qt::ForegroundRole)
                     .value<QColor>(),
                 team);
        QCOMPARE(view_->Bands()->BandLabel(1)->palette().color(QPalette::WindowText), team);
        QCOMPARE(view_->Look().header_font.colour,
                 (Rgb{uint8_t(team.red()), uint8_t(team.green()), uint8_t(team.blue())}));

        // And what is painted: the team name in its colour, never navy on the dark theme; the
        // handicap in black on apricot.
        const QImage home = Drawn(kColHomeTeam);
        QVERIFY(CountPixels(home, team) > 0);
        if (dark) QCOMPARE(CountPixels(home, kNavyText), 0);
        const QImage handicap = Drawn(kColF1);
        QVERIFY(CountPixels(handicap, QColor(240, 202, 166)) > 0);
        QVERIFY(CountPixels(handicap, kBlackText) > 0);
    }

    // The movement marks read at 4.5:1 on each band's background on both themes: on the light one
    // they keep their colours where these already do; what is drawn is that colour. The counts of a
    // collapsed group row read on the group row's colour likewise.
    void MarksReadOnEveryBandAndTheme_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void MarksReadOnEveryBandAndTheme() {
        QFETCH(bool, dark);
        const QPalette palette = dark ? DarkPalette() : standard_;
        Open(palette);
        struct Marked {
            int column;
            CellMarkKind kind;
        };
        const Marked kMarked[] = {{kColDate, CellMarkKind::kNew},
                                  {kColP1, CellMarkKind::kUp},
                                  {kColF1, CellMarkKind::kDown},
                                  {kColVF1, CellMarkKind::kLineChanged}};
        view_->SetCellMarks(
            [&kMarked](const lintaro::table::OddsRecord&, int field) {
                for (const Marked& m : kMarked) {
                    if (GridLayout().Column(m.column).field_index == field) {
                        return CellMark{m.kind, QStringLiteral("было 1")};
                    }
                }
                return CellMark{};
            },
            [](const lintaro::table::OddsRecord&) {
                return MarkCounts{1, 1, 1, 0};
            });
        view_->ExpandAllGroups();
        view_->TreeView()->clearSelection();
        view_->TreeView()->setCurrentIndex({});
        auto* delegate = qobject_cast<OddsGridDelegate*>(view_->TreeView()->itemDelegate());
        for (const Marked& m : kMarked) {
            QStyleOptionViewItem option;
            option.initFrom(view_->TreeView());
            option.state &= ~QStyle::State_Selected;
            const QModelIndex cell = Cell(m.column);
            const QVariant band = cell.data(Qt::BackgroundRole);
            const QColor background =
                band.isValid() ? band.value<QColor>() : palette.color(QPalette::Base);
            const QColor colour = delegate->MarkColourOn(option, cell, m.kind);
            const Rgb rgb{uint8_t(colour.red()), uint8_t(colour.green()), uint8_t(colour.blue())};
            const Rgb bg{uint8_t(background.red()), uint8_t(background.green()),
                         uint8_t(background.blue())};
            QVERIFY2(ContrastRatio(rgb, bg) >= kReadableContrast, qPrintable(colour.name()));
            if (!dark && m.column != kColF1 && m.column != kColVF1) {
                QCOMPARE(colour, MarkColour(m.kind));  // the light look as laid out
            }
            QVERIFY2(CountPixels(Drawn(m.column), colour) > 0, qPrintable(colour.name()));
        }
        // The counts beside a collapsed group's caption, in their marks' readable colours.
        view_->CollapseAllGroups();
        QTreeView* tree = view_->TreeView();
        const QModelIndex sport = view_->Model()->index(0, 0);
        QCOMPARE(sport.data(OddsGridModel::kGroupMarksRole).toString(), QStringLiteral("▲1 ▼1 ◆1"));
        const QRect row = tree->visualRect(sport).united(
            QRect(0, tree->visualRect(sport).top(), tree->viewport()->width(), 1));
        const QImage drawn = tree->viewport()->grab(row).toImage();
        const QColor group_background = palette.color(QPalette::Button);
        const QColor up = ReadableGraphicColour(MarkColour(CellMarkKind::kUp), group_background);
        QVERIFY(CountPixels(drawn, up) > 0);
        tree->expand(sport);
        QCOMPARE(CountPixels(tree->viewport()->grab(row).toImage(), up), 0);  // open: not told
    }

    void CaptionsFollowAThemeChosenWhileRunning() {
        Open(standard_);
        const int p1 = view_->Model()->ModelColumn(kColP1);
        QCOMPARE(view_->Model()->headerData(p1, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(),
                 kNavyText);
        QApplication::setPalette(DarkPalette());
        const QColor link = DarkPalette().color(QPalette::Link);
        QTRY_COMPARE(
            view_->Model()->headerData(p1, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(),
            link);
        QCOMPARE(view_->Bands()->BandLabel(0)->palette().color(QPalette::WindowText), link);
        QCOMPARE(TextColour(kColHomeTeam), link);
    }

    void EmptyGridShowsHowToLoadTheLine() {
        Open(standard_);
        auto* tree = qobject_cast<OddsGridTreeView*>(view_->TreeView());
        QVERIFY(tree != nullptr);
        const QColor text = tree->palette().color(QPalette::Text);
        const auto hint_drawn = [tree, &text] {
            return CountPixels(tree->viewport()->grab().toImage(), text) > 0;
        };
        QVERIFY(!tree->ShowsEmptyHint());  // rows show

        // At start: no table at all.
        view_->SetTable(nullptr);
        QVERIFY(tree->ShowsEmptyHint());
        QVERIFY(hint_drawn());

        // An open, empty table (a refresh that found nothing, or just reset).
        table_.ResetTable();
        view_->SetTable(&table_);
        QVERIFY(tree->ShowsEmptyHint());
        QVERIFY(hint_drawn());

        // Gone as soon as rows show.
        Fill(table_, {{"футбол", "РПЛ", At(11, 20), "Спартак", "Зенит", 1.85, 1, "x"}});
        QVERIFY(!tree->ShowsEmptyHint());

        // Rows that a filter hides are no reason to ask for a refresh.
        view_->SetColumnFilter(kColHomeTeam, ColumnFilter::Value("Нет такой"));
        QCOMPARE(view_->Model()->rowCount(), 0);
        QVERIFY(!tree->ShowsEmptyHint());
        QVERIFY(!hint_drawn());
    }
};

QTEST_MAIN(GridLookTest)
#include "grid_look_test.moc"
