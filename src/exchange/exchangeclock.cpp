#include "exchange/exchangeclock.h"

#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "util/clock.h"
#include "util/datetimeformat.h"

#include <cstdlib>

TExchangeClock::TExchangeClock(IClock& clock, const _tlg_config& config, _tlg_status& status,
                               TProtocol& protocol, IExchangeClockHost* host)
    : clock_(clock), config_(config), status_(status), protocol_(protocol), host_(host) {}

QDateTime WorkingTimeOf(const QDateTime& local, int correctTimeTZ) {
    return correctTimeTZ == 0 ? local : local.addSecs(-qint64(correctTimeTZ) * 3600);
}

QDateTime TExchangeClock::WorkingTime() const {
    return WorkingTimeOf(clock_.LocalTime(), config_.CorrectTimeTZ);
}

QString TExchangeClock::WorkingDayText() const {
    return FormatDelphiDate(WorkingTime().date(), config_.DayFormat);
}

void TExchangeClock::UpdateExchangeClock() {
    const QDateTime t = WorkingTime();
    const QString hhnn = FormatDelphiDateTime(t, u"hhnn");

    const QString day = FormatDelphiDate(t.date(), config_.DayFormat);
    if (day != status_.DayText) {
        status_.DayText = day;
        if (hhnn <= QLatin1String("0006")) {
            status_.CounterResetPending = true;
        } else {
            status_.NumberInput = 0;
            status_.NumberOutput = 0;
            // The hold guards the reset just done; left set it would stop
            // sending until the centre's numbering change.
            status_.NumberingHold = false;
            if (host_)
                host_->CountersReset();
        }
        // "/" in a Delphi pattern is the locale's date separator: join by hand.
        status_.CurrentDateText =
            FormatDelphiDate(t.date(), u"dd") + u'/' + FormatDelphiDate(t.date(), u"mm");
        if (host_)
            host_->StartDay(day);
    }

    status_.CurrentTimeText = hhnn;
    status_.CurrentTimeColonText = FormatDelphiDateTime(t, u"hh:nn");

    if (status_.CounterResetPending && hhnn > QLatin1String("0006")) {
        resetDayCounters();
        status_.CounterResetPending = false;
        status_.NumberingHold = false;
    }
    if (!status_.NumberingHold && hhnn > QLatin1String("2355"))
        status_.NumberingHold = true;

    status_.CurrentSecondsText = FormatDelphiDateTime(t, u"hhnnss");
    status_.CurrentSecondsColonText = FormatDelphiDateTime(t, u"hh:nn:ss");
    protocol_.SetTimeText(status_.CurrentSecondsColonText);
}

void TExchangeClock::resetDayCounters() {
    status_.NumberInput = 0;
    status_.NumberOutput = 0;
    status_.EditNumber = 0;
    status_.PrfNumber = 0;
    status_.LineInputNumber = 0;
    if (host_)
        host_->CountersReset();
}

void TExchangeClock::CorrectClock(int hours, int minutes) {
    // A stamp that is no time of day (a line hit) is ignored.
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59)
        return;
    const int h = (((hours + config_.CorrectTimeTZ) % 24) + 24) % 24;
    const QDateTime local = clock_.LocalTime();
    const int ours = local.time().hour() * 60 + local.time().minute();
    const int d = std::abs(ours - (h * 60 + minutes));
    if (d < 3 || d == 120)
        return;
    if (d < 120) {
        // One request at a time: the stamps after every message would
        // otherwise pile requests up while the system thinks about the first.
        if (*settingTime_)
            return;
        const QTime old = local.time();
        const QDateTime corrected(local.date(), QTime(h, minutes, old.second(), old.msec()));
        *settingTime_ = true;
        // The answer comes later: the received block that carried the stamp
        // does not wait for it.
        clock_.RequestLocalTime(
            corrected, [this, alive = std::weak_ptr(settingTime_)](bool accepted) {
                const std::shared_ptr<bool> pending = alive.lock();
                if (!pending)
                    return;  // this clock is gone
                *pending = false;
                if (!accepted)
                    return;
                UpdateExchangeClock();
                protocol_.AddMessage(QStringLiteral("КОРРЕКТИРОВКА ВРЕМЕНИ"), kProtocolEvent);
            });
        return;
    }
    protocol_.AddMessage(QStringLiteral("АВТОМАТИЧЕСКАЯ КОРРЕКТИРОВКА ВРЕМЕНИ"), kProtocolError);
    protocol_.AddMessage(QStringLiteral(" НА ИНТЕРВАЛ БОЛЕЕ 2 ЧАСОВ НЕ ВОЗМОЖНА"), kProtocolError);
    protocol_.AddMessage(QStringLiteral("УСТАНОВИТЕ ПРАВИЛЬНОЕ ВРЕМЯ"), kProtocolError);
}
