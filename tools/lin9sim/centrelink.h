#pragma once

#include "line/tcpip.h"
#include "util/texttypes.h"

#include <QString>

#include <cstdint>
#include <functional>

// The telegraph line when it leads to the training centre: a TCP/IP
// connection made as the workstation would make it, tried again every second
// while it cannot be made or after the centre dropped it. The centre's urgent
// keepalive byte is answered here; it has no place on a telegraph line.
class TCentreLink {
public:
    TCentreLink(const QString& host, int port);

    // Where the centre's line code goes.
    void SetReceiver(std::function<void(const LineText&)> receiver) {
        receiver_ = std::move(receiver);
    }

    // The socket while connected, else -1; polled for POLLIN and POLLPRI.
    int PollFd() const { return client_.IsConnected() ? client_.Handle() : -1; }
    // Milliseconds until the next attempt to connect, -1 while connected.
    int TimeoutMs(int64_t nowUs) const;
    void Service(short revents, int64_t nowUs);

    // False when not connected or the send failed (the link is then dropped).
    bool Send(const LineText& text);
    bool IsConnected() const { return client_.IsConnected(); }
    QString Address() const { return QStringLiteral("%1:%2").arg(host_).arg(port_); }

private:
    void Drop(int64_t nowUs);
    void AnswerUrgent();

    CTcpIpClient client_;
    const QString host_;
    const int port_;
    int64_t nextAttemptUs_ = 0;
    std::function<void(const LineText&)> receiver_;
};
