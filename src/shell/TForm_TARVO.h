#pragma once

#include "config/tlgconfig.h"
#include "editor/outgoing.h"
#include "exchange/exchange.h"
#include "line/portlist.h"
#include "shell/startup.h"
#include "tape/TExchangePanel.h"

#include <QMainWindow>

#include <memory>

class CPrfClient;
class CTlgClient;
class IClock;
class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class THeadPanel;
class TDayListPage;
class TSearchPage;
class TTapeWindows;
class ISoundPlayer;
class TSoundPlayer;
class TSoundProxy;
class TForm_Forward;
class TForm_Info;
class TForm_RaketaConfirm;
class TForm_Message;
class TNoConnectionAlarm;
struct TAlertContext;
class TTelegramPrinter;
class TEditorPage;
class TProtocol;
class TProtocolPage;
class TForm_AutoKSS;
class TForm_Access;
class TForm_Options;
class TForm_PrtWindowMessage;
class TForm_Register;
class TQueuePage;
class TServiceGroupPanel;

// The records the program keeps while it runs; made by the entry routine,
// they outlive the main window.
struct TSettingsRecords {
    _tlg_config config;
    _tlg_status status;
    _tlg_controls controls;
    SchemaCopyTable schemaCopies{};
};

// The main window: head panel, six pages, menu, tray icon and the one-second
// timer that drives all periodic work.
class TForm_TARVO : public QMainWindow, private IExchangeHost, private ITapeExchangeHost {
    Q_OBJECT
public:
    TForm_TARVO(const StartOptions& options, const QString& programFolder, TProtocol& protocol,
                IClock& clock, TSettingsRecords& records, QWidget* parent = nullptr);
    ~TForm_TARVO() override;

    // The one-second tick; public so that tests can drive it.
    void Timer_1secTimer();
    // "Выход" of the menu and the tray menu.
    void MenuCloseClick();
    // The operating system ends the session (SIGTERM, SIGHUP, SIGINT, logout).
    void OnSystemShutdown();
    // An error escaped an event handler and the program ends: the shutdown
    // sequence, unless it has run already.
    void OnFatalError();

    TExchange& Exchange() { return exchange_; }
    CTlgClient* Line() const { return line_.get(); }
    CPrfClient* Perforator() const { return prf_.get(); }
    // Hands the current settings to the line thread (and, later, the perforator).
    void ConfigureLinks();
    THeadPanel* HeadPanel() const { return head_; }
    QTabWidget* Pages() const { return PC; }
    // The tray icon's picture index, -1 before the first tick set one.
    int TrayImageIndex() const { return trayImage_; }
    // True once the window has closed for good (countdown or shutdown).
    bool IsFinished() const { return finished_; }

    // The outgoing telegram's buffers and file writer (editor, forwarding).
    TOutgoingWriter& Outgoing() { return outgoing_; }
    TEditorPage* EditorPage() const { return editorPage_; }
    TDayListPage* InPage() const { return inPage_; }
    TForm_Forward* ForwardForm() const { return Form_Forward; }
    TSearchPage* SearchPage() const { return searchPage_; }
    TTapeWindows* Tape() const { return tape_.get(); }
    TTelegramPrinter* Printer() const { return printer_.get(); }
    // The sounds go to this player (tests); null puts back the desktop's.
    void SetSoundPlayer(ISoundPlayer* player);
    TForm_Info* InfoWindow() const { return Form_Info; }
    TForm_RaketaConfirm* ConfirmWindow() const { return Form_RaketaConfirm; }
    TForm_Message* MessageWindow() const { return Form_Message; }
    TExchangePanel* ExchangePanel() const { return Panel_ProtocolExchange; }
    TDayListPage* OutPage() const { return outPage_; }
    // Refill the received / sent list when it shows the current day: after
    // telegrams of today were saved, sent or renamed.
    void RefreshInListIfToday() override;
    void RefreshOutListIfToday() override;

