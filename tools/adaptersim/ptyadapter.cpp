#include "adaptersim/ptyadapter.h"

#include "adaptersim/console.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {

// A report at least this often keeps the workstation from giving the
// adapter up as silent.
constexpr int64_t kHeartbeatUs = 1000000;
// A closed port shows only as a hang-up on the master, which cannot be
// waited for: it is looked at this often.
constexpr int kOpenCheckMs = 20;

}  // namespace

int MsUntil(int64_t atUs, int64_t nowUs) {
    return atUs <= nowUs ? 0 : int((atUs - nowUs + 999) / 1000);
}

TPtyAdapter::~TPtyAdapter() {
    if (master_ >= 0)
        ::close(master_);
}

bool TPtyAdapter::Plug() {
    if (master_ >= 0)
        return false;
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    char name[128] = {};
    if (fd < 0)
        return false;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return false;
    }
    // Raw from the start, so that nothing the workstation writes is echoed
    // back before it sets the port up itself.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    // Until the slave has been opened once the master cannot tell an unused
    // port from an idle one; after a close it reports a hang-up until the
    // next open.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0)
        ::close(slave);
    master_ = fd;
    path_ = QString::fromLocal8Bit(name);
    open_ = false;
    started_ = false;
    PrintLine(QStringLiteral("PTY ") + path_);
    return true;
}

void TPtyAdapter::Unplug(int ms) {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
        PrintEvent(QStringLiteral("UNPLUGGED"));
    }
    open_ = false;
    started_ = false;
    replugAtUs_ = ms > 0 ? NowUs() + int64_t(ms) * 1000 : -1;
    Disconnected();
    Unplugged();
}

short TPtyAdapter::PollEvents() const {
    return short(POLLIN | (WantsWrite() ? POLLOUT : 0));
}

int TPtyAdapter::TimeoutMs(int64_t nowUs) const {
    int timeout = -1;
    auto due = [&](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
    if (master_ < 0 && replugAtUs_ >= 0)
        due(MsUntil(replugAtUs_, nowUs));
    if (master_ >= 0 && !open_)
        due(kOpenCheckMs);
    if (const int work = WorkTimeoutMs(nowUs); work >= 0)
        due(work);
    // The heartbeat runs whenever the port is open, so that a workstation
    // whose speed byte went unheard (while silent) hears from us, answers
    // with its speed byte and so starts the work again.
    if (open_ && !silence_)
        due(reportDue_ ? 0 : MsUntil(lastWriteUs_ + kHeartbeatUs, nowUs));
    return timeout;
}

void TPtyAdapter::Service(short revents, int64_t nowUs) {
    if (master_ < 0 && replugAtUs_ >= 0 && nowUs >= replugAtUs_) {
        replugAtUs_ = -1;
        if (!Plug())
            PrintLine(QStringLiteral("ERROR cannot open a pseudo-terminal"));
    }
    if (master_ >= 0) {
        if (!open_)
            CheckOpen();
        else if (revents & (POLLIN | POLLHUP | POLLERR))
            ReadWorkstation();
    }
    Work(nowUs);
    if (open_ && !silence_ && (reportDue_ || nowUs - lastWriteUs_ >= kHeartbeatUs)) {
        Report();
        lastWriteUs_ = std::max(lastWriteUs_, nowUs);
    }
    reportDue_ = false;
}

void TPtyAdapter::CheckOpen() {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0 || (p.revents & POLLHUP))
        return;
    open_ = true;
    started_ = false;
    // The first heartbeat a second after the open: the speed byte comes first.
    lastWriteUs_ = NowUs();
    PrintEvent(QStringLiteral("OPENED"));
    ReadWorkstation();
}

void TPtyAdapter::Closed() {
    open_ = false;
    started_ = false;
    // What neither side has read yet is lost with the connection, instead of
    // greeting the next one.
    ::tcflush(master_, TCIOFLUSH);
    PrintEvent(QStringLiteral("CLOSED"));
    Disconnected();
}

void TPtyAdapter::ReadWorkstation() {
    QByteArray batch;
    bool hungUp = false;
    for (;;) {
        char buffer[256];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            batch.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EIO (or end of file) once no one holds the slave.
        hungUp = n == 0 || errno != EAGAIN;
        break;
    }
    if (!batch.isEmpty() && !silence_)
        Take(batch);
    pollfd p{master_, POLLIN, 0};
    if (hungUp || (::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP)))
        Closed();
}

void TPtyAdapter::TakeSpeed(int speed, const QString& shown) {
    if (started_ && speed == speed_)
        return;
    started_ = true;
    speed_ = speed;
    reportDue_ = true;
    PrintEvent(QStringLiteral("SPEED ") + shown);
}

qsizetype TPtyAdapter::Write(const QByteArray& bytes) {
    lastWriteUs_ = NowUs();
    if (!open_ || silence_)
        return 0;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (!(n < 0 && errno == EINTR))
            break;
    }
    return done;
}

bool TPtyAdapter::SendRaw(const QByteArray& bytes) {
    if (!open_)
        return false;
    Write(bytes);
    return true;
}

void TPtyAdapter::ClearFaults() {
    silence_ = false;
    creditZero_ = false;
}
