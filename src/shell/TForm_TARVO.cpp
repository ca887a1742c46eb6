#include "shell/TForm_TARVO.h"

#include "alerts/alertwindows.h"
#include "alerts/soundplayer.h"
#include "archive/TDayListPage.h"
#include "archive/TSearchPage.h"
#include "config/settings.h"
#include "editor/TEditorPage.h"
#include "exchange/TForm_AutoKSS.h"
#include "exchange/TQueuePage.h"
#include "line/prfclient.h"
#include "line/tlgclient.h"
#include "line/vpncontrol.h"
#include "print/printer.h"
#include "protocol/TForm_PrtWindowMessage.h"
#include "protocol/TProtocolPage.h"
#include "protocol/protocol.h"
#include "register/TForm_Register.h"
#include "shell/TForm_About.h"
#include "shell/headpanel.h"
#include "shell/trayimages.h"
#include "shell/version.h"
#include "tape/tapewindows.h"
#include "util/clock.h"
#include "util/linecode.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

TForm_TARVO::TForm_TARVO(const StartOptions& options, const QString& programFolder,
                         TProtocol& protocol, IClock& clock, TSettingsRecords& records,
                         QWidget* parent)
    : QMainWindow(parent),
      options_(options),
      programFolder_(programFolder),
      protocol_(protocol),
      clock_(clock),
      records_(records),
      config_(records.config),
      status_(records.status),
      exchange_(records.config, records.status, protocol, clock, options.IniPath, this),
      outgoing_(records.config, records.status, protocol) {
    setObjectName(QStringLiteral("Form_TARVO"));
    setWindowTitle(QStringLiteral("TARVO/COM"));
    setWindowIcon(ProgramIcon());
    status_.StartPhase = 0;
    status_.CounterResetPending = false;
    status_.NumberingHold = false;

    // Bold Tahoma, 13 pixels, where the machine has it; a metric look-alike
    // otherwise.
    QFont font(QStringLiteral("Tahoma"));
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Liberation Sans")});
    font.setBold(true);
    font.setPixelSize(13);
    setFont(font);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    head_ = new THeadPanel(central);
    column->addWidget(head_);
    PC = new QTabWidget(central);
    PC->setObjectName(QStringLiteral("PC"));
    column->addWidget(PC, 1);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    // The line thread waits, not yet started, for its first configuration.
    line_ = std::make_unique<CTlgClient>();
    exchange_.SetLine(line_.get());
    // A VPN setting dials through NetworkManager.
    line_->SetDialUpFactory([] { return std::make_unique<CVPNControl>(); });
    exchange_.DialPolicy().SetPermission(line_.get());
    // So does the perforator thread.
    prf_ = std::make_unique<CPrfClient>();
    exchange_.SetSchemaCopies(records_.schemaCopies);
    // A first counter save, with no settings file yet, writes all of it.
    exchange_.SetSettingsSaver([this] {
        RememberGeometry();
        return SaveSettings(options_.IniPath, config_, status_, records_.controls);
    });
    // The editor's writes bring the next scan of the output folder near.
    outgoing_.SetQueue(&exchange_.Queue());

    buildPages();
    buildTape();
    buildPrinting();
    buildMenu();
    buildTray();
    buildAlerts();
    buildOptions();

    connect(head_, &THeadPanel::modeClicked, this, &TForm_TARVO::ToggleMode);
    connect(head_, &THeadPanel::countersClicked, this, &TForm_TARVO::ShowCountersDialog);

    Timer_1sec = new QTimer(this);
    Timer_1sec->setObjectName(QStringLiteral("Timer_1sec"));
    Timer_1sec->setInterval(1000);
    connect(Timer_1sec, &QTimer::timeout, this, &TForm_TARVO::Timer_1secTimer);

    setMinimumSize(740, 400);
    setMaximumSize(1200, 1200);
    resize(800, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    FormCreate();
}

TForm_TARVO::~TForm_TARVO() {
    outgoing_.SetHost(nullptr);
    outgoing_.SetQueue(nullptr);
    // The thread ends before anything it reports to goes away.
    exchange_.SetLine(nullptr);
    exchange_.DialPolicy().SetPermission(nullptr);
    line_.reset();
    // The perforator thread's events stop before the windows they reach go,
    // and the windows go before the thread they drive.
    prf_->Shutdown();
    tape_.reset();
    prf_.reset();
    printer_.reset();
    protocol_.AttachNotices(nullptr);
}

void TForm_TARVO::buildPages() {
    protocolPage_ = new TProtocolPage(protocol_, clock_, PC);
    protocolPage_->SetTyping(&exchange_);
    protocolPage_->SetTodaySource([this] { return exchange_.Clock().WorkingTime().date(); });
    connect(protocolPage_, &TProtocolPage::pasteToLineRequested, this, &TForm_TARVO::PasteToLine);
    TabSheet_Protocol = protocolPage_;
    PC->addTab(protocolPage_, QStringLiteral("Протокол"));
    addServiceGroupPanel();
    TabSheet_Oueue = makeQueuePage();
    PC->addTab(TabSheet_Oueue, QStringLiteral("Передача"));
    // Nothing is listed before the first day starts.
    PC->setTabVisible(PC->indexOf(TabSheet_Oueue), false);
    TabSheet_Out = makeListPage(false);
    PC->addTab(TabSheet_Out, QStringLiteral("Исходящие"));
    TabSheet_In = makeListPage(true);
    PC->addTab(TabSheet_In, QStringLiteral("Входящие"));
    searchPage_ = new TSearchPage(config_, PC);
    // Both dates on the start-up day; without dates, the working day.
    searchPage_->SetDates(clock_.LocalTime().date());
    searchPage_->SetTodaySource([this] { return exchange_.Clock().WorkingTime().date(); });
    connect(searchPage_, &TSearchPage::toEditorRequested, this, [this](const QString& text) {
        editorPage_->TakeReceivedText(text);
        PC->setCurrentWidget(TabSheet_Editor);
    });
    connect(searchPage_, &TSearchPage::printRequested, this,
            [this](const QStringList& lines) { PrintTelegram(lines); });
    TabSheet_Seach = searchPage_;
    PC->addTab(searchPage_, QStringLiteral("Поиск"));
    TabSheet_Editor = makeEditorPage();
    PC->addTab(TabSheet_Editor, QStringLiteral("Редактор"));

    // The error window belongs to the main window: closing it while the main
    // window sits in the tray must not look like the last window closing.
    Form_PrtWindowMessage = std::make_unique<TForm_PrtWindowMessage>(this);
    protocol_.AttachNotices(Form_PrtWindowMessage.get());
}

void TForm_TARVO::buildMenu() {
    QMenuBar* bar = menuBar();
    QAction* counters = bar->addAction(QStringLiteral("Счетчики"));
    counters->setObjectName(QStringLiteral("Menu_Counters"));
    connect(counters, &QAction::triggered, this, &TForm_TARVO::ShowCountersDialog);
    QAction* settings = bar->addAction(QStringLiteral("Настройки"));
    settings->setObjectName(QStringLiteral("Menu_Settings"));
    connect(settings, &QAction::triggered, this, &TForm_TARVO::MenuOptionsClick);
    QAction* journal = bar->addAction(QStringLiteral("Журнал"));
    journal->setObjectName(QStringLiteral("Menu_Register"));
    connect(journal, &QAction::triggered, this, &TForm_TARVO::MenuRegisterClick);
    QAction* exit = bar->addAction(QStringLiteral("Выход"));
    exit->setObjectName(QStringLiteral("Menu_Close"));
    connect(exit, &QAction::triggered, this, &TForm_TARVO::MenuCloseClick);
    QAction* about = bar->addAction(QStringLiteral("?"));
    about->setObjectName(QStringLiteral("Menu_About"));
    connect(about, &QAction::triggered, this, &TForm_TARVO::ShowAbout);

    Action_Automatic = new QAction(this);
    Action_Automatic->setObjectName(QStringLiteral("Action_Automatic"));
    Action_Automatic->setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));
    Action_Automatic->setShortcutContext(Qt::ApplicationShortcut);
    connect(Action_Automatic, &QAction::triggered, this, &TForm_TARVO::ToggleMode);
    addAction(Action_Automatic);

    Action_NewTlg = new QAction(this);
    Action_NewTlg->setObjectName(QStringLiteral("Action_NewTlg"));
    Action_NewTlg->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    Action_NewTlg->setShortcutContext(Qt::ApplicationShortcut);
    connect(Action_NewTlg, &QAction::triggered, this, [this] { editorPage_->NewTelegram(true); });
    addAction(Action_NewTlg);
}

