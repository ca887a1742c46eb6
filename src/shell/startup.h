#pragma once

#include <QString>
#include <QStringList>

// What the entry routine works out before any window exists: the program
// folder, the command line and the single-instance lock.

inline constexpr const char* kIniFileName = "korvel.ini";

struct StartOptions {
    QString AppTitle = QStringLiteral("TARVO/COM");
    QString MutexName = QStringLiteral("KORVEL_COM");
    QString InstanceName;
    QString IniPath;  // program folder + korvel.ini unless -i/-c gave one
};

// Options, examined in order and compared without regard to case:
//   -i/-c <path>  settings file (case kept: Linux file names are case-sensitive)
//   -t <title>    window title
//   -n <name>     instance: lower-cased onto MutexName; InstanceName is the
//                 value, lower-cased only when it was attached to "-n"
// A value is the rest of the same argument or, when that is empty, the next
// argument, which is then consumed. Anything else is ignored.
StartOptions ParseCommandLine(const QStringList& arguments, const QString& programFolder);

// The folder that holds korvel.ini and, by default, inp/, out/ and prt/:
// $TARVO_HOME when set; else the executable's folder when writable; else
// $XDG_DATA_HOME/tarvo-com (~/.local/share/tarvo-com). Created when missing.
// Always ends with "/". Empty when no candidate can be created.
QString ResolveProgramFolder(const QString& executableFolder);

// The single-instance lock: an exclusive flock on a file named after the
// mutex name in $XDG_RUNTIME_DIR, or /tmp/<name>-<uid>.lock without it. The
// kernel releases it when the process ends, however it ends.
class CInstanceLock {
public:
    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // False when another process holds the lock of that name.
    bool Acquire(const QString& mutexName);
    void Release();
    QString LockPath() const { return path_; }

    static QString LockPathFor(const QString& mutexName);

private:
    int fd_ = -1;
    QString path_;
};
