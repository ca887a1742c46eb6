// The settings dialog behind the access code, driven by its controls' names
// as an operator would, on the main window of a program folder of its own.

#include "shell/TForm_Access.h"
#include "shell/TForm_Options.h"
#include "shell/TForm_TARVO.h"
#include "shell/autorun.h"
#include "support/loopback.h"
#include "support/mainwindowfixture.h"
#include "support/modal.h"
#include "support/runprogram.h"
#include "support/widgets.h"
#include "util/codepages.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

class OptionsTest : public MainWindowFixture {
protected:
    // The settings file's lines, as text.
    QSet<QString> IniLines() const {
        const QStringList lines =
            AnsiToWide(ReadFileBytes(home.file("korvel.ini"))).split(QStringLiteral("\r\n"));
        return QSet<QString>(lines.begin(), lines.end());
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

TEST_F(OptionsTest, OneChangeOnEveryPageChangesExactlyThoseKeys) {
    writeIni("[PATH]\r\ntimeout=0\r\n[OTHER]\r\nTlg_TimeOut=5\r\n");
    auto window = startedWindow();
    // A first save without changes writes the whole file; PATH/timeout 0 is
    // shown and saved as 10, Tlg_TimeOut 5 as 10.
    Options(*window, [](TForm_Options& f) {
        EXPECT_EQ(f.UpDown_ScanPathTimeout->value(), 10);
        EXPECT_EQ(f.UpDown_TlgTimeOut->value(), 10);
        EXPECT_EQ(f.windowTitle(), "TARVO/COM [Options]");
        EXPECT_EQ(f.PageControl->count(), 8);
    });
    const QSet<QString> before = IniLines();
    EXPECT_TRUE(before.contains("timeout=10"));
    EXPECT_TRUE(before.contains("Tlg_TimeOut=10"));

    Options(*window, [](TForm_Options& f) {
        f.Edit_Port2->setText("4444");                        // Подключение
        f.UpDown_VPN_DisconnectDelay->setValue(45);           // VPN
        f.UpDown_ZZTimeOut->setValue(7);                      // Прием/Передача
        f.Edit_InputPath->setText("arch");                    // Каталоги
        f.UpDown_PrintSkipLines->setValue(2);                 // Печать
        f.CheckBox_AskOnClose->setChecked(false);             // Разное
        f.TntMemo_OperatorList->setPlainText("Иванов\nПетр Сидоров");  // Смена
        f.Sound_O.type->setCurrentIndex(1);                   // Звуки
    });
    const QSet<QString> after = IniLines();
    EXPECT_EQ(after - before,
              (QSet<QString>{"port2=4444", "DisconnectDelay=45", "ZZTimeOut=7", "inp=arch/",
                             "SkipLines=2", "AskOnClose=0", "List=Иванов,\"Петр Сидоров\"",
                             "O_Type=1"}));
    EXPECT_EQ((before - after).size(), 8) << QStringList((before - after).values()).join(" | ").toStdString();
    EXPECT_TRUE(QFileInfo(home.file("arch")).isDir()) << "the new folder is made at once";
    const QString log = dayProtocol();
    EXPECT_EQ(log.count("НАСТРОЙКИ СОХРАНЕНЫ"), 2);
    EXPECT_LT(log.lastIndexOf("ОТКРЫТО ОКНО НАСТРОЕК"), log.lastIndexOf("НАСТРОЙКИ СОХРАНЕНЫ"));
}

TEST_F(OptionsTest, TheRulesOfTheControls) {
    writeIni("[PERFORATOR]\r\nEnable=1\r\nCOM=ttyS0\r\n[OPERATOR]\r\nUseList=1\r\n"
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
