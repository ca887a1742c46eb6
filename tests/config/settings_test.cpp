#include "config/settings.h"

#include "config/settingshelpers.h"
#include "support/testhome.h"
#include "util/linecode.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

// clang-format off
#define TLG_CONFIG_FIELDS(X) \
    X(Tcp) X(Host) X(Port) X(Host2) X(Port2) X(Com) X(Baud) X(PerfEnable) X(PerfCom) \
    X(PerfNoBlock) X(PerfBaud) X(VpnUse) X(VpnName) X(VpnLogin) X(VpnPassword) \
    X(VpnUseTimeTable) X(VpnTimeTable) X(VpnDisconnectDelay) X(VpnNoDisturb) X(InpPath) \
    X(InpDays) X(OutPath) X(OutDays) X(PrtPath) X(PrtDays) X(OutputInAppendMode) \
    X(SaveRegisterInTlg) X(SaveTlgAnsi) X(ScanTimeout) X(DayFormat) X(SearchDayFormat) \
    X(MarkFilesInList) X(CheckTlgNotes) X(ServicePlace) X(ParseOutTextForAutoReplace) \
    X(AutoPrintTlg) X(AutoPrintMsg) X(AutoWordWrap) X(Prn) X(PrinterIp) X(MatrixRaw) \
    X(WindowsPrinterN) X(LoadFont) X(LoadFontFileName) X(SkipLines) X(PrintRegisters) \
    X(PrinterFont) X(ReSendEnable) X(ReSendHeader) X(AutoRun) X(TrayMode) X(NoHideInTaskBar) \
    X(StartAutomateMode) X(ProtocolWidth) X(CorrectTime) X(CorrectTimeTZ) X(TlgTimeOut) \
    X(AskOnClose) X(MinimizeOnCloseWindow) X(Ccm) X(OnIdleSendKG0) X(IdleSendKGTimeOut) \
    X(ZZTimeOut) X(AccessCode) X(DefaultIndex) X(UseOperatorList) X(OperatorList) \
    X(RaketaType) X(RaketaFile) X(KType) X(KFile) X(SoundCategories) X(OType) X(OFile) \
    X(NcType) X(NcFile) X(RestorePosition) X(RAutoConfirm) X(TextAA) X(CorrectInputTlg)
#define TLG_STATUS_FIELDS(X) \
    X(NumberInput) X(NumberOutput) X(EditNumber) X(PrfNumber) X(LineInputNumber) \
    X(Automatic) X(DayText) X(StartPhase) X(FoldersReady) X(CloseCountdown) \
    X(CurrentDateText) X(CurrentTimeText) X(CurrentTimeColonText) X(CurrentSecondsText) \
    X(CurrentSecondsColonText) X(CounterResetPending) X(NumberingHold)
#define TLG_CONTROLS_FIELDS(X) \
    X(FromUse) X(FromString) X(Categories) X(CategoryIndex) X(AutoFormat) X(OperatorItems) \
    X(OperatorIndex) X(OperatorListVisible) X(ScreenFont.Name) X(ScreenFont.Size) \
    X(ScreenFont.Bold) X(WindowsPrinterFont.Name) X(WindowsPrinterFont.Size) \
    X(WindowsPrinterFont.Bold) X(CenterOnScreen) X(Top) X(Left) X(Height) X(Width) X(Page)
// clang-format on

#define EXPECT_FIELD(f) EXPECT_EQ(actual.f, expected.f) << #f;

// Field by field, so that a failure names the field; the whole comparison at
// the end catches a field missing from the lists above.
void ExpectSame(const _tlg_config& actual, const _tlg_config& expected) {
    TLG_CONFIG_FIELDS(EXPECT_FIELD)
    EXPECT_TRUE(actual == expected);
}
void ExpectSame(const _tlg_status& actual, const _tlg_status& expected) {
    TLG_STATUS_FIELDS(EXPECT_FIELD)
    EXPECT_TRUE(actual == expected);
}
void ExpectSame(const _tlg_controls& actual, const _tlg_controls& expected) {
    TLG_CONTROLS_FIELDS(EXPECT_FIELD)
    EXPECT_TRUE(actual == expected);
}

