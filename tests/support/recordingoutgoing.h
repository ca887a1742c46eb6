#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "editor/outgoing.h"

#include <functional>

// The operator's side of the outgoing writer: every confirmation shown, every
// error and every file written is kept. It confirms unless told otherwise.
struct RecordingOutgoingHost : IOutgoingHost {
    bool ConfirmSend(const QStringList& lines) override {
        shown << lines;
        // What the event loop may run while the operator reads the lines.
        if (whileShown)
            whileShown();
        return accept;
    }
    void ShowWriteError(const QString& text) override { errors << text; }
    void OutgoingWritten(const QString& path, bool confirmed) override {
        written << path;
        lastConfirmed = confirmed;
    }

    bool accept = true;
    std::function<void()> whileShown;
    QList<QStringList> shown;
    QStringList errors;
    QStringList written;
    bool lastConfirmed = false;
};

// The queue as the writer sees it: the scans asked for and the refreshes.
struct RecordingOutgoingQueue : IOutgoingQueue {
    void SetScanCountdown(int seconds) override { countdowns << seconds; }
    void RefreshQueueList() override { ++refreshes; }
    QList<int> countdowns;
    int refreshes = 0;
};
