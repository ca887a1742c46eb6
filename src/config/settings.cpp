#include "config/settings.h"

#include "config/commatext.h"
#include "config/inifile.h"
#include "config/portname.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr char kServer[] = "SERVER";
constexpr char kPerforator[] = "PERFORATOR";
constexpr char kVpn[] = "VPN";
constexpr char kOther[] = "OTHER";
constexpr char kPath[] = "PATH";
constexpr char kStatus[] = "STATUS";
constexpr char kPrint[] = "PRINT";
constexpr char kFont[] = "FONT";
constexpr char kFontPrn[] = "FONT_PRN";
constexpr char kEditor[] = "EDITOR";
constexpr char kOperator[] = "OPERATOR";
constexpr char kSound[] = "SOUND";
constexpr char kWindow[] = "WINDOW";
constexpr char kSchemaPrint[] = "SCHEMA_PRINT";

const QString kDefaultHost = QStringLiteral("127.0.0.1");
const QString kDefaultDayFormat = QStringLiteral("mmdd");
const QString kDefaultSearchDayFormat = QStringLiteral("????");

// Code page 1251 texts.
QString readText(const CIniFile& ini, const char* section, const char* key, QStringView def) {
    return AnsiToWide(ini.ReadString(section, key, WideToAnsi(def)));
}

void writeText(CIniFile& ini, const char* section, const char* key, QStringView value) {
    ini.WriteExactString(section, key, WideToAnsi(value));
}

// A folder setting: shorter than 3 characters gives the default.
QString readFolder(const CIniFile& ini, const char* key, const QString& def) {
    const QString folder = readText(ini, kPath, key, def);
    return FolderSetting(folder.size() < 3 ? def : folder);
}

// An index or count outside the range the dialog offers gives the default,
// as SERVER/baud does: the dialog would show none of its choices, and the
// threads or the printer would be handed a value that is not there.
int readRanged(const CIniFile& ini, const char* section, const char* key, int low, int high,
               int def) {
    const int value = ini.ReadInteger(section, key, def);
    return value < low || value > high ? def : value;
}

_tlg_font readFont(const CIniFile& ini, const char* section, int defaultSize) {
    _tlg_font font;
    font.Name = readText(ini, section, "Name", u"Arial");
    font.Size = ini.ReadInteger(section, "Size", defaultSize);
    font.Bold = readText(ini, section, "Style", u"").contains(u'B');
    return font;
}

void writeFont(CIniFile& ini, const char* section, const _tlg_font& font) {
    writeText(ini, section, "Name", font.Name);
    ini.WriteInteger(section, "Size", font.Size);
    ini.WriteString(section, "Style", font.Bold ? "B" : "");
}

QByteArray schemaKey(int n) {
    return QByteArray::number(n).rightJustified(3, '0');
}

// The file as it is, to be changed and written back whole. A file that is
// there but cannot be read is not replaced: writing the document would drop
// every line of it that we do not know.
bool openForUpdate(CIniFile& ini, const QString& iniPath) {
    return ini.Load(iniPath) != CIniFile::LoadResult::Unreadable;
}

void readLink(const CIniFile& ini, _tlg_config& c) {
    c.Tcp = ini.ReadBool(kServer, "TCP", true);
    c.Host = readText(ini, kServer, "host", kDefaultHost);
    c.Port = ini.ReadInteger(kServer, "port", 3333);
    if (c.Tcp && c.Host.size() < 4)
        c.Host = kDefaultHost;
    c.Host2 = readText(ini, kServer, "host2", u"");
    c.Port2 = ini.ReadInteger(kServer, "port2", 0);
    c.Com = readText(ini, kServer, "COM", kDefaultPortSetting);
    c.Baud = readRanged(ini, kServer, "baud", 0, 2, 0);
    if (!IsPortSetting(c.Com))
        c.Com = QString::fromUtf16(kDefaultPortSetting);

    c.PerfEnable = ini.ReadBool(kPerforator, "Enable", false);
    c.PerfCom = readText(ini, kPerforator, "COM", u"");
    if (!IsPortSetting(c.PerfCom)) {
        c.PerfCom = QString::fromUtf16(kDefaultPortSetting);
        c.PerfEnable = false;
    }
    c.PerfBaud = readRanged(ini, kPerforator, "baud", 0, 2, 0);
    c.PerfNoBlock = ini.ReadBool(kPerforator, "NoBlock", false);

    c.VpnUse = ini.ReadBool(kVpn, "Use", false);
    c.VpnName = readText(ini, kVpn, "Name", u"test");
    c.VpnLogin = readText(ini, kVpn, "Login", u"");
    c.VpnPassword = readText(ini, kVpn, "Password", u"");
    c.VpnUseTimeTable = ini.ReadBool(kVpn, "UseTimeTable", false);
    c.VpnTimeTable = readText(ini, kVpn, "TimeTable", u"");
    c.VpnDisconnectDelay = ini.ReadInteger(kVpn, "DisconnectDelay", 30);
    c.VpnNoDisturb = ini.ReadBool(kVpn, "NoDisturb", false);

    c.Ccm = ini.ReadInteger(kServer, "CCM", 0);
    c.OnIdleSendKG0 = ini.ReadBool(kServer, "OnIdleSendKG0", false);
    c.IdleSendKGTimeOut = ini.ReadInteger(kServer, "IdleSendKGTimeOut", 3);
    c.ReSendEnable = ini.ReadBool(kOther, "ReSendEnable", false);
    c.ReSendHeader = readText(ini, kOther, "ReSendHeader", u"");
}

