#pragma once

#include "support/loopback.h"

#include <QByteArray>
#include <QString>

#include <functional>

// One end of a pseudo-terminal, raw, for tests of the serial line: either
// the workstation's end of an adapter simulator's terminal, or the adapter's
// end of a fresh pair whose slave the code under test opens as its port.
// Every read waits at most the ceiling it is given.
class PtyPeer {
public:
    // The workstation's end: opens the slave at path.
    explicit PtyPeer(const QString& slavePath);
    // A fresh pair: this end holds the master, for a scripted adapter;
    // SlavePath() is the port for the code under test.
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    QString SlavePath() const { return slavePath_; }
    void Close();

    bool Write(const QByteArray& bytes);
    // What arrives first: waits up to the ceiling for a byte, then takes
    // what is there with it. Empty when nothing came.
    QByteArray ReadSome(int ceilingMs = kCeilingMs);
    // The same, but no more than limit bytes: a peer that keeps writing
    // cannot keep the read going.
    QByteArray ReadSome(int ceilingMs, qsizetype limit);
    // The next n bytes, fewer when the ceiling passed first, running this
    // thread's events meanwhile (the code under test may be waiting for a
    // handler here); what comes beyond them is kept for the next read.
    QByteArray Take(qsizetype n, int ceilingMs = kCeilingMs);
    // Reads until pred holds for what this call has read, or the ceiling
    // passed, or (on the slave) the other end hung up; returns what it read.
    QByteArray ReadUntil(const std::function<bool(const QByteArray&)>& pred,
                         int ceilingMs = kCeilingMs);

    // The slave: the master has gone (read at end of file or EIO); a hang-up
    // stays. The master: no one has the slave open at the last look.
    bool HungUp() const { return hungUp_; }
    // Bytes that came with the wait are kept for the next read.
    bool WaitHangUp(int ceilingMs = kCeilingMs);
    // The master: waits until the code under test has opened the slave.
    bool WaitPeerOpen(int ceilingMs = kCeilingMs);

private:
    // One wait of at most ms; appends what came. The master's hang-up, which
    // cannot be waited for, is looked at in short slices.
    void Fetch(QByteArray& into, int ms, qsizetype limit = -1);

    int fd_ = -1;
    bool master_ = false;
    bool hungUp_ = false;
    QString slavePath_;
    QByteArray pending_;
};