// The settings of an empty file, written out from the tables by hand.
_tlg_config TableDefaults() {
    _tlg_config c;
    c.Tcp = true, c.Host = "127.0.0.1", c.Port = 3333, c.Host2 = "", c.Port2 = 0;
    c.Com = "ttyS0", c.Baud = 0;
    c.PerfEnable = false, c.PerfCom = "ttyS0", c.PerfNoBlock = false, c.PerfBaud = 0;
    c.VpnUse = false, c.VpnName = "test", c.VpnLogin = "", c.VpnPassword = "";
    c.VpnUseTimeTable = false, c.VpnTimeTable = "", c.VpnDisconnectDelay = 30;
    c.VpnNoDisturb = false;
    c.InpPath = "inp/", c.InpDays = 240, c.OutPath = "out/", c.OutDays = 240;
    c.PrtPath = "prt/", c.PrtDays = 240;
    c.OutputInAppendMode = true, c.SaveRegisterInTlg = false, c.SaveTlgAnsi = true;
    c.ScanTimeout = 30, c.DayFormat = "mmdd", c.SearchDayFormat = "????";
    c.MarkFilesInList = false, c.CheckTlgNotes = false, c.ServicePlace = false;
    c.ParseOutTextForAutoReplace = false;
    c.AutoPrintTlg = false, c.AutoPrintMsg = false, c.AutoWordWrap = true, c.Prn = "PRN";
    c.PrinterIp = "", c.MatrixRaw = true, c.WindowsPrinterN = -1, c.LoadFont = false;
    c.LoadFontFileName = "", c.SkipLines = 4, c.PrintRegisters = false;
    c.PrinterFont = QByteArray(2048, '\0');
    c.ReSendEnable = false, c.ReSendHeader = "";
    c.AutoRun = true, c.TrayMode = false, c.NoHideInTaskBar = true, c.StartAutomateMode = true;
    c.ProtocolWidth = 0, c.CorrectTime = false, c.CorrectTimeTZ = 0, c.TlgTimeOut = 30;
    c.AskOnClose = 1, c.MinimizeOnCloseWindow = 1;
    c.Ccm = 0, c.OnIdleSendKG0 = false, c.IdleSendKGTimeOut = 3, c.ZZTimeOut = 4;
    c.AccessCode = "", c.DefaultIndex = "141911", c.UseOperatorList = false;
    c.OperatorList = "";
    c.RaketaType = 2, c.RaketaFile = "alarm.wav", c.KType = 1, c.KFile = "alarm.wav";
    c.SoundCategories = {}, c.OType = 0, c.OFile = "alarm.wav", c.NcType = 0;
    c.NcFile = "alarm.wav";
    c.RestorePosition = false, c.RAutoConfirm = 0, c.TextAA = "", c.CorrectInputTlg = false;
    return c;
}

TEST(LoadSettings, EmptyOrMissingFileGivesTheDefaults) {
    for (const bool fileExists : {false, true}) {
        TestHome home;
        if (fileExists)
            home.write("korvel.ini", "");
        Loaded l = LoadFrom(home, home.file("korvel.ini"));
        EXPECT_EQ(l.read, fileExists);

        ExpectSame(l.config, TableDefaults());
        ExpectSame(l.config, _tlg_config{});

        _tlg_status status;
        status.Automatic = true;  // the first start runs in automatic mode
        ExpectSame(l.status, status);

        _tlg_controls controls;
        controls.Categories = QStringList{"П", "С", "ПМ", "СМ", "ПП"};
        controls.CategoryIndex = 0;
        controls.OperatorIndex = -1;
        controls.ScreenFont = {"Arial", 10, false};
        controls.WindowsPrinterFont = {"Arial", 14, false};
        controls.CenterOnScreen = true;
        ExpectSame(l.controls, controls);

        for (int n = 0; n < kSchemaCount; ++n)
            ASSERT_EQ(l.schemaCopies[n], 2) << n;
        EXPECT_EQ(DefaultSchemaCopies(), l.schemaCopies);
        EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden),
                  fileExists ? QStringList{"korvel.ini"} : QStringList{})
            << "loading never writes";
    }
}