void readPaths(const CIniFile& ini, _tlg_config& c) {
    c.InpPath = readFolder(ini, "inp", QStringLiteral("inp/"));
    c.InpDays = ini.ReadInteger(kPath, "inp_days", 240);
    c.OutPath = readFolder(ini, "out", QStringLiteral("out/"));
    c.OutDays = ini.ReadInteger(kPath, "out_days", 240);
    c.PrtPath = readFolder(ini, "prt", QStringLiteral("prt/"));
    c.PrtDays = ini.ReadInteger(kPath, "prt_days", 240);
    c.DayFormat = readText(ini, kPath, "DayFormat", kDefaultDayFormat);
    c.SearchDayFormat = readText(ini, kPath, "SearchDayFormat", kDefaultSearchDayFormat);
    if (c.DayFormat.size() < 4) {
        c.DayFormat = kDefaultDayFormat;
        c.SearchDayFormat = kDefaultSearchDayFormat;
    }
    c.MarkFilesInList = ini.ReadBool(kPath, "MarkFilesInList", false);
    c.ScanTimeout = ini.ReadInteger(kPath, "timeout", 30);
    c.OutputInAppendMode = ini.ReadBool(kPath, "OutputInAppendMode", true);
    c.SaveRegisterInTlg = ini.ReadBool(kPath, "SaveRegisterInTlg", false);
    c.SaveTlgAnsi = ini.ReadBool(kPath, "SaveTlg_ANSI", true);
    c.CorrectInputTlg = ini.ReadBool(kPath, "CorrectInputTlg", false);
}

void readPrintAndStart(const CIniFile& ini, _tlg_config& c) {
    c.AutoPrintTlg = ini.ReadBool(kPrint, "AutoPrintTlg", false);
    c.AutoPrintMsg = ini.ReadBool(kPrint, "AutoPrintMsg", false);
    c.AutoWordWrap = ini.ReadBool(kPrint, "AutoWordWrap", true);
    c.Prn = readText(ini, kPrint, "PRN", u"PRN");
    c.PrinterIp = readText(ini, kPrint, "IP", u"");
    c.MatrixRaw = ini.ReadBool(kPrint, "MatrixRAW", true);
    c.WindowsPrinterN = ini.ReadInteger(kPrint, "WindowsPrinterN", -1);
    c.SkipLines = readRanged(ini, kPrint, "SkipLines", 0, 20, 4);
    c.PrintRegisters = ini.ReadBool(kPrint, "PrintRegisters", false);
    c.LoadFont = ini.ReadBool(kPrint, "LoadFont", false);
    c.LoadFontFileName = readText(ini, kPrint, "LoadFontFileName", u"");

    c.AutoRun = ini.ReadBool(kOther, "AutoRun", true);
    c.TrayMode = ini.ReadBool(kOther, "TrayMode", false);
    c.NoHideInTaskBar = ini.ReadBool(kOther, "NoHideInTaskBar", true);
    c.AskOnClose = ini.ReadBool(kOther, "AskOnClose", true) ? 1 : 0;
    c.MinimizeOnCloseWindow = ini.ReadBool(kOther, "MinimizeOnCloseWindow", true) ? 1 : 0;
    c.ProtocolWidth = ini.ReadInteger(kOther, "ProtocolWidth", 0);
}

