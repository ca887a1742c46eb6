#pragma once

#include "archive/folders.h"
#include "exchange/dialpolicy.h"
#include "exchange/exchangeclock.h"
#include "exchange/linesink.h"
#include "exchange/outgoingqueue.h"
#include "exchange/telegramstore.h"
#include "protocol/protocoltyping.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class IClock;
class TProtocol;
struct _tlg_config;
struct _tlg_status;

// Everything the exchange needs from the operator's side: windows, labels,
// lists. The main window implements it; tests implement it with a recorder.
class IExchangeHost {
public:
    virtual ~IExchangeHost() = default;
    // An error message box with the given caption.
    virtual void ShowErrorBox(const QString& caption, const QString& text) = 0;
    // The mode changed: show the word and the manual exchange panel.
    virtual void ModeChanged(bool automatic) = 0;
    // Date pickers of the protocol, received and sent pages back to today
    // (the working day of the exchange clock); the day's protocol file is
    // taken up right after it.
    virtual void ShowToday() = 0;
    // A working day was started, or the protocol went back to today's file:
    // the lists of today and the queue refilled.
    virtual void DayStarted() = 0;
    // The exit countdown ran out: close the main window.
    virtual void CloseMainWindow() = 0;
    // A block was received / sent: the head panel's arrows light up.
    virtual void LineActivity(bool received) = 0;
    // The status bar shows the tail of the received text.
    virtual void ShowStatusText(const QString& text) = 0;

    // The channel state's code in the head panel ("" for none).
    virtual void ShowChannelState(const QString& code) = 0;
    // The service-group buttons КГ1, КГ2 and КГ4 after a change of the
    // channel state; an empty value leaves that button as it is.
    virtual void EnableServiceButtons(std::optional<bool> kg1, std::optional<bool> kg2,
                                      std::optional<bool> kg4) = 0;
    // The category alert window: shown for a category telegram, closed when
    // the centre asks for the confirmation of category Р.
    virtual void ShowCategoryAlert() = 0;
    virtual void CloseCategoryAlert() = 0;
    // The confirmation window of category Р with the centre's message.
    virtual void OpenConfirmation(const LineText& message) = 0;
    // The message window with the centre's words for the operator.
    virtual void ShowOperatorMessage(const LineText& text) = 0;
    // The arrival signal of an ordinary telegram: the system beep, or a wave
    // file played once without waiting.
    virtual void Beep() = 0;
    virtual void PlaySound(const QString& file) = 0;
    // Automatic printing: one copy of a stored telegram, or a centre message.
    virtual void PrintTelegram(const QStringList& lines) = 0;
    virtual void PrintCentreMessage(const LineText& text) = 0;
    // A received telegram to forward: the editor writes the text to the
    // output folder without asking.
    virtual void ForwardTelegram(const QString& text) = 0;
    // A received telegram file changed: the list of received telegrams, when
    // it shows today.
    virtual void RefreshInListIfToday() = 0;
    // A received chunk while the manual exchange takes the line as its
    // source: the exchange panel passes it on to its target.
    virtual void ManualExchangeFromLine(const LineText& chunk) = 0;

    // The outgoing queue: the queue page rebuilds its list from
    // TOutgoingQueue::QueueFiles (its tab shown only when the list is not
    // empty); the head panel shows the scan countdown and the queue count.
    virtual void RefreshQueueList() = 0;
    virtual void ShowScanCountdown(int seconds) = 0;
    virtual void ShowQueueCount(int count) = 0;
    // A sent telegram was filed: the list of sent telegrams, when it shows
    // today.
    virtual void RefreshOutListIfToday() = 0;
};

// A counter report of the centre, "ВАШ " + "%3d НАШ %3d ПОСЛЕДНИЕ %s %s".
struct TCounterReport {
    int fields = 0;  // conversions that matched, 0 to 4
    int yours = 0;   // the centre's count of our telegrams
    int ours = 0;    // the centre's count of its telegrams to us
    LineText word1, word2;
};

// A numbering change, "СМЕНА " + "НУМЕРАЦИИ ПРИН %04d ПЕР %04d %s %s".
struct TNumberingChange {
    int fields = 0;
    int received = 0;  // the centre's count of telegrams received from us
    int sent = 0;      // the centre's count of telegrams sent to us
    LineText word1, word2;
};

// Whether the centre's count of its telegrams to us (centreOurs) disagrees
// with NumberInput: the workstation may lag it by up to ten telegrams in
// states other than РБ and none, but never lead it.
bool InputCountersDisagree(int numberInput, int centreOurs, int channelState);

// The tray icon's image after current (kTrayDisconnected and the rest in
// shell/trayimages.h): 10 without a connection; by channel state РБ 8
// (automatic) or 9 (manual), БА 5, БД 7, БВ 6, else 0. In РБ, while
// activityCount is not 0, the image steps through 0-4 instead, and the count
// is cleared when the step comes back to 0.
int NextTrayImage(int current, bool connected, int channelState, bool automatic,
                  int& activityCount);

