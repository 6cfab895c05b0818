// Program start: options first (--help and --version need no display), then the toolkit, the
// windows and the event loop.
#include "app/app_main.h"

#include <QApplication>
#include <QTimer>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/user_dialogs.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "table/date_time.h"
#include "version/version.h"
#include "views/app_icon.h"

namespace lintaro::app {

int RunLintaro(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    LaunchOptions options;
    try {
        options = ParseLaunchOptions(args);
    } catch (const LaunchUsageError& e) {
        std::cerr << "lintaro: " << e.what() << std::endl;
        return 2;
    }
    if (options.help) {
        std::cout << LaunchUsage();
        return 0;
    }
    if (options.version) {
        std::cout << VersionLine() << std::endl;
        return 0;
    }

    // The toolkit sees the program name and the arguments that are not ours, and must take all.
    std::vector<std::string> toolkit_args{argc > 0 ? argv[0] : "lintaro"};
    toolkit_args.insert(toolkit_args.end(), options.toolkit_args.begin(),
                        options.toolkit_args.end());
    std::vector<char*> toolkit_argv;
    for (std::string& arg : toolkit_args) toolkit_argv.push_back(arg.data());
    toolkit_argv.push_back(nullptr);
    int toolkit_argc = static_cast<int>(toolkit_args.size());
    QApplication application(toolkit_argc, toolkit_argv.data());
    const QStringList left = QApplication::arguments().mid(1);
    if (!left.isEmpty()) {
        std::cerr << "lintaro: unknown argument " << left.first().toStdString()
                  << " (see lintaro --help)" << std::endl;
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("lintaro"));
    QApplication::setApplicationVersion(QString::fromStdString(VersionLine().substr(8)));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kAppId));
    QApplication::setWindowIcon(views::ApplicationIcon());

    // The demo line is published on the readers' today, so that its dates read as intended.
    std::unique_ptr<demo::DemoServer> demo_server;
    if (options.demo) {
        demo::DemoOptions demo_options;
        demo_options.today = demo::ToYearMonthDay(table::LocalToday());
        demo_server = std::make_unique<demo::DemoServer>(demo_options);
        // The window's demo line moves from read to read, as a real line does.
        demo_server->SetMoving(true);
        try {
            demo_server->Start();
        } catch (const std::exception& e) {
            std::cerr << "lintaro: cannot start the demo line: " << e.what() << std::endl;
            return 1;
        }
        options.first_host = demo_server->FirstHost();
        options.second_host = demo_server->SecondHost();
    }

    QtUserDialogs dialogs;
    TfrmMain window(dialogs);
    if (options.first_host) window.SetFirstHost(*options.first_host);
    if (options.second_host) window.SetSecondHost(*options.second_host);
    // --bookmaker holds for this run; the choice remembered stays for the next.
    if (options.bookmaker) window.SetBookmaker(*options.bookmaker, /*remember=*/false);
    // Closing during a refresh hides the window first and closes it once the worker has stopped,
    // which the toolkit no longer counts as the last window closing.
    QObject::connect(&window, &TfrmMain::Closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.SetAutoRefreshMinutes(options.auto_refresh_minutes);
    const auto in_ms = [](std::optional<int> seconds) -> std::optional<int> {
        if (!seconds) return std::nullopt;
        return *seconds * 1000;
    };
    window.SetTimedReadLimits(in_ms(options.timed_stall_seconds),
                              in_ms(options.timed_timeout_seconds));
    window.show();
    if (options.refresh) {
        QTimer::singleShot(0, &window, &TfrmMain::RefreshWithoutQuestion);
    }
    return application.exec();
}

}  // namespace lintaro::app
