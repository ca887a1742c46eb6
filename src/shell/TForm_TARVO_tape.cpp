// The main window's side of the perforator thread: its configuration, its
// events and the tape buttons.

#include "shell/TForm_TARVO.h"

#include "archive/TDayListPage.h"
#include "config/portname.h"
#include "editor/TEditorPage.h"
#include "line/prfclient.h"
#include "protocol/TProtocolPage.h"
#include "protocol/protocol.h"
#include "shell/headpanel.h"
#include "tape/tapewindows.h"
#include "util/linecode.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

void TForm_TARVO::buildTape() {
    tape_ = std::make_unique<TTapeWindows>(*prf_, protocol_, this);
    Panel_ProtocolExchange = new TExchangePanel(config_, *prf_, protocol_, *this, protocolPage_);
    protocolPage_->BottomPanels()->addWidget(Panel_ProtocolExchange);
    // Shown in manual mode only (ModeChanged).
    Panel_ProtocolExchange->setVisible(false);
    // A transfer from the line keeps the pages where they are.
    connect(Panel_ProtocolExchange, &TExchangePanel::runningChanged, this,
            [this](bool running) { PC->tabBar()->setEnabled(!running); });

    connect(inPage_->Button_Perforator, &QPushButton::clicked, this, [this] {
        // The telegram as it came from the line; the shown text when the
        // raw copy is missing.
        const LineText raw = inPage_->ReceivedRawText;
        tape_->ShowForPunch(raw.isEmpty() ? WideToLine(inPage_->Memo->toPlainText()) : raw);
    });
    inPage_->SetButtonAvailable(inPage_->Button_Perforator, true);
    inPage_->Button_Perforator->setVisible(false);
    connect(editorPage_, &TEditorPage::punchRequested, this,
            [this](const LineText& text) { tape_->ShowForPunch(text); });
    connect(editorPage_, &TEditorPage::punchWideRequested, this,
            [this](const QString& text) { tape_->ShowForPunchWide(text); });
    editorPage_->TapeAvailable = [this] { return prf_->IsActive() || config_.PerfNoBlock; };
    // The crypto block's "Перфоратор": read, punch or neither.
    editorPage_->ChooseTapeDirection = [this] { return int(tape_->ChooseTapeDirection()); };
    editorPage_->ReadTape = [this]() -> std::optional<LineText> {
        TapeReadResult result = tape_->ReadTape();
        if (!result.accepted)
            return std::nullopt;
        return result.text;
    };
    protocolPage_->SetPerforatorEnabled([this] { return config_.PerfEnable; });
    connect(protocolPage_, &TProtocolPage::punchRequested, this,
            [this](const LineText& text) { tape_->ShowForPunch(text); });
}

void TForm_TARVO::SendToLine(const LineText& text) {
    exchange_.SendToLine(text);
}

TapeReadResult TForm_TARVO::ReadTape() {
    return tape_->ReadTape();
}

void TForm_TARVO::AttachPerforatorEvents() {
    // The perforator thread waits while these run on the GUI thread.
    connect(prf_.get(), &CPrfClient::OnStatus, this, &TForm_TARVO::PerforatorStatusChanged,
            Qt::BlockingQueuedConnection);
    connect(prf_.get(), &CPrfClient::OnReceive, this, &TForm_TARVO::PerforatorReceived,
            Qt::BlockingQueuedConnection);
    connect(prf_.get(), &CPrfClient::OnSent, this, &TForm_TARVO::PerforatorSent,
            Qt::BlockingQueuedConnection);
    connect(prf_.get(), &CPrfClient::OnTapeEnd, this, &TForm_TARVO::PerforatorTapeEnd,
            Qt::BlockingQueuedConnection);
    connect(prf_.get(), &CPrfClient::OnPortWarning, this, &TForm_TARVO::ShowPortWarning,
            Qt::QueuedConnection);
}

bool TForm_TARVO::PerforatorPortFree() const {
    // One port cannot serve the line adapter and the tape adapter at once.
    if (config_.Tcp)
        return true;
    const QString tape = PortDevicePath(config_.PerfCom);
    return tape != PortDevicePath(config_.Com);
}

void TForm_TARVO::ConfigurePerforator() {
    if (config_.PerfEnable && PerforatorPortFree()) {
        prf_->SetPerforator(config_.PerfCom, config_.PerfBaud, 1, config_.PerfNoBlock);
        ShowPerforatorButtons(config_.PerfNoBlock);
    } else {
        prf_->Disable();
        ShowPerforatorButtons(false);
    }
    head_->Label_PrfConnect->setText(config_.PerfEnable ? prf_->PerforatorLabel() : QString());
    THeadPanel::SetTextColor(head_->Label_PrfConnect,
                             config_.PerfNoBlock ? QColor(255, 255, 255) : QColor(255, 0, 0));
}

void TForm_TARVO::ShowPerforatorButtons(bool shown) {
    const bool visible = config_.PerfEnable && (config_.PerfNoBlock || shown);
    for (QPushButton* button : {inPage_->Button_Perforator, editorPage_->Button_Editor_ToPerforator,
                                editorPage_->Button_Edit_CriptoBlockToPerforator})
        if (button)
            button->setVisible(visible);
}

void TForm_TARVO::PerforatorStatusChanged(CPrfClient* thread) {
    QColor colour;
    if (!thread->IsOpen()) {
        protocol_.AddMessage(thread->StatusLine(), kProtocolEvent);
        ShowPerforatorButtons(false);
        colour = config_.PerfNoBlock ? QColor(255, 255, 255) : QColor(255, 0, 0);
    } else if (thread->IsActive()) {
        protocol_.AddMessage(QLatin1Char(' ') + thread->StatusLine(), kProtocolEvent);
        ShowPerforatorButtons(true);
        colour = QColor(0, 255, 0);
    } else {
        protocol_.AddMessage(thread->StatusLine(), kProtocolEvent);
        ShowPerforatorButtons(false);
        colour = QColor(255, 0, 0);
    }
    THeadPanel::SetTextColor(head_->Label_PrfConnect, colour);
    TapeStatusChanged();
}

void TForm_TARVO::PerforatorReceived(CPrfClient* thread) {
    // Read while no tape window takes it, the text is dropped.
    TapeReceived(thread->TakeReceiveText());
}

void TForm_TARVO::PerforatorSent(CPrfClient*) {
    TapeSent();
}

void TForm_TARVO::PerforatorTapeEnd(CPrfClient*) {
    TapeEnd();
}

void TForm_TARVO::TapeStatusChanged() {
    tape_->StatusChanged();
}

void TForm_TARVO::TapeReceived(const LineText& text) {
    tape_->Received(text);
}

void TForm_TARVO::TapeSent() {
    tape_->Sent();
}

void TForm_TARVO::TapeEnd() {
    tape_->TapeEnd();
}
