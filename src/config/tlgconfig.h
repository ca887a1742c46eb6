#pragma once

#include "util/texttypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// The settings of the program while it runs. One field per ini key; the key
// is named beside each field. Texts that the file holds in code page 1251 are
// QString here; the line-code values stay LineText. The defaults below are
// those of a missing key, after the rules of LoadSettings (so a fresh record
// equals the settings read from an empty file).
struct _tlg_config {
    // Link to the centre.
    bool Tcp = true;                             // SERVER/TCP: 1 TCP/IP, 0 serial line adapter
    QString Host = QStringLiteral("127.0.0.1");  // SERVER/host
    int Port = 3333;                             // SERVER/port
    QString Host2;                               // SERVER/host2, empty = no reserve server
    int Port2 = 0;                               // SERVER/port2
    QString Com = QStringLiteral("ttyS0");       // SERVER/COM, see config/portname.h
    int Baud = 0;                                // SERVER/baud: 0 = 50, 1 = 100, 2 = 200 baud
    bool PerfEnable = false;                     // PERFORATOR/Enable
    QString PerfCom = QStringLiteral("ttyS0");   // PERFORATOR/COM
    bool PerfNoBlock = false;                    // PERFORATOR/NoBlock
    int PerfBaud = 0;                            // PERFORATOR/baud: 0 = 50, 1 = 100, 2 = maximum
    bool VpnUse = false;                         // VPN/Use
    QString VpnName = QStringLiteral("test");    // VPN/Name
    QString VpnLogin;                            // VPN/Login
    QString VpnPassword;                         // VPN/Password
    bool VpnUseTimeTable = false;                // VPN/UseTimeTable
    QString VpnTimeTable;                        // VPN/TimeTable, one line ("08:00 12:30 ...")
    int VpnDisconnectDelay = 30;                 // VPN/DisconnectDelay, seconds
    bool VpnNoDisturb = false;                   // VPN/NoDisturb

    // Folders, each ending in '/', relative to the program folder unless absolute.
    QString InpPath = QStringLiteral("inp/");          // PATH/inp
    int InpDays = 240;                                 // PATH/inp_days
    QString OutPath = QStringLiteral("out/");          // PATH/out
    int OutDays = 240;                                 // PATH/out_days
    QString PrtPath = QStringLiteral("prt/");          // PATH/prt
    int PrtDays = 240;                                 // PATH/prt_days
    bool OutputInAppendMode = true;                    // PATH/OutputInAppendMode
    bool SaveRegisterInTlg = false;                    // PATH/SaveRegisterInTlg
    bool SaveTlgAnsi = true;                           // PATH/SaveTlg_ANSI
    int ScanTimeout = 30;                              // PATH/timeout, seconds; 0 = no scanning
    QString DayFormat = QStringLiteral("mmdd");        // PATH/DayFormat
    QString SearchDayFormat = QStringLiteral("????");  // PATH/SearchDayFormat
    bool MarkFilesInList = false;                      // PATH/MarkFilesInList
    bool CheckTlgNotes = false;                        // OTHER/CheckTlgNotes
    bool ServicePlace = false;                         // OTHER/ServicePlace
    bool ParseOutTextForAutoReplace = false;           // EDITOR/ParseOutTextForAutoReplace

    // Printing.
    bool AutoPrintTlg = false;                        // PRINT/AutoPrintTlg
    bool AutoPrintMsg = false;                        // PRINT/AutoPrintMsg
    bool AutoWordWrap = true;                         // PRINT/AutoWordWrap
    QString Prn = QStringLiteral("PRN");              // PRINT/PRN
    QString PrinterIp;                                // PRINT/IP, read only
    bool MatrixRaw = true;                            // PRINT/MatrixRAW
    int WindowsPrinterN = -1;                         // PRINT/WindowsPrinterN, -1 = none chosen
    bool LoadFont = false;                            // PRINT/LoadFont
    QString LoadFontFileName;                         // PRINT/LoadFontFileName
    int SkipLines = 4;                                // PRINT/SkipLines
    bool PrintRegisters = false;                      // PRINT/PrintRegisters
    QByteArray PrinterFont = QByteArray(2048, '\0');  // 256 glyphs of 8 x 8 dots, not in the file

    // Forwarding.
    bool ReSendEnable = false;  // OTHER/ReSendEnable
    QString ReSendHeader;       // OTHER/ReSendHeader

    // Start and window behaviour.
    bool AutoRun = true;            // OTHER/AutoRun
    bool TrayMode = false;          // OTHER/TrayMode
    bool NoHideInTaskBar = true;    // OTHER/NoHideInTaskBar
    bool StartAutomateMode = true;  // OTHER/StartAutomateMode
    int ProtocolWidth = 0;          // OTHER/ProtocolWidth: 0 no wrap, else wrap at 69
    bool CorrectTime = false;       // OTHER/CorrectTime
    int CorrectTimeTZ = 0;          // OTHER/CorrectTimeTZ, hours
    int TlgTimeOut = 30;            // OTHER/Tlg_TimeOut, seconds
    int AskOnClose = 1;             // OTHER/AskOnClose, 0 or 1
    int MinimizeOnCloseWindow = 1;  // OTHER/MinimizeOnCloseWindow, 0 or 1

    // Exchange.
    int Ccm = 0;                 // SERVER/CCM: 0, 1 or 2
    bool OnIdleSendKG0 = false;  // SERVER/OnIdleSendKG0
    int IdleSendKGTimeOut = 3;   // SERVER/IdleSendKGTimeOut, units of 5 minutes
    int ZZTimeOut = 4;           // OTHER/ZZTimeOut, seconds
    QString AccessCode;          // OTHER/Code, empty = no code
    QString DefaultIndex = QStringLiteral("141911");  // EDITOR/Index
    bool UseOperatorList = false;                     // OPERATOR/UseList
    // OPERATOR/List as comma-separated text (config/commatext.h). The settings
    // dialog keeps it and _tlg_controls::OperatorItems in step; it is what
    // SaveSettings writes.
    QString OperatorList;