    // The queue page, the service-group panel and the two dialogs of the
    // exchange (TForm_TARVO_panels.cpp).
    TQueuePage* QueuePage() const { return queuePage_; }
    TServiceGroupPanel* ServiceGroupPanel() const { return Panel_ServiceGroups; }
    // Rebuilds the queue page's list; the page is shown only while the list
    // has something in it. The outgoing queue calls it after each scan.
    void RefreshQueueList() override;
    // The outgoing queue's figures in the head panel: the files found by the
    // last scan and the seconds to the next one.
    // "Счетчики" of the menu, or a click on either counter box.
    void ShowCountersDialog();
    // "АВТОКСС" of the editor.
    void ShowAutoKssForm();
    // "Настройки" of the menu: the settings dialog behind the access code
    // (TForm_TARVO_options.cpp).
    void MenuOptionsClick();
    TForm_Options* OptionsForm() const { return Form_Options; }
    // "Журнал" of the menu: the day's register, made at the first call.
    void MenuRegisterClick();
    TForm_Register* RegisterForm() const { return Form_Register; }
    TForm_Access* AccessForm() const { return Form_Access; }
    // Where the dialog's port lists come from (tests present adapters).
    void SetPortEnumerator(PortEnumerator enumerate) { portEnumerator_ = std::move(enumerate); }

Q_SIGNALS:
    // The window closed for good; the entry routine ends the message loop.
    void finishedWorking();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildPages();
    void buildMenu();
    void buildTray();
    void FormCreate();
    void AfterStart();
    void ApplyScreenFont();
    void RefreshHeadPanel();
    void TrayIconMinimize();
    void MinimizeToTray();
    void RestoreFromTray();
    void OnCloseRequest();
    void FormClose();
    void FormDestroy();
    void FinishWorking();
    void ShowAbout();
    void ToggleMode();
    void RememberGeometry();
    void AttachLineEvents();
    void LineReceived(CTlgClient* thread);
    void LineSent(CTlgClient* thread);
    void LineStatusChanged(CTlgClient* thread);
    // The serial port's warning, shown without waiting; one box at a time.
    void ShowPortWarning(const QString& text);
    // The perforator thread (TForm_TARVO_tape.cpp).
    void AttachPerforatorEvents();
    bool PerforatorPortFree() const;
    void ConfigurePerforator();
    void ShowPerforatorButtons(bool shown);
    void PerforatorStatusChanged(CPrfClient* thread);
    void PerforatorReceived(CPrfClient* thread);
    void PerforatorSent(CPrfClient* thread);
    void PerforatorTapeEnd(CPrfClient* thread);
    // What the tape windows learn of the thread's events.
    void TapeStatusChanged();
    void TapeReceived(const LineText& text);
    void TapeSent();
    void TapeEnd();
    void RefreshLinkDisplay();
    // The editor and the two list pages (TForm_TARVO_editor.cpp).
    TDayListPage* makeListPage(bool received);
    TEditorPage* makeEditorPage();
    void ListsToToday();
    // "Переслать" of the received list: enabled while the shown telegram has
    // both its start and its end, and the forward itself.
    void UpdateForwardButton();
    void Button_Receive_ForwardClick();
    struct TForwardSource;
    bool WriteForward(const TForwardSource& source, const QString& header);
    void ReportForwardFailure(const QString& text);
    // The queue page and the exchange's dialogs (TForm_TARVO_panels.cpp).
    TQueuePage* makeQueuePage();
    void addServiceGroupPanel();
    // Вставить на "Передачу" of the protocol page: the clipboard's text,
    // confirmed, to the line.
    void PasteToLine(const AnsiText& text);
    void ServiceGroupPressed(int group);