void readExchange(const CIniFile& ini, _tlg_config& c, _tlg_status& status) {
    status.EditNumber = ini.ReadInteger(kOther, "EditNumber", 0);
    status.PrfNumber = ini.ReadInteger(kOther, "PrfNumber", 0);
    status.LineInputNumber = ini.ReadInteger(kOther, "LineInputNumber", 0);
    c.CheckTlgNotes = ini.ReadBool(kOther, "CheckTlgNotes", false);
    c.CorrectTime = ini.ReadBool(kOther, "CorrectTime", false);
    c.CorrectTimeTZ = ini.ReadInteger(kOther, "CorrectTimeTZ", 0);
    c.TlgTimeOut = ini.ReadInteger(kOther, "Tlg_TimeOut", 30);
    c.ZZTimeOut = ini.ReadInteger(kOther, "ZZTimeOut", 4);
    c.TextAA = readText(ini, kOther, "TextAA", u"");
    c.ServicePlace = ini.ReadBool(kOther, "ServicePlace", false);
    c.AccessCode = readText(ini, kOther, "Code", u"");
}

void readEditorAndOperator(const CIniFile& ini, _tlg_config& c, _tlg_controls& controls) {
    controls.FromUse = ini.ReadBool(kEditor, "FromUse", false);
    controls.FromString = LineToWide(ini.ReadString(kEditor, "FromString", ""));
    controls.Categories = CommaTextToList(
        LineToWide(ini.ReadString(kEditor, "Category", LineLiteral(u"П,С,ПМ,СМ,ПП"))));
    controls.CategoryIndex = controls.Categories.isEmpty() ? -1 : 0;
    c.DefaultIndex = readText(ini, kEditor, "Index", u"141911");
    c.ParseOutTextForAutoReplace = ini.ReadBool(kEditor, "ParseOutTextForAutoReplace", false);
    controls.AutoFormat = ini.ReadBool(kEditor, "AutoFormat", false);

    c.OperatorList = RepairOperatorList(readText(ini, kOperator, "List", u""));
    c.UseOperatorList = ini.ReadBool(kOperator, "UseList", false);
    controls.OperatorItems = CommaTextToList(c.OperatorList);
    controls.OperatorIndex =
        int(controls.OperatorItems.indexOf(readText(ini, kOperator, "Current", u"")));
    controls.OperatorListVisible = c.UseOperatorList;
    c.RAutoConfirm = ini.ReadInteger(kOperator, "RAutoConfirm", 0);
}

void readSound(const CIniFile& ini, _tlg_config& c) {
    c.RaketaType = ini.ReadInteger(kSound, "Raketa_Type", 2);
    c.RaketaFile = readText(ini, kSound, "Raketa_File", u"alarm.wav");
    c.KType = ini.ReadInteger(kSound, "K_Type", 1);
    c.KFile = readText(ini, kSound, "K_File", u"alarm.wav");
    c.SoundCategories = CommaTextToList(ini.ReadString(kSound, "Category", ""));
    c.OType = ini.ReadInteger(kSound, "O_Type", 0);
    c.OFile = readText(ini, kSound, "O_File", u"alarm.wav");
    c.NcType = ini.ReadInteger(kSound, "NC_Type", 0);
    c.NcFile = readText(ini, kSound, "NC_File", u"alarm.wav");
}

void readWindow(const CIniFile& ini, _tlg_config& c, _tlg_controls& controls) {
    c.RestorePosition = ini.ReadBool(kWindow, "RestorePosition", false);
    if (!c.RestorePosition)
        return;
    controls.CenterOnScreen = false;
    controls.Top = ini.ReadInteger(kWindow, "Top", controls.Top);
    controls.Left = ini.ReadInteger(kWindow, "Left", controls.Left);
    controls.Height = ini.ReadInteger(kWindow, "Height", controls.Height);
    controls.Width = ini.ReadInteger(kWindow, "Width", controls.Width);
    if (readText(ini, kWindow, "Page", u"Editor") == u"Protocol")
        controls.Page = WindowPage::Protocol;
}

