#pragma once

#include "editor/outgoing.h"
#include "util/texttypes.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QFont;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TProtocol;
struct _tlg_config;
struct _tlg_controls;
struct _tlg_status;

// The "Редактор" page: the header fields, the origin line, the text, and
// the buttons that clear, load, print and send the telegram. Composition and
// writing are TOutgoingWriter's; this page collects its fields for them and
// is the writer's operator side (confirmation, error boxes).
//
// The crypto block comes with its own part: its controls are in place and
// stay disabled until then. Printing, the tape and the control service's
// request form ("АВТОКСС") are the main window's.
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
    // Shows CryptoBlock; the crypto block's own display comes with it.
    void RefreshCryptoDisplay();
    // Whether the text may go into the crypto block (the crypto part
    // switches this on).
    void SetCryptoAvailable(bool available);

    // Handlers.
    void Button_SendClick();
    void Button_Editor_LoadClick();
    void Button_Editor_ToPerforatorClick();
    void TntComboBox_Editor_CategoryChange();
    void CheckBox_FromClick();
    void TntComboBox_OperatorListChange();

    // IOutgoingHost
    bool ConfirmSend(const QStringList& lines) override;
    void ShowWriteError(const QString& text) override;
    void OutgoingWritten(const QString& path, bool confirmed) override;

    // Asks for a file to load with the given filter; empty when cancelled.
    // Tests replace it.
    std::function<QString(const QString& filter)> ChooseFile;
    // Whether a tape can be read now, and the tape input window: the text
    // read when the operator accepted it. Set by the main window.
    std::function<bool()> TapeAvailable;
    std::function<std::optional<LineText>()> ReadTape;

    // Line code, filled by loading or taking over a received telegram.
    LineText CryptoBlock;

    QComboBox* TntComboBox_Editor_Category;
    QLineEdit* MaskEdit_Net;
    QLabel* Label_Editor_Index;
    QLineEdit* MaskEdit_Editor_Index;
    QLineEdit* MaskEdit_Editor_Schema;
    QCheckBox* CheckBox_From;
    QLineEdit* TntEdit_Editor_From;
    QLineEdit* TntEdit_Editor_Words;
    QLineEdit* TntEdit_Editor_FromData;
    QPlainTextEdit* TntMemo_Edit;
    QWidget* Panel_Editor_Perforator;
    QPlainTextEdit* TntMemo_Edit_PerforatorString;
    QPlainTextEdit* TntMemo_Edit_PS;
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

private:
    void buildControls();
    void applyLineLimit();
    void loadText(const QString& path);
    void loadCryptoBlock(const QString& path);
    bool schemaMode() const;

    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;
    TOutgoingWriter& writer_;
    QString programFolder_;
    bool cryptoAvailable_ = false;
    bool updating_ = false;
    bool controlsApplied_ = false;
};
