// The window's alerts: menus, the check after each read, the notification or note, the file.
#include "app/window_alerts.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>
#include <QTimer>

#include "app/alert_dialog.h"
#include "app/alerts_window.h"
#include "app/command_line.h"
#include "app/compared_line.h"
#include "app/desktop_notifier.h"
#include "app/main_window.h"
#include "grid/grid_tree.h"
#include "table/cp1251_text.h"
#include "table/odds_display.h"
#include "views/odds_grid_view.h"
#include "views/user_settings.h"

namespace lintaro::app {

using live::Alert;
using live::AlertCondition;
using live::AlertLine;
using live::EventIdentity;

namespace {

constexpr int kFileVersion = 1;

QString FromCp1251(const std::optional<std::string>& text) {
    return text ? QString::fromStdString(table::Cp1251ToUtf8(*text)) : QString();
}

std::optional<std::string> ToCp1251(const QJsonValue& value) {
    if (!value.isString()) return std::nullopt;
    return table::Utf8ToCp1251(value.toString().toStdString());
}

// The price fields as a bettor names them.
QString FieldName(int field) {
    static const char* const kNames[] = {"П1", "X", "П2", "1X", "X2", "12",
                                         "Ф1", "",  "Ф2", "",   "ТМ", "ТБ"};
    const int index = field - table::FieldIndex("P1");
    if (index < 0 || index >= static_cast<int>(std::size(kNames)) || !*kNames[index]) {
        return field >= 0 ? QString::fromLatin1(table::kOddsFields[field].name) : QString();
    }
    return QString::fromUtf8(kNames[index]);
}

QString Number(table::Decimal value) {
    return QString::fromStdString(table::FormatDecimal(value, table::DecimalFormat::kPrice, "."));
}

QString LineName(AlertLine line) {
    switch (line) {
        case AlertLine::kFirst:
            return BookmakerName(kFirstBookmaker);
        case AlertLine::kSecond:
            return BookmakerName(kSecondBookmaker);
        case AlertLine::kCompared:
            return QStringLiteral("Обе конторы");
        default:
            return QString();
    }
}

const char* LineKey(AlertLine line) {
    switch (line) {
        case AlertLine::kFirst:
            return "first";
        case AlertLine::kSecond:
            return "second";
        case AlertLine::kCompared:
            return "both";
        default:
            return "any";
    }
}

std::optional<AlertLine> LineOfKey(const QString& key) {
    for (const AlertLine line :
         {AlertLine::kAny, AlertLine::kFirst, AlertLine::kSecond, AlertLine::kCompared}) {
        if (key == QLatin1String(LineKey(line))) return line;
    }
    return std::nullopt;
}

QString EventName(const EventIdentity& event) {
    return FromCp1251(event.home) + QStringLiteral(" — ") + FromCp1251(event.guest);
}

// "Ф1 (-1.5) поднимется до 1.90", "вилка", "вилка от 2.5 %".
QString ConditionName(const AlertCondition& condition) {
    QString text;
    if (condition.kind == live::AlertKind::kSurebet) {
        text = QStringLiteral("вилка");
        if (condition.value) {
            text += QStringLiteral(" от ") +
                    QString::fromStdString(table::FormatExactDecimal(*condition.value, ".")) +
                    QStringLiteral(" %");
        }
    } else {
        text = FieldName(condition.field);
        if (condition.at_line) {
            text += QStringLiteral(" (") +
                    QString::fromStdString(table::FormatExactDecimal(*condition.at_line, ".")) +
                    QLatin1Char(')');
        }
        text += condition.direction == live::AlertDirection::kAtLeast
                    ? QStringLiteral(" поднимется до ")
                    : QStringLiteral(" опустится до ");
        if (condition.value) text += Number(*condition.value);
    }
    const QString line = LineName(condition.line);
    return line.isEmpty() ? text : line + QStringLiteral(": ") + text;
}

QString FiredValue(const Alert& alert) {
    if (alert.condition.kind == live::AlertKind::kSurebet) {
        return QString::fromStdString(table::FormatExactDecimal(alert.fired->value, ".")) +
               QStringLiteral(" %");
    }
    return Number(alert.fired->value);
}

QJsonValue IdentityJson(const EventIdentity& event) {
    const auto text = [](const std::optional<std::string>& part) -> QJsonValue {
        if (!part) return QJsonValue::Null;
        return QString::fromStdString(table::Cp1251ToUtf8(*part));
    };
    QJsonObject object{{"sport", text(event.sport)},
                       {"tournament", text(event.tournament)},
                       {"home", text(event.home)},
                       {"guest", text(event.guest)}};
    object["start"] =
        event.start ? QJsonValue(QString::number(event.start->ms)) : QJsonValue(QJsonValue::Null);
    return object;
}

std::optional<EventIdentity> IdentityOfJson(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    EventIdentity event{ToCp1251(object["sport"]), ToCp1251(object["tournament"]), std::nullopt,
                        ToCp1251(object["home"]), ToCp1251(object["guest"])};
    if (object["start"].isString()) {
        bool ok = false;
        const qlonglong ms = object["start"].toString().toLongLong(&ok);
        if (!ok) return std::nullopt;
        event.start = table::DateTime{ms};
    }
    return event;
}

QJsonObject AlertJson(const Alert& alert) {
    AlertCondition written = alert.condition;
    written.event.reset();  // kept whole beside the text
    QJsonObject object{
        {"condition", QString::fromStdString(live::AlertConditionText(written))},
        {"line", QLatin1String(LineKey(alert.condition.line))},
    };
    object["event"] =
        alert.condition.event ? IdentityJson(*alert.condition.event) : QJsonValue::Null;
    if (alert.fired) {
        object["fired"] = QJsonObject{
            {"time", QString::fromStdString(alert.fired->time)},
            {"value", QString::fromStdString(table::FormatExactDecimal(alert.fired->value, "."))},
            {"event", IdentityJson(alert.fired->event)},
        };
    }
    return object;
}

std::optional<Alert> AlertOfJson(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    Alert alert;
    try {
        alert.condition = live::ParseAlertCondition(object["condition"].toString().toStdString());
    } catch (const live::EAlertCondition&) {
        return std::nullopt;
    }
    const std::optional<AlertLine> line = LineOfKey(object["line"].toString());
    if (!line) return std::nullopt;
    alert.condition.line = *line;
    if (!object["event"].isNull()) {
        alert.condition.event = IdentityOfJson(object["event"]);
        if (!alert.condition.event) return std::nullopt;
    }
    if (object.contains("fired")) {
        const QJsonObject fired = object["fired"].toObject();
        const std::optional<table::Decimal> fired_value =
            live::ParseAlertValue(fired["value"].toString().toStdString());
        const std::optional<EventIdentity> event = IdentityOfJson(fired["event"]);
        if (!fired_value || !event || !fired["time"].isString()) return std::nullopt;
        alert.fired =
            live::AlertFired{fired["time"].toString().toStdString(), *fired_value, *event};
    }
    return alert;
}

}  // namespace

WindowAlerts::WindowAlerts(TfrmMain& window) : QObject(&window), window_(window) {
    notifier_ = new DesktopNotifier(this);
    connect(notifier_, &DesktopNotifier::NotDelivered, this,
            [this](const QString& summary, const QString& body, const QString& why) {
                ShowNote(summary + QLatin1Char('\n') + body + QStringLiteral("\n(") + why +
                         QLatin1Char(')'));
            });

    QMenu* popup = window.PopupMenu();
    watch_ = new QAction(QStringLiteral("Следить…"), &window);
    watch_->setObjectName(QStringLiteral("actWatchPrice"));
    watch_->setVisible(false);
    connect(watch_, &QAction::triggered, this, [this] { OpenAlertDialog(); });
    auto* list = new QAction(QStringLiteral("Оповещения…"), &window);
    list->setObjectName(QStringLiteral("actAlerts"));
    connect(list, &QAction::triggered, this, [this] { OpenAlertsWindow(); });
    // The popup menu reads as ever until there is something to watch or to list.
    list_in_popup_ = new QAction(list->text(), &window);
    list_in_popup_->setObjectName(QStringLiteral("actAlertsInPopup"));
    list_in_popup_->setVisible(false);
    connect(list_in_popup_, &QAction::triggered, this, [this] { OpenAlertsWindow(); });
    // After the event's own items, before the comparison's (stakes, links), which stay last.
    QAction* before = window.findChild<QAction*>(QStringLiteral("actSurebetStakes"));
    if (before == nullptr || !popup->actions().contains(before)) before = nullptr;
    popup->insertSeparator(before);
    popup->insertActions(before, {watch_, list_in_popup_});
    // "Следить…" shows only where there is something to watch: a price under the focus, or an
    // event of both lines compared.
    connect(popup, &QMenu::aboutToShow, this, [this] {
        const views::OddsGridView* grid = window_.ctl_DataGrid();
        const int row = window_.cds_Data().CurrentRow();
        bool watchable = false;
        if (row >= 0 && grid->HasCurrentEvent() && ShownLine()) {
            const int column = grid->FocusedColumn();
            const grid::GridLayout& layout = grid->Tree().Layout();
            const int field = column >= 0 ? layout.Column(column).field_index : -1;
            watchable =
                window_.ShowsComparison() || live::AlertLineField(field) >= 0 ||
                live::AlertPriceField(field >= 0 ? table::kOddsFields[field].name : "") >= 0;
        }
        watch_->setVisible(watchable);
    });
    connect(window.ctl_DataGrid(), &views::OddsGridView::HeaderMenuAboutToShow, this,
            [list](QMenu* menu) {
                menu->addSeparator();
                menu->addAction(list);
            });
    Load();
    RefreshList();
}

WindowAlerts::~WindowAlerts() = default;

QString WindowAlerts::FilePath() {
    const QString settings = views::UserSettingsPath();
    if (settings.isEmpty()) return {};
    return QFileInfo(settings).absolutePath() + QStringLiteral("/alerts.json");
}

std::optional<AlertLine> WindowAlerts::ShownLine() const {
    if (window_.ShowsComparison()) return AlertLine::kCompared;
    switch (window_.LineBookmaker()) {
        case kFirstBookmaker:
            return AlertLine::kFirst;
        case kSecondBookmaker:
            return AlertLine::kSecond;
        default:
            return std::nullopt;
    }
}

void WindowAlerts::CheckAfterRead() {
    const std::optional<AlertLine> line = ShownLine();
    if (!line || !window_.cds_Data().IsOpen()) return;
    const bool waiting = std::any_of(alerts_.begin(), alerts_.end(),
                                     [](const Alert& alert) { return !alert.fired; });
    if (!waiting) return;
    live::AlertRead read;
    read.line = *line;
    read.time =
        QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")).toStdString();
    const grid::RowNumberSource surebets =
        *line == AlertLine::kCompared ? window_.Compared().Surebets() : grid::RowNumberSource();
    for (const table::OddsRecord& row : window_.cds_Data().Rows()) {
        read.events.push_back({&row, surebets ? surebets(row) : std::nullopt});
    }
    const std::vector<live::AlertFiring> fired = live::CheckAlerts(alerts_, read);
    if (fired.empty()) return;
    for (const live::AlertFiring& firing : fired) Tell(alerts_[firing.alert]);
    Save();
    RefreshList();
}

void WindowAlerts::Tell(const Alert& alert) {
    const QString summary = QStringLiteral("Оповещение Lintaro: ") + ConditionName(alert.condition);
    const QString body = EventName(alert.fired->event) + QStringLiteral(": ") +
                         (alert.condition.kind == live::AlertKind::kSurebet
                              ? QStringLiteral("вилка ")
                              : FieldName(alert.condition.field) + QLatin1Char(' ')) +
                         FiredValue(alert) + QStringLiteral(", ") +
                         QString::fromStdString(alert.fired->time);
    notifier_->Notify(summary, body);
}

AlertDialog* WindowAlerts::OpenAlertDialog() {
    const views::OddsGridView* grid = window_.ctl_DataGrid();
    const int row_index = window_.cds_Data().CurrentRow();
    const std::optional<AlertLine> line = ShownLine();
    if (row_index < 0 || !grid->HasCurrentEvent() || !line) return nullptr;
    const table::OddsRecord row = window_.cds_Data().Rows()[row_index];
    AlertDialogSetup setup;
    setup.event = FromCp1251(row.team_h_name) + QStringLiteral(" — ") + FromCp1251(row.team_g_name);
    setup.compared = *line == AlertLine::kCompared;
    setup.decimal_mark = QString::fromStdString(grid->Tree().Formats().decimal_mark);
    const int column = grid->FocusedColumn();
    const int field = column >= 0 ? grid->Tree().Layout().Column(column).field_index : -1;
    if (field >= 0 && live::AlertPriceField(table::kOddsFields[field].name) >= 0) {
        setup.field = field;
        setup.field_caption = FieldName(field);
        const table::StoredValue value = table::GetField(row, field);
        if (const auto* price = std::get_if<table::Decimal>(&value)) {
            if (table::IsQuotedPrice(*price)) setup.price = *price;
        }
    }
    if (setup.field < 0 && !setup.compared) return nullptr;
    auto* dialog = new AlertDialog(setup, &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, row, line] {
        std::optional<AlertCondition> condition = dialog->Condition();
        if (!condition) return;
        if (condition->kind == live::AlertKind::kPrice) {
            condition->line = *line;
            // A handicap or total price is watched at the line it is at now: at another line it
            // is another bet.
            const int line_field = live::AlertLineField(condition->field);
            if (line_field >= 0) {
                const table::StoredValue at = table::GetField(row, line_field);
                if (const auto* decimal = std::get_if<table::Decimal>(&at)) {
                    condition->at_line = *decimal;
                }
            }
        }
        if (dialog->OnEvent()) condition->event = EventIdentity::Of(row);
        Add(Alert{*condition, std::nullopt});
    });
    dialog->open();
    return dialog;
}

