// The main window's side of the editor and of the two day lists.

#include "shell/TForm_TARVO.h"

#include "archive/TDayListPage.h"
#include "editor/TEditorPage.h"
#include "util/clock.h"

#include <QPlainTextEdit>
#include <QTabWidget>

TDayListPage* TForm_TARVO::makeListPage(bool received) {
    auto* page = new TDayListPage(
        received ? TDayListPage::Kind::Received : TDayListPage::Kind::Sent, config_, status_, PC);
    page->SetDate(clock_.LocalTime().date());
    if (received) {
        inPage_ = page;
        connect(page, &TDayListPage::toEditorClicked, this, [this] {
            editorPage_->TakeReceivedTelegram(inPage_->Memo->toPlainText(),
                                              inPage_->ReceivedRawText);
        });
    } else {
        outPage_ = page;
        connect(page, &TDayListPage::toEditorClicked, this,
                [this] { editorPage_->TakeSentText(outPage_->Memo->toPlainText()); });
    }
    return page;
}

TEditorPage* TForm_TARVO::makeEditorPage() {
    editorPage_ = new TEditorPage(config_, status_, protocol_, outgoing_, PC);
    editorPage_->SetProgramFolder(programFolder_);
    outgoing_.SetHost(editorPage_);
    connect(editorPage_, &TEditorPage::editorPageWanted, this,
            [this] { PC->setCurrentWidget(TabSheet_Editor); });
    connect(editorPage_, &TEditorPage::protocolPageWanted, this,
            [this] { PC->setCurrentWidget(TabSheet_Protocol); });
    connect(editorPage_, &TEditorPage::autoKssClicked, this, &TForm_TARVO::ShowAutoKssForm);
    return editorPage_;
}

void TForm_TARVO::ListsToToday() {
    // The lists go by the working day, which the clock correction may shift
    // away from the computer's date.
    const QDate today = exchange_.Clock().WorkingTime().date();
    inPage_->SetDate(today);
    outPage_->SetDate(today);
}

void TForm_TARVO::RefreshInListIfToday() {
    inPage_->RefreshIfToday();
}

void TForm_TARVO::RefreshOutListIfToday() {
    outPage_->RefreshIfToday();
}