void TForm_TARVO::buildTray() {
    trayMenu_ = new QMenu(this);
    QAction* title = trayMenu_->addAction(QStringLiteral("TARVO/COM"));
    title->setEnabled(false);
    trayMenu_->addSeparator();
    QAction* show = trayMenu_->addAction(QStringLiteral("Показать"));
    connect(show, &QAction::triggered, this, &TForm_TARVO::RestoreFromTray);
    QAction* exit = trayMenu_->addAction(QStringLiteral("Выход"));
    connect(exit, &QAction::triggered, this, &TForm_TARVO::MenuCloseClick);

    TrayIcon = new QSystemTrayIcon(TrayImage(kTrayDisconnected), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    // An empty title ("-t" with an empty value) leaves the hint as it is.
    TrayIcon->setToolTip(options_.AppTitle.isEmpty() ? QStringLiteral("TARVO/COM")
                                                     : options_.AppTitle);
    TrayIcon->setContextMenu(trayMenu_);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    RestoreFromTray();
            });
    // Without a tray (GNOME without the extension, headless) the icon would
    // only be a way to lose the window: it is simply not shown.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        TrayIcon->show();
}

void TForm_TARVO::MenuRegisterClick() {
    if (!Form_Register) {
        Form_Register = new TForm_Register(
            config_, options_.AppTitle, [this] { return exchange_.Clock().WorkingTime().date(); },
            this);
        // A read mark set in either list shows in the register.
        for (QTreeWidget* list : {inPage_->ListView, searchPage_->ListView_Search})
            connect(list, &QTreeWidget::itemChanged, Form_Register, &TForm_Register::MarksChanged);
    }
    Form_Register->show();
    Form_Register->raise();
    Form_Register->activateWindow();
}

