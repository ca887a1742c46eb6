#pragma once

#include <QDateTime>

#include <functional>

// The computer's local time, read and set. Everything that needs the time of
// day (the exchange clock, midnight rules, time stamps) reads it here, so
// tests can run through a working day with a fake.
class IClock {
public:
    virtual ~IClock() = default;
    // The current local date and time, to the millisecond.
    virtual QDateTime LocalTime() const = 0;
    // Sets the system's local time. False when the system refuses.
    virtual bool SetLocalTime(const QDateTime& local) = 0;
    // The same without waiting for the system: done(accepted) runs later, on
    // this thread's event loop, where setting the time takes a round trip
    // (or at once where it does not). The exchange asks this way, so that no
    // received block waits for the system's answer.
    virtual void RequestLocalTime(const QDateTime& local, std::function<void(bool)> done) {
        done(SetLocalTime(local));
    }
};

// The real clock. Setting it needs root (clock_settime) or the permission of
// systemd-timedated (over the system bus, without asking); a refusal, for
// instance while NTP is on, is simply false.
class SystemClock : public IClock {
public:
    QDateTime LocalTime() const override;
    bool SetLocalTime(const QDateTime& local) override;
    void RequestLocalTime(const QDateTime& local, std::function<void(bool)> done) override;
};
