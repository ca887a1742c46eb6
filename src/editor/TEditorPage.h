#pragma once

#include "editor/editortext.h"
#include "editor/outgoing.h"
#include "util/texttypes.h"

#include <QString>
#include <QWidget>

#include <QDate>
#include <QList>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QFont;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TAddressBook;
class TAddressCompleter;
class TProtocol;
class TSentDestinations;
struct TAddressEntry;
struct TDestination;
struct TTemplate;
struct _tlg_config;
struct _tlg_controls;
struct _tlg_status;

// The "Редактор" page: the header fields, the origin line, the text, and
// the buttons that clear, load, print and send the telegram. Composition and
// writing are TOutgoingWriter's; this page collects its fields for them and
// is the writer's operator side (confirmation, error boxes).
//
// In crypto mode a pane below the text holds the crypto block, kept as line
// code so that it reaches the line byte for byte, and the signature after
// it. Printing, the tape and the control service's request form ("АВТОКСС")
// are the main window's.
class TEditorPage : public QWidget, public IOutgoingHost {
    Q_OBJECT
public:
    TEditorPage(const _tlg_config& config, _tlg_status& status, TProtocol& protocol,
                TOutgoingWriter& writer, QWidget* parent = nullptr);
    ~TEditorPage() override;

    // The controls bound to settings, from and back to the settings record.
    // Until ApplyControls has run, StoreControls leaves the record alone.
    void ApplyControls(const _tlg_controls& controls);
    void StoreControls(_tlg_controls& controls) const;
    // The folder the process returns to after a file dialog.
    void SetProgramFolder(const QString& folder) { programFolder_ = folder; }
    // The screen font: the text and the header fields.
    void ApplyFont(const QFont& font);

    // Fills the writer's buffers from the fields.
    void ComposeOutgoing();
    // Clears the editor for a new telegram; showEditor brings the page up.
    void NewTelegram(bool showEditor);
    // Send button, word count, origin date and the "Строка 63" cut; runs on
    // every change of the text, the signature and the index.
    void UpdateEditorState();
    // A received telegram's shown text, without its frame.
    void TakeReceivedText(const QString& text);
    // "В редактор" of the received list: the raw text into the crypto block
    // in crypto mode, else the shown text.
    void TakeReceivedTelegram(const QString& shownText, const LineText& rawText);
    // "В редактор" of the sent list: the text as it is.
    void TakeSentText(const QString& text);
    // A request of the control service: its index into the index field and
    // its text as the telegram's text.
    void TakeRequest(const QString& index, const QString& text);
    // Shows CryptoBlock in its pane; runs after every change of the block.
    void RefreshCryptoDisplay();
    // Whether crypto mode may be used (it may unless the owner says not).
    void SetCryptoAvailable(bool available);

    // The working day: the sent telegrams of the days up to it are counted
    // for the address completion. Without it the book alone is offered.
    void SetTodaySource(std::function<QDate()> today) { today_ = std::move(today); }
    // The address book of the program folder, read again when its file
    // changed since the last look.
    TAddressBook& AddressBook();
    // The book's usable entries and the destinations of the telegrams sent
    // lately, most used first.
    QList<TDestination> Destinations();
    // The header fields from the entry, and its address lines at the top of
    // an empty text; a text that is not empty gets them only when the
    // operator agrees. With replaceFirstLine they take the place of the first
    // line, which the operator was typing.
    void FillFromEntry(const TAddressEntry& entry, bool replaceFirstLine = false);
    // "Шаблон": the menu of the prepared texts, made afresh as it opens.
    void PopupMenu_TemplatesPopup();
    // Loads a prepared text (asking before replacing a text); the header
    // fields stay.
    void LoadTemplate(const TTemplate& prepared);

    // Handlers.
    void Button_SendClick();
    void Button_Editor_LoadClick();
    void Button_Editor_ToPerforatorClick();
    void TntComboBox_Editor_CategoryChange();
    void CheckBox_FromClick();
    void TntComboBox_OperatorListChange();
    void CheckBox_EditorCriptoModeClick();
    // The four move buttons; onlyRemove (Shift at the click) drops the piece.
    void MoveCryptoPiece(TCryptoPiece piece, bool onlyRemove);
    void Button_Edit_CriptoBlockToPerforatorClick();
    // The block pane's menu: "Вставить" only while the clipboard holds text.
    void TntPopupMenu_CryptPopup();
    void CryptClearClick();
    void CryptPasteClick();
    void CryptSaveClick();
    // "Адреса…" and Ctrl+B: the address book.
    void Button_Editor_AddressesClick();
    // "Сохранить как шаблон…".
    void Action_SaveTemplateClick();