void writeLink(CIniFile& ini, const _tlg_config& c) {
    ini.WriteBool(kServer, "TCP", c.Tcp);
    writeText(ini, kServer, "host", c.Host);
    ini.WriteInteger(kServer, "port", c.Port);
    writeText(ini, kServer, "host2", c.Host2);
    ini.WriteInteger(kServer, "port2", c.Port2);
    writeText(ini, kServer, "COM", c.Com);
    ini.WriteInteger(kServer, "baud", c.Baud);
    ini.WriteBool(kPerforator, "Enable", c.PerfEnable);
    writeText(ini, kPerforator, "COM", c.PerfCom);
    ini.WriteInteger(kPerforator, "baud", c.PerfBaud);
    ini.WriteBool(kPerforator, "NoBlock", c.PerfNoBlock);
    ini.WriteBool(kVpn, "Use", c.VpnUse);
    writeText(ini, kVpn, "Name", c.VpnName);
    writeText(ini, kVpn, "Login", c.VpnLogin);
    writeText(ini, kVpn, "Password", c.VpnPassword);
    ini.WriteBool(kVpn, "UseTimeTable", c.VpnUseTimeTable);
    // The schedule may have been typed on several lines; the file keeps it
    // on one, each line break becoming a blank. Only "hh:nn" texts are looked
    // for in it, so nothing is lost.
    writeText(ini, kVpn, "TimeTable", c.VpnTimeTable);
    ini.WriteInteger(kVpn, "DisconnectDelay", c.VpnDisconnectDelay);
    ini.WriteBool(kVpn, "NoDisturb", c.VpnNoDisturb);

    ini.WriteInteger(kServer, "CCM", c.Ccm);
    ini.WriteBool(kServer, "OnIdleSendKG0", c.OnIdleSendKG0);
    ini.WriteInteger(kServer, "IdleSendKGTimeOut", c.IdleSendKGTimeOut);
    ini.WriteBool(kOther, "ReSendEnable", c.ReSendEnable);
    writeText(ini, kOther, "ReSendHeader", c.ReSendHeader);
}

void writeHandOver(CIniFile& ini, const _tlg_status& status) {
    writeText(ini, kStatus, "HandedOver", status.HandedOverFile);
    ini.WriteInteger(kStatus, "HandedOverNumber", status.HandedOverNumber);
}

void writePathsAndStatus(CIniFile& ini, const _tlg_config& c, const _tlg_status& status) {
    writeText(ini, kPath, "inp", c.InpPath);
    ini.WriteInteger(kPath, "inp_days", c.InpDays);
    writeText(ini, kPath, "out", c.OutPath);
    ini.WriteInteger(kPath, "out_days", c.OutDays);
    writeText(ini, kPath, "prt", c.PrtPath);
    ini.WriteInteger(kPath, "prt_days", c.PrtDays);
    writeText(ini, kPath, "DayFormat", c.DayFormat);
    writeText(ini, kPath, "SearchDayFormat", c.SearchDayFormat);
    ini.WriteInteger(kPath, "timeout", c.ScanTimeout);
    ini.WriteBool(kPath, "OutputInAppendMode", c.OutputInAppendMode);
    ini.WriteBool(kPath, "SaveRegisterInTlg", c.SaveRegisterInTlg);
    ini.WriteBool(kPath, "SaveTlg_ANSI", c.SaveTlgAnsi);
    ini.WriteBool(kPath, "CorrectInputTlg", c.CorrectInputTlg);

    ini.WriteInteger(kStatus, "NumberInput", status.NumberInput);
    ini.WriteInteger(kStatus, "NumberOutput", status.NumberOutput);
    ini.WriteBool(kStatus, "Automatic", status.Automatic);
    writeText(ini, kStatus, "MMDD", status.DayText);
    writeHandOver(ini, status);
    ini.WriteBool(kPath, "MarkFilesInList", c.MarkFilesInList);
}

void writePrintStartFonts(CIniFile& ini, const _tlg_config& c, const _tlg_controls& controls) {
    ini.WriteBool(kPrint, "AutoPrintTlg", c.AutoPrintTlg);
    ini.WriteBool(kPrint, "AutoPrintMsg", c.AutoPrintMsg);
    ini.WriteBool(kPrint, "AutoWordWrap", c.AutoWordWrap);
    writeText(ini, kPrint, "PRN", c.Prn);
    ini.WriteBool(kPrint, "MatrixRAW", c.MatrixRaw);
    ini.WriteInteger(kPrint, "WindowsPrinterN", c.WindowsPrinterN);
    ini.WriteInteger(kPrint, "SkipLines", c.SkipLines);
    ini.WriteBool(kPrint, "PrintRegisters", c.PrintRegisters);
    ini.WriteBool(kPrint, "LoadFont", c.LoadFont);
    writeText(ini, kPrint, "LoadFontFileName", c.LoadFontFileName);

    ini.WriteBool(kOther, "AutoRun", c.AutoRun);
    ini.WriteBool(kOther, "TrayMode", c.TrayMode);
    ini.WriteBool(kOther, "NoHideInTaskBar", c.NoHideInTaskBar);
    ini.WriteBool(kOther, "StartAutomateMode", c.StartAutomateMode);
    ini.WriteBool(kOther, "AskOnClose", c.AskOnClose != 0);
    ini.WriteBool(kOther, "MinimizeOnCloseWindow", c.MinimizeOnCloseWindow != 0);
    ini.WriteInteger(kOther, "ProtocolWidth", c.ProtocolWidth);
    writeText(ini, kOther, "Code", c.AccessCode);

    writeFont(ini, kFont, controls.ScreenFont);
    writeFont(ini, kFontPrn, controls.WindowsPrinterFont);
}

