#include "print/rawprint.h"

#include "line/tcpip.h"
#include "util/boundedprocess.h"
#include "util/linecode.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace {

constexpr qsizetype kTextLimit = 6143;
constexpr int kGraphicsLineChars = 80;
const QByteArray kBannerText =
    QByteArrayLiteral("------------------------------------------- KORVEL ");

QString& CupsSubmitProgram() {
    static QString program = QStringLiteral("lp");
    return program;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (!(n < 0 && errno == EINTR))
            return false;
    }
    return true;
}

TPrintOutcome ToCups(const QString& queue, const QByteArray& bytes) {
    const TProcessResult lp =
        RunBounded(CupsSubmitProgram(),
                   {QStringLiteral("-d"), queue, QStringLiteral("-o"), QStringLiteral("raw")},
                   30000, {}, bytes);
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

TPrintOutcome SendRawPrint(const QByteArray& printText, const TRawPrintSettings& settings) {
    if (!settings.ip.isEmpty()) {
        CTcpIpClient client;
        client.SetConnectTimeout(settings.connectTimeoutMs);
        client.SetSendTimeout(settings.connectTimeoutMs * 10);
        const QString address = settings.ip + u':' + QString::number(settings.port);
        if (!client.Connect(settings.ip, settings.port))
            return {TPrintOutcome::NoConnection, address};
        const int sent = client.Send(printText.constData(), int(printText.size()));
        client.ShutdownSend();
        if (sent != printText.size())
            return {TPrintOutcome::NoConnection, address};
        return {};
    }
    const QString device = ResolvePrintDevice(settings.prn);
    if (device.isEmpty())
        return {TPrintOutcome::NoDevice, settings.prn};
    const QByteArray bytes = settings.graphics ? DotGraphics(printText, settings.font) : printText;
    if (device.startsWith(QLatin1String("cups:")))
        return ToCups(device.mid(5), bytes);
    // The device must exist: it is never created.
    const int fd =
        ::open(QFile::encodeName(device).constData(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {TPrintOutcome::NoDevice, device};
    const bool written = WriteAll(fd, bytes);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed)
        return {TPrintOutcome::NoDevice, device};
    return {};
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
