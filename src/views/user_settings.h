// What the window remembers between runs (the bookmaker chosen, the stakes window's bank): one
// small INI file in the user's configuration folder, beside the aliases file,
// $XDG_CONFIG_HOME/lintaro/lintaro.conf or ~/.config/lintaro/lintaro.conf.
//
// Nothing here fails loudly: a setting that cannot be read is its default, one that cannot be
// written is kept for the run only, since losing a preference is no reason to stop a user's work.
#pragma once

#include <QString>
#include <QVariant>

namespace lintaro::views {

// The settings file; empty when neither XDG_CONFIG_HOME nor HOME is set. Read anew on each call,
// so a test that points XDG_CONFIG_HOME elsewhere is followed at once.
QString UserSettingsPath();

// The history of the window's reads, an SQLite database of the schema lintaro-cli watch writes:
// $XDG_DATA_HOME/lintaro/history.sqlite or ~/.local/share/lintaro/history.sqlite; empty when
// neither XDG_DATA_HOME nor HOME is set. Read anew on each call, as the settings file.
QString HistoryPath();

// The value of `key` ("bookmaker", "stakes/bank"), or `fallback` when the file or the key is
// missing or the file cannot be read.
QVariant ReadUserSetting(const QString& key, const QVariant& fallback = {});
// Stores `value` under `key` at once (the folder is made when missing). False when the file
// cannot be written.
bool WriteUserSetting(const QString& key, const QVariant& value);

}  // namespace lintaro::views
