#pragma once

#include "line/perforator.h"
#include "util/linecode.h"

#include <QStringList>

// The perforator as the tape windows and the exchange panel see it, for
// tests. The test says whether the adapter is there (active, open) and plays
// the thread's punching with Punch. Every command is recorded in the order
// it came, as "HoldPort", "AppendSend " + the text as display text,
// "SetNoBlock 1"; the queries (IsActive, IsOpen, PendingLength) are not.
struct RecordingPerforator : IPerforator {
    bool IsActive() const override { return active; }
    bool IsOpen() const override { return open; }
    void AppendSend(QByteArrayView text) override {
        waiting += text;
        calls << QStringLiteral("AppendSend ") + LineToWide(text);
    }
    void ClearSend() override {
        waiting.clear();
        calls << QStringLiteral("ClearSend");
    }
    int PendingLength() const override { return int(waiting.size()); }
    int UnpunchedLength() const override { return unpunched; }
    void StartReading() override { calls << QStringLiteral("StartReading"); }
    void StopReading() override { calls << QStringLiteral("StopReading"); }
    void HoldPort() override { calls << QStringLiteral("HoldPort"); }
    void ArmRelease() override { calls << QStringLiteral("ArmRelease"); }
    void SetNoBlock(bool on) override { calls << QStringLiteral("SetNoBlock %1").arg(int(on)); }

    // The thread hands a batch of up to count waiting characters to the
    // adapter (its OnSent is then for the test to raise).
    void Punch(int count) { waiting.remove(0, count); }
    // The calls since the last Take.
    QStringList Take() {
        QStringList taken;
        taken.swap(calls);
        return taken;
    }

    bool active = true;
    bool open = true;
    // What waits to be punched.
    LineText waiting;
    // What a job the adapter broke off left out (the thread's OnSent).
    int unpunched = 0;
    QStringList calls;
};
