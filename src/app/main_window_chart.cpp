// The main window's chart of an event: Ctrl+G and the popup menu's "График" read the current
// event's history at each bookmaker that shows it and open the chart window on it.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <array>
#include <exception>
#include <optional>

#include "app/command_line.h"
#include "app/main_window.h"
#include "live/event_history.h"
#include "views/event_chart_window.h"
#include "views/grid_qstring.h"
#include "views/odds_grid_model.h"
#include "views/odds_grid_view.h"
#include "views/user_settings.h"

namespace lintaro::app {
namespace {

// The names the history records the bookmakers under.
constexpr const char* kHistoryBookmakers[] = {"first", "second"};
// The user's setting that keeps the history of reads, or not.
const QString kKeepHistoryKey = QStringLiteral("history/keep");

QString TextField(const table::OddsRecord& row, const char* field) {
    const table::StoredValue value = table::GetField(row, table::FieldIndex(field));
    const auto* cp1251 = std::get_if<std::string_view>(&value);
    return cp1251 ? views::FromCp1251(*cp1251) : QString();
}

}  // namespace

void TfrmMain::SetUpEventChart() {
    // The popup menu's item shows only at an event once there is a history to draw, so the menu
    // stays as it was for a user who keeps none; Ctrl+G works everywhere in the window and says
    // why when there is nothing to show.
    // No failure escapes into the event loop: the history's own are the chart window's message.
    const auto open = [this] {
        try {
            if (!ShowEventChart()) QApplication::beep();
        } catch (const std::exception& error) {
            ReportError(QString::fromUtf8(error.what()));
        }
    };
    auto* item = new QAction(QStringLiteral("График"), this);
    item->setObjectName(QStringLiteral("actEventChart"));
    item->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    item->setVisible(false);
    connect(item, &QAction::triggered, this, open);
    // Next to the event sheet: both show more of the current event.
    const QList<QAction*> items = popup_menu_->actions();
    const qsizetype sheet = items.indexOf(Action("actShowDopInfo"));
    popup_menu_->insertAction(sheet >= 0 && sheet + 1 < items.size() ? items[sheet + 1] : nullptr,
                              item);
    connect(popup_menu_, &QMenu::aboutToShow, this, [this, item] {
        const QString path = views::HistoryPath();
        item->setVisible(HasCurrentEvent() && !path.isEmpty() && QFileInfo::exists(path));
    });

    auto* key = new QAction(this);
    key->setObjectName(QStringLiteral("actEventChartKey"));
    key->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(key, &QAction::triggered, this, open);
    addAction(key);
}

views::EventChartWindow* TfrmMain::ShowEventChart() {
    const int current = cds_data_.CurrentRow();
    if (current < 0 || !HasCurrentEvent()) return nullptr;
    const table::OddsRecord& row = cds_data_.Rows()[current];

    // The event at each bookmaker as it was read and recorded: a compared row stands for a row of
    // each (the second's in its own words and clock); a line of one bookmaker is its own rows.
    std::array<std::optional<table::OddsRecord>, 2> rows;
    if (ShowsComparison()) {
        rows = compared_.RowsAtEach(row);
    } else {
        rows[line_bookmaker_ == kSecondBookmaker ? 1 : 0] = row;
    }

    views::EventChart chart;
    chart.event =
        TextField(row, "team_h_name") + QStringLiteral(" — ") + TextField(row, "team_g_name");
    chart.decimal_mark = ctl_data_grid_->Tree().Formats().decimal_mark;
    const QString path = views::HistoryPath();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        // The window's switch "Хранить историю" (on unless the user turned it off) says which.
        chart.trouble = views::ReadUserSetting(kKeepHistoryKey, true).toBool()
                            ? views::HistoryTrouble::kNoHistory
                            : views::HistoryTrouble::kSwitchedOff;
    } else {
        for (int side = 0; side < 2; ++side) {
            if (!rows[side]) continue;
            try {
                chart.sides.push_back({BookmakerName(side),
                                       live::ReadEventHistory(QFile::encodeName(path).toStdString(),
                                                              kHistoryBookmakers[side],
                                                              live::EventKeyOf(*rows[side]))});
            } catch (const std::exception& error) {
                chart.trouble = views::HistoryTrouble::kUnreadable;
                chart.detail = QString::fromUtf8(error.what());
                chart.sides.clear();
                break;
            }
        }
    }
    return views::ShowEventChart(this, std::move(chart));
}

}  // namespace lintaro::app
