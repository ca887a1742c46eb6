#include "util/clock.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <unistd.h>
#include <ctime>

QDateTime SystemClock::LocalTime() const {
    return QDateTime::currentDateTime();
}

bool SystemClock::SetLocalTime(const QDateTime& local) {
    const qint64 ms = local.toMSecsSinceEpoch();
    if (geteuid() == 0) {
        timespec ts{};
        ts.tv_sec = time_t(ms / 1000);
        ts.tv_nsec = long(ms % 1000) * 1000000L;
        return clock_settime(CLOCK_REALTIME, &ts) == 0;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    // usec_utc, relative, interactive
    call << qint64(ms * 1000) << false << false;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}
