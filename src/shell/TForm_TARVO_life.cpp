// Start-up, the one-second tick, minimise/close rules and shutdown of the
// main window.

#include "shell/TForm_TARVO.h"

#include "alerts/alertwindows.h"
#include "alerts/soundplayer.h"
#include "archive/TDayListPage.h"
#include "archive/TSearchPage.h"
#include "config/settings.h"
#include "editor/TEditorPage.h"
#include "line/prfclient.h"
#include "line/tlgclient.h"
#include "print/printer.h"
#include "print/rawprint.h"
#include "protocol/TProtocolPage.h"
#include "protocol/TPrtWindow.h"
#include "protocol/protocol.h"
#include "shell/TForm_Options.h"
#include "shell/headpanel.h"
#include "shell/trayimages.h"
#include "shell/version.h"
#include "util/linecode.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

void TForm_TARVO::FormCreate() {
    // The window's current geometry is what LoadSettings keeps unless the
    // settings ask to restore a saved one.
    RememberGeometry();
    LoadSettings(options_.IniPath, programFolder_, config_, status_, records_.schemaCopies,
                 records_.controls);
    exchange_.ShowStartMode();
    editorPage_->ApplyControls(records_.controls);
    const _tlg_controls& controls = records_.controls;
    if (!controls.CenterOnScreen && controls.Width > 0 && controls.Height > 0)
        setGeometry(controls.Left, controls.Top, controls.Width, controls.Height);

    protocolPage_->SetDayFormat(config_.DayFormat);
    protocol_.SetFolder(config_.PrtPath);
    protocol_.SetWrapWidth(config_.ProtocolWidth != 0);

    if (!options_.AppTitle.isEmpty()) {
        setWindowTitle(options_.AppTitle + VersionText());
        QApplication::setApplicationDisplayName(options_.AppTitle);
        TrayIcon->setToolTip(options_.AppTitle);
    }
    PC->setCurrentWidget(TabSheet_Protocol);
}

void TForm_TARVO::RememberGeometry() {
    _tlg_controls& controls = records_.controls;
    const QRect frame = geometry();
    controls.Top = frame.top();
    controls.Left = frame.left();
    controls.Height = frame.height();
    controls.Width = frame.width();
    const int index = PC->currentIndex();
    controls.Page = index == PC->indexOf(TabSheet_Protocol) ? WindowPage::Protocol
                    : index == PC->indexOf(TabSheet_Editor) ? WindowPage::Editor
                                                            : WindowPage::Other;
    editorPage_->StoreControls(controls);
}

void TForm_TARVO::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!Timer_1sec->isActive() && !finished_)
        Timer_1sec->start();
}

void TForm_TARVO::Timer_1secTimer() {
    if (finished_)
        return;
    if (status_.StartPhase == 0) {
        status_.StartPhase = 1;
        AfterStart();
        status_.StartPhase = 2;
        return;
    }
    if (status_.StartPhase == 1)
        return;

    RefreshHeadPanel();
    exchange_.TickClock();
    head_->Label_Time->setText(status_.CurrentSecondsColonText);
    exchange_.TickDialPolicy();
    RefreshLinkDisplay();
    noConnectionAlarm_->Tick(exchange_.IsLineConnected());
    exchange_.TickWork();
}

void TForm_TARVO::AfterStart() {
    if (config_.TrayMode)
        MinimizeToTray();
    exchange_.CheckFolders();
    ApplyScreenFont();
    if (config_.LoadFont)
        LoadPrinterFont(config_.LoadFontFileName, config_.PrinterFont);
    EnsureDefaultAlarm(programFolder_);
    AttachLineEvents();
    AttachPerforatorEvents();
    ConfigureLinks();

    exchange_.StartWorkingDay();

    protocol_.AddMessage(QStringLiteral("ПРОГРАММА ЗАПУЩЕНА. ВЕРСИЯ\u00A0: ") + VersionNumber(),
                         kProtocolEvent);
    protocol_.AddText(WideToLine(QStringLiteral("Set Mutex ") + options_.MutexName),
                      kProtocolEvent);
    protocol_.AddMessage(QStringLiteral("РАБОЧАЯ ПАПКА: ") + programFolder_, kProtocolEvent);
    const _tlg_controls& controls = records_.controls;
    if (config_.UseOperatorList) {
        // Said even when nobody is chosen: the operator sees the list is on.
        const QString name =
            controls.OperatorIndex >= 0 && controls.OperatorIndex < controls.OperatorItems.size()
                ? controls.OperatorItems[controls.OperatorIndex]
                : QString();
        protocol_.AddText(WideToLine(QStringLiteral("Оператор ") + name), kProtocolEvent);
    }
    head_->TntLabel_ChannelStatus->clear();
    head_->Label_Time->setText(status_.CurrentSecondsColonText);
    editorPage_->NewTelegram(false);
}

