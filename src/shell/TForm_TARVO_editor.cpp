// The main window's side of the editor and of the two day lists.

#include "shell/TForm_TARVO.h"

#include "archive/TDayListPage.h"
#include "editor/TEditorPage.h"
#include "editor/TForm_Forward.h"
#include "protocol/protocol.h"
#include "register/TForm_Register.h"
#include "util/clock.h"

#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

// The received list's "Filename" column.
constexpr int kFileNameColumn = 2;

}  // namespace

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
        Form_Forward = new TForm_Forward(this);
        page->SetButtonAvailable(page->Button_Forward, true);
        // After the page's own handler, which enables the selection's buttons.
        connect(page->Memo, &QPlainTextEdit::textChanged, this, &TForm_TARVO::UpdateForwardButton);
        connect(page->ListView, &QTreeWidget::itemSelectionChanged, this,
                &TForm_TARVO::UpdateForwardButton);
        connect(page->Button_Forward, &QPushButton::clicked, this,
                &TForm_TARVO::Button_Receive_ForwardClick);
        UpdateForwardButton();
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
    editorPage_->SetTodaySource([this] { return exchange_.Clock().WorkingTime().date(); });
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
    if (Form_Register)
        Form_Register->TodayChanged();
}

void TForm_TARVO::RefreshOutListIfToday() {
    outPage_->RefreshIfToday();
    if (Form_Register)
        Form_Register->TodayChanged();
}

void TForm_TARVO::UpdateForwardButton() {
    const QString text = inPage_->Memo->toPlainText();
    inPage_->Button_Forward->setEnabled(text.contains(QStringLiteral("ЗЦЗЦ ")) &&
                                        text.contains(QStringLiteral("НННН  ")));
}

// The received telegram a forward goes with, taken as the dialog opens: a
// refresh of the list while the dialog is open (a telegram or a service
// message sorting before it, the day's change) moves the selection by row
// or clears it, and the body of another telegram would go out under the
// operator's header, or nothing would.
struct TForm_TARVO::TForwardSource {
    QString path;
    // The ANSI forward's bytes; none when the file could not be opened.
    std::optional<AnsiText> file;
};

void TForm_TARVO::Button_Receive_ForwardClick() {
    const std::optional<QString> body = ForwardBody(inPage_->Memo->toPlainText());
    if (!body)
        return;
    std::optional<TForwardSource> source;
    if (const QList<QTreeWidgetItem*> selected = inPage_->ListView->selectedItems();
        !selected.isEmpty()) {
        source.emplace();
        source->path = inPage_->DayFolder() + selected[0]->text(kFileNameColumn);
        if (QFile file(source->path); config_.SaveTlgAnsi && file.open(QIODevice::ReadOnly))
            source->file = file.read(kForwardReadLimit);
    }
    QStringList categories;
    for (int i = 0; i < editorPage_->TntComboBox_Editor_Category->count(); ++i)
        categories << editorPage_->TntComboBox_Editor_Category->itemText(i);
    Form_Forward->SetCategories(categories);
    Form_Forward->TntMemo->setPlainText(*body);
    if (Form_Forward->exec() == QDialog::Accepted && !finished_ && source &&
        WriteForward(*source, Form_Forward->HeaderLine()))
        PC->setCurrentWidget(TabSheet_Protocol);
    if (IOutgoingQueue* queue = outgoing_.Queue())
        queue->SetScanCountdown(kScanAfterWrite);
}

bool TForm_TARVO::WriteForward(const TForwardSource& source, const QString& header) {
    // Buffers of its own: a telegram the operator is composing or
    // confirming keeps its own.
    TOutgoingBuffers forward;
    if (config_.SaveTlgAnsi) {
        if (!source.file) {
            ReportForwardFailure(QStringLiteral("ТЛГ НЕ ПЕРЕСЛАНА: НЕ УДАЛОСЬ ПРОЧИТАТЬ ФАЙЛ ") +
                                 source.path);
            return false;
        }
        const std::optional<AnsiText> text = ForwardAnsiText(header, *source.file);
        if (!text) {
            ReportForwardFailure(
                QStringLiteral("ТЛГ НЕ ПЕРЕСЛАНА: ФАЙЛ ПУСТ, ДЛИННЕЕ 4999 БАЙТ ИЛИ БЕЗ "
                               "НАЧАЛА ИЛИ КОНЦА ТЛГ: ") +
                source.path);
            return false;
        }
        forward.OutgoingText = *text;
    } else {
        forward.OutgoingLines = QStringList{header, Form_Forward->BodyText()};
    }
    // The writer reports its own failures; it never replaces a waiting file.
    return outgoing_.WriteOutgoing(forward, false) == TOutgoingWriter::Result::Written;
}

void TForm_TARVO::ReportForwardFailure(const QString& text) {
    protocol_.AddMessage(text, kProtocolError);
    editorPage_->ShowWriteError(text);
}