    // IOutgoingHost
    bool ConfirmSend(const QStringList& lines) override;
    void ShowWriteError(const QString& text) override;
    void OutgoingWritten(const QString& path, bool confirmed) override;

    // Asks for a file to load with the given filter; empty when cancelled.
    // Tests replace it.
    std::function<QString(const QString& filter)> ChooseFile;
    // Asks for a file to save into, with the filter and the extension added
    // to a name without one; empty when cancelled. Tests replace it.
    std::function<QString(const QString& filter, const QString& suffix)> ChooseSaveFile;
    // Whether a tape can be read now, and the tape input window: the text
    // read when the operator accepted it. Set by the main window.
    std::function<bool()> TapeAvailable;
    std::function<std::optional<LineText>()> ReadTape;
    // The choice between reading and punching a tape: 0 read, 1 punch,
    // 2 cancelled. Set by the main window; unset counts as cancelled.
    std::function<int()> ChooseTapeDirection;

    // Line code, filled by loading or taking over a received telegram.
    LineText CryptoBlock;

    QComboBox* TntComboBox_Editor_Category;
    QLineEdit* MaskEdit_Net;
    QLabel* Label_Editor_Index;
    QLineEdit* MaskEdit_Editor_Index;
    QLineEdit* MaskEdit_Editor_Schema;
    QPushButton* Button_Editor_Addresses;
    QCheckBox* CheckBox_From;
    QLineEdit* TntEdit_Editor_From;
    QLineEdit* TntEdit_Editor_Words;
    QLineEdit* TntEdit_Editor_FromData;
    QPlainTextEdit* TntMemo_Edit;
    // The text and, below it, the crypto pane.
    QWidget* Panel_Editor;
    QWidget* Panel_Editor_Perforator;
    QLabel* TntPanel2;
    QPushButton* TntButton_PerforatorString_DeleteBegin;
    QPushButton* TntButton_PerforatorString_DeleteStartLine;
    QCheckBox* TntCheckBox_PerforatorString_Reg;
    QPushButton* Button_Edit_CriptoBlockToPerforator;
    QPlainTextEdit* TntMemo_Edit_PerforatorString;
    QLabel* TntPanel1;
    QPushButton* TntButton_PerforatorString_DeleteEndLine;
    QPushButton* TntButton_PerforatorString_DeleteEnd;
    QPlainTextEdit* TntMemo_Edit_PS;
    QMenu* TntPopupMenu_Crypt;
    QAction* CryptClear;
    QAction* CryptPaste;
    QAction* CryptSave;
    QCheckBox* TntCheckBox_EditorAutoFormat;
    QCheckBox* CheckBox_EditorCriptoMode;
    QLabel* TntLabel_Operator;
    QComboBox* TntComboBox_OperatorList;
    QPushButton* Button_Editor_New;
    QPushButton* Button_Editor_Load;
    QPushButton* Button_Send;
    QPushButton* Button_Editor_Print;
    QPushButton* Button_Editor_ToPerforator;
    QPushButton* TntButton_AutoKSS;
    QPushButton* Button_Editor_Template;
    QMenu* PopupMenu_Templates;
    QAction* Action_SaveTemplate;
    // The destinations offered while the index or the first line is typed.
    TAddressCompleter* Completer_Address;

Q_SIGNALS:
    // The main window shows this page / the protocol page.
    void editorPageWanted();
    void protocolPageWanted();
    // "АВТОКСС": the request form of the control service.
    void autoKssClicked();
    // "Вывести на ПЛ": line code to punch (the crypto block), or the
    // composed telegram as display text.
    void punchRequested(const LineText& text);
    void punchWideRequested(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildCryptoPane();
    void layoutEditorPanel();
    void cryptoPaneChanged();
    void applyLineLimit();
    void loadText(const QString& path);
    void loadCryptoBlock(const QString& path);
    bool schemaMode() const;
    void buildComposeAids();
    QStringList categories() const;
    QList<TDestination> sentLately();
    void offerForField(QLineEdit* field, bool schema);
    void offerForFirstLine();
    void putAddressLines(const TAddressEntry& entry, bool replaceFirstLine);

    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;
    TOutgoingWriter& writer_;
    QString programFolder_;
    bool cryptoAvailable_ = true;
    bool updating_ = false;
    bool controlsApplied_ = false;
    std::function<QDate()> today_;
    std::unique_ptr<TAddressBook> book_;
    std::unique_ptr<TSentDestinations> sent_;
    bool completingFirstLine_ = false;
};
