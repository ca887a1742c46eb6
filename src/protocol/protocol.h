#pragma once

#include "protocol/protocolfile.h"
#include "util/texttypes.h"

#include <QList>
#include <QString>

// The protocol: the program's event log and its record of the line traffic,
// kept for the working day in memory and mirrored into one file per day.
//
// A line is line code made of segments, each opened by a level marker byte
// (the level's value, 1..7) that the view turns into a colour. Event lines
// (levels 3 and 4) are stamped with TimeText and followed by an empty line;
// traffic (any other level) runs on in the last line, CR shown as '<' and LF
// as '>', which ends the line.

inline constexpr int kProtocolReceived = 1;
inline constexpr int kProtocolTransmitted = 2;
inline constexpr int kProtocolEvent = 3;
inline constexpr int kProtocolError = 4;
inline constexpr int kProtocolFatal = 5;

// Traffic wrap width when wrapping is on.
inline constexpr int kProtocolWrapWidth = 69;
// AddMessage keeps this many characters of a message.
inline constexpr int kProtocolMessageLimit = 2046;

// What the store tells the view that shows it. All calls come on the GUI
// thread, from inside the store's operations.
class IProtocolView {
public:
    virtual ~IProtocolView() = default;
    // Lines were appended to the shown list.
    virtual void LinesAdded() = 0;
    // Only the last line changed.
    virtual void LastLineChanged() = 0;
    // The shown list was replaced: recompute the scroll range, go to the end.
    virtual void ScrollToEnd() = 0;
    virtual void Repaint() = 0;
};

// What the store must show the operator at once.
class IProtocolNotices {
public:
    virtual ~IProtocolNotices() = default;
    // One line for the error window ("Ошибка"), which shows it without blocking.
    virtual void ReportWriteFailure(const QString& text) = 0;
    // A message box: the protocol folder can neither be found nor created.
    virtual void ShowFolderError(const QString& text) = 0;
};

class TProtocol {
public:
    // Starts with "startup.prt" in the current folder, deleting the one a
    // previous run left there.
    TProtocol();
    // Writes the live file.
    ~TProtocol();
    TProtocol(const TProtocol&) = delete;
    TProtocol& operator=(const TProtocol&) = delete;

    // A display text: its first kProtocolMessageLimit characters in line code
    // (a character without a counterpart becomes '?'), then AddText.
    void AddMessage(const QString& text, int level);
    // Adds an event line (levels 3 and 4) or traffic (any other level), writes
    // the live file and tells the view.
    void AddText(const LineText& text, int level);

    // Brings the live file (Folder + FileName) up to date. The first failure
    // of a run of failures is logged and reported; the first success after
    // it logs the recovery. An empty list leaves the file untouched. True
    // when the file is up to date.
    bool WriteFile();
    // Takes over the live file: Lines becomes its lines, or empty when it
    // does not exist. A file that exists but cannot be read is never
    // overwritten: writing it fails until it can be read (its lines then go
    // before those collected meanwhile) or it is gone.
    void ReadFile();

    // Makes path the protocol folder, creating it when missing. A relative
    // path is taken from the current folder; a trailing '/' is added. The
    // list goes to the old folder's file, then the new folder's file is taken
    // over. False, with the folder error shown, when the folder can neither
    // be found nor created; nothing changes then.
    bool SetFolder(const QString& path);
    // Writes the live file, takes over the file name of the protocol folder
    // when it differs, and shows the live list.
    void SetFileName(const QString& name);
    // Shows file name of the protocol folder: the live list for FileName,
    // else that day's file loaded into OtherDay (or a line saying why not).
    void ShowDay(const QString& name);
    // Wraps traffic at kProtocolWrapWidth visible characters when on.
    void SetWrapWidth(bool on);

    // Either may be null (detached). The error window is reported to only
    // while a view is attached, as before the main window exists a failure is
    // only logged.
    void AttachView(IProtocolView* view) { view_ = view; }
    void AttachNotices(IProtocolNotices* notices) { notices_ = notices; }

    const QList<LineText>& Lines() const { return lines_; }
    const QList<LineText>& OtherDay() const { return otherDay_; }
    // The list the view shows: Lines or OtherDay.
    const QList<LineText>& Shown() const { return showsLive_ ? lines_ : otherDay_; }
    bool ShowsLive() const { return showsLive_; }

    // Absolute, ending with '/'.
    const QString& Folder() const { return folder_; }
    const QString& FileName() const { return fileName_; }
    QString LivePath() const { return folder_ + fileName_; }
    int WrapWidth() const { return wrapWidth_; }
    // Consecutive failed writes of the live file.
    int WriteFailures() const { return writeFailures_; }
    IProtocolView* View() const { return view_; }

    // The event lines' time stamp "hh:nn:ss", set by the clock every second.
    const QString& TimeText() const { return timeText_; }
    void SetTimeText(const QString& text) { timeText_ = text; }
    // Line code waiting in the line's send buffer, shown after the last line.
    const LineText& PendingText() const { return pendingText_; }
    void SetPendingText(const LineText& text) { pendingText_ = text; }
    // Selected range of the shown list, -1 for none.
    int SelFirst() const { return selFirst_; }
    int SelLast() const { return selLast_; }
    void SetSelFirst(int index) { selFirst_ = index; }
    void SetSelLast(int index) { selLast_ = index; }

    // How the last write went, for tests and benchmarks.
    const ProtocolFileWriter::Stats& LastWrite() const { return writer_.LastWrite(); }

private:
    void addTraffic(LineText text, int level, int& added);
    void appendLine(const LineText& line);
    void appendEvent(int level, const QString& message);
    bool retryTakeover(const QString& path);
    void notifyLinesAdded();
    void notifyReplaced();

    QList<LineText> lines_;
    QList<LineText> otherDay_;
    IProtocolView* view_ = nullptr;
    IProtocolNotices* notices_ = nullptr;
    QString folder_;
    QString fileName_;
    int writeFailures_ = 0;
    int wrapWidth_ = 0;
    bool showsLive_ = true;
    QString timeText_;
    LineText pendingText_;
    int selFirst_ = -1;
    int selLast_ = -1;

    ProtocolFileWriter writer_;
    // The live file exists but could not be read when it was taken over.
    bool takeoverBlocked_ = false;
};
