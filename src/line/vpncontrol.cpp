#include "line/vpncontrol.h"

#include "util/boundedprocess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>

namespace {

constexpr int kTextLimit = 256;
// nmcli is told to wait 60 s for the activation; it gets a little more to say so.
constexpr int kDialWaitSeconds = 60;
constexpr int kDialBoundMs = (kDialWaitSeconds + 15) * 1000;
constexpr int kQueryBoundMs = 10000;
constexpr int kHangUpBoundMs = 20000;
// nmcli's own code for "Timeout expired".
constexpr quint32 kTimeoutCode = 3;

QString Cut(const QString& text) {
    return text.left(kTextLimit);
}

// A value in the passwd-file ends at the line's end.
QString OneLine(const QString& text) {
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return end < 0 ? text : text.left(end);
}

}  // namespace

CVPNControl::CVPNControl(QString program, int cacheMs)
    : program_(std::move(program)), cacheMs_(cacheMs) {}

CVPNControl::~CVPNControl() {
    // Destroyed as the line thread goes: NetworkManager takes the connection
    // down in its own time.
    if (!connection_.isEmpty())
        StartDetachedInCLocale(program_, {QStringLiteral("connection"), QStringLiteral("down"),
                                          QStringLiteral("id"), connection_});
}

void CVPNControl::SetCredentials(const QString& entry, const QString& user,
                                 const QString& password) {
    if (Cut(entry) != entryName_) {
        // Once the name has changed the held profile would be neither found
        // nor hung up: it would stay up beside the new one, or keep the new
        // one from being dialled as another connection.
        HangUp();
        Forget();
    }
    entryName_ = Cut(entry);
    userName_ = Cut(user);
    password_ = Cut(password);
}

void CVPNControl::SetInterruption(std::function<bool()> stopRequested) {
    stop_ = std::move(stopRequested);
}

