// The main window's side of the line thread: configuration, events and the
// connection display.

#include "shell/TForm_TARVO.h"

#include "editor/TForm_ConfirmSendTlg.h"
#include "line/tlgclient.h"
#include "shell/headpanel.h"
#include "shell/trayimages.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>

void TForm_TARVO::AttachLineEvents() {
    // The line thread waits while these run on the GUI thread.
    connect(line_.get(), &CTlgClient::OnReceive, this, &TForm_TARVO::LineReceived,
            Qt::BlockingQueuedConnection);
    connect(line_.get(), &CTlgClient::OnSent, this, &TForm_TARVO::LineSent,
            Qt::BlockingQueuedConnection);
    connect(line_.get(), &CTlgClient::OnStatus, this, &TForm_TARVO::LineStatusChanged,
            Qt::BlockingQueuedConnection);
    // Not waited for: the line goes on while the operator reads it.
    connect(line_.get(), &CTlgClient::OnPortWarning, this, &TForm_TARVO::ShowPortWarning,
            Qt::QueuedConnection);
    connect(head_->Button_Dial, &QPushButton::clicked, this,
            [this] { exchange_.DialPolicy().DialPressed(); });
}

void TForm_TARVO::ConfigureLinks() {
    if (config_.Tcp) {
        line_->SetVpn(config_.VpnUse, config_.VpnName, config_.VpnLogin, config_.VpnPassword,
                      config_.VpnNoDisturb);
        line_->SetTcp(config_.Host, config_.Port, config_.Host2, config_.Port2);
        if (config_.VpnUse && !config_.VpnUseTimeTable)
            line_->SetDialEnabled(true);
    } else {
        static constexpr int kSpeeds[] = {50, 100, 200};
        const int speed = config_.Baud >= 0 && config_.Baud <= 2 ? kSpeeds[config_.Baud] : 50;
        line_->SetSerial(config_.Com, speed, 1);
    }
    ConfigurePerforator();
    head_->Label_Connect->setText(line_->ConnectionLabel());
    // The serial line has no dial-up connection, whatever VPN/Use says (the
    // box stays ticked when the line is switched over).
    head_->Button_Dial->setVisible(config_.VpnUse && config_.Tcp);
}

void TForm_TARVO::LineReceived(CTlgClient* thread) {
    exchange_.OnLineReceive(thread->TakeReceiveText());
}

void TForm_TARVO::LineSent(CTlgClient* thread) {
    exchange_.OnLineSent(thread->LastSent());
}

void TForm_TARVO::LineStatusChanged(CTlgClient* thread) {
    exchange_.LineStatusChanged(thread->IsConnected(), thread->StatusLine());
}

void TForm_TARVO::ShowPortWarning(const QString& text) {
    // A full output buffer repeats with every write until it drains.
    if (findChild<QMessageBox*>(QStringLiteral("MessageBox_PortWarning")))
        return;
    auto* box = new QMessageBox(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("MessageBox_PortWarning"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TForm_TARVO::RefreshLinkDisplay() {
    const bool connected = exchange_.IsLineConnected();
    const int image = exchange_.TrayImageIndex(trayImage_);
    if (connected) {
        line_->TickSilence();
        const int left = line_->OobSecondsLeft();
        head_->Label_LineControlTimeOut->setText(left >= 4   ? QStringLiteral("*")
                                                 : left >= 1 ? QString::number(left)
                                                             : QString());
    } else {
        head_->Label_LineControlTimeOut->clear();
    }
    if (trayBlink_) {
        // An alert waits while the window is away: the icon blinks.
        trayBlinkOn_ = !trayBlinkOn_;
        TrayIcon->setIcon(trayBlinkOn_ ? QIcon() : TrayImage(image));
        trayImage_ = image;
    } else if (image != trayImage_ || trayBlinkOn_) {
        trayImage_ = image;
        trayBlinkOn_ = false;
        TrayIcon->setIcon(TrayImage(image));
    }
}

void TForm_TARVO::ShowChannelState(const QString& code) {
    head_->TntLabel_ChannelStatus->setText(code);
}

void TForm_TARVO::ForwardTelegram(const QString& text) {
    // The editor's send, without confirmation: the text goes to the output
    // folder as the next outgoing file of the day. Its own buffers: a
    // telegram the operator is confirming stays as it is.
    TOutgoingBuffers forward;
    forward.OutgoingLines = text.split(QStringLiteral("\r\n"));
    forward.OutgoingText = WideToAnsi(text);
    outgoing_.WriteOutgoing(forward, false);
}

void TForm_TARVO::PasteToLine(const AnsiText& text) {
    TForm_ConfirmSendTlg confirm(this);
    confirm.setWindowTitle(QStringLiteral("Отправка содержимого буфера обмена"));
    confirm.SetLines({AnsiToWide(text)});
    if (confirm.exec() != QDialog::Accepted || finished_)
        return;
    // As it stands, without register marks of ours.
    if (ILineSink* line = exchange_.Line())
        line->AppendSend(Cp1251ToCp866(text));
}

void TForm_TARVO::ManualExchangeFromLine(const LineText& chunk) {
    if (Panel_ProtocolExchange && Panel_ProtocolExchange->ExchangeActive())
        Panel_ProtocolExchange->OnLineBlock(chunk);
}

void TForm_TARVO::ShowScanCountdown(int seconds) {
    head_->Label_PathScanTimeout->setText(QString::number(seconds));
}

void TForm_TARVO::ShowQueueCount(int count) {
    head_->Label_OutputFiles->setText(QString::fromLatin1(ThreeDigits(count)));
}
