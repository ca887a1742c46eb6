#include "adapter.h"

#include "console.h"
#include "line/fivebit.h"
#include "util/linecode.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {

constexpr uint8_t kEndOfWork = 0x60;
constexpr uint8_t kCreditReport = 0x20;
constexpr uint8_t kErrorFrame = 0x4F;
constexpr uint8_t kNoSignal = 0x5E;
constexpr uint8_t kLastCode = 0x1F;

// A report at least this often keeps the workstation from giving the
// adapter up as silent.
constexpr int64_t kHeartbeatUs = 1000000;
// A closed port shows only as a hang-up on the master, which cannot be
// waited for: it is looked at this often.
constexpr int kOpenCheckMs = 20;

// The line speed a speed byte asks for, 0 for a byte that is none.
int SpeedOf(uint8_t byte) {
    switch (byte) {
        case 0x65:
            return 50;
        case 0x66:
            return 100;
        case 0x67:
            return 200;
        case 0x64:  // any other speed: the adapter knows only these three
            return 50;
        default:
            return 0;
    }
}

int PlacesTaken(const LineText& text) {
    return int(std::count_if(text.begin(), text.end(), [](char c) { return !IsRegisterMark(c); }));
}

int MsUntil(int64_t atUs, int64_t nowUs) {
    return atUs <= nowUs ? 0 : int((atUs - nowUs + 999) / 1000);
}

}  // namespace

TLineAdapter::TLineAdapter(bool fast, int baud)
    : fast_(fast), baud_(baud), encoder_(kRegisterNone), decoder_(kRegisterLatin) {}

TLineAdapter::~TLineAdapter() {
    if (master_ >= 0)
        ::close(master_);
}

bool TLineAdapter::Plug() {
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

void TLineAdapter::Unplug(int ms) {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
        PrintEvent(QStringLiteral("UNPLUGGED"));
    }
    open_ = false;
    started_ = false;
    replugAtUs_ = ms > 0 ? NowUs() + int64_t(ms) * 1000 : -1;
}

