#include "shell/startup.h"

#include "shell/version.h"

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
        } else if (lower == u"--help") {
            options.Help = true;
        } else if (lower == u"--version") {
            options.Version = true;
        }
    }
    return options;
}

QString UsageText() {
    return QStringLiteral(
        "Usage: tarvo [-i FILE] [-t TITLE] [-n NAME]\n"
        "TARVO/COM: the workstation of a telegraph operator attached to a message\n"
        "switching centre over TCP/IP or a serial telegraph line.\n"
        "\n"
        "  -i FILE, -c FILE  the settings file instead of korvel.ini in the program\n"
        "                    folder; a file that does not exist yet starts from the\n"
        "                    settings of the program folder's korvel.ini\n"
        "  -t TITLE          the window title instead of TARVO/COM\n"
        "  -n NAME           the instance name: copies with different names run side\n"
        "                    by side, a second copy of the same name is refused\n"
        "  --help            print this text and exit\n"
        "  --version         print the version and exit\n"
        "\n"
        "Options are compared without regard to case. A value is the rest of the\n"
        "option's argument (-tNorth) or else the next argument. Other arguments are\n"
        "ignored.\n"
        "\n"
        "The program folder holds korvel.ini, alarm.wav and by default the folders\n"
        "inp/, out/ and prt/; it becomes the current folder. It is $TARVO_HOME when\n"
        "set, else the executable's folder when that is writable and the program is\n"
        "not installed, else $XDG_DATA_HOME/tarvo-com (~/.local/share/tarvo-com).\n"
        "A new program folder gets the installed korvel.ini and alarm.wav of\n"
        "/usr/share/tarvo-com.\n"
        "\n"
        "The workstation needs a desktop session (X11 or Wayland). A serial adapter\n"
        "is opened by members of the group dialout.\n");
}

QString VersionLine() {
    return QStringLiteral("tarvo (TARVO/COM) ") + VersionNumber() + u'\n';
}

bool HasDisplay(const QStringList& arguments) {
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    // QApplication takes "-platform NAME" over the environment.
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == u"-platform")
            platform = arguments[i + 1];
    }
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.isEmpty())
        return x11 || wayland;
    // A list such as "wayland;xcb" is tried in order: one usable entry will do.
    for (const QString& entry : platform.split(u';', Qt::SkipEmptyParts)) {
        const QString name = entry.section(u':', 0, 0).trimmed().toLower();
        if (name == u"xcb") {
            if (x11)
                return true;
        } else if (name.startsWith(u"wayland")) {
            if (wayland)
                return true;
        } else if (!name.isEmpty()) {
            return true;
        }
    }
    return false;
}

Preflight CheckBeforeStart(const QStringList& arguments) {
    Preflight preflight;
    const StartOptions options = ParseCommandLine(arguments, QString());
    if (options.Help || options.Version) {
        preflight.exit = true;
        preflight.out = options.Help ? UsageText() : VersionLine();
        return preflight;
    }
    if (!HasDisplay(arguments)) {
        preflight.exit = true;
        preflight.code = 1;
        preflight.err = QStringLiteral(
            "tarvo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): the workstation "
            "needs a desktop session\n");
    }
    return preflight;
}

QString InstalledDataFolder(const QString& executableFolder) {
    if (executableFolder.isEmpty())
        return QString();
    const QString data = QDir::cleanPath(
        QDir(executableFolder).absoluteFilePath(QStringLiteral("../share/tarvo-com")));
    return QFileInfo(data).isDir() ? withSlash(data) : QString();
}

QStringList SeedProgramFolder(const QString& programFolder, const QString& dataFolder) {
    QStringList copied;
    if (programFolder.isEmpty() || dataFolder.isEmpty())
        return copied;
    for (const QString& name : {QString::fromLatin1(kIniFileName), QStringLiteral("alarm.wav")}) {
        const QString source = QDir(dataFolder).filePath(name);
        const QString target = QDir(programFolder).filePath(name);
        // QFile::copy never replaces an existing target.
        if (QFileInfo(source).isFile() && !QFileInfo::exists(target) &&
            QFile::copy(source, target)) {
            // The copy of a read-only installed file must stay writable.
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
            copied << name;
        }
    }
    return copied;
}

QString ResolveProgramFolder(const QString& executableFolder) {
    const QString home = qEnvironmentVariable("TARVO_HOME");
    if (!home.isEmpty())
        return usableFolder(home) ? withSlash(QDir(home).absolutePath()) : QString();
    if (!executableFolder.isEmpty() && QFileInfo(executableFolder).isWritable() &&
        InstalledDataFolder(executableFolder).isEmpty())
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
