// Where the windows open: wholly inside the screen's available area at any scale factor. CMake runs
// this suite on several virtual screens (the offscreen platform's screen configuration with
// QT_SCALE_FACTOR): at 1× on 1600 × 900, where every window fits and is centred at its laid-out
// size, and at 2× and 3× on screens too small for it, where a resizable window shrinks to the area
// and the fixed-size about window moves to its top left, still closed by Enter and Esc.
#include "views/window_placement.h"

#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolBar>

#include "app/main_window.h"
#include "fake_dialogs.h"
#include "views/about_window.h"
#include "views/band_header.h"
#include "views/event_sheet_window.h"
#include "views/footer_bar.h"
#include "views/group_panel.h"
#include "views/odds_grid_view.h"

using lintaro::app::TfrmMain;
using lintaro::app::testing::FakeDialogs;
using lintaro::views::OuterTopLeftIn;

namespace {

QRect Area() { return QGuiApplication::primaryScreen()->availableGeometry(); }

bool Fits(QSize outer) {
    return outer.width() <= Area().width() && outer.height() <= Area().height();
}

// Centred in the area, give or take the pixel that an odd difference leaves.
bool Centred(const QRect& outer) {
    const QPoint off = outer.center() - Area().center();
    return std::abs(off.x()) <= 1 && std::abs(off.y()) <= 1;
}

// Each of `parts` lies wholly inside `window`, and so on the screen.
void VerifyInside(QWidget* window, const QList<QWidget*>& parts) {
    for (QWidget* part : parts) {
        QVERIFY(part->isVisible());
        const QRect r(part->mapTo(window, QPoint(0, 0)), part->size());
        QVERIFY2(window->rect().contains(r),
                 qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 leaves its %6x%7 window")
                                .arg(part->metaObject()->className())
                                .arg(r.x())
                                .arg(r.y())
                                .arg(r.width())
                                .arg(r.height())
                                .arg(window->width())
                                .arg(window->height())));
    }
}

}  // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        qInfo("screen %dx%d at scale %s, available %dx%d", Area().width(), Area().height(),
              qgetenv("QT_SCALE_FACTOR").constData(), Area().width(), Area().height());
    }

    void OuterTopLeftInTheArea_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QPoint>("top_left");
        // A panel at the top of the screen leaves the area from y 30.
        const QRect area(0, 30, 800, 420);
        QTest::newRow("fits: centred") << area << QSize(400, 200) << QPoint(200, 140);
        QTest::newRow("exactly the area") << area << QSize(800, 420) << QPoint(0, 30);
        QTest::newRow("too wide: top left") << area << QSize(937, 300) << QPoint(0, 30);
        QTest::newRow("too high: top left") << area << QSize(300, 421) << QPoint(0, 30);
        QTest::newRow("second screen")
            << QRect(1600, 0, 341, 200) << QSize(300, 214) << QPoint(1600, 0);
    }
    void OuterTopLeftInTheArea() {
        QFETCH(QRect, area);
        QFETCH(QSize, outer);
        QFETCH(QPoint, top_left);
        QCOMPARE(OuterTopLeftIn(area, outer), top_left);
    }

    void MainWindowOpensInsideTheArea() {
        FakeDialogs dialogs;
        TfrmMain window(dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);  // the second placement, once the frame is known
        const QRect outer = window.frameGeometry();
        QVERIFY2(Area().contains(outer), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                        .arg(outer.x())
                                                        .arg(outer.y())
                                                        .arg(outer.width())
                                                        .arg(outer.height())));
        if (Fits(QSize(937, 531))) {
            QCOMPARE(outer.size(), QSize(937, 531));
            QVERIFY(Centred(outer));
        } else {
            // Shrunk to the area, so nothing of it is off the screen.
            QCOMPARE(outer.size(), QSize(937, 531).boundedTo(Area().size()));
        }
        // The menu bar, the toolbar and every part of the grid down to its footer.
        lintaro::views::OddsGridView* grid = window.ctl_DataGrid();
        QList<QWidget*> parts{window.menuBar(), grid,          grid->Panel(), grid->Bands(),
                              grid->TreeView(), grid->Footer()};
        for (QToolBar* toolbar : window.findChildren<QToolBar*>()) parts.append(toolbar);
        VerifyInside(&window, parts);
    }

    void AboutWindowOpensInsideTheAreaAndCloses() {
        FakeDialogs dialogs;
        TfrmMain window(dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QDialog* about = nullptr;
        dialogs.on_modal = [&about](QDialog& dialog) {
            about = &dialog;
            dialog.show();
        };
        window.N9Click();
        QVERIFY(about != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(about));
        const QRect outer = about->frameGeometry();
        QCOMPARE(about->size(), QSize(300, 214));  // fixed: never shrunk
        if (Fits(outer.size())) {
            QVERIFY(Area().contains(outer));
            QVERIFY(Centred(outer));
        } else {
            QCOMPARE(outer.topLeft(), Area().topLeft());
        }

        // Enter presses OK wherever the window went; Esc closes it too.
        QTest::keyClick(about, Qt::Key_Return);
        QVERIFY(!about->isVisible());
        QCOMPARE(about->result(), int(QDialog::Accepted));
        window.N9Click();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QCOMPARE(about->frameGeometry(), outer);
        QTest::keyClick(about, Qt::Key_Escape);
        QVERIFY(!about->isVisible());
        QCOMPARE(about->result(), int(QDialog::Rejected));
    }

    void EventSheetWindowOpensInsideTheArea() {
        lintaro::views::TFDopInfo sheet;
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QTest::qWait(50);
        const QRect outer = sheet.frameGeometry();
        QVERIFY(Area().contains(outer));
        QCOMPARE(outer.size(), QSize(714, 342).boundedTo(Area().size()));
        if (Fits(QSize(714, 342))) QVERIFY(Centred(outer));
        QList<QWidget*> parts;
        for (QWidget* child : sheet.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible()) parts.append(child);
        }
        VerifyInside(&sheet, parts);
    }
};

QTEST_MAIN(WindowPlacementTest)
#include "window_placement_test.moc"
