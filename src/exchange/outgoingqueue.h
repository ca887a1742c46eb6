#pragma once

#include "editor/outgoing.h"
#include "util/texttypes.h"

#include <QString>
#include <QStringList>
#include <QStringView>

class TExchange;
class TProtocol;
struct _tlg_config;
struct _tlg_status;

// The outgoing queue: telegram files waiting in the root of the output
// folder (written by the editor or dropped there by other programs) are
// framed with the next output number, handed to the line and, once the
// centre has spoken, filed under a name that records their fate:
//   out/<day>/name.NNN   confirmed          out/<day>/name.bNNN  counters disagreed
//   out/<day>/name.SSS   service accepted   out/name.bNN, .brk   distorted on the line
//   out/name.brd         unreadable
// Files with an extension in the root wait for the operator (queue page).
//
// Guarantees:
// - no rename replaces a file: a target that exists makes the rename fail
//   (or, for names the queue invents itself, is made unique);
// - a file that disappears between the listing and the reading is passed
//   over: nothing is sent for it and nothing is renamed;
// - NumberOutput is written to the settings file as soon as a telegram has
//   left for the line, before the centre can confirm it and so before the
//   next telegram can start.
class TOutgoingQueue : public IOutgoingQueue {
public:
    // Seconds to the first scan after start.
    static constexpr int kFirstScan = 3;
    // A "СВЯЗЬ " message brings the next scan at least this near.
    static constexpr int kScanAfterLinkWord = 5;
    // Bytes of a file read in code page 1251 mode.
    static constexpr int kReadLimit = 6144;
    // A telegram text stays below this many bytes (code page 1251) or
    // characters (Unicode).
    static constexpr int kSizeLimit = 5000;

    TOutgoingQueue(TExchange& exchange, const _tlg_config& config, _tlg_status& status,
                   TProtocol& protocol);

    // The tick's share (only while connected, with the folders ready and
    // PATH/timeout not 0): shows the countdown, counts it down, and scans
    // when it has run out and neither the midnight hold nor an unanswered
    // service request stands in the way.
    void ScanOutput();
    // The scan itself: counts the waiting files ("q" names first, then "u")
    // and starts the first readable one when automatic sending may go on.
    // True when a telegram was started.
    bool ScanNow();

    // The line has written a block; morePending: text is still waiting. True
    // when this completed the hand-over of the telegram (counted, saved).
    bool LineSent(bool morePending);

    // Outcomes, reported by the centre. Each acts only while a file is being
    // sent and leaves the queue free for the next one.
    void ConfirmSent();
    void RejectSent();
    void DistortedSent(const LineText& message);
    void ServiceAccepted();

    // Forgets the telegram being sent; its file stays waiting.
    void Abandon();
    // "СВЯЗЬ ": the next scan in at most kScanAfterLinkWord seconds.
    void ShortenScanCountdown();

    // IOutgoingQueue
    void SetScanCountdown(int seconds) override;
    void RefreshQueueList() override;

    // --- The queue page.
    // Files of the out root the page lists: every name matching "*.?*" that
    // starts with a digit (waiting files and files with an outcome).
    QStringList QueueFiles() const;
    // The page's buttons act only on names with an outcome extension.
    static bool HasOutcome(QStringView name);
    // The waiting name a retry gives: the name up to its first full stop.
    static QString RetryName(QStringView name);
    // Deletes a listed file ("УДАЛЕНИЕ ОПЕРАТОРОМ: "). False when it could
    // not be deleted or is the file being sent.
    bool DeleteQueueFile(const QString& name);
    // Turns a file with an outcome back into a waiting one
    // ("ПЕРЕИМЕНОВАНИЕ ОПЕРАТОРОМ: "); false when the name has no extension or
    // the rename failed (a waiting file of that name is never replaced).
    bool RetryQueueFile(const QString& name);

    // --- State.
    // The file whose telegram is on its way, relative to the out folder.
    const QString& SendingFile() const { return sendingFile_; }
    // Its text until the line has taken all of it.
    const LineText& SendingText() const { return sendingText_; }
    bool IsSending() const { return !sendingFile_.isEmpty(); }
    int QueueCount() const { return queueCount_; }
    int ScanCountdown() const { return scanCountdown_; }
    // PATH/out as configured, ending in "/", and today's folder in it.
    QString OutFolder() const;
    QString OutDayFolder() const;

private:
    enum class ReadResult { Accepted, Rejected, Vanished };

    bool ScanMask(const QString& mask);
    ReadResult ReadTelegram(const QString& path, LineText& text) const;
    void SetAside(const QString& path);
    void StartSending();
    bool MayScan() const;
    void FileSent(const QString& target, bool manualOnFailure);
    void Log(const QString& text, int level) const;

    TExchange& exchange_;
    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;

    QString sendingFile_;
    LineText sendingText_;
    int queueCount_ = 0;
    int scanCountdown_ = kFirstScan;
};
