#include "util/clock.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <unistd.h>
#include <ctime>

QDateTime SystemClock::LocalTime() const {
    return QDateTime::currentDateTime();
}

namespace {

bool setAsRoot(qint64 ms) {
    timespec ts{};
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long(ms % 1000) * 1000000L;
    return clock_settime(CLOCK_REALTIME, &ts) == 0;
}

// systemd-timedated's SetTime(usec_utc, relative, interactive).
QDBusMessage setTimeCall(qint64 ms) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    call << qint64(ms * 1000) << false << false;
    return call;
}

constexpr int kTimedatedTimeoutMs = 5000;

}  // namespace

bool SystemClock::SetLocalTime(const QDateTime& local) {
    const qint64 ms = local.toMSecsSinceEpoch();
    if (geteuid() == 0)
        return setAsRoot(ms);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    const QDBusMessage reply = bus.call(setTimeCall(ms), QDBus::Block, kTimedatedTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void SystemClock::RequestLocalTime(const QDateTime& local, std::function<void(bool)> done) {
    const qint64 ms = local.toMSecsSinceEpoch();
    if (geteuid() == 0) {
        done(setAsRoot(ms));
        return;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        done(false);
        return;
    }
    auto* watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(setTimeCall(ms), kTimedatedTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done = std::move(done)](QDBusPendingCallWatcher* call) {
                         done(!call->isError());
                         call->deleteLater();
                     });
}
