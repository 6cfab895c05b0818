// Notify over D-Bus: an asynchronous call whose reply, error or timeout comes back as a signal.
#include "app/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <QVariantMap>

namespace lintaro::app {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {}

void DesktopNotifier::Notify(const QString& summary, const QString& body) {
    if (!bus_) bus_ = QDBusConnection::sessionBus();
    if (!bus_->isConnected()) {
        // Reported after the caller's own work, as a reply would be.
        QTimer::singleShot(0, this, [this, summary, body] {
            emit NotDelivered(summary, body, QStringLiteral("нет сеанса D-Bus"));
        });
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the
    // server's default).
    call << QStringLiteral("Lintaro") << uint(0) << QStringLiteral("lintaro") << summary << body
         << QStringList() << QVariantMap() << int(-1);
    // No auto-start: a service that is not running is as good as none, and starting one could
    // take longer than the timeout.
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call, timeout_ms_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, summary, body](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (!reply.isError()) {
                    emit Delivered(summary, body);
                    return;
                }
                const QDBusError error = reply.error();
                QString why;
                if (error.type() == QDBusError::ServiceUnknown ||
                    error.name().endsWith(QLatin1String(".NameHasNoOwner"))) {
                    why = QStringLiteral("нет службы уведомлений");
                } else if (error.type() == QDBusError::NoReply ||
                           error.type() == QDBusError::Timeout ||
                           error.type() == QDBusError::TimedOut) {
                    why = QStringLiteral("служба уведомлений не ответила");
                } else {
                    why = QStringLiteral("служба уведомлений отказала: ") +
                          (error.message().isEmpty() ? error.name() : error.message());
                }
                emit NotDelivered(summary, body, why);
            });
}

}  // namespace lintaro::app
