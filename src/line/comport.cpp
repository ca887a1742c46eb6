#include "line/comport.h"

#include "config/portname.h"

#include <linux/serial.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>

namespace {

class TTermiosControl : public IPortControl {
public:
    bool SetBreak(int fd) override { return ::ioctl(fd, TIOCSBRK) == 0; }
    bool ClearBreak(int fd) override { return ::ioctl(fd, TIOCCBRK) == 0; }
    int OutQueue(int fd) override {
        int queued = 0;
        return ::ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : 0;
    }
    quint64 LineErrors(int fd) override {
        serial_icounter_struct counts{};
        // Pseudo-terminals and some USB drivers keep no counts.
        if (::ioctl(fd, TIOCGICOUNT, &counts) != 0)
            return 0;
        return quint64(counts.frame) + quint64(counts.parity) + quint64(counts.overrun) +
               quint64(counts.brk) + quint64(counts.buf_overrun);
    }
};

speed_t SpeedConstant(int speed) {
    switch (speed) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

tcflag_t DataBitsFlag(int bits) {
    switch (bits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

// The longest a write waits for room in the output queue.
constexpr int kWriteWaitMs = 100;

}  // namespace

std::shared_ptr<IPortControl> TermiosPortControl() {
    return std::make_shared<TTermiosControl>();
}

CComPort::CComPort(std::shared_ptr<IPortControl> control)
    : control_(control ? std::move(control) : TermiosPortControl()) {}

CComPort::~CComPort() {
    Close();
}

bool CComPort::Fail() {
    lastError_ = errno;
    Close();
    return false;
}

bool CComPort::Open(const QString& setting, int speed, int dataBits, char parity, int stopBits,
                    int readTimeoutMs) {
    Close();
    const QString path = PortDevicePath(setting);
    const speed_t baud = SpeedConstant(speed);
    if (path.isEmpty() || baud == B0) {
        lastError_ = EINVAL;
        return false;
    }
    Handle = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (Handle == -1) {
        lastError_ = errno;
        return false;
    }
    // Not shared: a second program opening the adapter would steal its bytes.
    if (::ioctl(Handle, TIOCEXCL) != 0)
        return Fail();
    termios tio{};
    if (::tcgetattr(Handle, &tio) != 0)
        return Fail();
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= DataBitsFlag(dataBits) | CLOCAL | CREAD;
    if (parity == 'E' || parity == 'O')
        tio.c_cflag |= PARENB | (parity == 'O' ? PARODD : 0);
    if (stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, baud) != 0 || ::cfsetospeed(&tio, baud) != 0 ||
        ::tcsetattr(Handle, TCSANOW, &tio) != 0)
        return Fail();
    // USB adapters answer sooner with a short latency; not every driver can.
    serial_struct serial{};
    if (::ioctl(Handle, TIOCGSERIAL, &serial) == 0 && !(serial.flags & ASYNC_LOW_LATENCY)) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(Handle, TIOCSSERIAL, &serial);
    }
    ::tcflush(Handle, TCIFLUSH);
    ::tcflush(Handle, TCOFLUSH);
    readTimeoutMs_ = readTimeoutMs;
    lineErrors_ = control_->LineErrors(Handle);
    lastError_ = 0;
    return true;
}

void CComPort::Close() {
    if (Handle == -1)
        return;
    // A pseudo-terminal keeps the exclusive mark after its last close.
    ::ioctl(Handle, TIOCNXCL);
    ::close(Handle);
    Handle = -1;
}

uint16_t CComPort::Read(uint8_t* buffer, int size, int timeoutMs, int wakeFd) {
    if (Handle == -1)
        return kReadError;
    pollfd fds[2] = {{Handle, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const pollfd& p = fds[0];
    const int ready = ::poll(fds, wakeFd >= 0 ? 2 : 1, timeoutMs);
    if (ready < 0) {
        lastError_ = errno;
        return errno == EINTR ? 0 : kReadError;
    }
    if (ready == 0)
        return 0;
    if (wakeFd >= 0 && (fds[1].revents & POLLIN)) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t drained = ::read(wakeFd, &count, sizeof count);
        if (p.revents == 0)
            return 0;
    }
    if (p.revents & POLLNVAL)
        return kReadError;
    if (p.revents & POLLIN) {
        const quint64 errors = control_->LineErrors(Handle);
        if (errors != lineErrors_) {
            lineErrors_ = errors;
            return kReadError;
        }
        const ssize_t n = ::read(Handle, buffer, size_t(size));
        if (n > 0)
            return uint16_t(n);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return 0;
        // Readable, yet nothing: the device is gone.
        lastError_ = n < 0 ? errno : EIO;
        return kReadError;
    }
    // POLLHUP or POLLERR without data: unplugged.
    lastError_ = EIO;
    return kReadError;
}

int CComPort::Write(const uint8_t* bytes, int count) {
    if (count <= 0 || Handle == -1)
        return 0;
    if (count + OutQueue() >= kQueueSize && warning_)
        warning_(QStringLiteral("Невозможно поместить в выходной буфер "));
    int written = 0;
    while (written < count) {
        const ssize_t n = ::write(Handle, bytes + written, size_t(count - written));
        if (n > 0) {
            written += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{Handle, POLLOUT, 0};
            if (::poll(&p, 1, kWriteWaitMs) > 0 && !(p.revents & (POLLERR | POLLHUP | POLLNVAL)))
                continue;
        }
        lastError_ = n < 0 ? errno : EIO;
        break;
    }
    return written;
}

int CComPort::OutQueue() {
    return Handle == -1 ? 0 : control_->OutQueue(Handle);
}

bool CComPort::SetBreak() {
    return Handle != -1 && control_->SetBreak(Handle);
}

bool CComPort::ClearBreak() {
    return Handle != -1 && control_->ClearBreak(Handle);
}
