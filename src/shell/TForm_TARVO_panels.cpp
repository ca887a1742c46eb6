// The main window's side of the outgoing queue and the service groups: the
// queue page, the service-group panel of the protocol page, the counters
// dialog and the request form of the control service.

#include "shell/TForm_TARVO.h"

#include "editor/TEditorPage.h"
#include "exchange/TForm_AutoKSS.h"
#include "exchange/TForm_Counters.h"
#include "exchange/TQueuePage.h"
#include "exchange/TServiceGroupPanel.h"
#include "exchange/counterscorrection.h"
#include "protocol/TProtocolPage.h"
#include "register/TForm_Register.h"
#include "shell/headpanel.h"
#include "util/linecode.h"

#include <QBoxLayout>
#include <QLabel>
#include <QTabWidget>

TQueuePage* TForm_TARVO::makeQueuePage() {
    queuePage_ = new TQueuePage(exchange_.Queue(), PC);
    connect(queuePage_, &TQueuePage::listRebuilt, this,
            [this](int count) { PC->setTabVisible(PC->indexOf(queuePage_), count > 0); });
    connect(queuePage_, &TQueuePage::toEditorClicked, this,
            [this](const QString& text) { editorPage_->TakeSentText(text); });
    return queuePage_;
}

void TForm_TARVO::addServiceGroupPanel() {
    Panel_ServiceGroups = new TServiceGroupPanel(protocolPage_);
    protocolPage_->SidePanels()->addWidget(Panel_ServiceGroups);
    connect(Panel_ServiceGroups, &TServiceGroupPanel::groupPressed, this,
            &TForm_TARVO::ServiceGroupPressed);
}

void TForm_TARVO::ServiceGroupPressed(int group) {
    exchange_.PressServiceGroup(group);
    PC->setCurrentWidget(TabSheet_Protocol);
}

void TForm_TARVO::EnableServiceButtons(std::optional<bool> kg1, std::optional<bool> kg2,
                                       std::optional<bool> kg4) {
    Panel_ServiceGroups->EnableButtons(kg1, kg2, kg4);
}

void TForm_TARVO::RefreshQueueList() {
    queuePage_->RefreshQueueList();
    // What waits in the out root belongs to the register too.
    if (Form_Register)
        Form_Register->TodayChanged();
}

void TForm_TARVO::ShowCountersDialog() {
    const bool wasAutomatic = BeginCountersCorrection(exchange_);
    TForm_Counters form(
        options_.AppTitle.isEmpty() ? QStringLiteral("TARVO/COM") : options_.AppTitle, this);
    TCountersCorrection correction;
    correction.shownInput = status_.NumberInput;
    correction.shownOutput = status_.NumberOutput;
    form.SetValues(exchange_.CentreCountYours(), exchange_.CentreCountOurs(), correction.shownInput,
                   correction.shownOutput);
    if (form.exec() == QDialog::Accepted && !finished_) {
        correction.input = form.InputValue();
        correction.output = form.OutputValue();
        if (ApplyCountersCorrection(exchange_, status_, protocol_, correction))
            RefreshHeadPanel();
    }
    if (!finished_)
        EndCountersCorrection(exchange_, wasAutomatic);
}

void TForm_TARVO::ShowAutoKssForm() {
    if (!Form_AutoKSS)
        Form_AutoKSS = std::make_unique<TForm_AutoKSS>(this);
    Form_AutoKSS->Prepare(config_.DefaultIndex, exchange_.Clock().WorkingTime().date());
    if (Form_AutoKSS->exec() != QDialog::Accepted)
        return;
    const TAutoKssRequest request = Form_AutoKSS->Request();
    editorPage_->TakeRequest(request.Index, AutoKssText(request));
}
