#include "exchange/exchangeclock.h"

#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "util/clock.h"
#include "util/dayformat.h"

#include <cstdlib>

TExchangeClock::TExchangeClock(IClock& clock, const _tlg_config& config, _tlg_status& status,
                               TProtocol& protocol, IExchangeClockHost* host)
    : clock_(clock), config_(config), status_(status), protocol_(protocol), host_(host) {}

QDateTime TExchangeClock::WorkingTime() const {
    QDateTime t = clock_.LocalTime();
    if (config_.CorrectTimeTZ != 0)
        t = t.addSecs(-qint64(config_.CorrectTimeTZ) * 3600);
    return t;
}

QString TExchangeClock::WorkingDayText() const {
    return FormatDayText(WorkingTime().date(), config_.DayFormat);
}

void TExchangeClock::UpdateExchangeClock() {
    const QDateTime t = WorkingTime();
    const QString hhnn = FormatTime(t.time(), false, false);

    const QString day = FormatDayText(t.date(), config_.DayFormat);
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
        status_.CurrentDateText = FormatDayText(t.date(), QStringLiteral("dd/mm"));
        if (host_)
            host_->StartDay(day);
    }

    status_.CurrentTimeText = hhnn;
    status_.CurrentTimeColonText = FormatTime(t.time(), true, false);

    if (status_.CounterResetPending && hhnn > QLatin1String("0006")) {
        resetDayCounters();
        status_.CounterResetPending = false;
        status_.NumberingHold = false;
    }
    if (!status_.NumberingHold && hhnn > QLatin1String("2355"))
        status_.NumberingHold = true;

    status_.CurrentSecondsText = FormatTime(t.time(), false, true);
    status_.CurrentSecondsColonText = FormatTime(t.time(), true, true);
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
        const QTime old = local.time();
        const QDateTime corrected(local.date(), QTime(h, minutes, old.second(), old.msec()));
        if (!clock_.SetLocalTime(corrected))
            return;
        UpdateExchangeClock();
        protocol_.AddMessage(QStringLiteral("КОРРЕКТИРОВКА ВРЕМЕНИ"), kProtocolEvent);
        return;
    }
    protocol_.AddMessage(QStringLiteral("АВТОМАТИЧЕСКАЯ КОРРЕКТИРОВКА ВРЕМЕНИ"), kProtocolError);
    protocol_.AddMessage(QStringLiteral(" НА ИНТЕРВАЛ БОЛЕЕ 2 ЧАСОВ НЕ ВОЗМОЖНА"), kProtocolError);
    protocol_.AddMessage(QStringLiteral("УСТАНОВИТЕ ПРАВИЛЬНОЕ ВРЕМЯ"), kProtocolError);
}