    // Sounds: 0 none, 1 beep, 2 play the file, 3 play it in a loop.
    int RaketaType = 2;                                // SOUND/Raketa_Type
    QString RaketaFile = QStringLiteral("alarm.wav");  // SOUND/Raketa_File
    int KType = 1;                                     // SOUND/K_Type
    QString KFile = QStringLiteral("alarm.wav");       // SOUND/K_File
    QList<LineText> SoundCategories;                   // SOUND/Category, line code
    int OType = 0;                                     // SOUND/O_Type
    QString OFile = QStringLiteral("alarm.wav");       // SOUND/O_File
    int NcType = 0;                                    // SOUND/NC_Type
    QString NcFile = QStringLiteral("alarm.wav");      // SOUND/NC_File

    bool RestorePosition = false;  // WINDOW/RestorePosition
    int RAutoConfirm = 0;          // OPERATOR/RAutoConfirm, seconds, 0 = never
    QString TextAA;                // OTHER/TextAA
    bool CorrectInputTlg = false;  // PATH/CorrectInputTlg

    bool operator==(const _tlg_config&) const = default;
};

// The run-time state of the exchange. The first fields are kept in the ini
// file; the rest live only in memory.
struct _tlg_status {
    int NumberInput = 0;      // STATUS/NumberInput: received from the centre today
    int NumberOutput = 0;     // STATUS/NumberOutput: transmitted to the centre today
    int EditNumber = 0;       // OTHER/EditNumber: telegrams made in the editor today
    int PrfNumber = 0;        // OTHER/PrfNumber
    int LineInputNumber = 0;  // OTHER/LineInputNumber
    bool Automatic = false;   // STATUS/Automatic: the current mode, true = automatic
    QString DayText;          // STATUS/MMDD: the working day the counters belong to
    // STATUS/HandedOver, HandedOverNumber: the file (in the out root) whose
    // telegram the line took whole, with the output number it carried, until
    // the centre's verdict has filed it; empty when none waits.
    QString HandedOverFile;
    int HandedOverNumber = 0;

    // Start-up and shutdown.
    int StartPhase = 0;  // 0 window built, 1 post-start work running, 2 running
    bool FoldersReady = false;
    int CloseCountdown = 0;  // seconds until the window closes itself, 0 = none

    // Texts of the exchange clock, refreshed every second.
    QString CurrentDateText;           // "dd/mm"
    QString CurrentTimeText;           // "hhnn"
    QString CurrentTimeColonText;      // "hh:nn"
    QString CurrentSecondsText;        // "hhnnss"
    QString CurrentSecondsColonText;   // "hh:nn:ss"
    bool CounterResetPending = false;  // the day changed before 00:06
    bool NumberingHold = false;        // set at 23:56, holds sending from the output folder

    bool operator==(const _tlg_status&) const = default;
};

// Copies printed automatically of a received telegram, by the scheme number
// on its first line (SCHEMA_PRINT/000 ... 999); 0 = no printout.
inline constexpr int kSchemaCount = 1000;
inline constexpr int kDefaultSchemaCopies = 2;
using SchemaCopyTable = std::array<int, kSchemaCount>;

// A font as the settings keep it (FONT, FONT_PRN).
struct _tlg_font {
    QString Name;
    int Size = 0;
    bool Bold = false;

    bool operator==(const _tlg_font&) const = default;
};

// The page of the main window that was active (WINDOW/Page).
enum class WindowPage { Protocol, Editor, Other };

// Settings the main window holds in its own controls rather than in
// _tlg_config. LoadSettings fills this record and the window applies it;
// before SaveSettings the window puts its controls' current state here.
struct _tlg_controls {
    // Editor page.
    bool FromUse = false;  // EDITOR/FromUse: CheckBox_From
    QString FromString;    // EDITOR/FromString (line code in the file): TntEdit_Editor_From
    // EDITOR/Category (line code in the file): items of TntComboBox_Editor_Category.
    QStringList Categories = {QStringLiteral("П"), QStringLiteral("С"), QStringLiteral("ПМ"),
                              QStringLiteral("СМ"), QStringLiteral("ПП")};
    int CategoryIndex = 0;    // its selected item, -1 = none
    bool AutoFormat = false;  // EDITOR/AutoFormat: TntCheckBox_EditorAutoFormat

    // Operator on duty: TntComboBox_OperatorList and its label TntLabel_Operator.
    QStringList OperatorItems;         // the items, from OPERATOR/List
    int OperatorIndex = -1;            // OPERATOR/Current, -1 = none selected
    bool OperatorListVisible = false;  // OPERATOR/UseList

    _tlg_font ScreenFont{QStringLiteral("Arial"), 10, false};          // FONT
    _tlg_font WindowsPrinterFont{QStringLiteral("Arial"), 14, false};  // FONT_PRN

    // Main window. LoadSettings changes these only with WINDOW/RestorePosition;
    // the window puts its current geometry here before either call.
    bool CenterOnScreen = true;
    int Top = 0;                             // WINDOW/Top
    int Left = 0;                            // WINDOW/Left
    int Height = 0;                          // WINDOW/Height
    int Width = 0;                           // WINDOW/Width
    WindowPage Page = WindowPage::Protocol;  // WINDOW/Page

    bool operator==(const _tlg_controls&) const = default;
};
