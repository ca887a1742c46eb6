// The editor and the two day lists inside the main window: start-up, the
// settings they keep, Ctrl+N, day start, "В редактор" and sending.

#include "shell/TForm_TARVO.h"

#include "archive/TDayListPage.h"
#include "editor/TEditorPage.h"
#include "support/mainwindowfixture.h"
#include "support/modal.h"
#include "support/testhome.h"
#include "util/codepages.h"
#include "util/fileops.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class MainWindowEditorTest : public MainWindowFixture {
protected:
    QWidget* current(const TForm_TARVO& window) const { return window.Pages()->currentWidget(); }
};

TEST_F(MainWindowEditorTest, PagesInPlaceAndAnEmptyTelegramAtStart) {
    writeIni("[EDITOR]\r\nIndex=\"222333\"\r\n");
    auto window = startedWindow();
    QTabWidget* pages = window->Pages();
    EXPECT_EQ(pages->widget(2), window->OutPage());
    EXPECT_EQ(pages->widget(3), window->InPage());
    EXPECT_EQ(pages->widget(5), window->EditorPage());
    EXPECT_EQ(window->OutPage()->objectName(), "TabSheet_Out");
    EXPECT_EQ(window->InPage()->objectName(), "TabSheet_In");
    EXPECT_EQ(window->EditorPage()->objectName(), "TabSheet_Editor");
    EXPECT_EQ(window->EditorPage()->MaskEdit_Editor_Index->text(), "222333");
    EXPECT_EQ(window->EditorPage()->TntEdit_Editor_FromData->text(), "30/01 1200=");
    EXPECT_EQ(current(*window), pages->widget(0)) << "the start stays on the protocol";
}

TEST_F(MainWindowEditorTest, EditorSettingsComeAndGo) {
    writeIni(
        WideToAnsi(u"[OTHER]\r\nAskOnClose=0\r\n"
                   u"[EDITOR]\r\nFromUse=1\r\nAutoFormat=1\r\n"
                   u"[OPERATOR]\r\nUseList=1\r\nList=\"ИВАНОВ,ПЕТРОВ\"\r\nCurrent=\"ПЕТРОВ\"\r\n"));
    auto window = startedWindow();
    TEditorPage* editor = window->EditorPage();
    EXPECT_TRUE(editor->CheckBox_From->isChecked());
    EXPECT_TRUE(editor->TntEdit_Editor_From->isEnabled());
    EXPECT_TRUE(editor->TntCheckBox_EditorAutoFormat->isChecked());
    EXPECT_FALSE(editor->TntComboBox_OperatorList->isHidden());
    EXPECT_EQ(editor->TntComboBox_OperatorList->currentText(), "ПЕТРОВ");

    editor->CheckBox_From->setChecked(false);
    editor->TntEdit_Editor_From->setText("МОСКВА");
    editor->TntComboBox_Editor_Category->setCurrentIndex(3);
    editor->TntComboBox_OperatorList->setCurrentIndex(0);
    window->MenuCloseClick();
    window->Timer_1secTimer();
    ASSERT_TRUE(window->IsFinished());

    const TSettingsRecords saved = savedSettings();
    EXPECT_FALSE(saved.controls.FromUse);
    EXPECT_EQ(saved.controls.FromString, "МОСКВА");
    EXPECT_TRUE(saved.controls.AutoFormat);
    EXPECT_EQ(saved.controls.OperatorIndex, 0);
}

TEST_F(MainWindowEditorTest, CtrlNStartsANewTelegram) {
    auto window = startedWindow();
    window->EditorPage()->TntMemo_Edit->setPlainText("СТАРЫЙ ТЕКСТ");
    QAction* action = window->findChild<QAction*>("Action_NewTlg");
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    action->trigger();
    EXPECT_TRUE(window->EditorPage()->TntMemo_Edit->toPlainText().isEmpty());
    EXPECT_EQ(current(*window), window->EditorPage());
}

TEST_F(MainWindowEditorTest, DayStartFillsTheListsAndReceivedGoesToTheEditor) {
    writeIni("[PATH]\r\nMarkFilesInList=1\r\n");
    home.write("inp/0130/0130q215.001", WideToAnsi(u"ЗЦЗЦ 001\r\nП141911\r\nТЕКСТ\r\nНННН  \r\n"));
    SetArchiveMark(home.file("inp/0130/0130q215.001"), true);
    home.write("out/0130/0130q000.001", WideToAnsi(u"П141911\r\nОТПРАВЛЕНО\r\n"));
    auto window = startedWindow();
    QTreeWidget* in = window->InPage()->ListView;
    ASSERT_EQ(in->topLevelItemCount(), 1);
    EXPECT_EQ(in->topLevelItem(0)->checkState(0), Qt::Unchecked);
    ASSERT_EQ(window->OutPage()->ListView->topLevelItemCount(), 1);

    in->setCurrentItem(in->topLevelItem(0));
    window->InPage()->Button_ToEditor->click();
    EXPECT_EQ(current(*window), window->EditorPage());
    EXPECT_EQ(window->EditorPage()->TntMemo_Edit->toPlainText(), "П141911\nТЕКСТ\n\n");

    QTreeWidget* out = window->OutPage()->ListView;
    out->setCurrentItem(out->topLevelItem(0));
    window->OutPage()->Button_ToEditor->click();
    EXPECT_EQ(window->EditorPage()->TntMemo_Edit->toPlainText(), "П141911\nОТПРАВЛЕНО\n");

    home.write("inp/0130/0130q216.002", "new");
    window->RefreshInListIfToday();
    EXPECT_EQ(in->topLevelItemCount(), 2);
}

TEST_F(MainWindowEditorTest, SendingShowsTheProtocolAndWritesTheQueueFile) {
    auto window = startedWindow();
    TEditorPage* editor = window->EditorPage();
    window->Pages()->setCurrentWidget(editor);
    editor->TntMemo_Edit->setPlainText("МОСКВА ИВАНОВУ ПРИБЫВАЮ");
    {
        ModalAnswerer execute(QStringLiteral("Выполнить"));
        editor->Button_Send->click();
        EXPECT_TRUE(execute.answered);
    }
    EXPECT_TRUE(QFile::exists(home.file("out/0130q000")));
    EXPECT_EQ(records.status.EditNumber, 1);
    EXPECT_EQ(current(*window), window->Pages()->widget(0));
}

}  // namespace
