#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

class IClock;
class TProtocol;
struct _tlg_config;
struct _tlg_status;

// What the exchange clock asks of the rest of the program.
class IExchangeClockHost {
public:
    virtual ~IExchangeClockHost() = default;
    // A new working day began while the program runs: day folders, the day's
    // protocol file, cleanup, lists.
    virtual void StartDay(const QString& dayText) = 0;
    // Day counters were reset and must be saved.
    virtual void CountersReset() = 0;
};

// The exchange clock: local time minus OTHER/CorrectTimeTZ hours. It keeps
// the day and time texts of the status record, the counter reset around
// midnight, and sets the computer's clock from the centre's time stamps.
// The working time of a local time: the local time less OTHER/CorrectTimeTZ
// hours.
QDateTime WorkingTimeOf(const QDateTime& local, int correctTimeTZ);

class TExchangeClock {
public:
    TExchangeClock(IClock& clock, const _tlg_config& config, _tlg_status& status,
                   TProtocol& protocol, IExchangeClockHost* host = nullptr);

    void SetHost(IExchangeClockHost* host) { host_ = host; }

    // The working time now.
    QDateTime WorkingTime() const;
    // The working day's text in PATH/DayFormat.
    QString WorkingDayText() const;

    // Once a second: day change and counter reset, the time texts, the
    // protocol's time stamp.
    void UpdateExchangeClock();

    // A time stamp from the centre (hours, minutes of the centre's zone).
    void CorrectClock(int hours, int minutes);

private:
    void resetDayCounters();

    IClock& clock_;
    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;
    IExchangeClockHost* host_;
    // A request to set the computer's clock waits for the system's answer;
    // the answer holds it weakly, so it finds nothing once this clock is gone.
    std::shared_ptr<bool> settingTime_ = std::make_shared<bool>(false);
};
