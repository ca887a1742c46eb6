// The settings dialog behind the access code, driven by its controls' names
// as an operator would, on the main window of a program folder of its own.

#include "shell/TForm_Access.h"
#include "shell/TForm_Options.h"
#include "shell/TForm_TARVO.h"
#include "shell/autorun.h"
#include "support/fakenmcli.h"
#include "support/loopback.h"
#include "support/mainwindowfixture.h"
#include "support/modal.h"
#include "support/runprogram.h"
#include "support/widgets.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// Puts a value into a control as the operator would: a text, a tick ("1"),
// a number, a list entry (added when the machine does not offer it), or for
// a font button the font "family,size,B" chosen.
void Show(TForm_Options& f, const char* name, const QString& value) {
    auto* control = f.findChild<QWidget*>(QLatin1String(name));
    ASSERT_NE(control, nullptr) << name;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(value);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
        memo->setPlainText(value);
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        spin->setValue(value.toInt());
    } else if (auto* list = qobject_cast<QComboBox*>(control); list && list->isEditable()) {
        list->setCurrentText(value);
    } else if (list) {
        if (list->findText(value) < 0)
            list->addItem(value, value);
        list->setCurrentIndex(list->findText(value));
    } else if (auto* button = qobject_cast<QAbstractButton*>(control);
               button && button->isCheckable()) {
        button->setChecked(value == "1");
    } else if (button) {
        const QStringList font = value.split(',');
        f.SetFontChooser([font](QFont& chosen) {
            chosen = QFont(font[0], font[1].toInt());
            chosen.setBold(font[2] == "B");
            return true;
        });
        button->click();
    } else {
        ADD_FAILURE() << name << " is no control the table knows";
    }
}

class OptionsTest : public MainWindowFixture {
protected:
    // The settings file as "SECTION/key" → value; the category lists are
    // line code.
    QMap<QString, QString> IniValues() const {
        QMap<QString, QString> values;
        QString section;
        for (const QByteArray& line : ReadFileBytes(home.file("korvel.ini")).split('\n')) {
            const QByteArray text = line.trimmed();
            const qsizetype equals = text.indexOf('=');
            if (text.startsWith('['))
                section = QString::fromLatin1(text.mid(1, text.size() - 2));
            else if (equals > 0) {
                const QString key = section + '/' + QString::fromLatin1(text.left(equals));
                const QByteArray value = text.mid(equals + 1);
                values[key] = key.endsWith("/Category") ? LineToWide(value) : AnsiToWide(value);
            }
        }
        return values;
    }
    // Opens the dialog (no access code), lets change() work on it and
    // presses button.
    void Options(TForm_TARVO& window, const std::function<void(TForm_Options&)>& change,
                 const QString& button = QStringLiteral("Сохранить")) {
        ModalAnswerer answer(button, [&](QWidget* dialog) {
            if (auto* form = qobject_cast<TForm_Options*>(dialog); form && change) {
                change(*form);
                // Once: the answerer looks again while the button is disabled.
                const_cast<std::function<void(TForm_Options&)>&>(change) = nullptr;
            }
        });
        window.MenuOptionsClick();
    }
    const ScopedEnv config_{"XDG_CONFIG_HOME", home.file("config")};
};

