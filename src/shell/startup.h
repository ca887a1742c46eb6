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
    QString IniPath;       // program folder + korvel.ini unless -i/-c gave one
    bool Help = false;     // "--help": print the usage and end
    bool Version = false;  // "--version": print the version and end
    // "--register [DAY]", "--csv FILE", "--pdf FILE": the day's register
    // written to files, without a window (either file option alone means it
    // too). DAY is named as the day folders name it; empty: the working day.
    bool Register = false;
    QString RegisterDay;
    QString RegisterCsv;
    QString RegisterPdf;
};

// Options, examined in order and compared without regard to case:
//   -i/-c <path>  settings file (case kept: Linux file names are case-sensitive)
//   -t <title>    window title
//   -n <name>     instance: lower-cased onto MutexName; InstanceName is the
//                 value, lower-cased only when it was attached to "-n"
// A value is the rest of the same argument or, when that is empty, the next
// argument, which is then consumed. "--help" and "--version" (not consumed
// as a value) set Help and Version. "--register" takes the next argument as
// its day unless that starts with "-"; "--csv" and "--pdf" take the next
// argument. Anything else is ignored.
StartOptions ParseCommandLine(const QStringList& arguments, const QString& programFolder);

// What is settled before the application object exists: --help and
// --version print and end the program, and without a display it cannot
// start at all (Qt would abort in its platform plugin). exit false: go on.
struct Preflight {
    bool exit = false;
    int code = 0;
    QString out;  // for standard output
    QString err;  // for standard error
    // The register's files: no display needed.
    bool registerOnly = false;
};
Preflight CheckBeforeStart(const QStringList& arguments);

// The text of --help and the line of --version.
QString UsageText();
QString VersionLine();

// Whether Qt can find a display: $QT_QPA_PLATFORM (or a "-platform" argument)
// naming a platform that needs none (offscreen, vnc, eglfs, ...), else an X
// display in $DISPLAY or a Wayland one in $WAYLAND_DISPLAY.
bool HasDisplay(const QStringList& arguments);

// The system-wide settings of an installed program: tarvo-com.conf in the
// etc/tarvo-com folder of its installation (/etc/tarvo-com for a program in
// /usr/bin; <root>/etc for <root>/usr/bin; <prefix>/etc for any other
// <prefix>/bin). Empty for a copy that is not installed. No environment
// variable moves it: only the administrator's file decides.
QString SystemConfigFile(const QString& executableFolder);

// What the system-wide settings say. One setting, "ProgramFolder=<absolute
// folder>": the program folder of every account on the machine. Blank lines
// and lines starting with "#" do not count; anything else is an error, so
// that a mistyped line cannot quietly give each operator a folder of their own.
struct SystemConfig {
    QString programFolder;  // empty: each account has its own
    QString error;          // empty when the file is missing or sound
};
SystemConfig ReadSystemConfig(const QString& path);

// The folder that holds korvel.ini and, by default, inp/, out/ and prt/, in
// this order: $TARVO_HOME when set; the shared folder that the system-wide
// settings name (never created here: it is the administrator's); the
// executable's folder when writable (a portable copy) and not an installed
// program; $XDG_DATA_HOME/tarvo-com (~/.local/share/tarvo-com). The last
// two are created when missing, unless create is false (a reader of the
// archive, which must leave no trace): then a missing one is an error.
struct ProgramFolder {
    QString path;         // ends with "/"; empty when it cannot be used
    bool shared = false;  // the folder of every account on the machine
    QString error;        // why path is empty, for the operator
};
ProgramFolder ResolveProgramFolder(const QString& executableFolder, bool create = true);

// In a shared folder every file and folder the program makes must stay
// writable for the group, whoever made it: the group bits leave the umask.
void LetGroupWriteNewFiles();

// The shared data of an installed program, "<prefix>/share/tarvo-com/" beside
// "<prefix>/bin"; empty for a copy that is not installed. An installed
// program never keeps its settings in its executable's folder, even when
// that is writable (root may write /usr/bin).
QString InstalledDataFolder(const QString& executableFolder);

// A new program folder starts from the installed defaults: korvel.ini and
// alarm.wav of the data folder are copied into it when it has none. Files
// already there are never touched. The copies are the owner's alone, or the
// group's too in a shared folder, where a korvel.ini is made even without
// an installed one: the settings file keeps the mode it was first given, and
// the next operator must be able to write its counters. Returns the names
// made.
QStringList SeedProgramFolder(const QString& programFolder, const QString& dataFolder,
                              bool shared = false);

// The single-instance lock: an exclusive flock on a file named after the
// mutex name in $XDG_RUNTIME_DIR, or /tmp/<name>-<uid>.lock without it (or
// when the file cannot be made there: a runtime folder of another user after
// su). A shared program folder holds the lock itself, so that it holds
// across accounts; there is no fallback then. The kernel releases it when the
// process ends, however it ends.
class CInstanceLock {
public:
    enum class Result {
        Acquired,
        Held,         // another process holds the lock of that name
        Unavailable,  // no lock file could be made or opened
    };

    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // lockFolder: the shared program folder, or empty for the account's own.
    Result Acquire(const QString& mutexName, const QString& lockFolder = {});
    void Release();
    // The file locked, or after a failure the last one tried.
    QString LockPath() const { return path_; }
    // Why the last lock file could not be opened (strerror), empty otherwise.
    QString Error() const { return error_; }

    // Where the lock is looked for first, and the fallback in /tmp.
    static QString LockPathFor(const QString& mutexName);
    static QString FallbackLockPath(const QString& mutexName);

private:
    Result AcquireAt(const QString& path, int mode);

    int fd_ = -1;
    QString path_;
    QString error_;
};