AlertsWindow* WindowAlerts::OpenAlertsWindow() {
    if (!list_) {
        list_ = new AlertsWindow(&window_);
        connect(list_, &AlertsWindow::RemoveRequested, this, [this](int index) { Remove(index); });
    }
    RefreshList();
    list_->show();
    list_->raise();
    list_->activateWindow();
    return list_;
}

void WindowAlerts::Add(Alert alert) {
    alerts_.push_back(std::move(alert));
    Save();
    RefreshList();
}

void WindowAlerts::Remove(int index) {
    if (index < 0 || index >= static_cast<int>(alerts_.size())) return;
    alerts_.erase(alerts_.begin() + index);
    Save();
    RefreshList();
}

void WindowAlerts::RefreshList() {
    list_in_popup_->setVisible(!alerts_.empty());
    if (!list_) return;
    std::vector<AlertListItem> items;
    for (const Alert& alert : alerts_) {
        AlertListItem item;
        item.condition = ConditionName(alert.condition);
        item.event = alert.condition.event                ? EventName(*alert.condition.event)
                     : alert.condition.event_text.empty() ? QStringLiteral("любое событие")
                                                          : FromCp1251(alert.condition.event_text);
        item.state =
            alert.fired
                ? QStringLiteral("сработало ") + QString::fromStdString(alert.fired->time) +
                      QStringLiteral(": ") + FiredValue(alert) +
                      (alert.condition.event ? QString()
                                             : QStringLiteral(" (") +
                                                   EventName(alert.fired->event) + QLatin1Char(')'))
                : QStringLiteral("ждёт");
        items.push_back(item);
    }
    list_->SetItems(items);
}