TEST_F(OptionsTest, TheAccessCodeGuardsTheDialog) {
    writeIni("[OTHER]\r\nCode=0123\r\n");
    auto window = startedWindow();
    const auto opened = [&] { return dayProtocol().count("ОТКРЫТО ОКНО НАСТРОЕК"); };
    {
        ModalAnswerer cancel("Cancel");
        window->MenuOptionsClick();
    }
    EXPECT_EQ(opened(), 0) << "Cancel in the prompt leaves without a word";

    // The entry starts with "0"; typing on without clearing it gives 0123.
    QString shown;
    {
        ModalAnswerer type("Ok", [&](QWidget* d) {
            auto* edit = FindChild<QLineEdit>(*d, "Edit_AccessCode");
            shown = edit->text();
            edit->setText(edit->text() + "123");
        });
        ModalAnswerer leave("Отменить");
        window->MenuOptionsClick();
    }
    EXPECT_EQ(shown, "0");
    EXPECT_EQ(window->AccessForm()->Edit_AccessCode->echoMode(), QLineEdit::Password);
    EXPECT_EQ(window->AccessForm()->Edit_AccessCode->maxLength(), 16);
    EXPECT_EQ(opened(), 1);

    // A wrong code brings the prompt back, until Cancel.
    {
        ModalAnswerer wrong("Ok", [&](QWidget* d) {
            FindChild<QLineEdit>(*d, "Edit_AccessCode")->setText("0124");
        });
        ModalAnswerer cancel("Cancel", [&](QWidget* d) {
            FindChild<QPushButton>(*d, "Button_Cancel")->setEnabled(wrong.answered);
        });
        window->MenuOptionsClick();
    }
    EXPECT_EQ(opened(), 1);
    EXPECT_FALSE(dayProtocol().contains("НАСТРОЙКИ СОХРАНЕНЫ"));
    EXPECT_FALSE(dayProtocol().contains("0123")) << "the code never reaches the protocol";
}

