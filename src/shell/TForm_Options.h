#pragma once

#include "config/tlgconfig.h"
#include "line/portlist.h"

#include <QDialog>
#include <QFont>
#include <QStringList>

#include <functional>

class ISoundPlayer;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

// The settings dialog "TARVO/COM [Options]": eight pages of controls, each
// holding one setting. Fill copies the settings in, Store copies them back;
// what must change at once is the main window's business.
class TForm_Options : public QDialog {
    Q_OBJECT
public:
    // What the machine offers, looked up as the dialog opens.
    struct Choices {
        QList<TPortRecord> ports;
        QStringList rawPrinters;   // device paths and "cups:QUEUE" names
        QStringList pagePrinters;  // the system's printers
        QStringList vpnEntries;    // dial-up connection profiles
    };

    explicit TForm_Options(QWidget* parent = nullptr);

    // Sounds of the play buttons, and the program folder the file choosers
    // open in.
    void SetSoundPlayer(ISoundPlayer* player) { player_ = player; }
    void SetProgramFolder(const QString& folder) { programFolder_ = folder; }
    // The file choosers (tests answer them); by default QFileDialog.
    using FileChooser = std::function<QString(const QString& caption, const QString& start,
                                              const QString& filter)>;
    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    using FontChooser = std::function<bool(QFont& font)>;
    void SetFontChooser(FontChooser chooser) { chooseFont_ = std::move(chooser); }

    void Fill(const _tlg_config& config, const _tlg_controls& controls, const Choices& choices);
    // Every control back into the records. Fields the dialog does not show
    // keep their values.
    void Store(_tlg_config& config, _tlg_controls& controls) const;

    // The port names chosen (the list entry up to its first blank).
    const QString& DialogLinePort() const { return dialogLinePort_; }
    const QString& DialogPerfPort() const { return dialogPerfPort_; }

    // A port field that is not a port number keeps the dialog open.
    void accept() override;

    QTabWidget* PageControl;

    // Подключение
    QRadioButton* RadioButton_TCPIP;
    QRadioButton* RadioButton_COM;
    QGroupBox* GroupBox_TCPIP;
    QLineEdit* Edit_Host;
    QLineEdit* Edit_Port;
    QLineEdit* Edit_Host2;
    QLineEdit* Edit_Port2;
    QCheckBox* CheckBox_VPN_Use;
    QGroupBox* GroupBox_COM;
    QComboBox* ComboBox_Port;
    QComboBox* ComboBox_Baud;
    QCheckBox* CheckBox_Perforator;
    QGroupBox* GroupBox_Perforator;
    QComboBox* ComboBox_PerfPort;
    QComboBox* ComboBox_PerfBaud;
    QCheckBox* CheckBox_PerfNoBlock;

    // VPN
    QWidget* TabSheet_VPN;
    QComboBox* ComboBox_VPN_Name;
    QLineEdit* Edit_VPN_Login;
    QLineEdit* Edit_VPN_Password;
    QRadioButton* RadioButton_VPN_AllTime;
    QRadioButton* RadioButton_VPN_TimeTable;
    QPlainTextEdit* Memo_VPN_TimeTable;
    QSpinBox* UpDown_VPN_DisconnectDelay;
    QCheckBox* CheckBox_VPN_NoDisturb;

    // Прием/Передача
    QCheckBox* CheckBox_TlgNotes;
    QSpinBox* UpDown_TlgTimeOut;
    QSpinBox* UpDown_ZZTimeOut;
    QComboBox* ComboBox_CCM;
    QCheckBox* CheckBox_CorrectTime;
    QComboBox* ComboBox_TZ;
    QCheckBox* CheckBox_OnIdleSendKG0;
    QComboBox* ComboBox_IdleSendKGTimeOut;
    QCheckBox* CheckBox_ReSendEnable;
    QLineEdit* Edit_ReSendHeader;
    QCheckBox* CheckBox_ServicePlace;
    QLineEdit* Edit_AA;

