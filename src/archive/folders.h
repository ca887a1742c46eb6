#pragma once

#include <QDateTime>
#include <QString>

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
    // A day was started: date pickers to today, lists and queue refilled.
    virtual void DayStarted() = 0;
};

// The three working folders (received, outgoing, protocol), their day
// folders, and the removal of old files.
class TArchiveFolders {
public:
    TArchiveFolders(const _tlg_config& config, _tlg_status& status, TProtocol& protocol,
                    IClock& clock, IFolderHost* host = nullptr);

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

    // Day folders, day text, the day's protocol file, cleanup, lists.
    void StartDay(const QString& dayText);

    // Removes old files from the three folders by their age settings.
    void CleanupOldFiles();

    // Deletes, in base and its four-character day folders, what is older than
    // days days: files lying in base whatever their name, files in the day
    // folders when they match mask. Returns the number of attempted deletions.
    int CleanFolder(const QString& base, int days, const QString& mask);

    // Whether cleanup may work in a folder at all: never the root, the home
    // folder, the program folder or anything above them.
    static bool SafeToClean(const QString& absoluteFolder);

private:
    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;
    IClock& clock_;
    IFolderHost* host_;
};