void TForm_TARVO::ApplyScreenFont() {
    const QFont font = ToQFont(records_.controls.ScreenFont);
    protocolPage_->PrtWindow->SetFont(font);
    inPage_->Memo->setFont(font);
    outPage_->Memo->setFont(font);
    editorPage_->ApplyFont(font);
}

// Minimise, close and tray.

void TForm_TARVO::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QTimer::singleShot(0, this, &TForm_TARVO::TrayIconMinimize);
}

void TForm_TARVO::TrayIconMinimize() {
    // The task-bar button goes only when the tray can bring the window back.
    if (isMinimized() && !config_.NoHideInTaskBar && QSystemTrayIcon::isSystemTrayAvailable() &&
        TrayIcon->isVisible())
        hide();
}

void TForm_TARVO::MinimizeToTray() {
    showMinimized();
    TrayIconMinimize();
}

void TForm_TARVO::RestoreFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void TForm_TARVO::closeEvent(QCloseEvent* event) {
    if (finished_) {
        event->accept();
        return;
    }
    if (allowClose_) {
        FormClose();
        FormDestroy();
        event->accept();
        return;
    }
    event->ignore();
    // Let the close request finish before a dialog or a minimise follows.
    QTimer::singleShot(0, this, &TForm_TARVO::OnCloseRequest);
}

void TForm_TARVO::OnCloseRequest() {
    if (config_.MinimizeOnCloseWindow == 0)
        MenuCloseClick();
    else
        MinimizeToTray();
}

void TForm_TARVO::MenuCloseClick() {
    if (finished_)
        return;
    if (config_.AskOnClose != 0) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("TARVO/COM"),
                        QStringLiteral("Завершить работу программы?"), QMessageBox::NoButton, this);
        box.setObjectName(QStringLiteral("Form_ExitConfirm"));
        QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
        box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
        box.exec();
        if (box.clickedButton() != yes)
            return;
    }
    protocol_.AddMessage(QStringLiteral("ОПЕРАТОР ЗАВЕРШИЛ РАБОТУ ПРОГРАММЫ "), kProtocolEvent);
    // With the channel working the centre is told to stop, and is given ten
    // seconds to answer (its answer shortens the wait).
    status_.CloseCountdown = exchange_.StopForExit() ? 10 : 1;
}

void TForm_TARVO::CloseMainWindow() {
    allowClose_ = true;
    close();
}

void TForm_TARVO::FormClose() {
    const bool stopSent = exchange_.StopForExit();
    Timer_1sec->stop();
    // The КГ2 just handed to the line should reach the centre before the
    // line goes: up to half a second for it, with the line's events running.
    if (stopSent) {
        QElapsedTimer waited;
        waited.start();
        while (line_->IsSendPending() && waited.elapsed() < 500) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
    }
    line_->Terminate();
    prf_->Terminate();
    StopAlertSounds();
}

void TForm_TARVO::FormDestroy() {
    if (finished_)
        return;
    finished_ = true;
    Timer_1sec->stop();
    searchPage_->StopSearch();
    RememberGeometry();
    const QString error = SaveSettings(options_.IniPath, config_, status_, records_.controls);
    // A settings file that cannot be written must not cost the day's protocol.
    if (!error.isEmpty())
        protocol_.AddMessage(error, kProtocolError);
    // The line thread's last events are not wanted any more; its end is
    // bounded, whatever it was doing.
    line_->Shutdown();
    prf_->Shutdown();
    // Nothing more can come for a telegram that waits for its trailer.
    exchange_.CompleteBeforeStop();
    // A job the printer has not finished is given up (its thread left to
    // itself if it cannot stop), so that the end stays bounded.
    if (const int unprinted = printer_->Shutdown(); unprinted > 0)
        protocol_.AddMessage(QStringLiteral("ОШИБКА ПЕЧАТИ (ОСТАНОВКА ПРОГРАММЫ): НЕ НАПЕЧАТАНО ") +
                                 QString::number(unprinted),
                             kProtocolError);
    protocol_.AddMessage(QStringLiteral("ПРОГРАММА ОСТАНОВЛЕНА"), kProtocolEvent);
    protocol_.SetFileName(status_.DayText + QStringLiteral(".prt"));
    if (TrayIcon)
        TrayIcon->hide();
    Q_EMIT finishedWorking();
}

void TForm_TARVO::OnFatalError() {
    if (finished_)
        return;
    FormDestroy();
    allowClose_ = true;
    close();
}

void TForm_TARVO::OnSystemShutdown() {
    if (finished_)
        return;
    protocol_.AddText(QByteArrayLiteral("Windows shutdown"), kProtocolEvent);
    FormDestroy();
    allowClose_ = true;
    close();
}

void TForm_TARVO::ShowErrorBox(const QString& caption, const QString& text) {
    // Shown without waiting: the exchange goes on (and the line thread, which
    // waits while a received block is handled, is not held) until the
    // operator has read it.
    auto* box = new QMessageBox(QMessageBox::Critical, caption, text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