// Every control of every page as the operator sets it, and what the settings
// file then holds under its key (code page 1251; the category lists in line
// code). A row whose value the file already held could not fail.
TEST_F(OptionsTest, EveryControlWritesItsKey) {
    writeIni("[PATH]\r\ntimeout=0\r\n[OTHER]\r\nTlg_TimeOut=5\r\n");
    home.write("font8x8.fnt", QByteArray(2048, '\x55'));
    FakeNmcli nmcli;
    const ScopedEnv path("PATH", nmcli.Folder() + ':' + qEnvironmentVariable("PATH"));
    auto window = startedWindow();
    // No test opens a real device: these paths do not exist.
    window->SetPortEnumerator([] {
        return QList<TPortDevice>{{"/dev/tarvo-line", true, 0x0403, 0x6001, "1A2B3C4D"},
                                  {"/dev/tarvo-tape", true, 0x0403, 0x6001, "2A1B3C4D"}};
    });
    // A first save without changes writes the whole file; PATH/timeout 0 is
    // shown and saved as 10, Tlg_TimeOut 5 as 10.
    Options(*window, [](TForm_Options& f) {
        EXPECT_EQ(f.UpDown_ScanPathTimeout->value(), 10);
        EXPECT_EQ(f.UpDown_TlgTimeOut->value(), 10);
        EXPECT_EQ(f.windowTitle(), "TARVO/COM [Options]");
        EXPECT_EQ(f.PageControl->count(), 8);
    });
    const QMap<QString, QString> before = IniValues();
    EXPECT_EQ(before["PATH/timeout"], "10");
    EXPECT_EQ(before["OTHER/Tlg_TimeOut"], "10");

    const struct {
        const char* control;
        const char* shown;
        const char* key;
        const char* written;
    } rows[] = {
        // Подключение
        {"RadioButton_COM", "1", "SERVER/TCP", "0"},
        {"Edit_Host", "10.1.2.3", "SERVER/host", "10.1.2.3"},
        {"Edit_Port", "4000", "SERVER/port", "4000"},
        {"Edit_Host2", "10.1.2.4", "SERVER/host2", "10.1.2.4"},
        {"Edit_Port2", "4444", "SERVER/port2", "4444"},
        {"ComboBox_Port", "/dev/tarvo-line ЛИН-9 1A2B3C4D", "SERVER/COM", "/dev/tarvo-line"},
        {"ComboBox_Baud", "100", "SERVER/baud", "1"},
        {"CheckBox_Perforator", "1", "PERFORATOR/Enable", "1"},
        {"ComboBox_PerfPort", "/dev/tarvo-tape ЛЕНТ-9 2A1B3C4D", "PERFORATOR/COM",
         "/dev/tarvo-tape"},
        {"ComboBox_PerfBaud", "MAX", "PERFORATOR/baud", "2"},
        {"CheckBox_PerfNoBlock", "1", "PERFORATOR/NoBlock", "1"},
        {"CheckBox_VPN_Use", "1", "VPN/Use", "1"},
        // VPN
        {"ComboBox_VPN_Name", "центр", "VPN/Name", "центр"},
        {"Edit_VPN_Login", "оператор", "VPN/Login", "оператор"},
        {"Edit_VPN_Password", "секрет", "VPN/Password", "секрет"},
        {"RadioButton_VPN_TimeTable", "1", "VPN/UseTimeTable", "1"},
        {"Memo_VPN_TimeTable", "08:00\n12:30", "VPN/TimeTable", "08:00 12:30"},
        {"UpDown_VPN_DisconnectDelay", "45", "VPN/DisconnectDelay", "45"},
        {"CheckBox_VPN_NoDisturb", "1", "VPN/NoDisturb", "1"},
        // Прием/Передача
        {"CheckBox_TlgNotes", "1", "OTHER/CheckTlgNotes", "1"},
        {"UpDown_TlgTimeOut", "25", "OTHER/Tlg_TimeOut", "25"},
        {"UpDown_ZZTimeOut", "7", "OTHER/ZZTimeOut", "7"},
        {"ComboBox_CCM", "Тип 2: время hhmm, \"РАСПИСКА\"", "SERVER/CCM", "2"},
        {"CheckBox_CorrectTime", "1", "OTHER/CorrectTime", "1"},
        {"ComboBox_TZ", "+3", "OTHER/CorrectTimeTZ", "3"},
        {"CheckBox_OnIdleSendKG0", "1", "SERVER/OnIdleSendKG0", "1"},
        {"ComboBox_IdleSendKGTimeOut", "25", "SERVER/IdleSendKGTimeOut", "5"},
        {"CheckBox_ReSendEnable", "1", "OTHER/ReSendEnable", "1"},
        {"Edit_ReSendHeader", "С141911", "OTHER/ReSendHeader", "С141911"},
        {"CheckBox_ServicePlace", "1", "OTHER/ServicePlace", "1"},
        {"Edit_AA", "ПРИНЯТО", "OTHER/TextAA", "ПРИНЯТО"},
        // Каталоги: a folder typed as on Windows is stored with '/'.
        {"Edit_InputPath", "arch\\inp\\", "PATH/inp", "arch/inp/"},
        {"UpDown_InputPath_Days", "30", "PATH/inp_days", "30"},
        {"Edit_OutputPath", "outbox", "PATH/out", "outbox/"},
        {"UpDown_OutputPath_Days", "31", "PATH/out_days", "31"},
        {"Edit_PrtPath", "log\\prt", "PATH/prt", "log/prt/"},
        {"UpDown_PrtPath_Days", "32", "PATH/prt_days", "32"},
        {"UpDown_ScanPathTimeout", "45", "PATH/timeout", "45"},
        {"CheckBox_OutputAppendMode", "0", "PATH/OutputInAppendMode", "0"},
        {"CheckBox_SaveRegisterInTlg", "1", "PATH/SaveRegisterInTlg", "1"},
        {"CheckBox_SaveTlg_ANSI", "0", "PATH/SaveTlg_ANSI", "0"},
        {"CheckBox_DayPath_YYMMDD", "1", "PATH/DayFormat", "yymmdd"},
        {"CheckBox_DayPath_YYMMDD", "1", "PATH/SearchDayFormat", "??????"},
        {"CheckBox_MarkFilesInList", "1", "PATH/MarkFilesInList", "1"},
        {"CheckBox_CorrectInputTlg", "1", "PATH/CorrectInputTlg", "1"},
        // Печать
        {"CheckBox_AutoPrintTlg", "1", "PRINT/AutoPrintTlg", "1"},
        {"CheckBox_PrintRegisters", "1", "PRINT/PrintRegisters", "1"},
        {"CheckBox_AutoWordWrap", "0", "PRINT/AutoWordWrap", "0"},
        {"CheckBox_AutoPrintMsg", "1", "PRINT/AutoPrintMsg", "1"},
        {"RadioButton_PRN_Windows", "1", "PRINT/MatrixRAW", "0"},
        {"ComboBox_PRN", "cups:ЦЕХ", "PRINT/PRN", "cups:ЦЕХ"},
        {"CheckBox_PRNLoadFont", "1", "PRINT/LoadFont", "1"},
        {"Edit_PRNFontFile", "font8x8.fnt", "PRINT/LoadFontFileName", "font8x8.fnt"},
        {"UpDown_PrintSkipLines", "7", "PRINT/SkipLines", "7"},
        {"ComboBox_Printers", "Второй", "PRINT/WindowsPrinterN", "1"},
        {"Button_PrnFont", "DejaVu Sans Mono,15,B", "FONT_PRN/Name", "DejaVu Sans Mono"},
        {"Button_PrnFont", "DejaVu Sans Mono,15,B", "FONT_PRN/Size", "15"},
        {"Button_PrnFont", "DejaVu Sans Mono,15,B", "FONT_PRN/Style", "B"},
        // Разное
        {"Edit_AccessCode", "7", "OTHER/Code", "7"},
        {"Edit_Editor_Category", "С,ПМ", "EDITOR/Category", "С,ПМ"},
        {"MaskEdit_Editor_Index", "123456", "EDITOR/Index", "123456"},
        {"Button_Font", "Liberation Serif,13,B", "FONT/Name", "Liberation Serif"},
        {"Button_Font", "Liberation Serif,13,B", "FONT/Size", "13"},
        {"Button_Font", "Liberation Serif,13,B", "FONT/Style", "B"},
        {"CheckBox_ParseOutTextForAutoReplace", "1", "EDITOR/ParseOutTextForAutoReplace", "1"},
        {"CheckBox_AutoRun", "0", "OTHER/AutoRun", "0"},
        {"CheckBox_TrayMode", "1", "OTHER/TrayMode", "1"},
        {"CheckBox_StartAutomate", "0", "OTHER/StartAutomateMode", "0"},
        {"CheckBox_AskOnClose", "0", "OTHER/AskOnClose", "0"},
        {"CheckBox_MinimizeOnCloseWindow", "0", "OTHER/MinimizeOnCloseWindow", "0"},
        {"CheckBox_ProtocolWidth", "1", "OTHER/ProtocolWidth", "69"},
        {"CheckBox_RestoreWindowPosition", "1", "WINDOW/RestorePosition", "1"},
        {"CheckBox_NoHideInTaskBar", "0", "OTHER/NoHideInTaskBar", "0"},
        // Смена
        {"TntCheckBox_UseOperatorList", "1", "OPERATOR/UseList", "1"},
        {"TntMemo_OperatorList", "Иванов\nПетр Сидоров", "OPERATOR/List",
         "Иванов,\"Петр Сидоров\""},
        {"CheckBox_RAutoConfirm", "1", "OPERATOR/RAutoConfirm", "25"},
        {"UpDown_RAutoConfirm", "25", "OPERATOR/RAutoConfirm", "25"},
        // Звуки
        {"TntComboBox_R_SoundType", "Без звука", "SOUND/Raketa_Type", "0"},
        {"TntEdit_R_SoundFile", "r.wav", "SOUND/Raketa_File", "r.wav"},
        {"TntComboBox_K_SoundType", "Проиграть файл (цикл)", "SOUND/K_Type", "3"},
        {"TntEdit_K_SoundFile", "k.wav", "SOUND/K_File", "k.wav"},
        {"Edit_Category_Sound", "ПМ,СМ", "SOUND/Category", "ПМ,СМ"},
        {"TntComboBox_O_SoundType", "Проиграть файл", "SOUND/O_Type", "2"},
        {"TntEdit_O_SoundFile", "o.wav", "SOUND/O_File", "o.wav"},
        {"TntComboBox_NC_SoundType", "Динамик", "SOUND/NC_Type", "1"},
        {"TntEdit_NC_SoundFile", "nc.wav", "SOUND/NC_File", "nc.wav"},
    };
    Options(*window, [&](TForm_Options& f) {
        // The system's printers.
        f.ComboBox_Printers->clear();
        f.ComboBox_Printers->addItems({"Первый", "Второй"});
        QSet<QString> inTable;
        for (const auto& row : rows) {
            Show(f, row.control, QString::fromUtf8(row.shown));
            inTable << row.control;
        }
        // No control of the dialog is left out of the table.
        for (const QWidget* w : f.findChildren<QWidget*>()) {
            if ((qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
                 qobject_cast<const QSpinBox*>(w) || qobject_cast<const QComboBox*>(w) ||
                 qobject_cast<const QCheckBox*>(w)) &&
                !w->objectName().isEmpty() && !w->objectName().startsWith("qt_")) {
                EXPECT_TRUE(inTable.contains(w->objectName())) << w->objectName().toStdString();
            }
        }
    });
    const QMap<QString, QString> after = IniValues();
    for (const auto& row : rows) {
        EXPECT_NE(before.value(row.key), QString::fromUtf8(row.written)) << row.key;
        EXPECT_EQ(after.value(row.key), QString::fromUtf8(row.written)) << row.control;
    }
    EXPECT_TRUE(QFileInfo(home.file("arch/inp")).isDir()) << "the new folder is made at once";
    EXPECT_FALSE(QFileInfo::exists(home.file("arch\\inp\\")));
    EXPECT_TRUE(
        Cp866ToWide(ReadFileBytes(home.file("log/prt/0130.prt"))).contains("НАСТРОЙКИ СОХРАНЕНЫ"))
        << "in the new protocol folder";
}