int TLineAdapter::TimeoutMs(int64_t nowUs) const {
    int timeout = -1;
    auto due = [&](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
    if (master_ < 0 && replugAtUs_ >= 0)
        due(MsUntil(replugAtUs_, nowUs));
    if (master_ >= 0 && !open_)
        due(kOpenCheckMs);
    if (!toWorkstation_.isEmpty() || !pendingCodes_.isEmpty())
        due(MsUntil(nextDeliverUs_, nowUs));
    if (!toLine_.isEmpty())
        due(MsUntil(nextTransmitUs_, nowUs));
    // The heartbeat runs whenever the port is open, so that a workstation
    // whose speed byte went unheard (while silent) hears from us, answers
    // with its speed byte and so starts the work again.
    if (open_ && !silence_)
        due(reportDue_ ? 0 : MsUntil(lastWriteUs_ + kHeartbeatUs, nowUs));
    return timeout;
}

void TLineAdapter::Service(short revents, int64_t nowUs) {
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
    Deliver(nowUs);
    Transmit(nowUs);
    if (open_ && !silence_ && (reportDue_ || nowUs - lastWriteUs_ >= kHeartbeatUs))
        Report();
    reportDue_ = false;
}

void TLineAdapter::CheckOpen() {
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

void TLineAdapter::Closed() {
    open_ = false;
    started_ = false;
    // What neither side has read yet is lost with the connection, instead of
    // greeting the next one.
    ::tcflush(master_, TCIOFLUSH);
    PrintEvent(QStringLiteral("CLOSED"));
}

void TLineAdapter::ReadWorkstation() {
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
    if (!batch.isEmpty())
        Take(batch);
    pollfd p{master_, POLLIN, 0};
    if (hungUp || (::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP)))
        Closed();
}

void TLineAdapter::Take(const QByteArray& batch) {
    if (silence_)
        return;
    QByteArray codes;
    for (const char c : batch) {
        const uint8_t byte = uint8_t(c);
        if (byte <= kLastCode) {
            codes.append(c);
        } else if (const int speed = SpeedOf(byte)) {
            // The workstation repeats its speed byte after every batch of
            // reports: only a start or a change is answered, or the two would
            // keep each other busy.
            if (!started_ || speed != baud_) {
                started_ = true;
                baud_ = speed;
                reportDue_ = true;
                PrintEvent(QStringLiteral("SPEED %1").arg(speed));
            }
        } else if (byte == kEndOfWork) {
            started_ = false;
            PrintEvent(QStringLiteral("END"));
        }
    }
    if (codes.isEmpty())
        return;
    codesReceived_ += codes.size();
    const LineText text = DecodeFiveBit(codes, decoder_);
    PrintEvent(QStringLiteral("RX %1: ").arg(text.size()) + Readable(text));
    if (toLine_.isEmpty())
        nextTransmitUs_ = NowUs() + CharacterUs();
    bool overflow = false;
    int taken = PlacesTaken(toLine_);
    for (const char c : text) {
        if (!IsRegisterMark(c) && taken++ >= kPlaces)
            overflow = true;
        toLine_.append(c);
    }
    if (overflow)
        PrintEvent(QStringLiteral("OVERFLOW"));
}

void TLineAdapter::Deliver(int64_t nowUs) {
    QByteArray out;
    while ((!toWorkstation_.isEmpty() || !pendingCodes_.isEmpty()) && nowUs >= nextDeliverUs_) {
        nextDeliverUs_ += CharacterUs();
        // Whatever arrives while the port is closed, the adapter is silent or
        // has no input signal is lost, as on the real line.
        const bool lost = !open_ || silence_ || noSignal_;
        if (pendingCodes_.isEmpty()) {
            const char c = toWorkstation_.front();
            toWorkstation_.remove(0, 1);
            if (lost)
                continue;
            pendingCodes_ = EncodeFiveBit(QByteArrayView(&c, 1), encoder_);
            if (pendingCodes_.isEmpty())
                continue;
        }
        uint8_t code = uint8_t(pendingCodes_.front());
        pendingCodes_.remove(0, 1);
        if (lost) {
            // A lost shift leaves the workstation's register unknown.
            if (code == kShiftLatin || code == kShiftRussian || code == kShiftFigures)
                encoder_ = kRegisterNone;
            continue;
        }
        if (errorFrames_ > 0) {
            --errorFrames_;
            code = kErrorFrame;
        }
        out.append(char(code));
    }
    if (!out.isEmpty()) {
        codesSent_ += out.size();
        Write(out);
    }
}

void TLineAdapter::Transmit(int64_t nowUs) {
    LineText sent;
    while (!toLine_.isEmpty() && nowUs >= nextTransmitUs_) {
        const char c = toLine_.front();
        toLine_.remove(0, 1);
        nextTransmitUs_ += CharacterUs();
        sent.append(c);
        if (!IsRegisterMark(c))
            reportDue_ = true;
    }
    if (!sent.isEmpty() && lineSink_)
        lineSink_(sent);
}

void TLineAdapter::Report() {
    uint8_t byte = kNoSignal;
    if (!noSignal_)
        byte = kCreditReport | (creditZero_ ? 0 : FreePlaces());
    Write(QByteArray(1, char(byte)));
}

void TLineAdapter::Write(const QByteArray& bytes) {
    lastWriteUs_ = NowUs();
    if (!open_ || silence_)
        return;
    // A workstation that does not read loses what does not fit, like a line
    // that does not wait.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (!(n < 0 && errno == EINTR))
            break;
    }
}

void TLineAdapter::FromLine(const LineText& text) {
    PrintEvent(QStringLiteral("TX %1: ").arg(text.size()) + Readable(text));
    if (toWorkstation_.isEmpty() && pendingCodes_.isEmpty())
        nextDeliverUs_ = NowUs() + CharacterUs();
    toWorkstation_.append(text);
}

bool TLineAdapter::SendRaw(const QByteArray& bytes) {
    if (!open_)
        return false;
    Write(bytes);
    return true;
}

void TLineAdapter::SetNoSignal(bool on) {
    // The change is reported at once: '^' when the signal goes, the credit
    // when it comes back.
    if (on != noSignal_)
        reportDue_ = true;
    noSignal_ = on;
}

void TLineAdapter::ClearFaults() {
    SetNoSignal(false);
    errorFrames_ = 0;
    silence_ = false;
    creditZero_ = false;
}

int TLineAdapter::FreePlaces() const {
    return std::max(0, kPlaces - PlacesTaken(toLine_));
}

int64_t TLineAdapter::CharacterUs() const {
    // A character is 7.5 units of 1/baud seconds.
    return fast_ ? 0 : 7500000 / baud_;
}
