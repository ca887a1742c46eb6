#include "support/loopback.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    return a;
}

int BoundSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

short PollFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    const int rc = ::poll(&p, 1, timeoutMs);
    return rc > 0 ? p.revents : 0;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& pred, int ceilingMs) {
    const QDeadlineTimer deadline(ceilingMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void RunEventsFor(int ms) {
    WaitUntil([] { return false; }, ms);
}

LoopbackServer::LoopbackServer(bool listenNow, int backlog) {
    listener_ = BoundSocket(port_);
    if (listenNow)
        Listen(backlog);
}

LoopbackServer::~LoopbackServer() {
    CloseConnection();
    StopListening();
}

void LoopbackServer::SetReceiveBuffer(int bytes) {
    ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void LoopbackServer::Listen(int backlog) {
    ::listen(listener_, backlog);
}

void LoopbackServer::StopListening() {
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
}

bool LoopbackServer::Accept(int timeoutMs) {
    if (!(PollFor(listener_, POLLIN, timeoutMs) & POLLIN))
        return false;
    CloseConnection();
    conn_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    return conn_ >= 0;
}

void LoopbackServer::CloseConnection() {
    if (conn_ >= 0)
        ::close(conn_);
    conn_ = -1;
}

bool LoopbackServer::Send(const QByteArray& bytes) {
    return ::send(conn_, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

bool LoopbackServer::SendUrgent(uint8_t byte) {
    return ::send(conn_, &byte, 1, MSG_OOB | MSG_NOSIGNAL) == 1;
}

int LoopbackServer::ReceiveUrgent(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (PollFor(conn_, POLLPRI, 10) & POLLPRI) {
            uint8_t byte = 0;
            if (::recv(conn_, &byte, 1, MSG_OOB) == 1)
                return byte;
        }
    }
    return -1;
}

QByteArray LoopbackServer::Read(int n, int timeoutMs) {
    QByteArray out;
    const QDeadlineTimer deadline(timeoutMs);
    while (out.size() < n && !deadline.hasExpired()) {
        if (!(PollFor(conn_, POLLIN, 10) & (POLLIN | POLLHUP)))
            continue;
        char buffer[65536];
        const ssize_t got =
            ::recv(conn_, buffer, size_t(qMin<qsizetype>(n - out.size(), 65536)), MSG_DONTWAIT);
        if (got == 0)
            break;
        if (got > 0)
            out.append(buffer, got);
    }
    return out;
}

bool LoopbackServer::WaitPeerClosed(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!(PollFor(conn_, POLLIN, 10) & (POLLIN | POLLHUP)))
            continue;
        char buffer[4096];
        const ssize_t got = ::recv(conn_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN))
            return true;
    }
    return false;
}

HangingListener::HangingListener() {
    listener_ = BoundSocket(port_);
    // With a backlog of 0 the accept queue holds one connection; the filler
    // takes that place and the kernel drops every further handshake.
    ::listen(listener_, 0);
    filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(port_);
    ready_ = ::connect(filler_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

HangingListener::~HangingListener() {
    ::close(filler_);
    ::close(listener_);
}