void WindowAlerts::ShowNote(const QString& text) {
    if (note_) {
        note_->setText(note_->text() + QStringLiteral("\n\n") + text);
        note_->show();
        return;
    }
    note_ = new QMessageBox(QMessageBox::Information, QStringLiteral("Оповещение"), text,
                            QMessageBox::Ok, &window_);
    note_->setObjectName(QStringLiteral("alert_note"));
    note_->setTextFormat(Qt::PlainText);
    note_->setModal(false);
    note_->setWindowModality(Qt::NonModal);
    note_->setAttribute(Qt::WA_DeleteOnClose);
    // The user's typing stays where it is.
    note_->setAttribute(Qt::WA_ShowWithoutActivating);
    note_->show();
}

void WindowAlerts::Load() {
    const QString path = FilePath();
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    QFile file(path);
    QString trouble;
    QJsonArray entries;
    if (!file.open(QIODevice::ReadOnly)) {
        trouble = file.errorString();
    } else {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        if (error.error != QJsonParseError::NoError) {
            trouble = error.errorString();
        } else if (!document.isObject() || document.object()["version"].toInt() != kFileVersion ||
                   !document.object()["alerts"].isArray()) {
            trouble = QStringLiteral("не тот формат");
        } else {
            entries = document.object()["alerts"].toArray();
        }
    }
    int unreadable = 0;
    for (const QJsonValue& entry : entries) {
        if (std::optional<Alert> alert = AlertOfJson(entry)) {
            alerts_.push_back(std::move(*alert));
        } else {
            ++unreadable;
        }
    }
    if (trouble.isEmpty() && unreadable > 0) {
        trouble = QStringLiteral("не прочитано оповещений: %1").arg(unreadable);
    }
    if (trouble.isEmpty()) return;
    // The file as it is goes aside before anything is written over it.
    QString aside;
    for (int n = 1; n <= 9 && aside.isEmpty(); ++n) {
        const QString name =
            path + QStringLiteral(".damaged") + (n == 1 ? QString() : QStringLiteral(".%1").arg(n));
        if (!QFileInfo::exists(name) && QFile::copy(path, name)) aside = name;
    }
    QString note = QStringLiteral("Файл оповещений %1 прочитан не весь (%2).").arg(path, trouble);
    if (aside.isEmpty()) {
        file_kept_aside_failed_ = true;
        note += QStringLiteral(
            " Его не удалось сохранить копией, поэтому он не будет "
            "перезаписан: новые оповещения не сохранятся.");
    } else {
        note += QStringLiteral(" Он сохранён как %1.").arg(aside);
    }
    QTimer::singleShot(0, this, [this, note] { ShowNote(note); });
}

void WindowAlerts::Save() {
    const QString path = FilePath();
    if (path.isEmpty() || file_kept_aside_failed_) return;
    QJsonArray entries;
    for (const Alert& alert : alerts_) entries.append(AlertJson(alert));
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{"version", kFileVersion}, {"alerts", entries}}).toJson();
    QSaveFile file(path);
    const bool saved = QDir().mkpath(QFileInfo(path).absolutePath()) &&
                       file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                       file.commit();
    if (saved) {
        save_failure_told_ = false;
        return;
    }
    if (std::exchange(save_failure_told_, true)) return;
    ShowNote(QStringLiteral("Не удалось сохранить оповещения в %1: %2. Они действуют до "
                            "закрытия программы.")
                 .arg(path, file.errorString()));
}

}  // namespace lintaro::app