    // IExchangeHost
    void ShowErrorBox(const QString& caption, const QString& text) override;
    void ModeChanged(bool automatic) override;
    void ShowToday() override;
    void DayStarted() override;
    void CloseMainWindow() override;
    void LineActivity(bool received) override;
    void ShowStatusText(const QString& text) override;
    void ShowChannelState(const QString& code) override;
    void EnableServiceButtons(std::optional<bool> kg1, std::optional<bool> kg2,
                              std::optional<bool> kg4) override;
    void ShowCategoryAlert() override;
    void CloseCategoryAlert() override;
    void OpenConfirmation(const LineText& message) override;
    void ShowOperatorMessage(const LineText& text) override;
    void Beep() override;
    void PlaySound(const QString& file) override;
    void PrintTelegram(const QStringList& lines) override;
    void PrintCentreMessage(const LineText& text) override;
    void ForwardTelegram(const QString& text) override;
    void ManualExchangeFromLine(const LineText& chunk) override;
    void ShowScanCountdown(int seconds) override;
    void ShowQueueCount(int count) override;
    // ITapeExchangeHost
    void SendToLine(const LineText& text) override;
    TapeReadResult ReadTape() override;
    // The tape windows and the exchange panel, wired to the pages.
    void buildTape();
    // Printing (TForm_TARVO_print.cpp): the print buttons, and what the
    // printer thread reports.
    void buildPrinting();
    void ConfirmAndPrint(const QStringList& lines);
    void PrintJobEnded(int kind, const QString& detail);
    // The alerts (TForm_TARVO_alerts.cpp).
    void buildAlerts();
    void AlertRaised(const QString& text);
    void AlertDismissed();
    void StopAlertSounds();
    // The settings dialog (TForm_TARVO_options.cpp).
    void buildOptions();
    bool AskAccessCode();
    // Takes the dialog's settings over; true when the link must be
    // configured again.
    bool SaveOptions(const QString& operatorOnDuty);

    StartOptions options_;
    QString programFolder_;
    TProtocol& protocol_;
    IClock& clock_;
    TSettingsRecords& records_;
    _tlg_config& config_;
    _tlg_status& status_;
    TExchange exchange_;
    std::unique_ptr<CTlgClient> line_;
    std::unique_ptr<CPrfClient> prf_;
    std::unique_ptr<TTapeWindows> tape_;
    std::unique_ptr<TTelegramPrinter> printer_;
    std::unique_ptr<TSoundPlayer> player_;
    std::unique_ptr<TSoundProxy> sound_;
    std::unique_ptr<TAlertContext> alertContext_;
    TForm_Info* Form_Info = nullptr;
    TForm_RaketaConfirm* Form_RaketaConfirm = nullptr;
    TForm_Message* Form_Message = nullptr;
    std::unique_ptr<TNoConnectionAlarm> noConnectionAlarm_;
    bool trayBlink_ = false;
    bool trayBlinkOn_ = false;
    TExchangePanel* Panel_ProtocolExchange = nullptr;
    TOutgoingWriter outgoing_;

    THeadPanel* head_ = nullptr;
    QTabWidget* PC = nullptr;
    QWidget* TabSheet_Protocol = nullptr;
    QWidget* TabSheet_Oueue = nullptr;
    QWidget* TabSheet_Out = nullptr;
    QWidget* TabSheet_In = nullptr;
    QWidget* TabSheet_Seach = nullptr;
    TSearchPage* searchPage_ = nullptr;
    QWidget* TabSheet_Editor = nullptr;
    TProtocolPage* protocolPage_ = nullptr;
    TEditorPage* editorPage_ = nullptr;
    TDayListPage* inPage_ = nullptr;
    TDayListPage* outPage_ = nullptr;
    TForm_Forward* Form_Forward = nullptr;
    TQueuePage* queuePage_ = nullptr;
    TServiceGroupPanel* Panel_ServiceGroups = nullptr;
    std::unique_ptr<TForm_AutoKSS> Form_AutoKSS;
    TForm_Options* Form_Options = nullptr;
    TForm_Access* Form_Access = nullptr;
    TForm_Register* Form_Register = nullptr;
    PortEnumerator portEnumerator_;
    // Until the outgoing queue exists, the editor's refresh of the queue
    // list reaches the queue page through this.
    std::unique_ptr<TForm_PrtWindowMessage> Form_PrtWindowMessage;
    QAction* Action_Automatic = nullptr;
    QAction* Action_NewTlg = nullptr;
    QSystemTrayIcon* TrayIcon = nullptr;
    QMenu* trayMenu_ = nullptr;
    QTimer* Timer_1sec = nullptr;
    int trayImage_ = -1;

    bool allowClose_ = false;  // the countdown or a shutdown may close the window
    bool finished_ = false;    // FormDestroy has run
};
