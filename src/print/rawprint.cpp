#include "print/rawprint.h"

#include "line/tcpip.h"
#include "util/boundedprocess.h"
#include "util/linecode.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <cerrno>

namespace {

constexpr qsizetype kTextLimit = 6143;
constexpr qsizetype kMessageLimit = 6144;
constexpr int kGraphicsLineChars = 80;
constexpr int kWaitSliceMs = 50;
const QByteArray kBannerText =
    QByteArrayLiteral("------------------------------------------- KORVEL ");

QString& CupsSubmitProgram() {
    static QString program = QStringLiteral("lp");
    return program;
}

bool Stopped(const std::function<bool()>& stopRequested) {
    return stopRequested && stopRequested();
}

// Writes to a device opened without blocking, waiting in short slices for it
// to take more, so that a stop request is seen at once. A device that takes
// no byte for stallMs counts as missing.
TPrintOutcome::Kind WriteBounded(int fd, const QByteArray& bytes, int stallMs,
                                 const std::function<bool()>& stopRequested) {
    qsizetype done = 0;
    QDeadlineTimer stall(stallMs);
    bool pollSaidReady = false;
    while (done < bytes.size()) {
        if (Stopped(stopRequested))
            return TPrintOutcome::Interrupted;
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            stall.setRemainingTime(stallMs);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (!(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) || stall.hasExpired())
            return TPrintOutcome::NoDevice;
        const int slice = int(qBound(qint64(1), stall.remainingTime(), qint64(kWaitSliceMs)));
        if (pollSaidReady) {
            // A device without a poll of its own (the parallel port) always
            // says it is ready: wait the slice instead of spinning.
            ::poll(nullptr, 0, slice);
            pollSaidReady = false;
            continue;
        }
        pollfd wait{fd, POLLOUT, 0};
        const int ready = ::poll(&wait, 1, slice);
        if (ready > 0 && (wait.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return TPrintOutcome::NoDevice;
        pollSaidReady = ready > 0;
    }
    return TPrintOutcome::Printed;
}

TPrintOutcome ToCups(const QString& queue, const QByteArray& bytes, int timeoutMs,
                     const std::function<bool()>& stopRequested) {
    const TProcessResult lp =
        RunBounded(CupsSubmitProgram(),
                   {QStringLiteral("-d"), queue, QStringLiteral("-o"), QStringLiteral("raw")},
                   timeoutMs, stopRequested, bytes);
    if (lp.interrupted)
        return {TPrintOutcome::Interrupted, QString()};
    if (!lp.started)
        return {TPrintOutcome::NoDevice, QStringLiteral("lp: ") + lp.startError};
    if (!lp.finished)
        return {TPrintOutcome::NoDevice, QStringLiteral("lp did not finish")};
    if (lp.exitCode != 0)
        return {TPrintOutcome::NoDevice, QString::fromLocal8Bit(lp.err).trimmed()};
    return {};
}

}  // namespace

QByteArray RawPrintText(const QStringList& lines, const TRawPrintSettings& settings,
                        const QString& dateTime) {
    QString joined;
    for (const QString& line : lines)
        joined += line + QStringLiteral("\r\n");
    LineText text = WideToLine(joined);
    text.replace('4', '\x97');
    if (text.size() > kTextLimit)
        text.truncate(kTextLimit);
    if (!settings.printRegisters)
        text = StripRegisterMarks(text);
    const QByteArray banner = "\n\n" + kBannerText + WideToLine(dateTime) + "\n\n";
    return banner + text + banner + QByteArray(qMax(0, settings.skipLines), '\n');
}

QByteArray RawMessageText(const LineText& text, const TRawPrintSettings& settings) {
    LineText printed = text;
    printed.replace('4', '\x97');
    if (printed.size() > kMessageLimit)
        printed.truncate(kMessageLimit);
    return settings.printRegisters ? printed : StripRegisterMarks(printed);
}

QByteArray DotGraphics(const QByteArray& printText, const QByteArray& font) {
    QByteArray out = QByteArrayLiteral("\x1B\x40\x1B\x33\x24");
    QByteArray columns;
    auto flush = [&] {
        if (columns.isEmpty())
            return;
        const int n = int(columns.size());
        out += QByteArrayLiteral("\x1B\x2A\x04");
        out += char(n & 0xFF);
        out += char((n >> 8) & 0xFF);
        out += columns;
        columns.clear();
    };
    for (const char c : printText) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            flush();
            out += '\n';
            continue;
        }
        // Nothing is cut: a long line goes on on the next printed line.
        if (columns.size() == kGraphicsLineChars * 8) {
            flush();
            out += '\n';
        }
        const qsizetype at = qsizetype(uint8_t(c)) * 8;
        columns += font.size() >= at + 8 ? font.mid(at, 8) : QByteArray(8, '\0');
    }
    flush();
    return out;
}

