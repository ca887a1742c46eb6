#pragma once

#include "exchange/linesink.h"

#include <QList>
#include <QPair>

// The line as the exchange sees it, for tests, benchmarks and the fuzz
// target: every byte appended is kept in sent until the test takes it away.
// Bytes gone from sent count as written to the line, except those thrown
// away by ClearSend.
struct RecordingLine : ILineSink {
    SendPosition AppendSend(QByteArrayView text) override {
        sent += text.toByteArray();
        appended += SendPosition(text.size());
        return appended;
    }
    void ClearSend() override {
        if (!sent.isEmpty())
            losses.append({appended - SendPosition(sent.size()), appended});
        sent.clear();
    }
    bool IsConnected() const override { return connected; }
    bool IsSendPending() const override { return !sent.isEmpty(); }
    LineText PeekSend() const override { return sent.size() >= 200 ? sent.left(199) : sent; }
    SendFate FateOf(SendPosition from, SendPosition to) const override {
        for (const auto& loss : losses)
            if (loss.first < to && loss.second > from)
                return SendFate::Discarded;
        return to <= Front() ? SendFate::Written : SendFate::Waiting;
    }

    // The position of the first byte not yet written (held or still in sent).
    SendPosition Front() const { return appended - SendPosition(sent.size()) - held; }
    // The line takes what waits into a write of its own that has not ended:
    // ClearSend no longer reaches it, and it is written only at Release.
    LineText Hold() {
        const LineText taken = sent;
        held += SendPosition(sent.size());
        sent.clear();
        return taken;
    }
    void Release() { held = 0; }
    // What waits, handed to the line.
    LineText Take() {
        const LineText taken = sent;
        sent.clear();
        return taken;
    }

    LineText sent;
    bool connected = true;
    SendPosition appended = 0;
    SendPosition held = 0;
    QList<QPair<SendPosition, SendPosition>> losses;
};
