#pragma once

#include "archive/folders.h"
#include "exchange/exchangeclock.h"
#include "exchange/linesink.h"
#include "protocol/protocoltyping.h"

#include <QString>

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
    // Date pickers of the protocol, received and sent pages back to today.
    virtual void ShowToday() = 0;
    // A working day was started: pickers to today, lists and queue refilled.
    virtual void DayStarted() = 0;
    // The exit countdown ran out: close the main window.
    virtual void CloseMainWindow() = 0;
    // A block was received / sent: the head panel's arrows light up.
    virtual void LineActivity(bool received) = 0;
    // The status bar shows the tail of the received text.
    virtual void ShowStatusText(const QString& text) = 0;
};

// The telegram exchange without any window: it owns the exchange clock, the
// working folders and the exchange's share of the one-second tick.
class TExchange : public IProtocolTyping, private IExchangeClockHost, private IFolderHost {
public:
    TExchange(const _tlg_config& config, _tlg_status& status, TProtocol& protocol, IClock& clock,
              QString iniPath, IExchangeHost* host = nullptr);

    void SetHost(IExchangeHost* host) { host_ = host; }
    // The line the exchange sends to; none while there is no line.
    void SetLine(ILineSink* line) { line_ = line; }
    ILineSink* Line() const { return line_; }
    bool IsLineConnected() const { return line_ && line_->IsConnected(); }

    TExchangeClock& Clock() { return clock_; }
    TArchiveFolders& Folders() { return folders_; }

    // FoldersReady := CheckFolders.
    bool CheckFolders();

    // The working day at start-up: on another day than the stored one the
    // five day counters start from 0; then the day is started and the clock
    // steps once.
    void StartWorkingDay();

    // Automatic (true) or manual mode.
    void SetMode(bool automatic);
    bool IsAutomatic() const;
    // The mode read from the settings, shown without a log line.
    void ShowStartMode();

    // The exchange's part of the one-second tick: clock, and while the
    // folders are ready the waits and countdowns.
    void Tick();

    // Writes STATUS/NumberInput and NumberOutput.
    void SaveCounters();

    // The line's events, run on the GUI thread while the line thread waits.
    void OnLineReceive(const LineText& chunk);
    void OnLineSent(const LineText& lastSent, bool morePending);
    void LineStatusChanged(bool connected, const QString& statusLine);

    // The common path of all outgoing text (IProtocolTyping).
    void SendToLine(const LineText& text) override;
    bool IsManualMode() const override { return !IsAutomatic(); }

    quint32 ReceivedBytes() const { return receivedBytes_; }
    quint32 SentBytes() const { return sentBytes_; }
    // Received or sent chunks since the tray animation last took them.
    int ActivityCount() const { return activityCount_; }
    void ClearActivity() { activityCount_ = 0; }
    // Received text not yet taken apart into messages.
    const LineText& ReceiveBuffer() const { return receiveBuffer_; }

private:
    // IExchangeClockHost
    void StartDay(const QString& dayText) override;
    void CountersReset() override;
    // IFolderHost
    void ShowFolderError(const QString& text) override;
    void FoldersUnavailable() override;
    void DayStarted() override;

    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;
    QString iniPath_;
    IExchangeHost* host_;
    ILineSink* line_ = nullptr;
    LineText receiveBuffer_;
    quint32 receivedBytes_ = 0;
    quint32 sentBytes_ = 0;
    int activityCount_ = 0;
    TExchangeClock clock_;
    TArchiveFolders folders_;
};
