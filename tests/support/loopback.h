#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

// The address every test server listens on.
inline const QString kLoopbackHost = QStringLiteral("127.0.0.1");

// Ceiling of every wait in the line tests. It only bounds a failing test;
// passing tests never run into it.
inline constexpr int kCeilingMs = 10000;

// Runs the current thread's events until pred holds or the ceiling passes.
bool WaitUntil(const std::function<bool()>& pred, int ceilingMs = kCeilingMs);
// Runs the current thread's events for ms. A test's own loop pauses with
// this, never with a bare sleep: the simulators' output is read only while
// events run, and a simulator whose output pipe is full stops altogether.
void RunEventsFor(int ms);

// A TCP server on 127.0.0.1 with a port of its own, written with plain
// sockets so that it does not share code with the classes under test.
class LoopbackServer {
public:
    // The port is reserved at once; a server that does not listen yet refuses
    // connections on it.
    explicit LoopbackServer(bool listenNow = true, int backlog = 4);
    ~LoopbackServer();

    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return port_; }
    // Before Listen: a small receive buffer makes a peer's sends stall soon.
    void SetReceiveBuffer(int bytes);
    void Listen(int backlog = 4);
    // Closes the listening socket; the port then refuses connections.
    void StopListening();

    // Accepts one connection, replacing the previous one.
    bool Accept(int timeoutMs = kCeilingMs);
    bool HasConnection() const { return conn_ >= 0; }
    void CloseConnection();

    bool Send(const QByteArray& bytes);
    bool SendUrgent(uint8_t byte);
    // The next urgent byte, or -1 when none came within the time.
    int ReceiveUrgent(int timeoutMs = kCeilingMs);
    // Exactly n bytes, or fewer when the time ran out or the peer closed.
    QByteArray Read(int n, int timeoutMs = kCeilingMs);
    // True when the peer closed its side (after reading what was left).
    bool WaitPeerClosed(int timeoutMs = kCeilingMs);

private:
    int listener_ = -1;
    int conn_ = -1;
    int port_ = 0;
};

// A listener whose accept queue is full, so that a further connect hangs in
// the handshake (its SYN is dropped) until the client gives up.
class HangingListener {
public:
    HangingListener();
    ~HangingListener();
    int Port() const { return port_; }
    bool Ready() const { return ready_; }

private:
    int listener_ = -1;
    int filler_ = -1;
    int port_ = 0;
    bool ready_ = false;
};
