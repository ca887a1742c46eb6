#include "shell/startup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// The value of an option: the rest of the argument, else the next argument.
// Returns false when neither holds one.
bool optionValue(const QStringList& args, qsizetype& i, QString* value, bool* attached) {
    const QString rest = args[i].mid(2);
    if (!rest.isEmpty()) {
        *value = rest;
        *attached = true;
        return true;
    }
    if (i + 1 < args.size()) {
        *value = args[++i];
        *attached = false;
        return true;
    }
    return false;
}

QString withSlash(QString path) {
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

bool usableFolder(const QString& path) {
    if (path.isEmpty() || !QDir().mkpath(path))
        return false;
    return QFileInfo(path).isWritable();
}

}  // namespace

StartOptions ParseCommandLine(const QStringList& arguments, const QString& programFolder) {
    StartOptions options;
    options.IniPath = withSlash(programFolder) + QLatin1String(kIniFileName);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString lower = arguments[i].toLower();
        QString value;
        bool attached = false;
        if (lower.startsWith(u"-i") || lower.startsWith(u"-c")) {
            if (optionValue(arguments, i, &value, &attached))
                options.IniPath = value;
        } else if (lower.startsWith(u"-t")) {
            if (optionValue(arguments, i, &value, &attached))
                options.AppTitle = value;
        } else if (lower.startsWith(u"-n")) {
            if (optionValue(arguments, i, &value, &attached)) {
                options.MutexName += value.toLower();
                options.InstanceName = attached ? value.toLower() : value;
            }
        }
    }
    return options;
}

QString ResolveProgramFolder(const QString& executableFolder) {
    const QString home = qEnvironmentVariable("TARVO_HOME");
    if (!home.isEmpty())
        return usableFolder(home) ? withSlash(QDir(home).absolutePath()) : QString();
    if (!executableFolder.isEmpty() && QFileInfo(executableFolder).isWritable())
        return withSlash(QDir(executableFolder).absolutePath());
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = data + QStringLiteral("/tarvo-com");
    return usableFolder(folder) ? withSlash(folder) : QString();
}

CInstanceLock::~CInstanceLock() {
    Release();
}

namespace {

QString lockName(const QString& mutexName) {
    QString name = mutexName;
    name.replace(u'/', u'_');
    return name;
}

}  // namespace

QString CInstanceLock::LockPathFor(const QString& mutexName) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + u'/' + lockName(mutexName) + QStringLiteral(".lock");
    return FallbackLockPath(mutexName);
}

QString CInstanceLock::FallbackLockPath(const QString& mutexName) {
    return QStringLiteral("/tmp/") + lockName(mutexName) + u'-' + QString::number(getuid()) +
           QStringLiteral(".lock");
}

CInstanceLock::Result CInstanceLock::Acquire(const QString& mutexName) {
    Release();
    const QString first = LockPathFor(mutexName);
    const Result result = AcquireAt(first);
    const QString fallback = FallbackLockPath(mutexName);
    if (result != Result::Unavailable || first == fallback)
        return result;
    return AcquireAt(fallback);
}

CInstanceLock::Result CInstanceLock::AcquireAt(const QString& path) {
    path_ = path;
    error_.clear();
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return Result::Unavailable;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        if (!held)
            error_ = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd_);
        fd_ = -1;
        return held ? Result::Held : Result::Unavailable;
    }
    return Result::Acquired;
}

void CInstanceLock::Release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
