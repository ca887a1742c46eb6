#include "editor/TEditorPage.h"

#include "config/tlgconfig.h"
#include "editor/TAddressCompleter.h"
#include "editor/TForm_ConfirmSendTlg.h"
#include "editor/TForm_LoadToEditor.h"
#include "editor/addressbook.h"
#include "editor/compose.h"
#include "editor/editortext.h"
#include "protocol/protocol.h"
#include "util/clipboard.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

const QString kAllFilesFilter = QStringLiteral("Все файлы (*)");
const QString kTlgFilesFilter = QStringLiteral("ТЛГ файлы (*.tlg);;Все файлы (*)");
const QString kTlgSaveFilter = QStringLiteral("ТЛГ файлы (*.tlg)");

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
    ChooseSaveFile = [this](const QString& filter, const QString& suffix) {
        QFileDialog dialog(this, QString(), programFolder_, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    };
    buildControls();

    connect(TntMemo_Edit, &QPlainTextEdit::textChanged, this, &TEditorPage::UpdateEditorState);
    connect(TntMemo_Edit_PS, &QPlainTextEdit::textChanged, this, &TEditorPage::UpdateEditorState);
    connect(TntMemo_Edit_PerforatorString, &QPlainTextEdit::textChanged, this,
            &TEditorPage::cryptoPaneChanged);
    connect(MaskEdit_Editor_Index, &QLineEdit::textChanged, this, &TEditorPage::UpdateEditorState);
    connect(TntComboBox_Editor_Category, qOverload<int>(&QComboBox::activated), this,
            &TEditorPage::TntComboBox_Editor_CategoryChange);
    connect(CheckBox_From, &QCheckBox::toggled, this, &TEditorPage::CheckBox_FromClick);
    connect(TntComboBox_OperatorList, qOverload<int>(&QComboBox::activated), this,
            &TEditorPage::TntComboBox_OperatorListChange);
    connect(Button_Editor_New, &QPushButton::clicked, this, [this] { NewTelegram(true); });
    connect(Button_Editor_Load, &QPushButton::clicked, this, &TEditorPage::Button_Editor_LoadClick);
    connect(Button_Send, &QPushButton::clicked, this, &TEditorPage::Button_SendClick);
    connect(TntButton_AutoKSS, &QPushButton::clicked, this, &TEditorPage::autoKssClicked);
    connect(Button_Editor_ToPerforator, &QPushButton::clicked, this,
            &TEditorPage::Button_Editor_ToPerforatorClick);
    connect(CheckBox_EditorCriptoMode, &QCheckBox::toggled, this,
            &TEditorPage::CheckBox_EditorCriptoModeClick);
    connect(TntCheckBox_PerforatorString_Reg, &QCheckBox::toggled, this,
            &TEditorPage::RefreshCryptoDisplay);
    const std::pair<QPushButton*, TCryptoPiece> moves[] = {
        {TntButton_PerforatorString_DeleteBegin, TCryptoPiece::FirstByte},
        {TntButton_PerforatorString_DeleteStartLine, TCryptoPiece::FirstLine},
        {TntButton_PerforatorString_DeleteEnd, TCryptoPiece::LastByte},
        {TntButton_PerforatorString_DeleteEndLine, TCryptoPiece::LastLine}};
    for (const auto& [button, piece] : moves)
        connect(button, &QPushButton::clicked, this, [this, piece] {
            MoveCryptoPiece(piece, QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
        });
    connect(Button_Edit_CriptoBlockToPerforator, &QPushButton::clicked, this,
            &TEditorPage::Button_Edit_CriptoBlockToPerforatorClick);
    connect(TntMemo_Edit_PerforatorString, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                TntPopupMenu_CryptPopup();
                TntPopupMenu_Crypt->popup(TntMemo_Edit_PerforatorString->mapToGlobal(at));
            });
    connect(CryptClear, &QAction::triggered, this, &TEditorPage::CryptClearClick);
    connect(CryptPaste, &QAction::triggered, this, &TEditorPage::CryptPasteClick);
    connect(CryptSave, &QAction::triggered, this, &TEditorPage::CryptSaveClick);

    buildComposeAids();

    TntComboBox_Editor_CategoryChange();
    CheckBox_FromClick();
    cryptoPaneChanged();
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
    // Beside the index, so that it comes next on the way through the fields.
    Button_Editor_Addresses = new QPushButton(QStringLiteral("Адреса…"), this);
    named(Button_Editor_Addresses, "Button_Editor_Addresses");
    Button_Editor_Addresses->setToolTip(QStringLiteral("Адресная книга (Ctrl+B)"));
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

    // The text and the crypto pane share this panel; the pane's height is
    // set from the panel's, not by a layout.
    Panel_Editor = new QWidget(this);
    named(Panel_Editor, "Panel_Editor");
    Panel_Editor->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Panel_Editor->setMinimumHeight(120);
    Panel_Editor->installEventFilter(this);
    TntMemo_Edit = new TEditorMemo(Panel_Editor);
    named(TntMemo_Edit, "TntMemo_Edit");
    TntMemo_Edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    buildCryptoPane();

    TntCheckBox_EditorAutoFormat = new QCheckBox(QStringLiteral("Строка 63"), this);
    named(TntCheckBox_EditorAutoFormat, "TntCheckBox_EditorAutoFormat");
    CheckBox_EditorCriptoMode = new QCheckBox(QStringLiteral("Крипт"), this);
    named(CheckBox_EditorCriptoMode, "CheckBox_EditorCriptoMode");

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
    Button_Editor_Template = button(QStringLiteral("Шаблон"), "Button_Editor_Template");

    auto* header = new QHBoxLayout;
    header->addWidget(new QLabel(QStringLiteral("Категория"), this));
    header->addWidget(TntComboBox_Editor_Category);
    header->addWidget(MaskEdit_Net);
    header->addSpacing(8);
    header->addWidget(Label_Editor_Index);
    header->addWidget(MaskEdit_Editor_Index);
    header->addWidget(MaskEdit_Editor_Schema);
    header->addWidget(Button_Editor_Addresses);
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
    buttons->addWidget(Button_Editor_Template);
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
    page->addWidget(Panel_Editor, 1);
    page->addLayout(buttons);
}

