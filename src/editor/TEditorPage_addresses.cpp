// The editor page's address book: the "Адреса…" button and Ctrl+B, the
// completion of the index and of the first line, and filling the editor
// from a destination.

#include "editor/TEditorPage.h"

#include "config/tlgconfig.h"
#include "editor/TAddressCompleter.h"
#include "editor/TForm_AddressBook.h"
#include "editor/addressbook.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>

namespace {

const QString kBookTitle = QStringLiteral("Адресная книга");

}  // namespace

void TEditorPage::buildComposeAids() {
    sent_ = std::make_unique<TSentDestinations>();
    Completer_Address = new TAddressCompleter(this);
    Completer_Address->setObjectName(QStringLiteral("Completer_Address"));

    auto* bookKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+B")), this);
    bookKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(bookKey, &QShortcut::activated, this, &TEditorPage::Button_Editor_AddressesClick);
    connect(Button_Editor_Addresses, &QPushButton::clicked, this,
            &TEditorPage::Button_Editor_AddressesClick);
    connect(MaskEdit_Editor_Index, &QLineEdit::textEdited, this,
            [this] { offerForField(MaskEdit_Editor_Index, false); });
    connect(MaskEdit_Editor_Schema, &QLineEdit::textEdited, this,
            [this] { offerForField(MaskEdit_Editor_Schema, true); });
    static_cast<TEditorMemo*>(TntMemo_Edit)->Typed = [this] { offerForFirstLine(); };
    connect(Completer_Address, &TAddressCompleter::chosen, this,
            [this](const TDestination& d) { FillFromEntry(d.Entry, completingFirstLine_); });

    PopupMenu_Templates = new QMenu(this);
    PopupMenu_Templates->setObjectName(QStringLiteral("PopupMenu_Templates"));
    // Owned by the page: the menu is emptied each time it opens.
    Action_SaveTemplate = new QAction(QStringLiteral("Сохранить как шаблон…"), this);
    Action_SaveTemplate->setObjectName(QStringLiteral("Action_SaveTemplate"));
    Button_Editor_Template->setMenu(PopupMenu_Templates);
    Button_Editor_Template->setToolTip(QStringLiteral("Подготовленные тексты (папка tpl)"));
    connect(PopupMenu_Templates, &QMenu::aboutToShow, this, &TEditorPage::PopupMenu_TemplatesPopup);
    connect(Action_SaveTemplate, &QAction::triggered, this, &TEditorPage::Action_SaveTemplateClick);
}

TAddressBook& TEditorPage::AddressBook() {
    const QString path = QDir(programFolder_).absoluteFilePath(QLatin1String(kAddressBookFileName));
    if (!book_ || book_->Path() != path)
        book_ = std::make_unique<TAddressBook>(path, protocol_);
    book_->Refresh();
    return *book_;
}

QList<TDestination> TEditorPage::sentLately() {
    if (!today_)
        return {};
    return sent_->Scan(config_.OutPath, config_.DayFormat, today_());
}

QList<TDestination> TEditorPage::Destinations() {
    const QList<TDestination> sent = sentLately();
    return MergeDestinations(AddressBook().Entries, sent);
}

QStringList TEditorPage::categories() const {
    QStringList items;
    for (int i = 0; i < TntComboBox_Editor_Category->count(); ++i)
        items << TntComboBox_Editor_Category->itemText(i);
    return items;
}

void TEditorPage::Button_Editor_AddressesClick() {
    Completer_Address->Hide();
    TForm_AddressBook dialog(
        AddressBook(), categories(), [this] { return sentLately(); }, window());
    if (dialog.exec() == QDialog::Accepted && dialog.Chosen())
        FillFromEntry(*dialog.Chosen());
}

void TEditorPage::offerForField(QLineEdit* field, bool schema) {
    completingFirstLine_ = false;
    const QString typed = field->text();
    Completer_Address->Offer(
        field,
        typed.isEmpty() ? QList<TDestination>()
                        : CompletionCandidates(
                              Destinations(),
                              schema ? TCompletionField::Schema : TCompletionField::Index, typed),
        field->rect());
}

void TEditorPage::offerForFirstLine() {
    const QTextCursor cursor = TntMemo_Edit->textCursor();
    if (cursor.blockNumber() != 0) {
        Completer_Address->Hide();
        return;
    }
    completingFirstLine_ = true;
    const QString line = TntMemo_Edit->document()->firstBlock().text();
    QRect at = TntMemo_Edit->cursorRect(cursor);
    at.moveTopLeft(TntMemo_Edit->viewport()->mapTo(TntMemo_Edit, at.topLeft()));
    at.setLeft(0);
    Completer_Address->Offer(
        TntMemo_Edit, CompletionCandidates(Destinations(), TCompletionField::FirstLine, line), at);
}

void TEditorPage::FillFromEntry(const TAddressEntry& entry, bool replaceFirstLine) {
    const int category = TntComboBox_Editor_Category->findText(entry.Category);
    if (category >= 0) {
        TntComboBox_Editor_Category->setCurrentIndex(category);
        // Selecting in code raises no change: the schema field must follow.
        TntComboBox_Editor_CategoryChange();
    }
    MaskEdit_Net->setText(entry.Net);
    if (IsSchemaCategory(entry.Category))
        MaskEdit_Editor_Schema->setText(entry.Index);
    else
        MaskEdit_Editor_Index->setText(entry.Index);
    if (category < 0)
        TellOperator(window(), kBookTitle,
                     QStringLiteral("Категории «%1» нет в списке редактора: категория не изменена.")
                         .arg(entry.Category));
    putAddressLines(entry, replaceFirstLine);
    TntMemo_Edit->setFocus();
}

void TEditorPage::putAddressLines(const TAddressEntry& entry, bool replaceFirstLine) {
    if (entry.Lines.isEmpty())
        return;
    const QString lines = entry.Lines.join(u'\n');
    QTextCursor cursor(TntMemo_Edit->document());
    if (replaceFirstLine) {
        // Only the line the operator was typing is completed; the rest of the
        // text stays as it is.
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        const bool more = TntMemo_Edit->document()->blockCount() > 1;
        cursor.insertText(more ? lines : lines + u'\n');
        if (more)
            cursor.movePosition(QTextCursor::NextBlock);
    } else if (TntMemo_Edit->toPlainText().trimmed().isEmpty()) {
        TntMemo_Edit->setPlainText(lines + u'\n');
        cursor = QTextCursor(TntMemo_Edit->document());
        cursor.movePosition(QTextCursor::End);
    } else {
        if (!AskOperator(window(), kBookTitle,
                         QStringLiteral("Текст телеграммы не пуст. Поставить адресные строки "
                                        "«%1» в начало текста?")
                             .arg(entry.Lines.join(QStringLiteral(" / "))),
                         QStringLiteral("Поставить"), QStringLiteral("Не ставить"), true))
            return;
        cursor.insertText(lines + u'\n');
    }
    TntMemo_Edit->setTextCursor(cursor);
}
