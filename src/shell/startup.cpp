#include "shell/startup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

QString CInstanceLock::LockPathFor(const QString& mutexName) {
    QString name = mutexName;
    name.replace(u'/', u'_');
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + u'/' + name + QStringLiteral(".lock");
    return QStringLiteral("/tmp/") + name + u'-' + QString::number(getuid()) +
           QStringLiteral(".lock");
}

bool CInstanceLock::Acquire(const QString& mutexName) {
    Release();
    path_ = LockPathFor(mutexName);
    fd_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return false;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void CInstanceLock::Release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