void TEditorPage::buildCryptoPane() {
    Panel_Editor_Perforator = new QWidget(Panel_Editor);
    Panel_Editor_Perforator->setObjectName(QStringLiteral("Panel_Editor_Perforator"));
    QWidget* pane = Panel_Editor_Perforator;
    auto button = [pane](const QString& caption, const QString& hint, const char* name) {
        auto* b = new QPushButton(caption, pane);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        b->setMaximumWidth(50);
        return b;
    };
    auto titleBar = [pane](const QString& caption, const char* name) {
        auto* title = new QLabel(caption, pane);
        title->setObjectName(QLatin1String(name));
        title->setFrameShape(QFrame::Panel);
        title->setFrameShadow(QFrame::Raised);
        return title;
    };

    TntPanel2 = titleBar(QStringLiteral("Криптоблок"), "TntPanel2");
    TntButton_PerforatorString_DeleteBegin =
        button(QStringLiteral(".>"), QStringLiteral("Перенести символ в заголовок"),
               "TntButton_PerforatorString_DeleteBegin");
    TntButton_PerforatorString_DeleteStartLine =
        button(QStringLiteral("__>"), QStringLiteral("Перенести строку в заголовок"),
               "TntButton_PerforatorString_DeleteStartLine");
    TntCheckBox_PerforatorString_Reg = new QCheckBox(QStringLiteral("Показать регистры"), pane);
    TntCheckBox_PerforatorString_Reg->setObjectName(
        QStringLiteral("TntCheckBox_PerforatorString_Reg"));
    TntCheckBox_PerforatorString_Reg->setChecked(true);
    Button_Edit_CriptoBlockToPerforator = new QPushButton(QStringLiteral("Перфоратор"), pane);
    Button_Edit_CriptoBlockToPerforator->setObjectName(
        QStringLiteral("Button_Edit_CriptoBlockToPerforator"));
    Button_Edit_CriptoBlockToPerforator->setVisible(false);

    TntMemo_Edit_PerforatorString = new QPlainTextEdit(pane);
    TntMemo_Edit_PerforatorString->setObjectName(QStringLiteral("TntMemo_Edit_PerforatorString"));
    TntMemo_Edit_PerforatorString->setReadOnly(true);
    TntMemo_Edit_PerforatorString->setLineWrapMode(QPlainTextEdit::NoWrap);
    TntMemo_Edit_PerforatorString->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TntMemo_Edit_PerforatorString->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette info = TntMemo_Edit_PerforatorString->palette();
    info.setColor(QPalette::Base, info.color(QPalette::ToolTipBase));
    info.setColor(QPalette::Text, info.color(QPalette::ToolTipText));
    TntMemo_Edit_PerforatorString->setPalette(info);
    TntMemo_Edit_PerforatorString->setContextMenuPolicy(Qt::CustomContextMenu);

    TntPopupMenu_Crypt = new QMenu(this);
    TntPopupMenu_Crypt->setObjectName(QStringLiteral("TntPopupMenu_Crypt"));
    CryptClear = TntPopupMenu_Crypt->addAction(QStringLiteral("Очистить"));
    CryptPaste = TntPopupMenu_Crypt->addAction(QStringLiteral("Вставить"));
    TntPopupMenu_Crypt->addSeparator();
    CryptSave = TntPopupMenu_Crypt->addAction(QStringLiteral("Сохранить в файл"));

    TntPanel1 = titleBar(QStringLiteral("Подпись"), "TntPanel1");
    TntButton_PerforatorString_DeleteEndLine =
        button(QStringLiteral("<___"), QStringLiteral("Перенести строку в подпись"),
               "TntButton_PerforatorString_DeleteEndLine");
    TntButton_PerforatorString_DeleteEnd =
        button(QStringLiteral("<."), QStringLiteral("Перенести символ в подпись"),
               "TntButton_PerforatorString_DeleteEnd");
    TntMemo_Edit_PS = new QPlainTextEdit(pane);
    TntMemo_Edit_PS->setObjectName(QStringLiteral("TntMemo_Edit_PS"));

    auto* blockBar = new QHBoxLayout;
    blockBar->addWidget(TntPanel2, 1);
    blockBar->addWidget(TntButton_PerforatorString_DeleteBegin);
    blockBar->addWidget(TntButton_PerforatorString_DeleteStartLine);
    blockBar->addWidget(TntCheckBox_PerforatorString_Reg);
    blockBar->addWidget(Button_Edit_CriptoBlockToPerforator);
    auto* signatureBar = new QHBoxLayout;
    signatureBar->addWidget(TntPanel1, 1);
    signatureBar->addWidget(TntButton_PerforatorString_DeleteEndLine);
    signatureBar->addWidget(TntButton_PerforatorString_DeleteEnd);
    auto* crypto = new QVBoxLayout(pane);
    crypto->setContentsMargins(0, 2, 0, 0);
    crypto->setSpacing(2);
    crypto->addLayout(blockBar);
    crypto->addWidget(TntMemo_Edit_PerforatorString, 2);
    crypto->addLayout(signatureBar);
    crypto->addWidget(TntMemo_Edit_PS, 1);
    pane->setVisible(false);
}

