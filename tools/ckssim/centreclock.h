#pragma once

#include "util/clock.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

// The training centre's own clock: it starts at a chosen time and runs at a
// chosen speed, so that a whole working day (and its midnight) fits into a
// lesson or a test. It never touches the computer's clock.
class TCentreClock : public IClock {
public:
    // Starts at the computer's local time, at normal speed.
    TCentreClock();

    QDateTime LocalTime() const override;
    // Moves the centre's clock to the given time; it runs on from there.
    bool SetLocalTime(const QDateTime& local) override;

    // Centre seconds per real second; must be above 0.
    void SetSpeed(double speed);
    double Speed() const { return speed_; }

private:
    void Rebase();

    QDateTime base_;
    QElapsedTimer elapsed_;
    double speed_ = 1.0;
};

// Reads a time for the centre's clock: "hh:mm", "hh:mm:ss" (on the date of
// today), or "yyyy-MM-dd hh:mm[:ss]" (a 'T' may stand for the blank).
bool ParseCentreTime(const QString& text, const QDate& today, QDateTime& time);
