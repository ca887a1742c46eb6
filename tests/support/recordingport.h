#pragma once

#include "line/comport.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <atomic>

// The port controls pseudo-terminals ignore, recorded in the order they were
// asked for ("break on", "break off"); the output queue holds what the test
// says.
class RecordingPortControl : public IPortControl {
public:
    bool SetBreak(int) override { return Note(QStringLiteral("break on")); }
    bool ClearBreak(int) override { return Note(QStringLiteral("break off")); }
    int OutQueue(int) override { return outQueue; }
    quint64 LineErrors(int) override { return lineErrors; }

    QStringList Calls() const {
        QMutexLocker lock(&mutex_);
        return calls_;
    }

    std::atomic<int> outQueue{0};
    std::atomic<quint64> lineErrors{0};

private:
    bool Note(const QString& call) {
        QMutexLocker lock(&mutex_);
        calls_ << call;
        return true;
    }

    mutable QMutex mutex_;
    QStringList calls_;
};
