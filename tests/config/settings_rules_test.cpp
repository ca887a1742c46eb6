#include "config/settings.h"

#include "config/commatext.h"
#include "config/filesizelimit.h"
#include "config/settingshelpers.h"
#include "support/testhome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(LoadSettings, HostRule) {
    const struct {
        const char* ini;
        const char* host;
    } cases[] = {
        {"[SERVER]\nTCP=1\nhost=1.2\n", "127.0.0.1"},
        {"[SERVER]\nTCP=0\nhost=1.2\n", "1.2"},
        {"[SERVER]\nTCP=1\nhost=\n", "127.0.0.1"},
        {"[SERVER]\nTCP=0\nhost=\n", ""},
        {"[SERVER]\nTCP=1\nhost=abcd\n", "abcd"},
        {"[SERVER]\nhost=\"1.2\"\n", "127.0.0.1"},  // the quotes are gone before the rule
        {"[SERVER]\nhost=\" 1.2\"\n", " 1.2"},
        {"[SERVER]\nTCP=0\n", "127.0.0.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadText(c.ini).config.Host, QString(c.host)) << c.ini;
}

TEST(LoadSettings, SerialPortRules) {
    const struct {
        const char* ini;
        const char* com;
        int baud;
        bool perfEnable;
        const char* perfCom;
    } cases[] = {
        {"", "ttyS0", 0, false, "ttyS0"},
        {"[SERVER]\nCOM=com2\n", "ttyS0", 0, false, "ttyS0"},
        {"[SERVER]\nCOM=COM2\nbaud=1\n", "COM2", 1, false, "ttyS0"},
        {"[SERVER]\nCOM=ttyUSB0\nbaud=2\n", "ttyUSB0", 2, false, "ttyS0"},
        {"[SERVER]\nCOM=/dev/pts/7\nbaud=3\n", "/dev/pts/7", 0, false, "ttyS0"},
        {"[SERVER]\nCOM=COM\nbaud=-1\n", "ttyS0", 0, false, "ttyS0"},
        {"[SERVER]\nCOM=\n", "ttyS0", 0, false, "ttyS0"},
        {"[PERFORATOR]\nEnable=1\nCOM=\n", "ttyS0", 0, false, "ttyS0"},
        {"[PERFORATOR]\nEnable=1\n", "ttyS0", 0, false, "ttyS0"},
        {"[PERFORATOR]\nEnable=1\nCOM=com3\n", "ttyS0", 0, false, "ttyS0"},
        {"[PERFORATOR]\nEnable=1\nCOM=COM3\n", "ttyS0", 0, true, "COM3"},
        {"[PERFORATOR]\nEnable=1\nCOM=ttyUSB1\n", "ttyS0", 0, true, "ttyUSB1"},
        {"[PERFORATOR]\nEnable=0\nCOM=ttyACM0\n", "ttyS0", 0, false, "ttyACM0"},
    };
    for (const auto& c : cases) {
        const Loaded l = LoadText(c.ini);
        EXPECT_EQ(l.config.Com, QString(c.com)) << c.ini;
        EXPECT_EQ(l.config.Baud, c.baud) << c.ini;
        EXPECT_EQ(l.config.PerfEnable, c.perfEnable) << c.ini;
        EXPECT_EQ(l.config.PerfCom, QString(c.perfCom)) << c.ini;
    }
}

TEST(LoadSettings, FolderRule) {
    const struct {
        const char* value;
        const char* folder;
    } cases[] = {
        {"", "inp/"},
        {"in", "inp/"},
        {"a\\", "inp/"},
        {"abc", "abc/"},
        {"inp\\", "inp/"},
        {"C:\\data\\inp", "C:/data/inp/"},
        {"/var/tarvo/inp", "/var/tarvo/inp/"},
        {"..\\shared\\inp\\", "../shared/inp/"},
    };
    for (const auto& c : cases) {
        const Loaded l = LoadText("[PATH]\ninp=" + QString::fromUtf8(c.value));
        EXPECT_EQ(l.config.InpPath, QString(c.folder)) << c.value;
    }
    const Loaded l = LoadText("[PATH]\nout=ab\nprt=x\n");
    EXPECT_EQ(l.config.OutPath, QString("out/"));
    EXPECT_EQ(l.config.PrtPath, QString("prt/"));
    const Loaded own = LoadText("[PATH]\nout=C:\\o\nprt=/var/p\n");
    EXPECT_EQ(own.config.OutPath, QString("C:/o/"));
    EXPECT_EQ(own.config.PrtPath, QString("/var/p/"));
}

TEST(LoadSettings, DayFormatRule) {
    const struct {
        const char* ini;
        const char* dayFormat;
        const char* searchFormat;
    } cases[] = {
        {"[PATH]\nDayFormat=yy\nSearchDayFormat=??????\n", "mmdd", "????"},
        {"[PATH]\nDayFormat=\nSearchDayFormat=x\n", "mmdd", "????"},
        {"[PATH]\nDayFormat=yymmdd\nSearchDayFormat=??????\n", "yymmdd", "??????"},
        {"[PATH]\nDayFormat=ddmm\n", "ddmm", "????"},
        {"[PATH]\nSearchDayFormat=??????\n", "mmdd", "??????"},
    };
    for (const auto& c : cases) {
        const Loaded l = LoadText(c.ini);
        EXPECT_EQ(l.config.DayFormat, QString(c.dayFormat)) << c.ini;
        EXPECT_EQ(l.config.SearchDayFormat, QString(c.searchFormat)) << c.ini;
    }
}

TEST(LoadSettings, StartingMode) {
    const struct {
        const char* ini;
        bool automatic;
    } cases[] = {
        {"", true},
        {"[STATUS]\nAutomatic=0\n", true},
        {"[OTHER]\nStartAutomateMode=1\n[STATUS]\nAutomatic=0\n", true},
        {"[OTHER]\nStartAutomateMode=0\n[STATUS]\nAutomatic=0\n", false},
        {"[OTHER]\nStartAutomateMode=0\n", false},
        {"[OTHER]\nStartAutomateMode=0\n[STATUS]\nAutomatic=1\n", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadText(c.ini).status.Automatic, c.automatic) << c.ini;
}

TEST(LoadSettings, SmallValueRules) {
    const struct {
        int protocolWidth;
        int wrapWidth;
    } widths[] = {{0, 0}, {5, 69}, {69, 69}, {-1, 69}};
    for (const auto& w : widths) {
        const Loaded l =
            LoadText(QStringLiteral("[OTHER]\nProtocolWidth=%1\n").arg(w.protocolWidth));
        EXPECT_EQ(l.config.ProtocolWidth, w.protocolWidth);
        EXPECT_EQ(ProtocolWrapWidth(l.config), w.wrapWidth) << w.protocolWidth;
    }

    const struct {
        const char* style;
        bool bold;
    } styles[] = {{"BI", true}, {"IB", true}, {"B", true}, {"b", false}, {"I", false}, {"", false}};
    for (const auto& s : styles) {
        const Loaded l = LoadText(QStringLiteral("[FONT]\nStyle=%1\n[FONT_PRN]\nStyle=%1\n")
                                      .arg(QString::fromUtf8(s.style)));
        EXPECT_EQ(l.controls.ScreenFont.Bold, s.bold) << s.style;
        EXPECT_EQ(l.controls.WindowsPrinterFont.Bold, s.bold) << s.style;
    }

    // Outside the dialog's range (speeds 0..2, 0..20 lines): the default.
    const struct {
        const char* ini;
        int perfBaud;
        int skipLines;
    } ranged[] = {
        {"", 0, 4},
        {"[PERFORATOR]\nbaud=2\n[PRINT]\nSkipLines=20\n", 2, 20},
        {"[PERFORATOR]\nbaud=1\n[PRINT]\nSkipLines=0\n", 1, 0},
        {"[PERFORATOR]\nbaud=3\n[PRINT]\nSkipLines=21\n", 0, 4},
        {"[PERFORATOR]\nbaud=-1\n[PRINT]\nSkipLines=-1\n", 0, 4},
    };
    for (const auto& r : ranged) {
        const Loaded l = LoadText(r.ini);
        EXPECT_EQ(l.config.PerfBaud, r.perfBaud) << r.ini;
        EXPECT_EQ(l.config.SkipLines, r.skipLines) << r.ini;
    }

    EXPECT_EQ(LoadText("[OTHER]\nTlg_TimeOut=0x1E\n").config.TlgTimeOut, 30);
    EXPECT_EQ(LoadText("[OTHER]\nTlg_TimeOut=thirty\n").config.TlgTimeOut, 30);
    EXPECT_EQ(LoadText("[OTHER]\nTlg_TimeOut=0x2D\n").config.TlgTimeOut, 45);
    EXPECT_EQ(LoadText("[EDITOR]\nCategory=\n").controls.CategoryIndex, -1);
}

TEST(SaveSettings, BoldIsWrittenAsB) {
    TestHome home;
    home.write("korvel.ini", "[FONT]\nName=Arial\nSize=10\nStyle=BI\n");
    Loaded l = LoadFrom(home, home.file("korvel.ini"));
    ASSERT_EQ(SaveSettings(home.file("korvel.ini"), l.config, l.status, l.controls), QString());
    EXPECT_TRUE(ReadFileOrMissing(home.file("korvel.ini"))
                    .startsWith("[FONT]\nName=Arial\nSize=10\nStyle=B\n"));
}

TEST(OperatorList, ReadsListsWrittenByEitherProgram) {
    const struct {
        const char* value;  // as it stands in the file
        const char* list;   // OperatorList after reading
        QStringList items;
    } cases[] = {
        {"", "", {}},
        {"Иванов,\"Петр Петров\"", "Иванов,\"Петр Петров\"", {"Иванов", "Петр Петров"}},
        // The reader drops the outer quotes of a list quoted at both ends.
        {"\"А Б\",В,\"Г Д\"", "\"А Б\",В,\"Г Д\"", {"А Б", "В", "Г Д"}},
        {"\"А Б\", В,  \"Г Д\"", "\"А Б\", В,  \"Г Д\"", {"А Б", "В", "Г Д"}},
        // Quoted only in the middle: putting quotes around it would break it.
        {"А,\"Б В\",Г", "А,\"Б В\",Г", {"А", "Б В", "Г"}},
        {"Иванов, Петров", "Иванов, Петров", {"Иванов", "Петров"}},
        // One quoted name loses its quotes to the reader and cannot be told
        // from two names; the program writes such a list in one more pair.
        {"\"Петр Петров\"", "Петр Петров", {"Петр", "Петров"}},
        {"\"\"Петр Петров\"\"", "\"Петр Петров\"", {"Петр Петров"}},
    };
    for (const auto& c : cases) {
        const Loaded l =
            LoadText(QStringLiteral("[OPERATOR]\nList=%1\n").arg(QString::fromUtf8(c.value)));
        EXPECT_EQ(l.config.OperatorList, QString(c.list)) << c.value;
        EXPECT_EQ(l.controls.OperatorItems, c.items) << c.value;
    }
}

TEST(OperatorList, SurvivesSaveAndLoad) {
    const QStringList lists[] = {
        {},
        {"Иванов"},
        {"Иванов", "Петр Петров"},
        {"Петр Петров"},
        {"Анна Петрова", "Иван", "Петр Сидоров"},
        {"А", "Б В", "Г"},
        {" Иван ", "Мария"},
        {"Кавычка \"М\"", "Н"},
    };
    for (const QStringList& items : lists) {
        TestHome home;
        const QString path = home.file("korvel.ini");
        _tlg_config config;
        _tlg_status status;
        _tlg_controls controls;
        config.OperatorList = ListToCommaText(items);
        config.UseOperatorList = true;
        controls.OperatorItems = items;
        controls.OperatorIndex = int(items.size()) - 1;
        ASSERT_EQ(SaveSettings(path, config, status, controls), QString());

        const Loaded l = LoadFrom(home, path);
        EXPECT_EQ(l.config.OperatorList, config.OperatorList) << config.OperatorList.toStdString();
        EXPECT_EQ(l.controls.OperatorItems, items) << config.OperatorList.toStdString();
        EXPECT_EQ(l.controls.OperatorIndex, controls.OperatorIndex)
            << config.OperatorList.toStdString();
        EXPECT_TRUE(l.controls.OperatorListVisible);
    }
}

TEST(OperatorList, CurrentIsWrittenInQuotes) {
    TestHome home;
    const QString path = home.file("korvel.ini");
    _tlg_config config;
    _tlg_status status;
    _tlg_controls controls;
    controls.OperatorItems = QStringList{"Иван", " Мария "};
    controls.OperatorIndex = 1;
    ASSERT_EQ(SaveSettings(path, config, status, controls), QString());
    EXPECT_TRUE(ReadFileOrMissing(path).contains(IniBytes("\r\nCurrent=\" Мария \"\r\n")));

    // A name that is not in the list selects nothing.
    home.write("korvel.ini", IniBytes("[OPERATOR]\nList=Иван,Петр\nCurrent=Мария\n"));
    EXPECT_EQ(LoadFrom(home, path).controls.OperatorIndex, -1);
    home.write("korvel.ini", IniBytes("[OPERATOR]\nList=Иван,Петр\nCurrent=\"Петр\"\n"));
    EXPECT_EQ(LoadFrom(home, path).controls.OperatorIndex, 1);
}

TEST(SaveSettings, MultiLineScheduleIsKeptOnOneLine) {
    TestHome home;
    const QString path = home.file("korvel.ini");
    _tlg_config config;
    config.VpnTimeTable = "08:00\r\n12:30\n18:00";
    ASSERT_EQ(SaveSettings(path, config, _tlg_status{}, _tlg_controls{}), QString());
    EXPECT_TRUE(ReadFileOrMissing(path).contains("\r\nTimeTable=08:00 12:30 18:00\r\n"));
    EXPECT_EQ(LoadFrom(home, path).config.VpnTimeTable, QString("08:00 12:30 18:00"));
}

TEST(LoadSettings, WindowKeysNeedRestorePosition) {
    const QString keys = "Top=10\nLeft=20\nHeight=300\nWidth=400\nPage=Protocol\n";
    _tlg_controls current;
    current.Top = 1, current.Left = 2, current.Height = 3, current.Width = 4;
    current.Page = WindowPage::Editor;

    const struct {
        QString ini;
        bool centre;
        int top, left, height, width;
        WindowPage page;
    } cases[] = {
        {"[WINDOW]\nRestorePosition=0\n" + keys, true, 1, 2, 3, 4, WindowPage::Editor},
        {"[WINDOW]\n" + keys, true, 1, 2, 3, 4, WindowPage::Editor},
        {"[WINDOW]\nRestorePosition=1\n" + keys, false, 10, 20, 300, 400, WindowPage::Protocol},
        {"[WINDOW]\nRestorePosition=1\nTop=0x10\nPage=Editor\n", false, 16, 2, 3, 4,
         WindowPage::Editor},
        {"[WINDOW]\nRestorePosition=1\nWidth=wide\nPage=Other\n", false, 1, 2, 3, 4,
         WindowPage::Editor},
    };
    for (const auto& c : cases) {
        TestHome home;
        home.write("korvel.ini", c.ini.toUtf8());
        Loaded l;
        l.controls = current;
        l.read = LoadSettings(home.file("korvel.ini"), home.path(), l.config, l.status,
                              l.schemaCopies, l.controls);
        EXPECT_EQ(l.controls.CenterOnScreen, c.centre) << c.ini.toStdString();
        EXPECT_EQ(l.controls.Top, c.top) << c.ini.toStdString();
        EXPECT_EQ(l.controls.Left, c.left) << c.ini.toStdString();
        EXPECT_EQ(l.controls.Height, c.height) << c.ini.toStdString();
        EXPECT_EQ(l.controls.Width, c.width) << c.ini.toStdString();
        EXPECT_EQ(l.controls.Page, c.page) << c.ini.toStdString();
    }
}

TEST(SaveSettings, PageIsWrittenOnlyForEditorAndProtocol) {
    const struct {
        WindowPage page;
        const char* line;
    } cases[] = {
        {WindowPage::Editor, "Page=Editor\n"},
        {WindowPage::Protocol, "Page=Protocol\n"},
        {WindowPage::Other, "Page=Kept\n"},
    };
    for (const auto& c : cases) {
        TestHome home;
        home.write("korvel.ini", "[WINDOW]\nPage=Kept\n");
        _tlg_controls controls;
        controls.Page = c.page;
        ASSERT_EQ(SaveSettings(home.file("korvel.ini"), _tlg_config{}, _tlg_status{}, controls),
                  QString());
        const QByteArray bytes = ReadFileOrMissing(home.file("korvel.ini"));
        EXPECT_TRUE(bytes.contains(c.line)) << bytes.toStdString();
        EXPECT_EQ(bytes.count("Page="), 1);
    }
}

TEST(SaveSettings, KeepsWhatItDoesNotKnowInPlace) {
    const QByteArray original =
        "; TARVO/COM settings\n"
        "[SERVER]\n"
        "TCP=1\n"
        "Vendor=keep me\n"
        "\n"
        "[CUSTOM]\n"
        "just a line\n"
        "x=1\n"
        "[SCHEMA_PRINT]\n"
        "001=0\n"
        "[PRINT]\n"
        "IP=10.0.0.5\n";
    TestHome home;
    const QString path = home.file("korvel.ini");
    home.write("korvel.ini", original);
    Loaded l = LoadFrom(home, path);
    EXPECT_EQ(l.schemaCopies[1], 0);
    EXPECT_EQ(l.config.PrinterIp, QString("10.0.0.5"));
    l.config.PrinterIp = "10.9.9.9";  // read only: never written
    l.schemaCopies[1] = 5;

    ASSERT_EQ(SaveSettings(path, l.config, l.status, l.controls), QString());
    const QByteArray saved = ReadFileOrMissing(path);
    EXPECT_TRUE(
        saved.startsWith("; TARVO/COM settings\n"
                         "[SERVER]\n"
                         "TCP=1\n"
                         "Vendor=keep me\n"
                         "host=127.0.0.1\n"))
        << saved.toStdString();
    EXPECT_TRUE(
        saved.contains("\n"
                       "\n"
                       "[CUSTOM]\n"
                       "just a line\n"
                       "x=1\n"
                       "[SCHEMA_PRINT]\n"
                       "001=0\n"
                       "[PRINT]\n"
                       "IP=10.0.0.5\n"
                       "AutoPrintTlg=0\n"))
        << saved.toStdString();
    EXPECT_FALSE(saved.contains('\r'));
    EXPECT_EQ(saved.count("[SERVER]"), 1);
    EXPECT_EQ(saved.count("[PRINT]"), 1);
    EXPECT_TRUE(
        saved.endsWith("\n[WINDOW]\nRestorePosition=0\nTop=0\nLeft=0\nHeight=0\n"
                       "Width=0\nPage=Protocol\n"));

    // Saving the same settings again changes nothing.
    ASSERT_EQ(SaveSettings(path, l.config, l.status, l.controls), QString());
    EXPECT_EQ(ReadFileOrMissing(path), saved);
}

TEST(LoadSettings, ReadsTheDefaultFileUntilTheOwnFileExists) {
    TestHome home;
    home.write("korvel.ini", "[VPN]\nName=default\n");
    home.write("other/folder/keep", "");
    const QString own = home.file("other/own.ini");

    EXPECT_EQ(SettingsSourcePath(own, home.path()), home.file("korvel.ini"));
    Loaded l = LoadFrom(home, own);
    EXPECT_TRUE(l.read);
    EXPECT_EQ(l.config.VpnName, QString("default"));

    l.config.VpnName = "own";
    ASSERT_EQ(SaveSettings(own, l.config, l.status, l.controls), QString());
    EXPECT_EQ(ReadFileOrMissing(home.file("korvel.ini")), QByteArray("[VPN]\nName=default\n"));
    EXPECT_EQ(SettingsSourcePath(own, home.path()), own);
    EXPECT_EQ(LoadFrom(home, own).config.VpnName, QString("own"));

    // A folder is no settings file.
    EXPECT_EQ(SettingsSourcePath(home.file("other/folder"), home.path()), home.file("korvel.ini"));
    EXPECT_TRUE(LoadFrom(home, home.file("nothing.ini")).read);
    EXPECT_FALSE(LoadFrom(TestHome(), home.file("nothing.ini")).read);
}

TEST(SaveSettings, ARefusedWriteNamesTheFileAndChangesNothing) {
    TestHome home;
    home.write("plainfile", "x");
    home.write("folder.ini/inside", "");
    const QByteArray original = "[SERVER]\r\nTCP=0\r\nhost=1.2\r\n";
    home.write("korvel.ini", original);

    _tlg_config config;
    config.VpnPassword = QString(4000, u'x');  // a file too long for the limit below
    for (const QString& path : {home.file("plainfile/korvel.ini"), home.file("folder.ini")}) {
        EXPECT_EQ(SaveSettings(path, config, _tlg_status{}, _tlg_controls{}),
                  "Unable to write to " + path);
        EXPECT_EQ(SaveCounters(path, _tlg_status{}), "Unable to write to " + path);
    }

    const QString path = home.file("korvel.ini");
    {
        FileSizeLimit limit(200);
        ASSERT_TRUE(limit.active());
        EXPECT_EQ(SaveSettings(path, config, _tlg_status{}, _tlg_controls{}),
                  "Unable to write to " + path);
    }
    EXPECT_EQ(ReadFileOrMissing(path), original);
    EXPECT_EQ(ReadFileOrMissing(home.file("plainfile")), QByteArray("x"));
    EXPECT_EQ(QDir(home.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{"folder.ini", "korvel.ini", "plainfile"}));
}

// A settings file shared with others: writable, in a folder we may not
// write to (so no new file can be made beside it). Run as an unprivileged
// user in a child process, since root may write anywhere.
TEST(SaveSettings, AWritableFileInAFolderWeCannotWriteToIsSavedInPlace) {
    TestHome home;
    const QString folder = home.file("shared");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/korvel.ini";
    home.write("shared/korvel.ini", "[OTHER]\r\nEditNumber=9\r\n[STATUS]\r\nNumberInput=1\r\n");
    const QByteArray native = QFile::encodeName(path);
    ASSERT_EQ(::chmod(native.constData(), 0666), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(home.path()).constData(), 0755), 0);
    _tlg_status status;
    status.NumberInput = 12, status.NumberOutput = 4, status.DayText = "0130";
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ::_exit(SaveCounters(path, status).isEmpty() ? 0 : 1);
    }
    int result = -1;
    ASSERT_EQ(::waitpid(child, &result, 0), child);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ASSERT_TRUE(WIFEXITED(result));
    EXPECT_EQ(WEXITSTATUS(result), 0) << "the save failed";
    EXPECT_EQ(ReadFileOrMissing(path),
              QByteArray("[OTHER]\r\nEditNumber=9\r\n[STATUS]\r\nNumberInput=12\r\n"
                         "NumberOutput=4\r\nMMDD=0130\r\nHandedOver=\r\n"
                         "HandedOverNumber=0\r\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"korvel.ini"});
}

TEST(SaveCounters, TouchesOnlyTheCountersTheirDayAndTheHandOver) {
    const QByteArray original =
        "[STATUS]\r\n"
        "numberinput = 3\r\n"
        "Automatic=1\r\n"
        "NumberOutput=4\r\n"
        "MMDD=0130\r\n"
        "[OTHER]\r\n"
        "EditNumber=9\r\n";
    TestHome home;
    const QString path = home.file("korvel.ini");
    home.write("korvel.ini", original);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);

    _tlg_status status;
    status.NumberInput = 12, status.NumberOutput = 4, status.EditNumber = 55;
    status.Automatic = false, status.DayText = "0201";
    status.HandedOverFile = "0201q007", status.HandedOverNumber = 4;
    ASSERT_EQ(SaveCounters(path, status), QString());
    EXPECT_EQ(ReadFileOrMissing(path), QByteArray("[STATUS]\r\n"
                                                  "numberinput=12\r\n"
                                                  "Automatic=1\r\n"
                                                  "NumberOutput=4\r\n"
                                                  "MMDD=0201\r\n"
                                                  "HandedOver=0201q007\r\n"
                                                  "HandedOverNumber=4\r\n"
                                                  "[OTHER]\r\n"
                                                  "EditNumber=9\r\n"));
    EXPECT_EQ(FileMode(path), 0644);

    // What the next start reads back.
    _tlg_config config;
    _tlg_status read;
    SchemaCopyTable copies{};
    _tlg_controls controls;
    LoadSettings(path, home.path(), config, read, copies, controls);
    EXPECT_EQ(read.HandedOverFile, "0201q007");
    EXPECT_EQ(read.HandedOverNumber, 4);
    EXPECT_EQ(read.DayText, "0201");

    status.HandedOverFile.clear(), status.HandedOverNumber = 0;
    home.write("korvel.ini", "[OTHER]\nEditNumber=9\n");
    ASSERT_EQ(SaveCounters(path, status), QString());
    EXPECT_EQ(ReadFileOrMissing(path),
              QByteArray("[OTHER]\nEditNumber=9\n"
                         "[STATUS]\nNumberInput=12\nNumberOutput=4\nMMDD=0201\n"
                         "HandedOver=\nHandedOverNumber=0\n"));

    const QString fresh = home.file("new.ini");
    ASSERT_EQ(SaveCounters(fresh, status), QString());
    EXPECT_EQ(FileMode(fresh), 0600);
}

}  // namespace