// A new file written from the defaults, line by line in the order of the tables.
const char kDefaultFile[] =
    "[SERVER]|TCP=1|host=127.0.0.1|port=3333|host2=|port2=0|COM=ttyS0|baud=0|CCM=0|"
    "OnIdleSendKG0=0|IdleSendKGTimeOut=3|"
    "[PERFORATOR]|Enable=0|COM=ttyS0|baud=0|NoBlock=0|"
    "[VPN]|Use=0|Name=test|Login=|Password=|UseTimeTable=0|TimeTable=|DisconnectDelay=30|"
    "NoDisturb=0|"
    "[OTHER]|ReSendEnable=0|ReSendHeader=|AutoRun=1|TrayMode=0|NoHideInTaskBar=1|"
    "StartAutomateMode=1|AskOnClose=1|MinimizeOnCloseWindow=1|ProtocolWidth=0|Code=|"
    "EditNumber=0|PrfNumber=0|LineInputNumber=0|CheckTlgNotes=0|CorrectTime=0|"
    "CorrectTimeTZ=0|Tlg_TimeOut=30|ZZTimeOut=4|TextAA=|ServicePlace=0|"
    "[PATH]|inp=inp/|inp_days=240|out=out/|out_days=240|prt=prt/|prt_days=240|DayFormat=mmdd|"
    "SearchDayFormat=????|timeout=30|OutputInAppendMode=1|SaveRegisterInTlg=0|SaveTlg_ANSI=1|"
    "CorrectInputTlg=0|MarkFilesInList=0|"
    "[STATUS]|NumberInput=0|NumberOutput=0|Automatic=1|MMDD=|HandedOver=|HandedOverNumber=0|"
    "[PRINT]|AutoPrintTlg=0|AutoPrintMsg=0|AutoWordWrap=1|PRN=PRN|MatrixRAW=1|"
    "WindowsPrinterN=-1|SkipLines=4|PrintRegisters=0|LoadFont=0|LoadFontFileName=|"
    "[FONT]|Name=Arial|Size=10|Style=|"
    "[FONT_PRN]|Name=Arial|Size=14|Style=|"
    "[EDITOR]|FromUse=0|FromString=|Category={П,С,ПМ,СМ,ПП}|Index=141911|AutoFormat=0|"
    "ParseOutTextForAutoReplace=0|"
    "[OPERATOR]|List=|UseList=0|Current=\"\"|RAutoConfirm=0|"
    "[SOUND]|Raketa_Type=2|Raketa_File=alarm.wav|K_Type=1|K_File=alarm.wav|Category=|O_Type=0|"
    "O_File=alarm.wav|NC_Type=0|NC_File=alarm.wav|"
    "[WINDOW]|RestorePosition=0|Top=0|Left=0|Height=0|Width=0|Page=Protocol|";

TEST(SaveSettings, NewFileHoldsEveryKeyInTableOrder) {
    TestHome home;
    Loaded l = LoadFrom(home, home.file("korvel.ini"));
    const QString path = home.file("korvel.ini");
    ASSERT_EQ(SaveSettings(path, l.config, l.status, l.controls), QString());
    EXPECT_EQ(ReadFileOrMissing(path),
              IniBytes(QString::fromUtf8(kDefaultFile).replace('|', "\r\n")));
    EXPECT_EQ(FileMode(path), 0600);
}