QStringList CVPNControl::TerseFields(QStringView line) {
    QStringList fields;
    QString field;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'\\' && i + 1 < line.size()) {
            field += line[++i];
        } else if (c == u':') {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

bool CVPNControl::IsDialUpType(QStringView type) {
    static const QStringList kTypes = {QStringLiteral("vpn"),  QStringLiteral("wireguard"),
                                       QStringLiteral("pppoe"), QStringLiteral("gsm"),
                                       QStringLiteral("cdma"), QStringLiteral("bluetooth")};
    return kTypes.contains(type.toString());
}

bool CVPNControl::Run(const QStringList& args, int timeoutMs, const std::function<bool()>& stop,
                      QByteArray* out) {
    errorText_.clear();
    const TProcessResult r = RunBounded(program_, args, timeoutMs, stop);
    if (out)
        *out = r.out;
    if (!r.started) {
        lastError_ = quint32(-1);
        errorText_ = Cut(program_ + QStringLiteral(": ") + r.startError);
        return false;
    }
    if (!r.finished) {
        lastError_ = kTimeoutCode;
        if (!r.interrupted)
            errorText_ = Cut(QStringLiteral("Error: no answer from nmcli in %1 s.")
                                 .arg(timeoutMs / 1000));
        return false;
    }
    lastError_ = quint32(r.exitCode);
    if (r.exitCode == 0)
        return true;
    // nmcli says what went wrong on a line of its own.
    for (const QByteArray& line : r.err.split('\n')) {
        if (line.startsWith("Error: ")) {
            errorText_ = Cut(QString::fromUtf8(line).trimmed());
            break;
        }
    }
    return false;
}

bool CVPNControl::ListActive(QList<ActiveConnection>& list) {
    QByteArray out;
    if (!Run({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME,TYPE,STATE"),
              QStringLiteral("connection"), QStringLiteral("show"), QStringLiteral("--active")},
             kQueryBoundMs, stop_, &out))
        return false;
    for (const QByteArray& line : out.split('\n')) {
        const QStringList f = TerseFields(QString::fromUtf8(line));
        if (f.size() >= 3 && !f[0].isEmpty())
            list.append({f[0], f[1], f[2]});
    }
    return true;
}

bool CVPNControl::IsUp() {
    if (cacheValid_ && cacheAge_.isValid() && cacheAge_.elapsed() < cacheMs_)
        return cachedUp_;
    QList<ActiveConnection> active;
    const bool listed = ListActive(active);
    const ActiveConnection* mine = nullptr;
    for (const ActiveConnection& c : active)
        if (c.name == entryName_)
            mine = &c;
    if (!listed) {
        // A failed query is a connection that is not up.
        connection_.clear();
    } else if (connection_.isEmpty()) {
        // Brought up by the operator outside the program: from now on it is
        // ours to hang up, like one we dialled.
        if (mine && mine->state != QLatin1String("deactivated"))
            connection_ = entryName_;
    } else if (!mine || mine->state == QLatin1String("deactivated")) {
        connection_.clear();
    }
    // Only an answer nmcli gave is kept; a failed query is asked again.
    cacheValid_ = listed && !Stopping();
    cachedUp_ = !connection_.isEmpty();
    cacheAge_.start();
    return cachedUp_;
}

bool CVPNControl::OtherActive() {
    QList<ActiveConnection> active;
    if (!ListActive(active))
        return false;
    for (const ActiveConnection& c : active)
        if (IsDialUpType(c.type) && c.name != entryName_)
            return true;
    return false;
}

QString CVPNControl::WritePasswordFile() const {
    if (userName_.isEmpty() && password_.isEmpty())
        return {};
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    QByteArray path = QFile::encodeName(folder + QStringLiteral("/tarvo-vpn-XXXXXX"));
    // mkstemp makes the file readable and writable by us alone.
    const int fd = ::mkstemp(path.data());
    if (fd < 0)
        return {};
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    // Each profile type asks for its own secrets; nmcli answers only what is
    // asked, so one file serves them all.
    QByteArray text;
    const QByteArray password = OneLine(password_).toUtf8();
    const QByteArray user = OneLine(userName_).toUtf8();
    if (!user.isEmpty())
        text += "vpn.secrets.username:" + user + '\n';
    if (!password.isEmpty()) {
        for (const char* key : {"vpn.secrets.password", "pppoe.password", "gsm.password",
                                "cdma.password"})
            text += QByteArray(key) + ':' + password + '\n';
    }
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    const QString name = QFile::decodeName(path);
    if (done != text.size()) {
        QFile::remove(name);
        return {};
    }
    return name;
}

bool CVPNControl::Dial(const std::function<bool()>& stopRequested) {
    Forget();
    if (!connection_.isEmpty()) {
        HangUp();
        const QDeadlineTimer pause(1000);
        while (!pause.hasExpired() && !stopRequested())
            QThread::msleep(20);
    }
    if (stopRequested())
        return false;
    QStringList args = {QStringLiteral("--wait"), QString::number(kDialWaitSeconds),
                        QStringLiteral("connection"), QStringLiteral("up"), QStringLiteral("id"),
                        entryName_};
    // The credentials never go on the command line: other users can read it.
    const QString passwords = WritePasswordFile();
    if (!passwords.isEmpty())
        args << QStringLiteral("passwd-file") << passwords;
    const bool dialled = Run(args, kDialBoundMs, stopRequested);
    if (!passwords.isEmpty())
        QFile::remove(passwords);
    if (!dialled)
        return false;
    connection_ = entryName_;
    return true;
}

void CVPNControl::HangUp() {
    if (connection_.isEmpty())
        return;
    Forget();
    const QString name = connection_;
    connection_.clear();
    const bool down = Run({QStringLiteral("connection"), QStringLiteral("down"),
                           QStringLiteral("id"), name},
                          kHangUpBoundMs, stop_);
    // Left half-way by a stop: NetworkManager finishes it without us.
    if (!down && Stopping())
        StartDetachedInCLocale(program_, {QStringLiteral("connection"), QStringLiteral("down"),
                                          QStringLiteral("id"), name});
}

QString CVPNControl::ErrorText() {
    if (!errorText_.isEmpty())
        return errorText_;
    return QStringLiteral("Undefined RAS Error (%1).").arg(qint64(lastError_));
}

QString CVPNControl::Unavailable() {
    const bool found = program_.contains(u'/') ? QFileInfo(program_).isExecutable()
                                               : !QStandardPaths::findExecutable(program_).isEmpty();
    if (!found)
        return QStringLiteral("NMCLI НЕ НАЙДЕН");
    QByteArray out;
    if (!Run({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("RUNNING"),
              QStringLiteral("general"), QStringLiteral("status")},
             kQueryBoundMs, stop_, &out) ||
        out.trimmed() != "running")
        return QStringLiteral("NETWORKMANAGER НЕ ЗАПУЩЕН");
    return {};
}

void CVPNControl::ListEntries(QStringList& list) {
    list.clear();
    QByteArray out;
    if (!Run({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME,TYPE"),
              QStringLiteral("connection"), QStringLiteral("show")},
             kQueryBoundMs, stop_, &out))
        return;
    for (const QByteArray& line : out.split('\n')) {
        const QStringList f = TerseFields(QString::fromUtf8(line));
        if (f.size() >= 2 && !f[0].isEmpty() && IsDialUpType(f[1]))
            list.append(f[0]);
    }
}