QString ResolvePrintDevice(const QString& prn) {
    auto firstExisting = [](std::initializer_list<const char*> paths) {
        for (const char* path : paths)
            if (QFileInfo::exists(QLatin1String(path)))
                return QString::fromLatin1(path);
        return QString();
    };
    const QString name = prn.trimmed();
    if (name.compare(QLatin1String("PRN"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("LPT1"), Qt::CaseInsensitive) == 0)
        return firstExisting({"/dev/usb/lp0", "/dev/lp0"});
    if (name.compare(QLatin1String("LPT2"), Qt::CaseInsensitive) == 0)
        return firstExisting({"/dev/usb/lp1", "/dev/lp1"});
    if (name.startsWith(u'/'))
        return QFileInfo::exists(name) ? name : QString();
    if (name.startsWith(QLatin1String("cups:")) && name.size() > 5)
        return name;
    return QString();
}

TPrintOutcome SendRawPrint(const QByteArray& printText, const TRawPrintSettings& settings,
                           const std::function<bool()>& stopRequested) {
    if (!settings.ip.isEmpty()) {
        CTcpIpClient client;
        client.SetConnectTimeout(settings.connectTimeoutMs);
        client.SetSendTimeout(settings.connectTimeoutMs * 10);
        client.SetAbortCheck(stopRequested);
        const QString address = settings.ip + u':' + QString::number(settings.port);
        const bool connected = client.Connect(settings.ip, settings.port);
        const int sent = connected ? client.Send(printText.constData(), int(printText.size())) : 0;
        if (connected)
            client.ShutdownSend();
        if (sent == printText.size())
            return {};
        if (Stopped(stopRequested))
            return {TPrintOutcome::Interrupted, address};
        return {TPrintOutcome::NoConnection, address};
    }
    const QString device = ResolvePrintDevice(settings.prn);
    if (device.isEmpty())
        return {TPrintOutcome::NoDevice, settings.prn};
    const QByteArray bytes = settings.graphics ? DotGraphics(printText, settings.font) : printText;
    if (device.startsWith(QLatin1String("cups:")))
        return ToCups(device.mid(5), bytes, settings.writeTimeoutMs, stopRequested);
    // The device must exist: it is never created. Opened without blocking,
    // so that neither the open nor a write waits without limit.
    const int fd = ::open(QFile::encodeName(device).constData(),
                          O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {TPrintOutcome::NoDevice, device};
    const TPrintOutcome::Kind written =
        WriteBounded(fd, bytes, settings.writeTimeoutMs, stopRequested);
    const bool closed = ::close(fd) == 0;
    if (written == TPrintOutcome::Printed && !closed)
        return {TPrintOutcome::NoDevice, device};
    return {written, written == TPrintOutcome::Printed ? QString() : device};
}

void SetCupsSubmitProgram(const QString& program) {
    CupsSubmitProgram() = program;
}

bool LoadPrinterFont(const QString& path, QByteArray& font) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray rows = file.read(2048);
    if (rows.size() < 2048)
        return false;
    QByteArray columns(2048, '\0');
    for (int glyph = 0; glyph < 256; ++glyph) {
        for (int j = 0; j < 8; ++j) {
            uint8_t column = 0;
            for (int row = 0; row < 8; ++row) {
                const uint8_t bits = uint8_t(rows[glyph * 8 + row]);
                if (bits & (0x80 >> j))
                    column |= uint8_t(0x80 >> row);
            }
            columns[glyph * 8 + j] = char(column);
        }
    }
    font = columns;
    return true;
}
