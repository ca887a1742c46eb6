#pragma once

#include "alerts/soundplayer.h"

#include <QStringList>

// Records what the alerts play: "beep", "play FILE", "loop FILE", "stop".
class RecordingSound : public ISoundPlayer {
public:
    void Beep() override { calls << QStringLiteral("beep"); }
    void Play(const QString& file, bool loop) override {
        calls << (loop ? QStringLiteral("loop ") : QStringLiteral("play ")) + file;
    }
    void Stop() override { calls << QStringLiteral("stop"); }
    int Count(const QString& call) const { return int(calls.count(call)); }

    QStringList calls;
};
