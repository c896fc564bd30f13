#include "SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

void LogindSleepInhibitor::acquire(std::function<void(const QString& reason)> refused)
{
    wanted_ = true;
    if (held() || pending_)
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        refused(bus.lastError().message());
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "Inhibit");
    call << QStringLiteral("sleep") << QStringLiteral("Fornaxel") << QStringLiteral("A kiln firing is in progress")
         << QStringLiteral("block");
    pending_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this, refused = std::move(refused)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         pending_ = false;
                         const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
                         if (reply.isError()) {
                             if (wanted_)
                                 refused(reply.error().message());
                             return;
                         }
                         if (wanted_)
                             lock_ = reply.value();  // a lock no longer wanted closes with the reply
                     });
}

void LogindSleepInhibitor::release()
{
    wanted_ = false;
    lock_ = QDBusUnixFileDescriptor();
}
