// The user's settings file through QSettings in INI format at an explicit path: no organisation
// folders, no registry-like fallbacks, one file a user can read and delete.
#include "views/user_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace lintaro::views {

QString UserSettingsPath() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.isEmpty()) return config + QStringLiteral("/lintaro/lintaro.conf");
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty()) return home + QStringLiteral("/.config/lintaro/lintaro.conf");
    return {};
}

QString HistoryPath() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!data.isEmpty()) return data + QStringLiteral("/lintaro/history.sqlite");
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty()) return home + QStringLiteral("/.local/share/lintaro/history.sqlite");
    return {};
}

QVariant ReadUserSetting(const QString& key, const QVariant& fallback) {
    const QString path = UserSettingsPath();
    if (path.isEmpty() || !QFileInfo::exists(path)) return fallback;
    const QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return fallback;
    return settings.value(key, fallback);
}

bool WriteUserSetting(const QString& key, const QVariant& value) {
    const QString path = UserSettingsPath();
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace lintaro::views