TEST(SaveSettings, EveryKeyRoundTrips) {
    _tlg_config c;
    c.Tcp = false, c.Host = "10.1.2.3", c.Port = 4000, c.Host2 = "10.1.2.4", c.Port2 = 4001;
    c.Com = "COM3", c.Baud = 2;
    c.PerfEnable = true, c.PerfCom = "/dev/pts/7", c.PerfNoBlock = true, c.PerfBaud = 1;
    c.VpnUse = true, c.VpnName = "Связь ЦКС", c.VpnLogin = "оператор";
    c.VpnPassword = " pa ss\"w ";  // blanks around and a quote inside survive
    c.VpnUseTimeTable = true, c.VpnTimeTable = "08:00 12:30", c.VpnDisconnectDelay = 0;
    c.VpnNoDisturb = true;
    c.InpPath = "/srv/tarvo/inp/", c.InpDays = 1, c.OutPath = "../out/", c.OutDays = 2;
    c.PrtPath = "протокол/", c.PrtDays = 3;
    c.OutputInAppendMode = false, c.SaveRegisterInTlg = true, c.SaveTlgAnsi = false;
    c.ScanTimeout = 0, c.DayFormat = "yymmdd", c.SearchDayFormat = "??????";
    c.MarkFilesInList = true, c.CheckTlgNotes = true, c.ServicePlace = true;
    c.ParseOutTextForAutoReplace = true;
    c.AutoPrintTlg = true, c.AutoPrintMsg = true, c.AutoWordWrap = false, c.Prn = "LPT2";
    c.MatrixRaw = false, c.WindowsPrinterN = 3, c.LoadFont = true;
    c.LoadFontFileName = "font 8x8.bin", c.SkipLines = 0, c.PrintRegisters = true;
    c.ReSendEnable = true, c.ReSendHeader = "ЗЦЗЦ 141911";
    c.AutoRun = false, c.TrayMode = true, c.NoHideInTaskBar = false;
    c.StartAutomateMode = false, c.ProtocolWidth = 69, c.CorrectTime = true;
    c.CorrectTimeTZ = -3, c.TlgTimeOut = 45, c.AskOnClose = 0, c.MinimizeOnCloseWindow = 0;
    c.Ccm = 2, c.OnIdleSendKG0 = true, c.IdleSendKGTimeOut = 12, c.ZZTimeOut = 0;
    c.AccessCode = "'1234'", c.DefaultIndex = "123456", c.UseOperatorList = true;
    c.OperatorList = "\"Анна Петрова\",Иван,\"Петр Сидоров\"";
    c.RaketaType = 3, c.RaketaFile = "/usr/share/sounds/a b.wav", c.KType = 2;
    c.KFile = "k.wav", c.SoundCategories = {LineLiteral(u"ПМ"), LineLiteral(u"СР")};
    c.OType = 1, c.OFile = "o.wav", c.NcType = 3, c.NcFile = "nc.wav";
    c.RestorePosition = true, c.RAutoConfirm = 15, c.TextAA = " ОК ", c.CorrectInputTlg = true;

    _tlg_status s;
    s.NumberInput = 123, s.NumberOutput = 456, s.EditNumber = 7, s.PrfNumber = 8;
    s.LineInputNumber = 9, s.Automatic = false, s.DayText = "0130";

    _tlg_controls k;
    k.FromUse = true, k.FromString = " МОСКВА 1", k.Categories = QStringList{"ПП", "С С", "Р"};
    k.CategoryIndex = 0, k.AutoFormat = true;
    k.OperatorItems = QStringList{"Анна Петрова", "Иван", "Петр Сидоров"}, k.OperatorIndex = 2;
    k.OperatorListVisible = true;
    k.ScreenFont = {"DejaVu Sans", 12, true}, k.WindowsPrinterFont = {"Liberation Serif", 9, true};
    k.CenterOnScreen = false, k.Top = -5, k.Left = 20, k.Height = 500, k.Width = 700;
    k.Page = WindowPage::Protocol;

    TestHome home;
    const QString path = home.file("korvel.ini");
    ASSERT_EQ(SaveSettings(path, c, s, k), QString());

    Loaded l;
    l.controls.Page = WindowPage::Other;  // so that reading "Protocol" shows
    l.read = LoadSettings(path, home.path(), l.config, l.status, l.schemaCopies, l.controls);
    ASSERT_TRUE(l.read);
    ExpectSame(l.config, c);
    ExpectSame(l.status, s);
    ExpectSame(l.controls, k);
}

