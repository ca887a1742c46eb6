#pragma once

#include <QString>

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <functional>

// A thin layer over POSIX stream sockets for the line to the switching centre
// and for raw print jobs: numeric IPv4 only, non-blocking readiness tests and
// single urgent (out-of-band) bytes for the centre's keepalive. An object is
// used by one thread at a time; only IsConnected may be read from another.
//
// Every call that can wait is bounded, so that a thread using the socket can
// always be ended: connect waits at most ConnectTimeout, a send at most
// SendTimeout, and both give up early when the abort check says so.
class CTcpIpBase {
public:
    CTcpIpBase();
    virtual ~CTcpIpBase();

    CTcpIpBase(const CTcpIpBase&) = delete;
    CTcpIpBase& operator=(const CTcpIpBase&) = delete;

    // Closes the socket if there is one. Always true.
    bool Close();
    bool IsOpen() const { return Socket != -1; }
    // The socket descriptor, -1 when there is none (for event notifiers).
    int Handle() const { return Socket; }

    // True when data (or the peer's close, or an error) is waiting; waits at
    // most 100 microseconds.
    bool WaitReadable();
    // Sends the whole block: the count accepted, which is less than length
    // only when the connection failed, the send time-out ran out or the abort
    // check fired; -1 when nothing could be sent. Never raises SIGPIPE.
    int Send(const char* data, int length);
    // One receive of at most size bytes: the count, 0 when the peer closed,
    // -1 on an error. An urgent byte that is waiting is taken aside first, so
    // that this read cannot run over its mark and lose it.
    int Receive(char* buffer, int size);
    // Sends one byte as urgent data. Returns what send returns.
    int SendUrgent(uint8_t byte);

    // Bounds of the waiting calls, in milliseconds.
    void SetConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
    void SetSendTimeout(int ms) { sendTimeoutMs_ = ms; }
    int ConnectTimeout() const { return connectTimeoutMs_; }
    int SendTimeout() const { return sendTimeoutMs_; }
    // Asked between slices of a wait; true ends the wait as a failure.
    void SetAbortCheck(std::function<bool()> check) { abortCheck_ = std::move(check); }

    // A lossy dial-up path needs room for several SYN retries (1, 3, 7, 15 s).
    static constexpr int kDefaultConnectTimeoutMs = 20000;
    static constexpr int kDefaultSendTimeoutMs = 30000;

protected:
    bool Aborted() const { return abortCheck_ && abortCheck_(); }
    // Moves a waiting urgent byte into the pending slot. True when the slot
    // holds one afterwards.
    bool FetchUrgent();
    // Takes the pending urgent byte, if any.
    bool TakePendingUrgent(uint8_t& byte);
    void DropPendingUrgent() { pendingUrgent_ = -1; }

    int Socket = -1;
    sockaddr_in PeerAddress{};

private:
    int pendingUrgent_ = -1;
    int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
    int sendTimeoutMs_ = kDefaultSendTimeoutMs;
    std::function<bool()> abortCheck_;
};

class CTcpIpClient : public CTcpIpBase {
public:
    CTcpIpClient();
    ~CTcpIpClient() override;

    // Connects to a dotted-decimal IPv4 address; names are not resolved, so a
    // host name fails. Waits at most ConnectTimeout.
    bool Connect(const QString& host, int port);
    // Takes over a socket that is already connected (one accepted by a
    // listener). The object owns it from now on.
    void Attach(int connectedSocket);
    // Shuts sending down when connected, then closes. Always true.
    bool Disconnect();
    // False when not connected; otherwise shuts sending down and is no longer
    // connected, but keeps the socket open until Disconnect or destruction.
    bool ShutdownSend();
    // 1 when an urgent byte was received into byte; 0 when none is waiting
    // (or the object is not connected); -1 on an error. Waits at most 10 µs.
    int ReceiveUrgent(uint8_t& byte);

    bool IsConnected() const { return Connected.load(); }

protected:
    std::atomic<bool> Connected{false};
};

// A listening socket for the training centre and for tests.
class CTcpIpListener : public CTcpIpBase {
public:
    // Listens on a dotted-decimal IPv4 address; port 0 picks a free port.
    bool Listen(const QString& host, int port, int backlog = 4);
    // The port actually listened on, 0 when not listening.
    int LocalPort() const;
    // Accepts one waiting connection into client (waiting at most timeoutMs,
    // 0 = only when one is waiting). True when client is now connected.
    bool Accept(CTcpIpClient& client, int timeoutMs = 0);
    // The peer of the last accepted connection as "a.b.c.d:port".
    QString LastPeer() const { return lastPeer_; }

private:
    QString lastPeer_;
};