TEST_F(OptionsTest, TheRulesOfTheControls) {
    writeIni(
        "[PERFORATOR]\r\nEnable=1\r\nCOM=ttyS0\r\n[OPERATOR]\r\nUseList=1\r\n"
        "RAutoConfirm=20\r\n");
    auto window = startedWindow();
    window->SetPortEnumerator([] { return QList<TPortDevice>{}; });
    Options(*window, [](TForm_Options& f) {
        EXPECT_FALSE(f.RadioButton_COM->isEnabled()) << "no serial port";
        ASSERT_TRUE(f.CheckBox_Perforator->isEnabled()) << "a ticked box can be cleared";
        f.CheckBox_Perforator->setChecked(false);
        EXPECT_FALSE(f.CheckBox_Perforator->isEnabled()) << "and then not ticked again";
        EXPECT_TRUE(f.CheckBox_RAutoConfirm->isChecked());
        f.TntCheckBox_UseOperatorList->setChecked(false);
        EXPECT_FALSE(f.CheckBox_RAutoConfirm->isEnabled());
        EXPECT_FALSE(f.PageControl->isTabVisible(1)) << "the VPN page without VPN";
        f.CheckBox_VPN_Use->setChecked(true);
        EXPECT_TRUE(f.PageControl->isTabVisible(1));
        f.CheckBox_VPN_Use->setChecked(false);
        EXPECT_FALSE(f.Edit_VPN_Password->isEnabled()) << "no user, no password";
        f.Edit_PrtPath->setText("pr");
        EXPECT_FALSE(f.Button_Save->isEnabled()) << "a folder under 3 characters";
        f.Edit_PrtPath->setText("prt");
        EXPECT_TRUE(f.Button_Save->isEnabled());
    });
    const TSettingsRecords saved = savedSettings();
    EXPECT_FALSE(saved.config.PerfEnable);
    EXPECT_EQ(saved.config.RAutoConfirm, 0) << "stored 0 without the operator list";
    EXPECT_EQ(saved.config.PrtPath, "prt/") << "stored with its trailing slash";

    // Adapters go to their own list; the current port is shown even when absent.
    window->SetPortEnumerator([] {
        return QList<TPortDevice>{{"ttyS0", false, 0, 0, {}},
                                  {"ttyUSB0", true, 0x0403, 0x6001, "1A2B3C4D"},
                                  {"ttyUSB1", true, 0x0403, 0x6001, "2A1B3C4D"}};
    });
    QStringList line, tape;
    Options(
        *window,
        [&](TForm_Options& f) {
            for (int i = 0; i < f.ComboBox_Port->count(); ++i)
                line << f.ComboBox_Port->itemText(i);
            for (int i = 0; i < f.ComboBox_PerfPort->count(); ++i)
                tape << f.ComboBox_PerfPort->itemText(i);
            EXPECT_TRUE(f.RadioButton_COM->isEnabled());
            f.ComboBox_Port->setCurrentIndex(1);
            EXPECT_EQ(f.DialogLinePort(), "ttyUSB0");
        },
        "Отменить");
    EXPECT_EQ(line, (QStringList{"ttyS0", "ttyUSB0 ЛИН-9 1A2B3C4D"}));
    EXPECT_EQ(tape, (QStringList{"ttyS0", "ttyUSB1 ЛЕНТ-9 2A1B3C4D"}));
    EXPECT_EQ(savedSettings().config.Com, "ttyS0") << "Отменить changes nothing";
}

