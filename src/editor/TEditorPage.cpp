#include "editor/TEditorPage.h"

#include "config/tlgconfig.h"
#include "editor/TForm_ConfirmSendTlg.h"
#include "editor/TForm_LoadToEditor.h"
#include "editor/compose.h"
#include "editor/editortext.h"
#include "protocol/protocol.h"
#include "util/linecode.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

const QString kAllFilesFilter = QStringLiteral("Все файлы (*)");
const QString kTlgFilesFilter = QStringLiteral("ТЛГ файлы (*.tlg);;Все файлы (*)");

QStringList memoLines(const QPlainTextEdit* memo) {
    return MemoLines(memo->toPlainText());
}

}  // namespace

TEditorPage::TEditorPage(const _tlg_config& config, _tlg_status& status, TProtocol& protocol,
                         TOutgoingWriter& writer, QWidget* parent)
    : QWidget(parent),
      config_(config),
      status_(status),
      protocol_(protocol),
      writer_(writer),
      programFolder_(QDir::currentPath()) {
    setObjectName(QStringLiteral("TabSheet_Editor"));
    ChooseFile = [this](const QString& filter) {
        return QFileDialog::getOpenFileName(this, QString(), programFolder_, filter);
    };
    buildControls();

    connect(TntMemo_Edit, &QPlainTextEdit::textChanged, this, &TEditorPage::UpdateEditorState);
    connect(TntMemo_Edit_PS, &QPlainTextEdit::textChanged, this, &TEditorPage::UpdateEditorState);
    connect(TntMemo_Edit_PerforatorString, &QPlainTextEdit::textChanged, this,
            &TEditorPage::UpdateEditorState);
    connect(MaskEdit_Editor_Index, &QLineEdit::textChanged, this, &TEditorPage::UpdateEditorState);
    connect(TntComboBox_Editor_Category, &QComboBox::activated, this,
            &TEditorPage::TntComboBox_Editor_CategoryChange);
    connect(CheckBox_From, &QCheckBox::toggled, this, &TEditorPage::CheckBox_FromClick);
    connect(TntComboBox_OperatorList, &QComboBox::activated, this,
            &TEditorPage::TntComboBox_OperatorListChange);
    connect(Button_Editor_New, &QPushButton::clicked, this, [this] { NewTelegram(true); });
    connect(Button_Editor_Load, &QPushButton::clicked, this, &TEditorPage::Button_Editor_LoadClick);
    connect(Button_Send, &QPushButton::clicked, this, &TEditorPage::Button_SendClick);
    connect(TntButton_AutoKSS, &QPushButton::clicked, this, &TEditorPage::autoKssClicked);
    connect(Button_Editor_ToPerforator, &QPushButton::clicked, this,
            &TEditorPage::Button_Editor_ToPerforatorClick);

    TntComboBox_Editor_CategoryChange();
    CheckBox_FromClick();
    UpdateEditorState();
}

// The owner detaches the page from the writer: the writer may already be
// gone when the page is destroyed with its parent.
TEditorPage::~TEditorPage() = default;

