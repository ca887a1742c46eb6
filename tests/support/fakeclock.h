#pragma once

#include "util/clock.h"

// A clock that stands still until told to move. SetLocalTime is obeyed unless
// refuse is set, and every request is counted. With answerLater a
// RequestLocalTime waits, as the system's time service does, until
// AnswerPending.
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

    void RequestLocalTime(const QDateTime& local, std::function<void(bool)> done) override {
        if (!answerLater) {
            done(SetLocalTime(local));
            return;
        }
        pendingTime = local;
        pendingDone = std::move(done);
    }
    // Answers the request that waits; false when none does.
    bool AnswerPending() {
        if (!pendingDone)
            return false;
        auto done = std::move(pendingDone);
        pendingDone = nullptr;
        done(SetLocalTime(pendingTime));
        return true;
    }

    void Set(const QDateTime& now) { now_ = now; }
    void Set(int hour, int minute, int second = 0) { now_.setTime(QTime(hour, minute, second)); }
    void AdvanceSeconds(int seconds) { now_ = now_.addSecs(seconds); }

    bool refuse = false;
    bool answerLater = false;
    QDateTime pendingTime;
    std::function<void(bool)> pendingDone;
    int setRequests = 0;
    QDateTime lastRequest;

private:
    QDateTime now_;
};