bool TEditorPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel_Editor && event->type() == QEvent::Resize)
        layoutEditorPanel();
    return QWidget::eventFilter(watched, event);
}

void TEditorPage::layoutEditorPanel() {
    const int width = Panel_Editor->width();
    const int height = Panel_Editor->height();
    const int pane = CheckBox_EditorCriptoMode->isChecked() ? height * 4 / 5 : 0;
    TntMemo_Edit->setGeometry(0, 0, width, height - pane);
    Panel_Editor_Perforator->setGeometry(0, height - pane, width, pane);
    Panel_Editor_Perforator->setVisible(pane > 0);
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
    layoutEditorPanel();
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
    TntMemo_Edit_PerforatorString->setPlainText(
        CryptoBlockDisplay(CryptoBlock, TntCheckBox_PerforatorString_Reg->isChecked()));
}

void TEditorPage::SetCryptoAvailable(bool available) {
    cryptoAvailable_ = available;
    CheckBox_EditorCriptoMode->setEnabled(available);
}

void TEditorPage::CheckBox_EditorCriptoModeClick() {
    layoutEditorPanel();
}

void TEditorPage::cryptoPaneChanged() {
    const bool lines = !TntMemo_Edit_PerforatorString->document()->isEmpty();
    for (QPushButton* button :
         {TntButton_PerforatorString_DeleteBegin, TntButton_PerforatorString_DeleteStartLine,
          TntButton_PerforatorString_DeleteEndLine, TntButton_PerforatorString_DeleteEnd})
        button->setEnabled(lines);
    UpdateEditorState();
}