    // Каталоги
    QLineEdit* Edit_InputPath;
    QSpinBox* UpDown_InputPath_Days;
    QLineEdit* Edit_OutputPath;
    QSpinBox* UpDown_OutputPath_Days;
    QLineEdit* Edit_PrtPath;
    QSpinBox* UpDown_PrtPath_Days;
    QSpinBox* UpDown_ScanPathTimeout;
    QCheckBox* CheckBox_OutputAppendMode;
    QCheckBox* CheckBox_SaveRegisterInTlg;
    QCheckBox* CheckBox_SaveTlg_ANSI;
    QCheckBox* CheckBox_DayPath_YYMMDD;
    QCheckBox* CheckBox_MarkFilesInList;
    QCheckBox* CheckBox_CorrectInputTlg;

    // Печать
    QCheckBox* CheckBox_AutoPrintTlg;
    QCheckBox* CheckBox_PrintRegisters;
    QCheckBox* CheckBox_AutoWordWrap;
    QCheckBox* CheckBox_AutoPrintMsg;
    QRadioButton* RadioButton_PRN_Matrix;
    QRadioButton* RadioButton_PRN_Windows;
    QComboBox* ComboBox_PRN;
    QCheckBox* CheckBox_PRNLoadFont;
    QLineEdit* Edit_PRNFontFile;
    QPushButton* Button_PRNFontFile;
    QSpinBox* UpDown_PrintSkipLines;
    QComboBox* ComboBox_Printers;
    QPushButton* Button_PrnFont;

    // Разное
    QLineEdit* Edit_AccessCode;
    QLineEdit* Edit_Editor_Category;
    QLineEdit* MaskEdit_Editor_Index;
    QPushButton* Button_Font;
    QCheckBox* CheckBox_ParseOutTextForAutoReplace;
    QCheckBox* CheckBox_AutoRun;
    QCheckBox* CheckBox_TrayMode;
    QCheckBox* CheckBox_StartAutomate;
    QCheckBox* CheckBox_AskOnClose;
    QCheckBox* CheckBox_MinimizeOnCloseWindow;
    QCheckBox* CheckBox_ProtocolWidth;
    QCheckBox* CheckBox_RestoreWindowPosition;
    QCheckBox* CheckBox_NoHideInTaskBar;

    // Смена
    QCheckBox* TntCheckBox_UseOperatorList;
    QPlainTextEdit* TntMemo_OperatorList;
    QCheckBox* CheckBox_RAutoConfirm;
    QSpinBox* UpDown_RAutoConfirm;

    // Звуки: Ракета, Категорийная, Остальные телеграммы, Потеря связи.
    struct SoundGroup {
        QComboBox* type;
        QLineEdit* file;
        QPushButton* browse;
        QPushButton* play;
    };
    SoundGroup Sound_R, Sound_K, Sound_O, Sound_NC;
    QLineEdit* Edit_Category_Sound;

    QPushButton* Button_Save;
    QPushButton* Button_Cancel;

    // The enabling rules, run whenever a control they depend on changes.
    void UpdateEnabling();

private:
    QWidget* MakeConnectionPage();
    QWidget* MakeVpnPage();
    QWidget* MakeExchangePage();
    QWidget* MakeFoldersPage();
    QWidget* MakePrintPage();
    QWidget* MakeOtherPage();
    QWidget* MakeShiftPage();
    QWidget* MakeSoundPage();
    SoundGroup MakeSoundGroup(const char* prefix, bool withLoop);
    void PlayGroup(const SoundGroup& group) const;
    void BrowseSound(const SoundGroup& group);
    void ChooseFont(QPushButton* button, QFont& font);
    QString ChooseFile(const QString& start, const QString& filter);
    void FillPorts(const QList<TPortRecord>& ports, const QString& line, const QString& perf);

    ISoundPlayer* player_ = nullptr;
    QString programFolder_;
    FileChooser chooseFile_;
    FontChooser chooseFont_;
    QString dialogLinePort_;
    QString dialogPerfPort_;
    int linePortsFound_ = 0;
    int perfPortsFound_ = 0;
    QFont screenFont_;
    QFont printerFont_;
};

// The font of the settings as a QFont, and back.
QFont ToQFont(const _tlg_font& font);
_tlg_font FromQFont(const QFont& font);