// The telegram exchange without any window: it owns the exchange clock, the
// working folders, the received stream and its storage, the outgoing queue,
// the service groups and counters, and the exchange's share of the
// one-second tick.
class TExchange : public IProtocolTyping,
                  private IExchangeClockHost,
                  private IFolderHost,
                  private ITelegramStoreHost {
public:
    // Service groups by their number.
    enum ServiceGroup { KG0 = 0, KG1 = 1, KG2 = 2, KG4 = 4, KG5 = 5 };
    // Channel states.
    enum ChannelStateValue { StateNone = 0, StateRB, StateBA, StateBD, StateBV, StateBR };

    // Junk before a message start is kept up to this many characters (a
    // receipt may still be on its way in it); beyond, only that many of its
    // newest characters stay.
    static constexpr int kJunkLimit = 5120;
    // A message start without an end is kept up to this size; beyond, the
    // start is dropped and the text goes the way of junk.
    static constexpr int kOpenMessageLimit = 1 << 20;
    // Extraction passes per received chunk.
    static constexpr int kPassesPerChunk = 9;

    TExchange(const _tlg_config& config, _tlg_status& status, TProtocol& protocol, IClock& clock,
              QString iniPath, IExchangeHost* host = nullptr);

    void SetHost(IExchangeHost* host) { host_ = host; }
    // Writes the whole settings file; used for the first counter save when
    // the file does not exist yet, so that it starts in the order of a full
    // save. Without one a missing file gets the counters alone.
    void SetSettingsSaver(std::function<QString()> saver) { settingsSaver_ = std::move(saver); }
    IExchangeHost* Host() const { return host_; }
    // The line the exchange sends to; none while there is no line.
    void SetLine(ILineSink* line) { line_ = line; }
    ILineSink* Line() const { return line_; }
    bool IsLineConnected() const { return line_ && line_->IsConnected(); }
    // Copies for automatic printing by scheme number (SCHEMA_PRINT).
    void SetSchemaCopies(const SchemaCopyTable& table) { store_.SetSchemaCopies(&table); }

    TExchangeClock& Clock() { return clock_; }
    TArchiveFolders& Folders() { return folders_; }
    TTelegramStore& Store() { return store_; }
    TOutgoingQueue& Queue() { return queue_; }
    TDialPolicy& DialPolicy() { return dialPolicy_; }

    // FoldersReady := CheckFolders.
    bool CheckFolders();

    // The working day at start-up: on another day than the stored one the
    // five day counters start from 0; then the day is started, the clock
    // steps once, a received telegram the last run stopped in the middle of
    // saving gets its readable file from its raw copy, one it stopped while
    // waiting for the trailer is completed, and a telegram the last run
    // handed to the line without hearing the centre's verdict waits for it
    // again.
    void StartWorkingDay();

    // Automatic (true) or manual mode.
    void SetMode(bool automatic);
    bool IsAutomatic() const;
    // The mode read from the settings, shown without a log line.
    void ShowStartMode();

    // The exchange's part of the one-second tick: TickClock, TickDialPolicy,
    // then (after the main window's link display) TickWork. Tick runs all.
    void Tick();
    // The exchange clock: day text, counter reset, time texts.
    void TickClock();
    // What the received chunks left to extract; the telegram on its way; the
    // exit countdown (always); and while the folders are ready the trailer
    // wait, the age of an unanswered request and, connected, the КГ0 timers,
    // the idle КГ0 and the scan of the output folder; disconnected, the
    // channel state goes back to none. Skipped while a received chunk is
    // being handled (a nested event loop must not cut into it).
    void TickWork();
    // The dial policy's second (VPN/Use only), between the clock and the
    // link display.
    void TickDialPolicy();

    // "Выход" and the closing of the main window: with the channel working,
    // a telegram not yet handed over completely is taken back from the line
    // (its file stays waiting, uncounted), one that waits for the centre's
    // verdict is asked about with КГ0, and КГ2 goes out. True when КГ2 was
    // sent, so that the window waits for the centre (CloseCountdown 10).
    bool StopForExit();

    // The program stops: a telegram waiting for its trailer or receipt is
    // completed with what has come of it, as the end of the wait would.
    void CompleteBeforeStop();

    // Writes STATUS/NumberInput and NumberOutput.
    void SaveCounters();

    // The line's events, run on the GUI thread while the line thread waits.
    void OnLineReceive(const LineText& chunk);
    void OnLineSent(const LineText& lastSent);
    void LineStatusChanged(bool connected, const QString& statusLine);

    // The common path of all outgoing text (IProtocolTyping).
    void SendToLine(const LineText& text) override;
    // The same, giving the position in the line's send text just after the
    // text (0 without a line).
    SendPosition AppendToLine(const LineText& text);
    // Settles the telegram on the way to the line by what the line did with
    // it; a counted one starts the wait for КГ0.
    void CheckHandOver();
    bool IsManualMode() const override { return !IsAutomatic(); }

    // Sends КГ0, КГ1, КГ2 or КГ5 (КГ4 sends nothing).
    void SendServiceGroup(int group);
    // A service-group button of the protocol page: arms the answerback; КГ1,
    // КГ2, КГ4 and КГ5 switch to manual mode first; КГ4 opens the
    // confirmation window of category Р with an empty message, the others
    // are sent. The page brings itself to the front afterwards.
    void PressServiceGroup(int group);
    // "Применить" of the counters dialog: when either value differs, КГ2 in
    // state РБ, the correction line in the protocol and the new values,
    // written to the settings file. False when nothing changed.

    // Applies a state word of the centre ("РБ", "ОТКРЫТА", "БА", ...).
    void SetChannelState(QByteArrayView word);
    int ChannelState() const { return channelState_; }
    // The code shown for the channel state.
    const QString& ChannelCaption() const { return channelCaption_; }
    // The first press of any service-group button arms the answerback.
    void ArmAnswerback() { answerbackArmed_ = true; }
    bool AnswerbackArmed() const { return answerbackArmed_; }
    // Seconds since a service request went unanswered, 0 when none waits.
    int RequestAge() const { return requestAge_; }
    int CentreCountYours() const { return centreCountYours_; }
    int CentreCountOurs() const { return centreCountOurs_; }
    // Seconds until КГ0 asks for the counters after a telegram went out.
    int ZZCountdown() const { return zzCountdown_; }
    // Seconds in which the line had nothing to send.
    int IdleCount() const { return idleCount_; }

    // Appends a trailer (and receipt) to the last telegram and ends its wait.
    void FinishTelegram(const LineText& text);
    int NotesCountdown() const { return notesCountdown_; }
    const LineText& PendingTrailer() const { return pendingTrailer_; }
    const QString& CurrentTelegramBase() const { return currentTelegramBase_; }

    quint32 ReceivedBytes() const { return receivedBytes_; }
    quint32 SentBytes() const { return sentBytes_; }
    // Received or sent chunks since the tray animation last took them.
    int ActivityCount() const { return activityCount_; }
    void ClearActivity() { activityCount_ = 0; }
    // The tray icon's image for this tick after current (NextTrayImage);
    // takes the activity count when the animation comes round.
    int TrayImageIndex(int current);
    // Received text not yet taken apart into messages.
    const LineText& ReceiveBuffer() const { return receiveBuffer_; }

private:
    // IExchangeClockHost
    void StartDay(const QString& dayText) override;
    void CountersReset() override;
    // IFolderHost
    void ShowFolderError(const QString& text) override;
    void FoldersUnavailable() override;
    void DayPickersToToday() override;
    void DayStarted() override;
    // ITelegramStoreHost
    void StoreFailed(const QString& path) override;
    void ReceivedFileChanged() override;
    void PrintStoredTelegram(const QStringList& lines) override;

    // The receive stream (receiveparser.cpp).
    // What the wait for a trailer or receipt made of a pass.
    enum class NotesStep {
        Continue,     // something was consumed: next pass
        Stop,         // more of the stream is needed
        FallThrough,  // the wait goes on; look at the buffer as for a new message
    };
    bool ExtractionPass();
    NotesStep AwaitNotes(qsizetype z);
    NotesStep AwaitReceipt(qsizetype z, const LineText& trailer);
    void DropFront(qsizetype count);
    qsizetype FindMessageEnd();
    bool LimitOpenMessage();
    void ReadClockStamp();

    // Messages (receivehandlers.cpp).
    void HandleTelegram(const LineText& body);
    void HandleCentreMessage(const LineText& body);
    void DispatchCentreMessage(const LineText& body);
    void ArrivalSignal(const LineText& category);
    // The input folder of a day, and a file of today's in it.
    QString InpDayFolder(const QString& day) const;
    QString InpDayPath(const QString& name) const;

    // Counters (counters.cpp).
    void HandleCounterReport(const TCounterReport& report);
    void HandleNumberingChange(const TNumberingChange& change);

    // Timed service groups (servicegroups.cpp).
    void Kg0Timers();
    // While closing: once no telegram waits for its verdict, a wait the
    // centre's stop answer would have cut short is cut now.
    void SettleExitWait();

    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;
    QString iniPath_;
    IExchangeHost* host_;
    ILineSink* line_ = nullptr;
    std::function<QString()> settingsSaver_;

    LineText receiveBuffer_;
    bool receiving_ = false;
    bool exitCutDeferred_ = false;
    // The front of the buffer already searched for a message end while the
    // buffer starts with an open message.
    qsizetype endSearched_ = 0;
    int notesCountdown_ = 0;
    LineText pendingTrailer_;
    QString currentTelegramBase_;
    bool answerbackArmed_ = false;
    quint32 receivedBytes_ = 0;
    quint32 sentBytes_ = 0;
    int activityCount_ = 0;

    int channelState_ = StateNone;
    QString channelCaption_;
    int requestAge_ = 0;
    int centreCountYours_ = 0;
    int centreCountOurs_ = 0;
    int zzCountdown_ = 0;
    int requestPhase_ = 0;
    int idleCount_ = 0;

    TExchangeClock clock_;
    TArchiveFolders folders_;
    TTelegramStore store_;
    TOutgoingQueue queue_;
    TDialPolicy dialPolicy_;
};
