#pragma once

#include "archive/folders.h"
#include "exchange/exchangeclock.h"

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
};

// The telegram exchange without any window: it owns the exchange clock, the
// working folders and the exchange's share of the one-second tick.
class TExchange : private IExchangeClockHost, private IFolderHost {
public:
    TExchange(const _tlg_config& config, _tlg_status& status, TProtocol& protocol, IClock& clock,
              QString iniPath, IExchangeHost* host = nullptr);

    void SetHost(IExchangeHost* host) { host_ = host; }

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
    TExchangeClock clock_;
    TArchiveFolders folders_;
};
