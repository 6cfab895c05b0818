// lintaro-screenshot: the window on the demo line, refreshed and with every group expanded, saved
// as a PNG of what the display shows. scripts/screenshot runs it under Xvfb for the README.
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
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

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::cerr << "usage: lintaro-screenshot OUT.png" << std::endl;
        return 2;
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
    // The picture shows the first bookmaker's line, whatever this user chose last.
    window.SetBookmaker(lintaro::app::kFirstBookmaker, /*remember=*/false);
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