void writeExchange(CIniFile& ini, const _tlg_config& c, const _tlg_status& status) {
    ini.WriteInteger(kOther, "EditNumber", status.EditNumber);
    ini.WriteInteger(kOther, "PrfNumber", status.PrfNumber);
    ini.WriteInteger(kOther, "LineInputNumber", status.LineInputNumber);
    ini.WriteBool(kOther, "CheckTlgNotes", c.CheckTlgNotes);
    ini.WriteBool(kOther, "CorrectTime", c.CorrectTime);
    ini.WriteInteger(kOther, "CorrectTimeTZ", c.CorrectTimeTZ);
    ini.WriteInteger(kOther, "Tlg_TimeOut", c.TlgTimeOut);
    ini.WriteInteger(kOther, "ZZTimeOut", c.ZZTimeOut);
    writeText(ini, kOther, "TextAA", c.TextAA);
    ini.WriteBool(kOther, "ServicePlace", c.ServicePlace);
}

void writeEditorOperatorSound(CIniFile& ini, const _tlg_config& c, const _tlg_controls& controls) {
    ini.WriteBool(kEditor, "FromUse", controls.FromUse);
    ini.WriteExactString(kEditor, "FromString", WideToLine(controls.FromString));
    ini.WriteExactString(kEditor, "Category", WideToLine(ListToCommaText(controls.Categories)));
    writeText(ini, kEditor, "Index", c.DefaultIndex);
    ini.WriteBool(kEditor, "AutoFormat", controls.AutoFormat);
    ini.WriteBool(kEditor, "ParseOutTextForAutoReplace", c.ParseOutTextForAutoReplace);

    writeText(ini, kOperator, "List", c.OperatorList);
    ini.WriteBool(kOperator, "UseList", c.UseOperatorList);
    // Always in double quotes, so that a name with blanks around it survives.
    const qsizetype current = controls.OperatorIndex;
    const QString name = (current >= 0 && current < controls.OperatorItems.size())
                             ? controls.OperatorItems[current]
                             : QString();
    ini.WriteString(kOperator, "Current", '"' + WideToAnsi(name) + '"');
    ini.WriteInteger(kOperator, "RAutoConfirm", c.RAutoConfirm);

    ini.WriteInteger(kSound, "Raketa_Type", c.RaketaType);
    writeText(ini, kSound, "Raketa_File", c.RaketaFile);
    ini.WriteInteger(kSound, "K_Type", c.KType);
    writeText(ini, kSound, "K_File", c.KFile);
    ini.WriteExactString(kSound, "Category", ListToCommaText(c.SoundCategories));
    ini.WriteInteger(kSound, "O_Type", c.OType);
    writeText(ini, kSound, "O_File", c.OFile);
    ini.WriteInteger(kSound, "NC_Type", c.NcType);
    writeText(ini, kSound, "NC_File", c.NcFile);
}

void writeWindow(CIniFile& ini, const _tlg_config& c, const _tlg_controls& controls) {
    ini.WriteBool(kWindow, "RestorePosition", c.RestorePosition);
    ini.WriteInteger(kWindow, "Top", controls.Top);
    ini.WriteInteger(kWindow, "Left", controls.Left);
    ini.WriteInteger(kWindow, "Height", controls.Height);
    ini.WriteInteger(kWindow, "Width", controls.Width);
    if (controls.Page == WindowPage::Editor)
        ini.WriteString(kWindow, "Page", "Editor");
    else if (controls.Page == WindowPage::Protocol)
        ini.WriteString(kWindow, "Page", "Protocol");
}

}  // namespace

