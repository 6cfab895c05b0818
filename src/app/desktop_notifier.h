// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). The call is asynchronous with a short
// timeout, so a missing, slow or refusing service never holds the window: it is reported back as
// not delivered, and the caller says the same in the window instead.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <optional>

namespace lintaro::app {

class DesktopNotifier : public QObject {
    Q_OBJECT
  public:
    // Through the session bus, reached when the first notification is sent.
    explicit DesktopNotifier(QObject* parent = nullptr);
    // Through `bus` (a private bus in tests).
    DesktopNotifier(const QDBusConnection& bus, QObject* parent);

    // How long the service may take to answer before the notification counts as not delivered.
    void SetTimeoutMs(int timeout_ms) { timeout_ms_ = timeout_ms; }
    static constexpr int kDefaultTimeoutMs = 2000;

    // Sends one notification; returns at once. Delivered or NotDelivered follows, once.
    void Notify(const QString& summary, const QString& body);

  signals:
    void Delivered(const QString& summary, const QString& body);
    // `why` names the failure ("нет службы уведомлений", the service's error, "нет ответа").
    void NotDelivered(const QString& summary, const QString& body, const QString& why);

  private:
    std::optional<QDBusConnection> bus_;
    int timeout_ms_ = kDefaultTimeoutMs;
};

}  // namespace lintaro::app