TEST_F(OptionsTest, ABadPortKeepsTheDialogOpenAndChangesNothing) {
    auto window = startedWindow();
    const QByteArray before = ReadFileBytes(home.file("korvel.ini"));
    ModalAnswerer box("OK");
    ModalAnswerer cancel("Отменить", [&](QWidget* d) {
        if (auto* f = qobject_cast<TForm_Options*>(d))
            f->Button_Cancel->setEnabled(box.answered);
    });
    {
        ModalAnswerer save("Сохранить", [](QWidget* d) {
            if (auto* f = qobject_cast<TForm_Options*>(d))
                f->Edit_Port->setText("33x");
        });
        window->MenuOptionsClick();
    }
    EXPECT_TRUE(box.text.contains("33x")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("Порт")) << box.text.toStdString();
    EXPECT_EQ(ReadFileBytes(home.file("korvel.ini")), before);
    EXPECT_FALSE(dayProtocol().contains("НАСТРОЙКИ СОХРАНЕНЫ"));
}

TEST_F(OptionsTest, OnlyALinkChangeConfiguresTheLineAgain) {
    LoopbackServer centre;
    writeIni(CentreSettings(centre.Port()));
    auto window = startedWindow();
    ASSERT_TRUE(centre.Accept());
    Options(*window, [](TForm_Options& f) { f.Sound_R.type->setCurrentIndex(0); });
    EXPECT_FALSE(centre.WaitPeerClosed(500)) << "a sound setting leaves the line alone";
    Options(*window, [](TForm_Options& f) { f.ComboBox_Baud->setCurrentIndex(2); });
    EXPECT_TRUE(centre.WaitPeerClosed()) << "a line speed change configures it again";
    EXPECT_TRUE(centre.Accept());
}