void TEditorPage::buildControls() {
    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    auto lineEdit = [this, &named](const char* name) {
        auto* edit = new QLineEdit(this);
        named(edit, name);
        return edit;
    };

    TntComboBox_Editor_Category = new QComboBox(this);
    named(TntComboBox_Editor_Category, "TntComboBox_Editor_Category");
    MaskEdit_Net = lineEdit("MaskEdit_Net");
    MaskEdit_Net->setInputMask(QStringLiteral("99;_"));
    MaskEdit_Net->setText(QStringLiteral("01"));
    MaskEdit_Net->setToolTip(QStringLiteral("Номер сети"));
    MaskEdit_Net->setMaximumWidth(40);
    Label_Editor_Index = new QLabel(QStringLiteral("Индекс"), this);
    named(Label_Editor_Index, "Label_Editor_Index");
    // Three digits are required and three more allowed.
    MaskEdit_Editor_Index = lineEdit("MaskEdit_Editor_Index");
    MaskEdit_Editor_Index->setInputMask(QStringLiteral("999000;_"));
    MaskEdit_Editor_Index->setMaximumWidth(90);
    MaskEdit_Editor_Schema = lineEdit("MaskEdit_Editor_Schema");
    MaskEdit_Editor_Schema->setInputMask(QStringLiteral("999;_"));
    MaskEdit_Editor_Schema->setText(QStringLiteral("000"));
    MaskEdit_Editor_Schema->setMaximumWidth(90);
    TntLabel_Operator = new QLabel(QStringLiteral("Оператор "), this);
    named(TntLabel_Operator, "TntLabel_Operator");
    TntComboBox_OperatorList = new QComboBox(this);
    named(TntComboBox_OperatorList, "TntComboBox_OperatorList");
    TntLabel_Operator->setVisible(false);
    TntComboBox_OperatorList->setVisible(false);

    CheckBox_From = new QCheckBox(this);
    named(CheckBox_From, "CheckBox_From");
    CheckBox_From->setToolTip(QStringLiteral("Строка отправителя"));
    TntEdit_Editor_From = lineEdit("TntEdit_Editor_From");
    TntEdit_Editor_Words = lineEdit("TntEdit_Editor_Words");
    TntEdit_Editor_Words->setMaxLength(3);
    TntEdit_Editor_Words->setText(QStringLiteral("0"));
    TntEdit_Editor_Words->setMaximumWidth(50);
    TntEdit_Editor_FromData = lineEdit("TntEdit_Editor_FromData");
    TntEdit_Editor_FromData->setMaxLength(12);
    TntEdit_Editor_FromData->setText(QStringLiteral("00/00 0000="));
    TntEdit_Editor_FromData->setMaximumWidth(120);

    TntMemo_Edit = new QPlainTextEdit(this);
    named(TntMemo_Edit, "TntMemo_Edit");
    TntMemo_Edit->setLineWrapMode(QPlainTextEdit::NoWrap);

    Panel_Editor_Perforator = new QWidget(this);
    named(Panel_Editor_Perforator, "Panel_Editor_Perforator");
    TntMemo_Edit_PerforatorString = new QPlainTextEdit(Panel_Editor_Perforator);
    named(TntMemo_Edit_PerforatorString, "TntMemo_Edit_PerforatorString");
    TntMemo_Edit_PerforatorString->setReadOnly(true);
    TntMemo_Edit_PS = new QPlainTextEdit(Panel_Editor_Perforator);
    named(TntMemo_Edit_PS, "TntMemo_Edit_PS");
    auto* crypto = new QVBoxLayout(Panel_Editor_Perforator);
    crypto->setContentsMargins(0, 0, 0, 0);
    crypto->addWidget(TntMemo_Edit_PerforatorString, 2);
    crypto->addWidget(TntMemo_Edit_PS, 1);
    Panel_Editor_Perforator->setVisible(false);

    TntCheckBox_EditorAutoFormat = new QCheckBox(QStringLiteral("Строка 63"), this);
    named(TntCheckBox_EditorAutoFormat, "TntCheckBox_EditorAutoFormat");
    CheckBox_EditorCriptoMode = new QCheckBox(QStringLiteral("Крипт"), this);
    named(CheckBox_EditorCriptoMode, "CheckBox_EditorCriptoMode");
    CheckBox_EditorCriptoMode->setEnabled(false);

    auto button = [this, &named](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        named(b, name);
        return b;
    };
    Button_Editor_New = button(QStringLiteral("Очистить"), "Button_Editor_New");
    Button_Editor_Load = button(QStringLiteral("Загрузить"), "Button_Editor_Load");
    Button_Send = button(QStringLiteral("Отправить"), "Button_Send");
    Button_Editor_Print = button(QStringLiteral("Распечатать"), "Button_Editor_Print");
    Button_Editor_Print->setEnabled(false);
    Button_Editor_ToPerforator =
        button(QStringLiteral("Вывести на ПЛ"), "Button_Editor_ToPerforator");
    Button_Editor_ToPerforator->setVisible(false);
    TntButton_AutoKSS = button(QStringLiteral("АВТОКСС"), "TntButton_AutoKSS");

    auto* header = new QHBoxLayout;
    header->addWidget(new QLabel(QStringLiteral("Категория"), this));
    header->addWidget(TntComboBox_Editor_Category);
    header->addWidget(MaskEdit_Net);
    header->addSpacing(8);
    header->addWidget(Label_Editor_Index);
    header->addWidget(MaskEdit_Editor_Index);
    header->addWidget(MaskEdit_Editor_Schema);
    header->addStretch(1);
    header->addWidget(TntLabel_Operator);
    header->addWidget(TntComboBox_OperatorList);

    auto* origin = new QHBoxLayout;
    origin->addWidget(CheckBox_From);
    origin->addWidget(new QLabel(QStringLiteral("От"), this));
    origin->addWidget(TntEdit_Editor_From, 1);
    origin->addWidget(new QLabel(QStringLiteral("Кол-во слов"), this));
    origin->addWidget(TntEdit_Editor_Words);
    origin->addWidget(TntEdit_Editor_FromData);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(TntCheckBox_EditorAutoFormat);
    buttons->addWidget(CheckBox_EditorCriptoMode);
    buttons->addStretch(1);
    buttons->addWidget(TntButton_AutoKSS);
    buttons->addWidget(Button_Editor_New);
    buttons->addWidget(Button_Editor_Load);
    buttons->addWidget(Button_Editor_Print);
    buttons->addWidget(Button_Editor_ToPerforator);
    buttons->addWidget(Button_Send);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->addLayout(header);
    page->addLayout(origin);
    page->addWidget(TntMemo_Edit, 3);
    page->addWidget(Panel_Editor_Perforator, 2);
    page->addLayout(buttons);
}

