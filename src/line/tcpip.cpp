#include "line/tcpip.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// Long waits are cut into slices so that an abort request is seen soon.
constexpr int kWaitSliceMs = 20;

// One poll of a single descriptor with a time-out in microseconds. Returns
// the reported events, 0 on time-out or error.
short PollOne(int fd, short events, long timeoutUs) {
    if (fd < 0)
        return 0;
    pollfd p{fd, events, 0};
    const timespec ts{timeoutUs / 1000000, (timeoutUs % 1000000) * 1000};
    for (;;) {
        const int rc = ::ppoll(&p, 1, &ts, nullptr);
        if (rc > 0)
            return p.revents;
        if (rc < 0 && errno == EINTR)
            continue;
        return 0;
    }
}

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(std::min<long long>(left, kWaitSliceMs)) : 0;
}

void SetReceiveTimeout(int fd) {
    // A receive that was announced readable never waits; should it ever, one
    // second is the most it may hold the line thread.
    const timeval oneSecond{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &oneSecond, sizeof oneSecond);
}

// The IPv4 address of a dotted-decimal text, or false for anything else
// (names included: nothing is resolved).
bool NumericAddress(const QString& host, in_addr_t& address) {
    const QByteArray text = host.toLatin1();
    address = ::inet_addr(text.constData());
    return address != INADDR_NONE;
}

}  // namespace

// ---------------------------------------------------------------- CTcpIpBase

CTcpIpBase::CTcpIpBase() = default;

CTcpIpBase::~CTcpIpBase() {
    Close();
}

bool CTcpIpBase::Close() {
    if (IsOpen())
        ::close(Socket);
    Socket = -1;
    DropPendingUrgent();
    return true;
}

bool CTcpIpBase::WaitReadable() {
    return PollOne(Socket, POLLIN, 100) != 0;
}

int CTcpIpBase::Send(const char* data, int length) {
    if (!IsOpen())
        return -1;
    const auto deadline = Clock::now() + std::chrono::milliseconds(sendTimeoutMs_);
    int done = 0;
    while (done < length) {
        const ssize_t n =
            ::send(Socket, data + done, size_t(length - done), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int slice = RemainingMs(deadline);
            if (slice == 0 || Aborted())
                break;
            PollOne(Socket, POLLOUT, slice * 1000L);
            continue;
        }
        return done > 0 ? done : -1;
    }
    return done;
}

int CTcpIpBase::Receive(char* buffer, int size) {
    if (!IsOpen())
        return -1;
    FetchUrgent();
    for (;;) {
        const ssize_t n = ::recv(Socket, buffer, size_t(size), 0);
        if (n < 0 && errno == EINTR)
            continue;
        return int(n);
    }
}

int CTcpIpBase::SendUrgent(uint8_t byte) {
    if (!IsOpen())
        return -1;
    return int(::send(Socket, &byte, 1, MSG_OOB | MSG_NOSIGNAL));
}

bool CTcpIpBase::FetchUrgent() {
    if (pendingUrgent_ >= 0)
        return true;
    // Only one urgent byte exists at a time (a newer one replaces it), and
    // the kernel forgets it once a normal read passes its mark: take it now.
    if (!(PollOne(Socket, POLLPRI, 0) & POLLPRI))
        return false;
    uint8_t byte = 0;
    if (::recv(Socket, &byte, 1, MSG_OOB) != 1)
        return false;
    pendingUrgent_ = byte;
    return true;
}

bool CTcpIpBase::TakePendingUrgent(uint8_t& byte) {
    if (pendingUrgent_ < 0)
        return false;
    byte = uint8_t(pendingUrgent_);
    pendingUrgent_ = -1;
    return true;
}

// -------------------------------------------------------------- CTcpIpClient

CTcpIpClient::CTcpIpClient() = default;

CTcpIpClient::~CTcpIpClient() {
    Disconnect();
}

bool CTcpIpClient::Connect(const QString& host, int port) {
    Disconnect();
    Socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (Socket < 0) {
        Socket = -1;
        return false;
    }
    SetReceiveTimeout(Socket);

    std::memset(&PeerAddress, 0, sizeof PeerAddress);
    PeerAddress.sin_family = AF_INET;
    in_addr_t address = INADDR_NONE;
    if (!NumericAddress(host, address) || port < 1 || port > 65535)
        return false;
    PeerAddress.sin_addr.s_addr = address;
    PeerAddress.sin_port = htons(uint16_t(port));

    // A blocking connect to an address that drops the handshake would hold
    // the thread for minutes; connect without blocking and wait in slices.
    const int flags = ::fcntl(Socket, F_GETFL);
    ::fcntl(Socket, F_SETFL, flags | O_NONBLOCK);
    bool ok =
        ::connect(Socket, reinterpret_cast<const sockaddr*>(&PeerAddress), sizeof PeerAddress) == 0;
    if (!ok && errno == EINPROGRESS) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ConnectTimeout());
        for (;;) {
            const int slice = RemainingMs(deadline);
            if (slice == 0 || Aborted())
                break;
            if (PollOne(Socket, POLLOUT, slice * 1000L) == 0)
                continue;
            int error = 0;
            socklen_t len = sizeof error;
            ok = ::getsockopt(Socket, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
            break;
        }
    }
    ::fcntl(Socket, F_SETFL, flags);
    Connected = ok;
    return ok;
}

void CTcpIpClient::Attach(int connectedSocket) {
    Disconnect();
    Socket = connectedSocket;
    SetReceiveTimeout(Socket);
    Connected = Socket >= 0;
}

bool CTcpIpClient::Disconnect() {
    if (Connected.exchange(false))
        ::shutdown(Socket, SHUT_WR);
    Close();
    return true;
}

bool CTcpIpClient::ShutdownSend() {
    if (!Connected.exchange(false))
        return false;
    ::shutdown(Socket, SHUT_WR);
    return true;
}

int CTcpIpClient::ReceiveUrgent(uint8_t& byte) {
    if (!Connected)
        return 0;
    if (TakePendingUrgent(byte))
        return 1;
    if (!(PollOne(Socket, POLLPRI, 10) & POLLPRI))
        return 0;
    for (;;) {
        const ssize_t n = ::recv(Socket, &byte, 1, MSG_OOB);
        if (n < 0 && errno == EINTR)
            continue;
        return int(n);
    }
}

// ------------------------------------------------------------ CTcpIpListener

bool CTcpIpListener::Listen(const QString& host, int port, int backlog) {
    Close();
    in_addr_t address = INADDR_NONE;
    if (!NumericAddress(host, address) || port < 0 || port > 65535)
        return false;
    Socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (Socket < 0) {
        Socket = -1;
        return false;
    }
    const int on = 1;
    ::setsockopt(Socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = address;
    local.sin_port = htons(uint16_t(port));
    if (::bind(Socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(Socket, backlog) != 0) {
        Close();
        return false;
    }
    return true;
}

int CTcpIpListener::LocalPort() const {
    if (!IsOpen())
        return 0;
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (::getsockname(Socket, reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return 0;
    return ntohs(local.sin_port);
}

bool CTcpIpListener::Accept(CTcpIpClient& client, int timeoutMs) {
    if (!IsOpen())
        return false;
    if (!(PollOne(Socket, POLLIN, std::max(timeoutMs, 0) * 1000L) & POLLIN))
        return false;
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd = ::accept4(Socket, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
    if (fd < 0)
        return false;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    lastPeer_ = QStringLiteral("%1:%2").arg(QString::fromLatin1(text)).arg(ntohs(peer.sin_port));
    client.Attach(fd);
    return true;
}