TEST_F(OptionsTest, AutorunWritesTheEntryOnlyWhenTheBoxChanges) {
    writeIni("[OTHER]\r\nAutoRun=0\r\n");
    options.InstanceName = "Смена 2";
    options.AppTitle = "ЦКС 50% \"$HOME\" `x` \\";
    auto window = startedWindow();
    const QString entry = AutorunEntryPath("Смена 2");
    ASSERT_TRUE(entry.startsWith(home.file("config/autostart/WIN_KORVELIP")));

    Options(*window, [](TForm_Options& f) { f.CheckBox_AutoRun->setChecked(true); });
    const QByteArray text = ReadFileBytes(entry);
    ASSERT_FALSE(text.isEmpty());
    if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
        const ProgramRun valid = RunProgram("desktop-file-validate", {entry});
        EXPECT_EQ(valid.exitCode, 0) << valid.out.toStdString() << valid.err.toStdString();
    }
    // A shell splits the Exec line as the desktop does (once the file's own
    // escapes and the doubled % are undone).
    QString exec = QString::fromUtf8(text).section("Exec=", 1).section('\n', 0, 0);
    exec.replace("\\\\", "\\").replace("%%", "%");
    const ProgramRun words =
        RunProgram("sh", {"-c", "eval \"set -- $0\"; printf '%s\\n' \"$@\"", exec});
    EXPECT_EQ(QString::fromUtf8(words.out).split('\n'),
              (QStringList{QCoreApplication::applicationFilePath(), "-t", options.AppTitle, "-n",
                           "Смена 2", ""}))
        << exec.toStdString();

    // Left alone while the box stays as it is; removed when cleared.
    QFile::remove(entry);
    Options(*window, [](TForm_Options& f) { f.UpDown_ZZTimeOut->setValue(9); });
    EXPECT_FALSE(QFile::exists(entry));
    home.write("config/autostart/WIN_KORVELIPСмена 2.desktop", "mark");
    Options(*window, [](TForm_Options& f) { f.CheckBox_AutoRun->setChecked(false); });
    EXPECT_FALSE(QFile::exists(entry));
}

}  // namespace