void TEditorPage::ApplyControls(const _tlg_controls& controls) {
    {
        const QSignalBlocker quiet(CheckBox_From);
        CheckBox_From->setChecked(controls.FromUse);
    }
    TntEdit_Editor_From->setText(controls.FromString);
    TntComboBox_Editor_Category->clear();
    TntComboBox_Editor_Category->addItems(controls.Categories);
    TntComboBox_Editor_Category->setCurrentIndex(controls.CategoryIndex);
    TntCheckBox_EditorAutoFormat->setChecked(controls.AutoFormat);
    {
        const QSignalBlocker quiet(TntComboBox_OperatorList);
        TntComboBox_OperatorList->clear();
        TntComboBox_OperatorList->addItems(controls.OperatorItems);
        TntComboBox_OperatorList->setCurrentIndex(controls.OperatorIndex);
    }
    TntLabel_Operator->setVisible(controls.OperatorListVisible);
    TntComboBox_OperatorList->setVisible(controls.OperatorListVisible);
    TntComboBox_Editor_CategoryChange();
    CheckBox_FromClick();
    controlsApplied_ = true;
}

void TEditorPage::StoreControls(_tlg_controls& controls) const {
    if (!controlsApplied_)
        return;
    controls.FromUse = CheckBox_From->isChecked();
    controls.FromString = TntEdit_Editor_From->text();
    QStringList categories;
    for (int i = 0; i < TntComboBox_Editor_Category->count(); ++i)
        categories << TntComboBox_Editor_Category->itemText(i);
    controls.Categories = categories;
    controls.CategoryIndex = TntComboBox_Editor_Category->currentIndex();
    controls.AutoFormat = TntCheckBox_EditorAutoFormat->isChecked();
    QStringList operators;
    for (int i = 0; i < TntComboBox_OperatorList->count(); ++i)
        operators << TntComboBox_OperatorList->itemText(i);
    controls.OperatorItems = operators;
    controls.OperatorIndex = TntComboBox_OperatorList->currentIndex();
    controls.OperatorListVisible = !TntComboBox_OperatorList->isHidden();
}

void TEditorPage::ApplyFont(const QFont& font) {
    for (QWidget* w : std::initializer_list<QWidget*>{TntMemo_Edit, TntComboBox_Editor_Category,
                                                      MaskEdit_Editor_Index, MaskEdit_Editor_Schema,
                                                      TntEdit_Editor_From, TntEdit_Editor_Words,
                                                      TntEdit_Editor_FromData})
        w->setFont(font);
}

bool TEditorPage::schemaMode() const {
    return MaskEdit_Editor_Index->isHidden();
}

void TEditorPage::ComposeOutgoing() {
    TComposeFields fields;
    fields.Category = TntComboBox_Editor_Category->currentText();
    fields.Net = MaskEdit_Net->text();
    fields.Index = MaskEdit_Editor_Index->text();
    fields.Schema = MaskEdit_Editor_Schema->text();
    fields.SchemaMode = schemaMode();
    fields.FromUse = CheckBox_From->isChecked();
    fields.From = TntEdit_Editor_From->text();
    fields.Words = TntEdit_Editor_Words->text();
    fields.FromData = TntEdit_Editor_FromData->text();
    fields.TextLines = memoLines(TntMemo_Edit);
    fields.CryptoMode = CheckBox_EditorCriptoMode->isChecked();
    fields.CryptoBlock = CryptoBlock;
    if (!TntMemo_Edit_PS->toPlainText().isEmpty())
        fields.Signature = JoinLines(memoLines(TntMemo_Edit_PS));
    ::ComposeOutgoing(fields, config_.ParseOutTextForAutoReplace,
                      {status_.EditNumber, status_.CurrentDateText, status_.CurrentTimeText},
                      writer_);
}

