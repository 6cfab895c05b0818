// The lintaro program's options: what each one sets and the mistakes that end with status 2.
#include "app/command_line.h"

#include <QTest>

using lintaro::app::LaunchOptions;
using lintaro::app::LaunchUsageError;
using lintaro::app::ParseLaunchOptions;

namespace {

LaunchOptions Parse(const QStringList& args) {
    std::vector<std::string> list;
    for (const QString& arg : args) list.push_back(arg.toStdString());
    return ParseLaunchOptions(list);
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
  private slots:
    void NoOptionsReadTheBookmakersThemselves() {
        const LaunchOptions options = Parse({});
        QVERIFY(!options.demo && !options.refresh && !options.version && !options.help);
        QVERIFY(!options.first_host && !options.second_host);
        QVERIFY(!options.bookmaker);  // the choice remembered holds
    }

    void EveryOptionSetsItsValue() {
        const LaunchOptions options =
            Parse({"--first-host", "127.0.0.1:8080", "--second-host=example.org", "--bookmaker",
                   "second", "--refresh", "-platform", "offscreen"});
        QCOMPARE(*options.first_host, std::string("127.0.0.1:8080"));
        QCOMPARE(*options.second_host, std::string("example.org"));
        QCOMPARE(*options.bookmaker, 1);
        QCOMPARE(*Parse({"--bookmaker=both"}).bookmaker, 2);
        QCOMPARE(*Parse({"--bookmaker", "first"}).bookmaker, 0);
        QVERIFY(options.refresh);
        // Single-dash arguments are the toolkit's.
        QCOMPARE(options.toolkit_args, (std::vector<std::string>{"-platform", "offscreen"}));
        QVERIFY(Parse({"--demo", "--bookmaker=first"}).demo);
        QVERIFY(Parse({"--version"}).version);
        QVERIFY(Parse({"--help"}).help);
        QCOMPARE(options.auto_refresh_minutes, 0);
        QCOMPARE(Parse({"--auto-refresh", "5"}).auto_refresh_minutes, 5);
        QCOMPARE(Parse({"--auto-refresh=1440"}).auto_refresh_minutes, 1440);
        QCOMPARE(options.timed_timeout_seconds, std::nullopt);
        QCOMPARE(Parse({"--timeout", "0"}).timed_timeout_seconds, std::optional<int>(0));
        QCOMPARE(Parse({"--stall-timeout=30"}).timed_stall_seconds, std::optional<int>(30));
        QCOMPARE(lintaro::app::VersionLine(), std::string("lintaro 1.1.0.0"));
    }

    void MistakesAreUsageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << QStringList{"--bogus"}
                                 << "unknown option --bogus (see lintaro --help)";
        QTest::newRow("missing value")
            << QStringList{"--first-host"} << "--first-host needs a value";
        QTest::newRow("bad port") << QStringList{"--first-host", "host:70000"}
                                  << "--first-host needs HOST or HOST:PORT, not \"host:70000\"";
        QTest::newRow("path in host") << QStringList{"--second-host=a/b"}
                                      << "--second-host needs HOST or HOST:PORT, not \"a/b\"";
        QTest::newRow("bookmaker") << QStringList{"--bookmaker", "third"}
                                   << "--bookmaker needs first, second or both, not \"third\"";
        for (const char* minutes : {"0", "1441", "five", "-1", ""}) {
            QTest::newRow(qPrintable(QStringLiteral("auto-refresh ") + minutes))
                << QStringList{"--auto-refresh", minutes}
                << QStringLiteral(
                       "--auto-refresh needs a number of minutes from 1 to 1440, not \"%1\"")
                       .arg(minutes);
        }
        QTest::newRow("stall-timeout") << QStringList{"--stall-timeout", "-5"}
                                       << "--stall-timeout needs a number of seconds from 0 to "
                                          "86400, not \"-5\"";
        QTest::newRow("value on a flag") << QStringList{"--demo=yes"} << "--demo takes no value";
        QTest::newRow("not an option")
            << QStringList{"line.html"} << "unexpected argument \"line.html\" (see lintaro --help)";
        QTest::newRow("demo with a host")
            << QStringList{"--demo", "--first-host", "h"}
            << "--demo chooses both hosts itself; leave out --first-host and --second-host";
    }
    void MistakesAreUsageErrors() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        try {
            Parse(args);
            QFAIL("no usage error");
        } catch (const LaunchUsageError& e) {
            QCOMPARE(QString::fromStdString(e.what()), message);
        }
    }

    void HelpNamesEveryOption() {
        const std::string usage = lintaro::app::LaunchUsage();
        for (const char* option :
             {"--demo", "--first-host HOST[:PORT]", "--second-host HOST[:PORT]",
              "--bookmaker first|second|both", "--refresh", "--auto-refresh MINUTES",
              "--timeout SECONDS", "--stall-timeout SECONDS", "--version", "--help"}) {
            QVERIFY2(usage.find(option) != std::string::npos, option);
        }
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
