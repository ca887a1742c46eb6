#pragma once

#include "line/tlgclient.h"
#include "support/loopback.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// What the main window sees of the line thread: its three events, connected
// the way the main window connects them (blocking, on this thread), with
// everything they carried recorded.
struct LinkRecorder {
    struct Status {
        QString text;
        QString line;
        bool connected = false;
        int waitSeconds = 0;
        quint64 idlePasses = 0;
    };
    struct Sent {
        QByteArray block;
        bool pending = false;
    };

    QObject context;
    QList<Status> statuses;
    QByteArray received;
    int receiveEvents = 0;
    QList<Sent> sent;
    // Run inside the handlers, while the line thread waits.
    std::function<void(CTlgClient&, const Status&)> onStatus;
    std::function<void(CTlgClient&, const Sent&)> onSent;

    void Attach(CTlgClient& client);
    // Waits for the status event number index (0-based).
    bool WaitStatuses(int count, int ceilingMs = kCeilingMs);
    bool WaitStatus(const QString& text, int ceilingMs = kCeilingMs);
    int IndexOf(const QString& text) const;
    // Waits until the sends stall against full buffers (no block for 300 ms
    // after the first); the number of blocks sent by then.
    qsizetype WaitSendsStall();
};

// Timings that make the waits of the line thread short.
TLinkTimings FastTimings();

std::unique_ptr<CTlgClient> MakeClient(LinkRecorder& recorder,
                                       const TLinkTimings& timings = FastTimings());

QString Endpoint(int port);
