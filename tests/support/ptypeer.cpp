#include "support/ptypeer.h"

#include <QDeadlineTimer>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace {

// How often the master looks again at a slave that is not open.
constexpr int kHangUpSliceMs = 10;

void MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ::tcsetattr(fd, TCSANOW, &tio);
}

}  // namespace

PtyPeer::PtyPeer(const QString& slavePath) : slavePath_(slavePath) {
    fd_ = ::open(slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0)
        MakeRaw(fd_);
}

PtyPeer::PtyPeer() : master_(true) {
    fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0 ||
        ::ptsname_r(fd_, name, sizeof name) != 0) {
        Close();
        return;
    }
    MakeRaw(fd_);
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    slavePath_ = QString::fromLocal8Bit(name);
    // Opened and closed once, the slave shows as hung up until the code
    // under test opens it; before that the master cannot tell.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0)
        ::close(slave);
}

PtyPeer::~PtyPeer() {
    Close();
}

void PtyPeer::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool PtyPeer::Write(const QByteArray& bytes) {
    qsizetype done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (!(n < 0 && errno == EINTR))
            break;
    }
    return done == bytes.size();
}

void PtyPeer::Fetch(QByteArray& into, int ms, qsizetype limit) {
    if (fd_ < 0)
        return;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) {
        // A master that waited without a hang-up has its slave open.
        if (master_)
            hungUp_ = false;
        return;
    }
    if (master_)
        hungUp_ = (p.revents & POLLHUP) != 0;
    for (;;) {
        char buffer[256];
        const qsizetype room = limit < 0 ? qsizetype(sizeof buffer)
                                         : std::min<qsizetype>(sizeof buffer, limit - into.size());
        if (room <= 0)
            break;
        const ssize_t n = ::read(fd_, buffer, size_t(room));
        if (n > 0) {
            into.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (!master_ && (n == 0 || errno != EAGAIN))
            hungUp_ = true;
        break;
    }
    if (master_ && hungUp_ && into.isEmpty())
        ::poll(nullptr, 0, std::min(ms, kHangUpSliceMs));
}

QByteArray PtyPeer::ReadSome(int ceilingMs) {
    QByteArray got = std::exchange(pending_, QByteArray());
    const QDeadlineTimer deadline(ceilingMs);
    while (got.isEmpty() && !(hungUp_ && !master_) && !deadline.hasExpired())
        Fetch(got, int(deadline.remainingTime()));
    Fetch(got, 0);
    return got;
}

QByteArray PtyPeer::ReadSome(int ceilingMs, qsizetype limit) {
    QByteArray got = std::exchange(pending_, QByteArray());
    if (got.size() > limit) {
        pending_ = got.mid(limit);
        got.truncate(limit);
        return got;
    }
    const QDeadlineTimer deadline(ceilingMs);
    while (got.isEmpty() && !(hungUp_ && !master_) && !deadline.hasExpired())
        Fetch(got, int(deadline.remainingTime()), limit);
    return got;
}

QByteArray PtyPeer::Take(qsizetype n, int ceilingMs) {
    WaitUntil(
        [&] {
            Fetch(pending_, 0);
            return pending_.size() >= n;
        },
        ceilingMs);
    const QByteArray taken = pending_.left(n);
    pending_.remove(0, taken.size());
    return taken;
}

QByteArray PtyPeer::ReadUntil(const std::function<bool(const QByteArray&)>& pred, int ceilingMs) {
    QByteArray got = std::exchange(pending_, QByteArray());
    const QDeadlineTimer deadline(ceilingMs);
    while (!pred(got) && !(hungUp_ && !master_) && !deadline.hasExpired())
        Fetch(got, int(deadline.remainingTime()));
    return got;
}

bool PtyPeer::WaitHangUp(int ceilingMs) {
    const QDeadlineTimer deadline(ceilingMs);
    while (!hungUp_ && !deadline.hasExpired())
        Fetch(pending_, int(deadline.remainingTime()));
    return hungUp_;
}

bool PtyPeer::WaitPeerOpen(int ceilingMs) {
    const QDeadlineTimer deadline(ceilingMs);
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        if (fd_ >= 0 && ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP)) {
            hungUp_ = false;
            return true;
        }
        if (deadline.hasExpired())
            return false;
        ::poll(nullptr, 0, kHangUpSliceMs);
    }
}