void TEditorPage::MoveCryptoPiece(TCryptoPiece piece, bool onlyRemove) {
    const std::optional<LineText> cut = CutCryptoPiece(CryptoBlock, piece);
    if (!cut)
        return;
    const bool toHeader = piece == TCryptoPiece::FirstByte || piece == TCryptoPiece::FirstLine;
    if (!onlyRemove) {
        const QString text = CryptoPieceText(*cut, TntCheckBox_PerforatorString_Reg->isChecked());
        QPlainTextEdit* memo = toHeader ? TntMemo_Edit : TntMemo_Edit_PS;
        QTextCursor at(memo->document());
        at.movePosition(toHeader ? QTextCursor::End : QTextCursor::Start);
        at.insertText(text);
    }
    RefreshCryptoDisplay();
    if (toHeader) {
        TntMemo_Edit->moveCursor(QTextCursor::End);
        TntMemo_Edit->ensureCursorVisible();
        TntMemo_Edit_PerforatorString->moveCursor(QTextCursor::Start);
    } else {
        TntMemo_Edit_PS->moveCursor(QTextCursor::Start);
        TntMemo_Edit_PS->ensureCursorVisible();
        TntMemo_Edit_PerforatorString->moveCursor(QTextCursor::End);
    }
    TntMemo_Edit_PerforatorString->ensureCursorVisible();
}

void TEditorPage::Button_Edit_CriptoBlockToPerforatorClick() {
    // Without the tape side there is no perforator to work with.
    if (!ReadTape)
        return;
    enum { Read = 0, Punch = 1 };
    int direction = Read;
    if (!CryptoBlock.isEmpty()) {
        direction = ChooseTapeDirection ? ChooseTapeDirection() : 2;
        if (direction != Read && direction != Punch)
            return;
    }
    if (direction == Punch) {
        Q_EMIT punchRequested(CryptoBlock);
        return;
    }
    if (const std::optional<LineText> tape = ReadTape())
        CryptoBlock = *tape;
    RefreshCryptoDisplay();
}

void TEditorPage::TntPopupMenu_CryptPopup() {
    CryptPaste->setEnabled(!ClipboardText().isEmpty());
}

void TEditorPage::CryptClearClick() {
    CryptoBlock.clear();
    RefreshCryptoDisplay();
}

void TEditorPage::CryptPasteClick() {
    CryptoBlock = Cp1251ToCp866(ClipboardText());
    RefreshCryptoDisplay();
}

void TEditorPage::CryptSaveClick() {
    const QString path = ChooseSaveFile(kTlgSaveFilter, QStringLiteral("tlg"));
    if (path.isEmpty())
        return;
    if (AppendCryptoBlock(path, CryptoBlock))
        protocol_.AddMessage(QStringLiteral("Сохранено содержимое криптоблока в файле: ") + path,
                             kProtocolEvent);
    else
        protocol_.AddMessage(QStringLiteral("ОШИБКА ЗАПИСИ ФАЙЛА: ") + path, kProtocolError);
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
    emit punchWideRequested(JoinLines(writer_.OutgoingLines));
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
