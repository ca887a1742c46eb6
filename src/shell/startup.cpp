#include "shell/startup.h"

#include "shell/version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

bool usableFolder(const QString& path, bool create) {
    if (!create)
        return !path.isEmpty() && QFileInfo(path).isDir();
    if (path.isEmpty() || !QDir().mkpath(path))
        return false;
    return QFileInfo(path).isWritable();
}

QString notFound(const QString& path) {
    return QStringLiteral("Folder not found: ") + withSlash(path);
}

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
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
        } else if (lower == u"--register") {
            options.Register = true;
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(u'-'))
                options.RegisterDay = arguments[++i];
        } else if (lower == u"--csv" || lower == u"--pdf") {
            options.Register = true;
            if (i + 1 < arguments.size())
                (lower == u"--csv" ? options.RegisterCsv : options.RegisterPdf) = arguments[++i];
        }
    }
    return options;
}

QString UsageText() {
    return QStringLiteral(
        "Usage: tarvo [-i FILE] [-t TITLE] [-n NAME]\n"
        "       tarvo [-i FILE] [-t TITLE] --register [DAY] [--csv FILE] [--pdf FILE]\n"
        "TARVO/COM: the workstation of a telegraph operator attached to a message\n"
        "switching centre over TCP/IP or a serial telegraph line.\n"
        "\n"
        "  -i FILE, -c FILE  the settings file instead of korvel.ini in the program\n"
        "                    folder; a file that does not exist yet starts from the\n"
        "                    settings of the program folder's korvel.ini\n"
        "  -t TITLE          the window title instead of TARVO/COM\n"
        "  -n NAME           the instance name: copies with different names run side\n"
        "                    by side, a second copy of the same name is refused\n"
        "  --register [DAY]  write the register of a day (the working day when DAY\n"
        "                    is left out; DAY as the day folders name it, 0130) to\n"
        "                    the files below, without a window, and exit: nothing\n"
        "                    else is printed on success; a day not in the archive or\n"
        "                    a file that cannot be written is one line on standard\n"
        "                    error and exit status 1. It needs no display, runs\n"
        "                    beside a running workstation and writes nothing into\n"
        "                    the program folder\n"
        "  --csv FILE        the register as CSV (UTF-8, \";\" between fields)\n"
        "  --pdf FILE        the register as a PDF document (A4); either of the two\n"
        "                    alone means --register too\n"
        "  --help            print this text and exit\n"
        "  --version         print the version and exit\n"
        "\n"
        "Options are compared without regard to case. A value is the rest of the\n"
        "option's argument (-tNorth) or else the next argument. Other arguments are\n"
        "ignored.\n"
        "\n"
        "The program folder holds korvel.ini, alarm.wav and by default the folders\n"
        "inp/, out/ and prt/; it becomes the current folder. It is $TARVO_HOME when\n"
        "set, else the folder for every account that ProgramFolder names in\n"
        "/etc/tarvo-com/tarvo-com.conf, else the executable's folder when that is\n"
        "writable and the program is not installed, else $XDG_DATA_HOME/tarvo-com\n"
        "(~/.local/share/tarvo-com). See tarvo(1).\n"
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
    if (options.Register) {
        preflight.registerOnly = true;
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

QStringList SeedProgramFolder(const QString& programFolder, const QString& dataFolder,
                              bool shared) {
    QStringList made;
    if (programFolder.isEmpty())
        return made;
    QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner;
    if (shared)
        mode |= QFile::ReadGroup | QFile::WriteGroup;
    for (const QString& name : {QString::fromLatin1(kIniFileName), QStringLiteral("alarm.wav")}) {
        const QString source = dataFolder.isEmpty() ? QString() : QDir(dataFolder).filePath(name);
        const QString target = QDir(programFolder).filePath(name);
        // QFile::copy never replaces an existing target.
        if (!source.isEmpty() && QFileInfo(source).isFile() && !QFileInfo::exists(target) &&
            QFile::copy(source, target)) {
            // The copy of a read-only installed file must stay writable.
            QFile::setPermissions(target, mode);
            made << name;
        }
    }
    const QString ini = QDir(programFolder).filePath(QString::fromLatin1(kIniFileName));
    QFile empty(ini);
    // An empty settings file means the defaults, as a missing one does.
    if (shared && !QFileInfo::exists(ini) &&
        empty.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        empty.close();
        QFile::setPermissions(ini, mode);
        made << QString::fromLatin1(kIniFileName);
    }
    return made;
}

QString SystemConfigFile(const QString& executableFolder) {
    if (InstalledDataFolder(executableFolder).isEmpty())
        return QString();
    const QString prefix =
        QDir::cleanPath(QDir(executableFolder).absoluteFilePath(QStringLiteral("..")));
    // /usr keeps its settings in /etc, as a package's do; a root unpacked
    // elsewhere keeps them beside its usr/.
    const QString etc = QFileInfo(prefix).fileName() == QLatin1String("usr")
                            ? prefix + QStringLiteral("/../etc")
                            : prefix + QStringLiteral("/etc");
    return QDir::cleanPath(etc + QStringLiteral("/tarvo-com/tarvo-com.conf"));
}

SystemConfig ReadSystemConfig(const QString& path) {
    SystemConfig config;
    if (path.isEmpty())
        return config;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        // A file that cannot be looked at may hold a folder: never guessed away.
        if (errno != ENOENT && errno != ENOTDIR)
            config.error = path + QStringLiteral(": ") + errnoText();
        return config;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        config.error = path + QStringLiteral(": ") + file.errorString();
        return config;
    }
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        const QString value = line.mid(equals + 1).trimmed();
        const QString where = path + QStringLiteral(", line ") + QString::number(number);
        if (equals < 0 || line.left(equals).trimmed().compare(QLatin1String("ProgramFolder"),
                                                              Qt::CaseInsensitive) != 0) {
            return {QString(), where + QStringLiteral(": no setting of this program: ") + line};
        }
        if (!value.isEmpty() && !value.startsWith(u'/'))
            return {QString(),
                    where + QStringLiteral(": ProgramFolder is no absolute folder: ") + value};
        config.programFolder = value;
    }
    return config;
}

ProgramFolder ResolveProgramFolder(const QString& executableFolder, bool create) {
    ProgramFolder folder;
    const QString home = qEnvironmentVariable("TARVO_HOME");
    if (!home.isEmpty()) {
        if (usableFolder(home, create))
            folder.path = withSlash(QDir(home).absolutePath());
        else
            folder.error = notFound(home);
        return folder;
    }

    const QString conf = SystemConfigFile(executableFolder);
    const SystemConfig system = ReadSystemConfig(conf);
    if (!system.error.isEmpty()) {
        folder.error = system.error;
        return folder;
    }
    if (!system.programFolder.isEmpty()) {
        folder.shared = true;
        const QString path = withSlash(QDir::cleanPath(system.programFolder));
        const QString setting = QStringLiteral(" (ProgramFolder in ") + conf + u')';
        if (!QFileInfo(path).isDir())
            folder.error = notFound(path) + setting;
        else if (::access(QFile::encodeName(path).constData(), R_OK | W_OK | X_OK) != 0)
            folder.error = QStringLiteral("No write access to the folder ") + path + setting +
                           QStringLiteral(": ") + errnoText() +
                           QStringLiteral(". The operator's account must be in its group.");
        else
            folder.path = path;
        return folder;
    }

    if (!executableFolder.isEmpty() && QFileInfo(executableFolder).isWritable() &&
        InstalledDataFolder(executableFolder).isEmpty()) {
        folder.path = withSlash(QDir(executableFolder).absolutePath());
        return folder;
    }
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    const QString own = data + QStringLiteral("/tarvo-com");
    if (usableFolder(own, create))
        folder.path = withSlash(own);
    else
        folder.error = notFound(own);
    return folder;
}

void LetGroupWriteNewFiles() {
    const mode_t old = ::umask(0);
    ::umask(old & ~mode_t(S_IRWXG));
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

CInstanceLock::Result CInstanceLock::Acquire(const QString& mutexName, const QString& lockFolder) {
    Release();
    // Readable by all, so that a shared folder without its set-group-ID bit
    // still keeps one operator at a time rather than none.
    if (!lockFolder.isEmpty())
        return AcquireAt(withSlash(lockFolder) + lockName(mutexName) + QStringLiteral(".lock"),
                         0664);
    const QString first = LockPathFor(mutexName);
    const Result result = AcquireAt(first, 0600);
    const QString fallback = FallbackLockPath(mutexName);
    if (result != Result::Unavailable || first == fallback)
        return result;
    return AcquireAt(fallback, 0600);
}

CInstanceLock::Result CInstanceLock::AcquireAt(const QString& path, int mode) {
    path_ = path;
    error_.clear();
    // flock needs no write access: a lock file another account made locks
    // as well as our own.
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                 mode_t(mode));
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd_);
        fd_ = -1;
        errno = EISDIR;
    }
    if (fd_ < 0) {
        error_ = errnoText();
        return Result::Unavailable;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        if (!held)
            error_ = errnoText();
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
