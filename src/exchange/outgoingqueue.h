#pragma once

#include "exchange/queuelink.h"
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
//   out/name.brd         unreadable         out/name.bSSS        service, fate unknown
// Files with an extension in the root wait for the operator (queue page).
//
// Guarantees:
// - no rename replaces a file: a target that exists makes the rename fail
//   (or, for names the queue invents itself, is made unique);
// - a file that disappears between the listing and the reading is passed
//   over: nothing is sent for it and nothing is renamed;
// - a telegram is counted only once the line has written every byte of it;
//   one whose text the line threw away (a dropped link, an exit) is not
//   counted and stays waiting under its own name;
// - the hand-over (STATUS/HandedOver, HandedOverNumber) reaches the settings
//   file before the line gets any of the telegram, with the number it goes
//   out with (one past NumberOutput); once it is counted, NumberOutput
//   follows in one write, before the centre can confirm it and so before the
//   next telegram can start. Until the line or the centre's report settles
//   it, in this run or the next, the file is never sent again by itself: a
//   run stopped before it learnt what the line did leaves the centre's next
//   count to tell (its number: it arrived; NumberOutput: it goes again).
//   A link that goes down before the centre's report leaves the same doubt,
//   and the centre's first count after the reconnect settles it the same way;
// - a "ССС" service telegram is recorded the same way, but the centre cannot
//   be asked about it: one the centre has not accepted when the link goes
//   down or the program stops is set aside for the operator (name.bSSS),
//   never sent again by itself.
class TOutgoingQueue : public IOutgoingQueue {
public:
    // Seconds to the first scan after start.
    static constexpr int kFirstScan = 3;
    // A "СВЯЗЬ " message brings the next scan at least this near.
    static constexpr int kScanAfterLinkWord = 5;
    // STATUS/HandedOverNumber of a service telegram, which carries no number.
    static constexpr int kServiceHandOver = -1;
    // Bytes of a file read in code page 1251 mode.
    static constexpr int kReadLimit = 6144;
    // A telegram text stays below this many bytes (code page 1251) or
    // characters (Unicode).
    static constexpr int kSizeLimit = 5000;

    // What became of the telegram on its way to the line.
    enum class HandOver {
        None,       // nothing settled (or nothing on its way)
        Counted,    // a numbered telegram went out whole and was counted
        Written,    // a service telegram went out whole
        Discarded,  // the line threw some of it away: it waits again
    };

    TOutgoingQueue(TExchange& exchange, const _tlg_config& config, _tlg_status& status,
                   TProtocol& protocol);

    // The tick's share (only while connected, with the folders ready and
    // PATH/timeout not 0): shows the countdown, counts it down, and scans
    // when it has run out and neither the midnight hold, an unanswered
    // service request nor the exit countdown stands in the way.
    void ScanOutput();
    // The scan itself: counts the waiting files ("q" names first, then "u")
    // and starts the first readable one when automatic sending may go on.
    // True when a telegram was started.
    bool ScanNow();
    // A telegram file waits in the root of the output folder (or is on its
    // way), whatever the mode and the channel state.
    bool HasWaitingFiles() const;

    // Looks at what the line did with the telegram on its way (after every
    // block it sent, every change of the link, every tick).
    HandOver CheckHandOver();

    // Outcomes, reported by the centre. Each acts only while a file is being
    // sent and leaves the queue free for the next one.
    void ConfirmSent();
    void RejectSent();
    void DistortedSent(const LineText& message);
    void ServiceAccepted();

    // At start-up, the hand-over the last run left unsettled
    // (STATUS/HandedOver): on the same working day it waits for the next
    // counter report, not counted, as after a link that went down; from
    // another day no report can settle it any more, and the file is set aside
    // in the out root for the operator (name.bNNN); a service telegram is set
    // aside on any day (name.bSSS). True when it waits for a report.
    bool RestoreHandOver(bool sameDay);
    // The link went down. A numbered telegram the line took whole that the
    // centre has not reported on yet may never have reached it: it is not
    // counted until the centre's next count says so. A service telegram not
    // yet accepted is set aside. True when a telegram waits for the count.
    bool LinkLost();
    // A counter report's count of the telegrams the centre has accepted,
    // for a hand-over whose fate a stop or a lost link left open: the
    // telegram's number counts it (the report then files it), the number
    // before it puts it back to wait and go out again with the same number;
    // any other leaves it to the usual disagreement.
    void SettleUncertainHandOver(int centreCount);
    // The day's counts started again (midnight, the centre's numbering
    // change): a telegram whose fate is still open cannot be settled by a
    // count any more, and is set aside for the operator (name.bNNN).
    void CountersRestarted();
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
    // The file whose telegram is on its way or waits for the centre's
    // verdict, relative to the out folder.
    const QString& SendingFile() const { return sendingFile_; }
    // Its text until the line has taken all of it (never kept for "ССС").
    const LineText& SendingText() const { return sendingText_; }
    bool IsSending() const { return !sendingFile_.isEmpty(); }
    // Bytes of the last telegram started are still between the queue and
    // the line.
    bool OnItsWay() const { return onItsWay_; }
    // A numbered telegram the line has taken whole, waiting for the centre's
    // counter report.
    bool AwaitsReport() const { return IsSending() && !onItsWay_ && !service_; }
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
    // The number a filed name carries: the one the telegram went out with.
    int FiledNumber() const;
    void FileSent(const QString& target, bool manualOnFailure);
    void ForgetHandOver();
    // Counted back: the centre's next count decides (SettleUncertainHandOver).
    void Doubt();
    // Logs that the telegram went out but was not confirmed, and gives the
    // file path + suffix (made unique) in the out root for the operator.
    void SetAsideUnconfirmed(const QString& path, const QString& what, const QString& suffix);
    void Log(const QString& text, int level) const;

    TExchange& exchange_;
    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;

    QString sendingFile_;
    LineText sendingText_;
    bool service_ = false;   // the file is a "ССС" service telegram
    bool onItsWay_ = false;  // [spanFrom_, spanTo_) of the send text is unsettled
    // The telegram on its way was not counted because a stop or a lost link
    // left its fate open: the centre's next count settles it.
    bool uncertain_ = false;
    // "ТЛГ ПЕРЕДАНА В ЛИНИЮ " was logged for it in this run.
    bool announced_ = false;
    quint64 spanFrom_ = 0;
    quint64 spanTo_ = 0;
    int queueCount_ = 0;
    int scanCountdown_ = kFirstScan;
};
