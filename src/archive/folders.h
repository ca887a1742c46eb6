#pragma once

#include <QDateTime>
#include <QString>

#include <atomic>
#include <memory>

class QObject;
class QThread;

class IClock;
class TProtocol;
struct _tlg_config;
struct _tlg_status;

// What the folder checks and the day start need from the operator's side
// and from the exchange.
class IFolderHost {
public:
    virtual ~IFolderHost() = default;
    // A message box "Error" with the text.
    virtual void ShowFolderError(const QString& text) = 0;
    // A working folder is missing: manual mode, and КГ2 when connected.
    virtual void FoldersUnavailable() = 0;
    // A day starts: the date pickers of the protocol, received and sent
    // pages go to it (before the day's protocol file is taken up).
    virtual void DayPickersToToday() = 0;
    // A day was started: lists and queue refilled.
    virtual void DayStarted() = 0;
};

// The three working folders (received, outgoing, protocol), their day
// folders, and the removal of old files.
class TArchiveFolders {
public:
    TArchiveFolders(const _tlg_config& config, _tlg_status& status, TProtocol& protocol,
                    IClock& clock, IFolderHost* host = nullptr);
    ~TArchiveFolders();
    TArchiveFolders(const TArchiveFolders&) = delete;
    TArchiveFolders& operator=(const TArchiveFolders&) = delete;

    void SetHost(IFolderHost* host) { host_ = host; }

    // A configured folder as an absolute path ending in "/": relative
    // settings resolve against the current (program) folder.
    static QString AbsoluteFolder(const QString& configured);

    // Empty when the folder exists or could be made, else the error text
    // "Folder not found: " + path + purpose.
    static QString EnsureFolder(const QString& configured, const QString& purpose);

    // inp, out and prt in turn; the first missing one is reported, the
    // exchange goes manual, and false is returned.
    bool CheckFolders();

    // Day folders, day text, the date pickers, the day's protocol file,
    // cleanup (started on a thread of its own), lists; the date text
    // ("dd/mm") comes from the working day's date.
    void StartDay(const QString& dayText, QDate workingDay);
    // The working day's folders below inp and out (after the folders were
    // changed while the day runs).
    void MakeDayFolders() const;

    // Removes old files from the three folders by their age settings, and
    // logs what it did, before it returns.
    void CleanupOldFiles();
    // The same on a thread of its own, so that a large archive holds up
    // neither the start nor a midnight; its lines reach the protocol when it
    // is done. A cleanup still running is not started twice.
    void StartCleanup();
    // Whether a cleanup started by StartCleanup still runs.
    bool CleanupRunning() const;
    // Asks a running cleanup to stop and waits for it.
    void StopCleanup();

private:
    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;
    IClock& clock_;
    IFolderHost* host_;

    // The cleanup on its thread: the thread, what the GUI thread's side of it
    // lives in, what it found, and its stop request.
    struct TCleanupRun;
    void LogCleanup();
    std::unique_ptr<QThread> cleanup_;
    std::unique_ptr<QObject> cleanupContext_;
    std::shared_ptr<TCleanupRun> cleanupRun_;
    std::atomic<bool> cleanupCancel_{false};
};