QString SettingsSourcePath(const QString& iniPath, const QString& programFolder) {
    if (QFileInfo(iniPath).isFile())
        return iniPath;
    return QDir(programFolder).filePath(IniFileName);
}

bool LoadSettings(const QString& iniPath, const QString& programFolder, _tlg_config& config,
                  _tlg_status& status, SchemaCopyTable& schemaCopies, _tlg_controls& controls) {
    CIniFile ini;
    const bool read =
        ini.Load(SettingsSourcePath(iniPath, programFolder)) == CIniFile::LoadResult::Read;

    readLink(ini, config);
    readPaths(ini, config);

    status.NumberInput = ini.ReadInteger(kStatus, "NumberInput", 0);
    status.NumberOutput = ini.ReadInteger(kStatus, "NumberOutput", 0);
    config.StartAutomateMode = ini.ReadBool(kOther, "StartAutomateMode", true);
    status.Automatic = config.StartAutomateMode || ini.ReadBool(kStatus, "Automatic", false);
    status.DayText = readText(ini, kStatus, "MMDD", u"");
    status.HandedOverFile = readText(ini, kStatus, "HandedOver", u"");
    status.HandedOverNumber = ini.ReadInteger(kStatus, "HandedOverNumber", 0);

    readPrintAndStart(ini, config);
    controls.ScreenFont = readFont(ini, kFont, 10);
    controls.WindowsPrinterFont = readFont(ini, kFontPrn, 14);
    readExchange(ini, config, status);
    readEditorAndOperator(ini, config, controls);
    readSound(ini, config);
    readWindow(ini, config, controls);

    for (int n = 0; n < kSchemaCount; ++n)
        schemaCopies[n] = ini.ReadInteger(kSchemaPrint, schemaKey(n), kDefaultSchemaCopies);
    return read;
}

QString SaveSettings(const QString& iniPath, const _tlg_config& config, const _tlg_status& status,
                     const _tlg_controls& controls) {
    CIniFile ini;
    if (!openForUpdate(ini, iniPath))
        return CIniFile::WriteFailure(iniPath);
    writeLink(ini, config);
    writePathsAndStatus(ini, config, status);
    writePrintStartFonts(ini, config, controls);
    writeExchange(ini, config, status);
    writeEditorOperatorSound(ini, config, controls);
    writeWindow(ini, config, controls);
    return ini.Save(iniPath);
}

QString SaveCounters(const QString& iniPath, const _tlg_status& status) {
    CIniFile ini;
    if (!openForUpdate(ini, iniPath))
        return CIniFile::WriteFailure(iniPath);
    ini.WriteInteger(kStatus, "NumberInput", status.NumberInput);
    ini.WriteInteger(kStatus, "NumberOutput", status.NumberOutput);
    // The day they count, and the telegram that went out with the output
    // count, go in the same write: after a crash they are read together.
    writeText(ini, kStatus, "MMDD", status.DayText);
    writeHandOver(ini, status);
    return ini.Save(iniPath);
}

QString FolderSetting(QString folder) {
    folder.replace(u'\\', u'/');
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

SchemaCopyTable DefaultSchemaCopies() {
    SchemaCopyTable table;
    table.fill(kDefaultSchemaCopies);
    return table;
}

int ProtocolWrapWidth(const _tlg_config& config) {
    return config.ProtocolWidth != 0 ? 69 : 0;
}

namespace {

// The text without the blanks an operator may have typed after the commas
// (outside quotes): the list writer puts none there.
QString withoutBlanksAfterCommas(QStringView text) {
    QString out;
    out.reserve(text.size());
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        out += c;
        if (c == u'"')
            quoted = !quoted;
        else if (c == u',' && !quoted)
            while (i + 1 < text.size() && text[i + 1] <= u' ')
                ++i;
    }
    return out;
}

}  // namespace

QString RepairOperatorList(const QString& value) {
    if (value.isEmpty() || value.startsWith(u'"') || value.endsWith(u'"') ||
        value.indexOf(u'"', 1) < 0)
        return value;
    // Only a value whose quoted form is what the list writer makes (but for
    // blanks after the commas) is repaired: a list quoted in the middle only
    // ("A,\"B C\",D") also passes the test above, and quotes added to it
    // would break it apart.
    const QString quoted = u'"' + value + u'"';
    if (ListToCommaText(CommaTextToList(quoted)) != withoutBlanksAfterCommas(quoted))
        return value;
    return quoted;
}
