#include "centreclock.h"

#include <QStringList>

#include <cmath>

TCentreClock::TCentreClock() : base_(QDateTime::currentDateTime()) {
    elapsed_.start();
}

QDateTime TCentreClock::LocalTime() const {
    const double ms = double(elapsed_.elapsed()) * speed_;
    return base_.addMSecs(qint64(std::llround(ms)));
}

bool TCentreClock::SetLocalTime(const QDateTime& local) {
    if (!local.isValid())
        return false;
    base_ = local;
    elapsed_.restart();
    return true;
}

void TCentreClock::SetSpeed(double speed) {
    if (!(speed > 0.0))
        return;
    Rebase();
    speed_ = speed;
}

void TCentreClock::Rebase() {
    base_ = LocalTime();
    elapsed_.restart();
}

bool ParseCentreTime(const QString& text, const QDate& today, QDateTime& time) {
    QString value = text.trimmed();
    value.replace(QLatin1Char('T'), QLatin1Char(' '));
    const QStringList parts = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > 2)
        return false;
    QDate date = today;
    if (parts.size() == 2) {
        date = QDate::fromString(parts[0], QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid())
            return false;
    }
    const QString& clock = parts.last();
    QTime t = QTime::fromString(clock, QStringLiteral("h:mm:ss"));
    if (!t.isValid())
        t = QTime::fromString(clock, QStringLiteral("h:mm"));
    if (!t.isValid())
        return false;
    time = QDateTime(date, t);
    return time.isValid();
}