void TEditorPage::Button_SendClick() {
    // A number still taken in the output folder is passed over before "["
    // is given its value.
    writer_.SkipTakenNumbers();
    ComposeOutgoing();
    if (writer_.OutgoingLines.size() > 1 && LeadingDigitCount(MaskEdit_Editor_Index->text()) == 6) {
        writer_.WriteOutgoingFile(true);
        if (IOutgoingQueue* queue = writer_.Queue())
            queue->RefreshQueueList();
        Button_Send->setEnabled(false);
    } else {
        QApplication::beep();
    }
}

bool TEditorPage::ConfirmSend(const QStringList& lines) {
    TForm_ConfirmSendTlg dialog(window());
    dialog.SetLines(lines);
    return dialog.exec() == QDialog::Accepted;
}

void TEditorPage::ShowWriteError(const QString& text) {
    // Shown without waiting: a forward that fails is written from inside a
    // received block, and the line waits for that block's handler.
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Error"), text,
                                QMessageBox::Ok, window());
    box->setObjectName(QStringLiteral("MessageBox_WriteError"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TEditorPage::OutgoingWritten(const QString& path, bool confirmed) {
    Q_UNUSED(path);
    if (confirmed)
        Q_EMIT protocolPageWanted();
}

void TEditorPage::UpdateEditorState() {
    if (updating_)
        return;
    updating_ = true;
    if (TntCheckBox_EditorAutoFormat->isChecked())
        applyLineLimit();

    qsizetype lines = 0;
    qsizetype chars = 0;
    int words = 0;
    for (const QPlainTextEdit* memo :
         {TntMemo_Edit, TntMemo_Edit_PerforatorString, TntMemo_Edit_PS}) {
        const QStringList memoText = memoLines(memo);
        lines += memoText.size();
        chars += JoinedLength(memoText);
        words += CountWordsWide(JoinLines(memoText));
    }
    Button_Send->setEnabled(SendAllowed(lines, chars, MaskEdit_Editor_Index->text()));
    if (!TntComboBox_Editor_Category->currentText().contains(u'К'))
        TntEdit_Editor_Words->setText(QString::number(words));
    TntEdit_Editor_FromData->setText(status_.CurrentDateText + u' ' + status_.CurrentTimeText +
                                     u'=');
    updating_ = false;
}

void TEditorPage::applyLineLimit() {
    const QStringList lines = memoLines(TntMemo_Edit);
    if (lines.isEmpty())
        return;
    const QStringList wrapped = WrapLastLine(lines.last());
    if (wrapped.size() == 1)
        return;
    const QTextBlock block = TntMemo_Edit->document()->findBlockByNumber(int(lines.size() - 1));
    const bool typingThere = TntMemo_Edit->textCursor().blockNumber() == block.blockNumber();
    QTextCursor edit(block);
    edit.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    edit.insertText(wrapped.join(u'\n'));
    // The operator goes on typing behind the word that moved down.
    if (typingThere)
        TntMemo_Edit->setTextCursor(edit);
}

void TEditorPage::TntComboBox_Editor_CategoryChange() {
    const bool schema = TntComboBox_Editor_Category->currentText().contains(u'Ц');
    Label_Editor_Index->setText(schema ? QStringLiteral("Схема") : QStringLiteral("Индекс"));
    MaskEdit_Editor_Schema->setVisible(schema);
    MaskEdit_Editor_Index->setVisible(!schema);
}

void TEditorPage::CheckBox_FromClick() {
    const bool on = CheckBox_From->isChecked();
    TntEdit_Editor_From->setEnabled(on);
    TntEdit_Editor_Words->setEnabled(on);
    TntEdit_Editor_FromData->setEnabled(on);
}

void TEditorPage::TntComboBox_OperatorListChange() {
    protocol_.AddText(
        WideToLine(TntLabel_Operator->text() + TntComboBox_OperatorList->currentText()),
        kProtocolEvent);
}

void TEditorPage::NewTelegram(bool showEditor) {
    TntMemo_Edit->clear();
    TntMemo_Edit_PerforatorString->clear();
    TntMemo_Edit_PS->clear();
    CryptoBlock.clear();
    RefreshCryptoDisplay();
    if (!CheckBox_EditorCriptoMode->isChecked())
        Panel_Editor_Perforator->setVisible(false);
    TntComboBox_Editor_Category->setCurrentIndex(TntComboBox_Editor_Category->count() > 0 ? 0 : -1);
    // Selecting in code raises no change of its own; the index/schema
    // switch must follow the new category all the same.
    TntComboBox_Editor_CategoryChange();
    MaskEdit_Editor_Index->setText(config_.DefaultIndex);
    TntEdit_Editor_FromData->setText(status_.CurrentDateText + u' ' + status_.CurrentTimeText +
                                     u'=');
    TntEdit_Editor_Words->setText(QStringLiteral("0"));
    if (showEditor)
        Q_EMIT editorPageWanted();
}

void TEditorPage::TakeReceivedText(const QString& text) {
    TntMemo_Edit->setPlainText(ReceivedTextForEditor(text));
    TntMemo_Edit->moveCursor(QTextCursor::End);
}

void TEditorPage::TakeReceivedTelegram(const QString& shownText, const LineText& rawText) {
    if (CheckBox_EditorCriptoMode->isChecked()) {
        CryptoBlock = rawText;
        RefreshCryptoDisplay();
        TntMemo_Edit->clear();
        TntMemo_Edit_PS->clear();
    } else {
        TakeReceivedText(shownText);
    }
    Q_EMIT editorPageWanted();
}

void TEditorPage::TakeSentText(const QString& text) {
    TntMemo_Edit->setPlainText(text);
    Q_EMIT editorPageWanted();
}

void TEditorPage::TakeRequest(const QString& index, const QString& text) {
    MaskEdit_Editor_Index->setText(index);
    TntMemo_Edit->setPlainText(text);
    TntMemo_Edit->moveCursor(QTextCursor::End);
    Q_EMIT editorPageWanted();
}

void TEditorPage::RefreshCryptoDisplay() {
    // The crypto block's display (its line-code view and perforator string)
    // belongs to the crypto part; until it exists the block is only kept.
}

void TEditorPage::SetCryptoAvailable(bool available) {
    cryptoAvailable_ = available;
    CheckBox_EditorCriptoMode->setEnabled(available);
}

void TEditorPage::Button_Editor_LoadClick() {
    TForm_LoadToEditor dialog(window());
    dialog.RadioButton_FromTape->setEnabled(TapeAvailable && TapeAvailable());
    dialog.CheckBox_ToCryptoBlock->setChecked(CheckBox_EditorCriptoMode->isChecked());
    dialog.CheckBox_ToCryptoBlock->setEnabled(cryptoAvailable_ && config_.SaveTlgAnsi);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool toCrypto = dialog.CheckBox_ToCryptoBlock->isChecked();
    if (toCrypto)
        CheckBox_EditorCriptoMode->setChecked(true);
    if (dialog.RadioButton_FromFile->isChecked()) {
        const QString path = ChooseFile(toCrypto ? kTlgFilesFilter : kAllFilesFilter);
        if (!path.isEmpty()) {
            if (toCrypto)
                loadCryptoBlock(path);
            else
                loadText(path);
        }
    }
    if (dialog.RadioButton_FromTape->isChecked() && ReadTape) {
        if (const std::optional<LineText> tape = ReadTape()) {
            CryptoBlock = *tape;
            if (!toCrypto) {
                TntMemo_Edit->setPlainText(LineToWide(StripRegisterMarks(CryptoBlock)));
                CryptoBlock.clear();
            }
            RefreshCryptoDisplay();
        }
    }
    QDir::setCurrent(programFolder_);
}

void TEditorPage::Button_Editor_ToPerforatorClick() {
    if (CheckBox_EditorCriptoMode->isChecked()) {
        emit punchRequested(CryptoBlock);
        return;
    }
    ComposeOutgoing();
    emit punchWideRequested(writer_.OutgoingLines.join(QStringLiteral("\r\n")));
}

void TEditorPage::loadText(const QString& path) {
    const std::optional<QString> text = ReadFileForEditor(path);
    if (!text) {
        ShowWriteError(QStringLiteral("Не удалось прочитать файл ") + path);
        return;
    }
    TntMemo_Edit->setPlainText(ToMemoText(*text));
    protocol_.AddMessage(QStringLiteral("В редактор загружен файл:") + path, kProtocolEvent);
}

void TEditorPage::loadCryptoBlock(const QString& path) {
    const std::optional<LineText> block = ReadCryptoBlockFile(path);
    if (!block)
        return;
    CryptoBlock = *block;
    if (!CryptoBlock.isEmpty())
        protocol_.AddMessage(QStringLiteral("В криптоблок загружен файл:") + path, kProtocolEvent);
    RefreshCryptoDisplay();
}
