// lintaro-cli watch --alert: conditions from the command line, checked after each period.
#include "cli/watch_alerts.h"

#include <optional>

#include "cli/cli_args.h"
#include "compare/line_comparison.h"
#include "export/row_format.h"
#include "table/cp1251_text.h"

namespace lintaro::cli {

using live::AlertLine;
using table::OddsRecord;
using worksheet::AppendJsonUtf8;

namespace {

void AppendJsonText(std::string& out, const std::optional<std::string>& cp1251) {
    if (cp1251) {
        AppendJsonUtf8(out, table::Cp1251ToUtf8(*cp1251));
    } else {
        out += "null";
    }
}

// {"time":...,"alert":...,"bookmaker":...,<the event's identity>,"field":...,"value":...}
std::string FiredLine(const std::string& time, const std::string& condition, const char* bookmaker,
                      const live::Alert& alert) {
    const live::EventIdentity& event = alert.fired->event;
    std::string out = "{\"time\":";
    AppendJsonUtf8(out, time);
    out += ",\"alert\":";
    AppendJsonUtf8(out, condition);
    out += ",\"bookmaker\":\"";
    out += bookmaker;
    out += '"';
    AppendEventJson(out, event);
    out += ",\"field\":\"";
    out += alert.condition.kind == live::AlertKind::kSurebet
               ? "surebet"
               : table::kOddsFields[alert.condition.field].name;
    out += "\",\"value\":" + worksheet::DecimalText(alert.fired->value) + "}\n";
    return out;
}

}  // namespace

void AppendEventJson(std::string& out, const live::EventIdentity& event) {
    out += ",\"sport_type_name\":";
    AppendJsonText(out, event.sport);
    out += ",\"competition_name\":";
    AppendJsonText(out, event.tournament);
    out += ",\"team_h_name\":";
    AppendJsonText(out, event.home);
    out += ",\"team_g_name\":";
    AppendJsonText(out, event.guest);
    out += ",\"sport_event_date\":";
    if (event.start) {
        AppendJsonUtf8(out, table::IsoDateTimeText(*event.start));
    } else {
        out += "null";
    }
}

std::vector<std::string> TakeRepeatedOption(std::vector<std::string>& args, std::string_view name) {
    const std::string with_value = std::string(name) + "=";
    std::vector<std::string> values;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        if (arg == name) {
            if (i + 1 >= args.size()) throw UsageError(std::string(name) + " needs a value");
            values.push_back(args[++i]);
        } else if (arg.rfind(with_value, 0) == 0) {
            values.push_back(arg.substr(with_value.size()));
        } else {
            rest.push_back(arg);
        }
    }
    args = std::move(rest);
    return values;
}

WatchAlerts::WatchAlerts(const std::vector<std::string>& conditions, bool both) {
    for (const std::string& text : conditions) {
        live::AlertCondition condition;
        try {
            condition = live::ParseAlertCondition(text);
        } catch (const live::EAlertCondition& e) {
            throw UsageError(std::string("--alert: ") + e.what());
        }
        if (!both && condition.line == AlertLine::kCompared) {
            throw UsageError("--alert " + text + ": a surebet needs watch both");
        }
        texts_.push_back(text);
        alerts_.push_back({std::move(condition), std::nullopt});
    }
}

std::string WatchAlerts::Check(const std::string& time, const std::vector<WatchedRead>& reads,
                               const compare::Aliases* links) {
    std::vector<const char*> bookmakers(alerts_.size(), "");
    const auto check = [&](const live::AlertRead& read, const char* bookmaker) {
        for (const live::AlertFiring& fired : live::CheckAlerts(alerts_, read)) {
            bookmakers[fired.alert] = bookmaker;
        }
    };
    bool all_read = !reads.empty();
    for (const WatchedRead& side : reads) {
        all_read = all_read && side.succeeded;
        if (!side.succeeded) continue;
        live::AlertRead read{
            side.bookmaker == 0 ? AlertLine::kFirst : AlertLine::kSecond, time, {}};
        for (const OddsRecord& row : *side.rows) read.events.push_back({&row, std::nullopt});
        check(read, side.bookmaker == 0 ? "first" : "second");
    }
    bool surebets_wait = false;
    for (const live::Alert& alert : alerts_) {
        surebets_wait =
            surebets_wait || (!alert.fired && alert.condition.line == AlertLine::kCompared);
    }
    if (reads.size() == 2 && all_read && surebets_wait) {
        // A surebet is of the events matched between the two reads, named as the first names them.
        compare::LineOptions options;
        options.match.aliases = links;
        const compare::LineComparison comparison =
            compare::CompareLines(*reads[0].rows, *reads[1].rows, options);
        live::AlertRead read{AlertLine::kCompared, time, {}};
        for (const compare::ComparedEvent& event : comparison.events) {
            if (event.first < 0 || event.second < 0) continue;
            std::optional<double> best;
            for (const compare::Surebet& surebet : event.comparison.surebets) {
                if (!best || surebet.profit > *best) best = surebet.profit;
            }
            read.events.push_back({&(*reads[0].rows)[static_cast<size_t>(event.first)], best});
        }
        check(read, "both");
    }
    std::string lines;
    for (size_t i = 0; i < alerts_.size(); ++i) {
        if (*bookmakers[i] != '\0') lines += FiredLine(time, texts_[i], bookmakers[i], alerts_[i]);
    }
    return lines;
}

}  // namespace lintaro::cli