TEST(LoadSettings, ReadsAFileWrittenOnWindows) {
    const QString text =
        "; TARVO/COM\r\n"
        "[server]\r\n"
        "tcp = 0\r\n"
        "HOST = \"10.0.0.1\"\r\n"
        "Port=0x1E61\r\n"
        "host2='10.0.0.2'\r\n"
        "PORT2=  4444  \r\n"
        "com=COM3\r\n"
        "BAUD=2\r\n"
        "ccm=1\r\n"
        "onidlesendkg0=1\r\n"
        "IDLESENDKGTIMEOUT=0x0C\r\n"
        "\r\n"
        "[Perforator]\r\n"
        "ENABLE=1\r\n"
        "Com=COM2\r\n"
        "Baud=1\r\n"
        "noblock=1\r\n"
        "[vpn]\r\n"
        "use=1\r\n"
        "name=\"Связь ЦКС\"\r\n"
        "login=  оператор  \r\n"
        "password=\" секрет \"\r\n"
        "usetimetable=1\r\n"
        "timetable=08:00 12:30\r\n"
        "disconnectdelay=0x3C\r\n"
        "nodisturb=1\r\n"
        "[Other]\r\n"
        "resendenable=1\r\n"
        "resendheader=ЗЦЗЦ 141911\r\n"
        "autorun=0\r\n"
        "traymode=1\r\n"
        "nohideintaskbar=0\r\n"
        "startautomatemode=0\r\n"
        "askonclose=0\r\n"
        "minimizeonclosewindow=0\r\n"
        "protocolwidth=69\r\n"
        "code=secret\r\n"
        "editnumber=0x10\r\n"
        "prfnumber=5\r\n"
        "lineinputnumber=6\r\n"
        "checktlgnotes=1\r\n"
        "correcttime=1\r\n"
        "correcttimetz=-3\r\n"
        "  Tlg_TimeOut = 45 \r\n"
        "zztimeout=0\r\n"
        "textaa='ОК'\r\n"
        "serviceplace=1\r\n"
        "[Path]\r\n"
        "INP=D:\\TARVO\\INP\r\n"
        "inp_days=30\r\n"
        "out=..\\out\\\r\n"
        "out_days=0x1E\r\n"
        "prt=prt\r\n"
        "prt_days=-1\r\n"
        "dayformat=yymmdd\r\n"
        "searchdayformat=??????\r\n"
        "TIMEOUT=+15\r\n"
        "outputinappendmode=0\r\n"
        "saveregisterintlg=1\r\n"
        "savetlg_ansi=0\r\n"
        "correctinputtlg=1\r\n"
        "markfilesinlist=1\r\n"
        "[status]\r\n"
        "numberinput=0x0C\r\n"
        "NUMBEROUTPUT=7\r\n"
        "automatic=1\r\n"
        "mmdd=\"0130\"\r\n"
        "[print]\r\n"
        "autoprinttlg=1\r\n"
        "autoprintmsg=1\r\n"
        "autowordwrap=0\r\n"
        "prn=LPT1\r\n"
        "ip=192.168.1.50\r\n"
        "matrixraw=0\r\n"
        "windowsprintern=2\r\n"
        "skiplines=10\r\n"
        "printregisters=1\r\n"
        "loadfont=1\r\n"
        "loadfontfilename=C:\\fonts\\8x8.fnt\r\n"
        "[font]\r\n"
        "name=Courier New\r\n"
        "size=12\r\n"
        "style=BI\r\n"
        "[font_prn]\r\n"
        "name='Times New Roman'\r\n"
        "size=0x10\r\n"
        "style=I\r\n"
        "[editor]\r\n"
        "fromuse=1\r\n"
        "fromstring={|МОСКВА}\r\n"
        "category={П,С,Р}\r\n"
        "index=654321\r\n"
        "autoformat=1\r\n"
        "parseouttextforautoreplace=1\r\n"
        "[operator]\r\n"
        "list=\"Анна Петрова\",Иван,\"Петр Сидоров\"\r\n"
        "uselist=1\r\n"
        "current=\"Иван\"\r\n"
        "rautoconfirm=20\r\n"
        "[sound]\r\n"
        "raketa_type=3\r\n"
        "raketa_file=r.wav\r\n"
        "k_type=0\r\n"
        "k_file=k.wav\r\n"
        "category={ПМ, СР}\r\n"
        "o_type=2\r\n"
        "o_file=o.wav\r\n"
        "nc_type=1\r\n"
        "nc_file=nc.wav\r\n"
        "[window]\r\n"
        "restoreposition=1\r\n"
        "top=10\r\n"
        "left=0x14\r\n"
        "height=600\r\n"
        "width=800\r\n"
        "page=Protocol\r\n"
        "[schema_print]\r\n"
        "000=0\r\n"
        "001=3\r\n"
        "999=0x5\r\n"
        "500=x\r\n";
    const Loaded l = LoadText(text);
    ASSERT_TRUE(l.read);

    _tlg_config c;
    c.Tcp = false, c.Host = "10.0.0.1", c.Port = 7777, c.Host2 = "10.0.0.2", c.Port2 = 4444;
    c.Com = "COM3", c.Baud = 2, c.Ccm = 1, c.OnIdleSendKG0 = true, c.IdleSendKGTimeOut = 12;
    c.PerfEnable = true, c.PerfCom = "COM2", c.PerfBaud = 1, c.PerfNoBlock = true;
    c.VpnUse = true, c.VpnName = "Связь ЦКС", c.VpnLogin = "оператор";
    c.VpnPassword = " секрет ", c.VpnUseTimeTable = true, c.VpnTimeTable = "08:00 12:30";
    c.VpnDisconnectDelay = 60, c.VpnNoDisturb = true;
    c.ReSendEnable = true, c.ReSendHeader = "ЗЦЗЦ 141911";
    c.AutoRun = false, c.TrayMode = true, c.NoHideInTaskBar = false;
    c.StartAutomateMode = false, c.AskOnClose = 0, c.MinimizeOnCloseWindow = 0;
    c.ProtocolWidth = 69, c.AccessCode = "secret";
    c.CheckTlgNotes = true, c.CorrectTime = true, c.CorrectTimeTZ = -3, c.TlgTimeOut = 45;
    c.ZZTimeOut = 0, c.TextAA = "ОК", c.ServicePlace = true;
    c.InpPath = "D:/TARVO/INP/", c.InpDays = 30, c.OutPath = "../out/", c.OutDays = 30;
    c.PrtPath = "prt/", c.PrtDays = -1, c.DayFormat = "yymmdd", c.SearchDayFormat = "??????";
    c.ScanTimeout = 15, c.OutputInAppendMode = false, c.SaveRegisterInTlg = true;
    c.SaveTlgAnsi = false, c.CorrectInputTlg = true, c.MarkFilesInList = true;
    c.AutoPrintTlg = true, c.AutoPrintMsg = true, c.AutoWordWrap = false, c.Prn = "LPT1";
    c.PrinterIp = "192.168.1.50", c.MatrixRaw = false, c.WindowsPrinterN = 2, c.SkipLines = 10;
    c.PrintRegisters = true, c.LoadFont = true, c.LoadFontFileName = "C:\\fonts\\8x8.fnt";
    c.DefaultIndex = "654321", c.ParseOutTextForAutoReplace = true;
    c.OperatorList = "\"Анна Петрова\",Иван,\"Петр Сидоров\"", c.UseOperatorList = true;
    c.RAutoConfirm = 20;
    c.RaketaType = 3, c.RaketaFile = "r.wav", c.KType = 0, c.KFile = "k.wav";
    c.SoundCategories = {LineLiteral(u"ПМ"), LineLiteral(u"СР")};
    c.OType = 2, c.OFile = "o.wav", c.NcType = 1, c.NcFile = "nc.wav";
    c.RestorePosition = true;
    ExpectSame(l.config, c);

    _tlg_status s;
    s.NumberInput = 12, s.NumberOutput = 7, s.Automatic = true, s.DayText = "0130";
    s.EditNumber = 16, s.PrfNumber = 5, s.LineInputNumber = 6;
    ExpectSame(l.status, s);

    _tlg_controls k;
    k.FromUse = true, k.FromString = "|МОСКВА", k.Categories = QStringList{"П", "С", "Р"};
    k.CategoryIndex = 0, k.AutoFormat = true;
    k.OperatorItems = QStringList{"Анна Петрова", "Иван", "Петр Сидоров"}, k.OperatorIndex = 1;
    k.OperatorListVisible = true;
    k.ScreenFont = {"Courier New", 12, true}, k.WindowsPrinterFont = {"Times New Roman", 16, false};
    k.CenterOnScreen = false, k.Top = 10, k.Left = 20, k.Height = 600, k.Width = 800;
    k.Page = WindowPage::Protocol;
    ExpectSame(l.controls, k);

    SchemaCopyTable copies = DefaultSchemaCopies();
    copies[0] = 0, copies[1] = 3, copies[999] = 5;
    EXPECT_EQ(l.schemaCopies, copies);
}

}  // namespace
