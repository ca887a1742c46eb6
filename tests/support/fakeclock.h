#pragma once

#include "util/clock.h"

// A clock that stands still until told to move. SetLocalTime is obeyed unless
// refuse is set, and every request is counted.
class FakeClock : public IClock {
public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2026, 1, 30), QTime(12, 0)))
        : now_(std::move(now)) {}

    QDateTime LocalTime() const override { return now_; }
    bool SetLocalTime(const QDateTime& local) override {
        ++setRequests;
        lastRequest = local;
        if (refuse)
            return false;
        now_ = local;
        return true;
    }

    void Set(const QDateTime& now) { now_ = now; }
    void Set(int hour, int minute, int second = 0) { now_.setTime(QTime(hour, minute, second)); }
    void AdvanceSeconds(int seconds) { now_ = now_.addSecs(seconds); }

    bool refuse = false;
    int setRequests = 0;
    QDateTime lastRequest;

private:
    QDateTime now_;
};