void TForm_TARVO::ShowAbout() {
    TForm_About about(this);
    about.exec();
}

void TForm_TARVO::RefreshHeadPanel() {
    THeadPanel::SetTextColor(head_->Label_Connect,
                             exchange_.IsLineConnected() ? QColor(0, 255, 0) : QColor(255, 0, 0));
    auto hex8 = [](quint32 n) {
        return QStringLiteral("%1").arg(n, 8, 16, QLatin1Char('0')).toUpper();
    };
    head_->Label_RX_cnt->setText(hex8(exchange_.ReceivedBytes()));
    head_->Label_TX_cnt->setText(hex8(exchange_.SentBytes()));
    head_->Label_QOLT_In->setText(QString::fromLatin1(ThreeDigits(exchange_.CentreCountYours())));
    head_->Label_QOLT_Out->setText(QString::fromLatin1(ThreeDigits(exchange_.CentreCountOurs())));
    head_->Edit_OP_In->setText(QString::fromLatin1(ThreeDigits(status_.NumberInput)));
    head_->Edit_OP_Out->setText(QString::fromLatin1(ThreeDigits(status_.NumberOutput)));
    THeadPanel::SetTextColor(head_->Label_ArrowUp, QColor(192, 192, 192));
    THeadPanel::SetTextColor(head_->Label_ArrowDown, QColor(192, 192, 192));
}

void TForm_TARVO::ModeChanged(bool automatic) {
    if (Panel_ProtocolExchange)
        Panel_ProtocolExchange->setVisible(!automatic);
    head_->TntLabel_Mode->setText(automatic ? QStringLiteral("АВТОМАТ") : QStringLiteral("РУЧНОЙ"));
    head_->TntLabel_Mode->setProperty("automatic", automatic);
}

void TForm_TARVO::ToggleMode() {
    // Not while the exchange panel moves text from the line.
    if (Panel_ProtocolExchange && Panel_ProtocolExchange->IsRunning())
        return;
    exchange_.SetMode(!exchange_.IsAutomatic());
}

void TForm_TARVO::ShowToday() {
    // The exchange takes up the day's protocol file right after.
    protocolPage_->PickToday();
    ListsToToday();
}

void TForm_TARVO::DayStarted() {
    RefreshInListIfToday();
    RefreshOutListIfToday();
    RefreshQueueList();
}

void TForm_TARVO::LineActivity(bool received) {
    THeadPanel::SetTextColor(received ? head_->Label_ArrowDown : head_->Label_ArrowUp,
                             QColor(255, 255, 0));
}

void TForm_TARVO::ShowStatusText(const QString& text) {
    statusBar()->showMessage(text);
}
