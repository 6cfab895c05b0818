// lintaro-screenshot: the window on the demo line, refreshed and with every group expanded, saved
// as a PNG of what the display shows. scripts/screenshot runs it under Xvfb for the README.
// --both shows both bookmakers' lines compared ("Обе конторы"), --dark the window on a dark
// palette (Fusion), for looking at either; the README's picture takes neither.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPalette>
#include <QScreen>
#include <QStyleFactory>
#include <QTreeView>
#include <iostream>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/user_dialogs.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "table/date_time.h"
#include "views/app_icon.h"
#include "views/odds_grid_view.h"

namespace {

void Settle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Makes the first event with a surebet the current row, in the middle of the view.
bool FocusFirstSurebet(const lintaro::app::TfrmMain& window, QTreeView* tree) {
    const QAbstractItemModel* model = tree->model();
    for (int s = 0; s < model->rowCount(); ++s) {
        const QModelIndex sport = model->index(s, 0);
        for (int t = 0; t < model->rowCount(sport); ++t) {
            const QModelIndex tournament = model->index(t, 0, sport);
            for (int e = 0; e < model->rowCount(tournament); ++e) {
                const QModelIndex event = model->index(e, 0, tournament);
                tree->setCurrentIndex(event);
                const auto compared = window.CurrentComparedEvent();
                if (compared && !compared->comparison.surebets.empty()) {
                    tree->scrollTo(event, QAbstractItemView::PositionAtCenter);
                    return true;
                }
            }
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStringList args = QApplication::arguments();
    const bool both = args.removeAll(QStringLiteral("--both")) > 0;
    const bool dark = args.removeAll(QStringLiteral("--dark")) > 0;
    if (args.size() != 2) {
        std::cerr << "usage: lintaro-screenshot [--both] [--dark] OUT.png" << std::endl;
        return 2;
    }
    if (dark) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(45, 45, 48));
        palette.setColor(QPalette::WindowText, QColor(230, 230, 230));
        palette.setColor(QPalette::Base, QColor(30, 30, 30));
        palette.setColor(QPalette::AlternateBase, QColor(40, 40, 44));
        palette.setColor(QPalette::Text, QColor(230, 230, 230));
        palette.setColor(QPalette::Button, QColor(50, 50, 54));
        palette.setColor(QPalette::ButtonText, QColor(230, 230, 230));
        palette.setColor(QPalette::ToolTipBase, QColor(60, 60, 40));
        palette.setColor(QPalette::ToolTipText, QColor(240, 240, 220));
        palette.setColor(QPalette::Highlight, QColor(38, 79, 120));
        palette.setColor(QPalette::HighlightedText, Qt::white);
        palette.setColor(QPalette::Link, QColor(110, 170, 255));
        QApplication::setPalette(palette);
    }
    QApplication::setApplicationName(QStringLiteral("lintaro"));
    QApplication::setWindowIcon(lintaro::views::ApplicationIcon());
    lintaro::demo::DemoOptions options;
    options.today = lintaro::demo::ToYearMonthDay(lintaro::table::LocalToday());
    lintaro::demo::DemoServer server(options);
    server.Start();

    lintaro::app::QtUserDialogs dialogs;
    lintaro::app::TfrmMain window(dialogs);
    window.SetFirstHost(server.FirstHost());
    window.SetSecondHost(server.SecondHost());
    // The picture shows the first bookmaker's line, or both, whatever this user chose last.
    window.SetBookmaker(both ? lintaro::app::kBothBookmakers : lintaro::app::kFirstBookmaker,
                        /*remember=*/false);
    window.show();
    Settle(300);
    window.RefreshWithoutQuestion();
    while (window.IsRefreshing()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    window.ctl_DataGrid()->ExpandAllGroups();
    QTreeView* tree = window.ctl_DataGrid()->TreeView();
    // Focus the first event row, so that its event sheet action is enabled as a user would see it.
    const QModelIndex sport = tree->model()->index(0, 0);
    const QModelIndex tournament = tree->model()->index(0, 0, sport);
    tree->setCurrentIndex(tree->model()->index(0, 0, tournament));
    // Compared, the first sports may be carried by one bookmaker only: the picture goes to the
    // first event with a surebet, so that it shows matched events and their marks.
    if (both && !FocusFirstSurebet(window, tree))
        tree->setCurrentIndex(tree->model()->index(0, 0, tournament));
    tree->setFocus();
    Settle(500);

    const QRect frame = window.frameGeometry();
    const QPixmap shot =
        window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull() || !shot.save(args[1], "PNG")) {
        std::cerr << "lintaro-screenshot: cannot write " << args[1].toStdString() << std::endl;
        return 1;
    }
    return 0;
}
