// The exchange's panels inside the main window: the queue page, the
// service-group buttons, the counters dialog, the request form of the
// control service and the tray picture.

#include "shell/TForm_TARVO.h"

#include "editor/TEditorPage.h"
#include "exchange/TQueuePage.h"
#include "exchange/TServiceGroupPanel.h"
#include "protocol/TProtocolPage.h"
#include "shell/headpanel.h"
#include "support/lineliterals.h"
#include "support/mainwindowfixture.h"
#include "support/modal.h"
#include "support/protocolevents.h"
#include "support/recordingline.h"
#include "support/testhome.h"
#include "util/clipboard.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class MainWindowPanelsTest : public MainWindowFixture {
protected:
    // Started, and on a line that records what it is given.
    std::unique_ptr<TForm_TARVO> windowOnLine(const QByteArray& ini = {}) {
        if (!ini.isEmpty())
            writeIni(ini);
        auto window = startedWindow();
        window->Exchange().SetLine(&line);
        return window;
    }
    bool queueTabVisible(const TForm_TARVO& window) const {
        return window.Pages()->isTabVisible(window.Pages()->indexOf(window.QueuePage()));
    }

    RecordingLine line;
};

TEST_F(MainWindowPanelsTest, QueuePageIsShownOnlyWithSomethingInIt) {
    home.write("out/0130q001.b012", "failed");
    auto window = windowOnLine();
    QTabWidget* pages = window->Pages();
    EXPECT_EQ(pages->widget(1), window->QueuePage());
    EXPECT_EQ(pages->tabText(1), "Передача");
    EXPECT_TRUE(queueTabVisible(*window)) << "the day start lists the out root";
    EXPECT_EQ(window->QueuePage()->ListView_Queue->topLevelItemCount(), 1);

    window->QueuePage()->ListView_Queue->setCurrentItem(
        window->QueuePage()->ListView_Queue->topLevelItem(0));
    window->QueuePage()->Button_Queue_Delete->click();
    EXPECT_FALSE(queueTabVisible(*window));
    EXPECT_EQ(pages->currentIndex(), 0);
}

TEST_F(MainWindowPanelsTest, ATelegramWrittenByTheEditorShowsInTheQueue) {
    auto window = windowOnLine();
    EXPECT_FALSE(queueTabVisible(*window));
    window->EditorPage()->TntMemo_Edit->setPlainText("МОСКВА ИВАНОВУ ПРИБЫВАЮ");
    {
        ModalAnswerer execute(QStringLiteral("Выполнить"));
        window->EditorPage()->Button_Send->click();
        ASSERT_TRUE(execute.answered);
    }
    EXPECT_TRUE(queueTabVisible(*window));
    EXPECT_EQ(window->QueuePage()->ListView_Queue->topLevelItem(0)->text(0), "0130q000");
}

TEST_F(MainWindowPanelsTest, QueueToEditorFillsTheEditor) {
    home.write("out/0130q001.brd", "ПРОВЕРКА");
    auto window = windowOnLine();
    TQueuePage* queue = window->QueuePage();
    queue->ListView_Queue->setCurrentItem(queue->ListView_Queue->topLevelItem(0));
    queue->Button_Queue_ToEditor->click();
    EXPECT_EQ(window->EditorPage()->TntMemo_Edit->toPlainText(),
              queue->TntMemo_Queue->toPlainText());
    EXPECT_FALSE(queue->TntMemo_Queue->toPlainText().isEmpty());
    EXPECT_EQ(window->Pages()->currentWidget(), window->EditorPage());
}

TEST_F(MainWindowPanelsTest, ServiceGroupButtonsSendSwitchAndShowTheProtocol) {
    auto window = windowOnLine();
    TServiceGroupPanel* panel = window->ServiceGroupPanel();
    ASSERT_NE(window->Pages()->widget(0)->findChild<TServiceGroupPanel*>(), nullptr)
        << "on the protocol page";
    ASSERT_TRUE(records.status.Automatic);

    window->Pages()->setCurrentWidget(window->EditorPage());
    panel->Button_KG0->click();
    EXPECT_EQ(line.sent, L(u"|ЗЗ "));
    EXPECT_TRUE(records.status.Automatic) << "КГ0 keeps the mode";
    EXPECT_TRUE(window->Exchange().AnswerbackArmed());
    EXPECT_EQ(window->Pages()->currentIndex(), 0);

    window->Pages()->setCurrentWidget(window->EditorPage());
    line.sent.clear();
    panel->Button_KG2->click();
    EXPECT_EQ(line.sent, L(u"|ЗЦЗЦ КС СТОП НННН  "));
    EXPECT_FALSE(records.status.Automatic);
    EXPECT_EQ(window->HeadPanel()->TntLabel_Mode->text(), "РУЧНОЙ");
    EXPECT_EQ(window->Pages()->currentIndex(), 0);

    window->Exchange().SetMode(true);
    line.sent.clear();
    panel->Button_KG4->click();
    EXPECT_TRUE(line.sent.isEmpty()) << "КГ4 has no line text";
    EXPECT_FALSE(records.status.Automatic);
}

TEST_F(MainWindowPanelsTest, ServiceButtonsFollowTheChannelState) {
    auto window = windowOnLine();
    TServiceGroupPanel* panel = window->ServiceGroupPanel();
    auto enabled = [panel] {
        QString s;
        for (QPushButton* b : {panel->Button_KG0, panel->Button_KG1, panel->Button_KG2,
                               panel->Button_KG4, panel->Button_KG5})
            s += b->isEnabled() ? u'1' : u'0';
        return s;
    };
    EXPECT_EQ(enabled(), "11111");
    const struct {
        const char16_t* word;
        const char* buttons;  // КГ0 КГ1 КГ2 КГ4 КГ5
    } steps[] = {
        {u"РБ", "10111"},      {u"БД", "10001"}, {u"ОТКРОЙТЕ", "11001"},
        {u"БР", "10011"},      {u"БА", "11011"},  // КГ4 left as it was
        {u"ОТКРЫТА", "10111"}, {u"БВ", "10001"}, {u"ПРОЧЕЕ", "10001"},
    };
    for (const auto& s : steps) {
        window->Exchange().SetChannelState(L(s.word));
        EXPECT_EQ(enabled(), QString(s.buttons)) << QString::fromUtf16(s.word).toStdString();
    }
}

TEST_F(MainWindowPanelsTest, CountersDialogFromTheMenu) {
    auto window = windowOnLine();
    window->Exchange().SetChannelState(L(u"РБ"));
    records.status.NumberInput = 7;
    records.status.NumberOutput = 5;
    QAction* menu = window->findChild<QAction*>("Menu_Counters");
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->isEnabled());
    line.sent.clear();

    bool manualWhileOpen = false;
    int shownIn = -1;
    ModalAnswerer apply(QStringLiteral("Применить"), [&](QWidget* dialog) {
        manualWhileOpen = !records.status.Automatic;
        auto* in = dialog->findChild<QSpinBox*>("UpDown_In");
        shownIn = in->value();
        in->setValue(9);
    });
    menu->trigger();
    ASSERT_TRUE(apply.answered);
    EXPECT_EQ(apply.objectName, "Form_Counters");
    EXPECT_EQ(shownIn, 7);
    EXPECT_TRUE(manualWhileOpen);
    EXPECT_TRUE(records.status.Automatic) << "automatic again afterwards";
    EXPECT_EQ(records.status.NumberInput, 9);
    EXPECT_EQ(records.status.NumberOutput, 5);
    EXPECT_EQ(line.sent, L(u"|ЗЦЗЦ КС СТОП НННН  "));
    EXPECT_EQ(window->HeadPanel()->Edit_OP_In->text(), "009");
    EXPECT_TRUE(ProtocolEvents(protocol).contains(
        "\r12:00:05 КОРРЕКТИРОВКА СЧЕТЧИКОВ: ВАШ 5 НАШ 7 => ВАШ 5 НАШ 9"))
        << ProtocolEvents(protocol).join("|").toStdString();
}

TEST_F(MainWindowPanelsTest, CountersDialogFromTheCounterBoxes) {
    auto window = windowOnLine();
    window->Exchange().SetMode(false);
    records.status.NumberOutput = 5;
    for (QLineEdit* box : {window->HeadPanel()->Edit_OP_In, window->HeadPanel()->Edit_OP_Out}) {
        ModalAnswerer cancel(QStringLiteral("Отмена"), [](QWidget* dialog) {
            dialog->findChild<QSpinBox*>("UpDown_Out")->setValue(1);
        });
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_TRUE(cancel.answered) << box->objectName().toStdString();
    }
    EXPECT_EQ(records.status.NumberOutput, 5) << "cancelled: nothing changes";
    EXPECT_FALSE(records.status.Automatic) << "manual before, manual after";
}

TEST_F(MainWindowPanelsTest, AutoKssRequestGoesIntoTheEditor) {
    auto window = windowOnLine("[EDITOR]\r\nIndex=\"222333\"\r\n");
    window->Pages()->setCurrentIndex(0);
    QString index, channel;
    ModalAnswerer request(QStringLiteral("Запрос"), [&](QWidget* form) {
        index = form->findChild<QLineEdit*>("TntEdit_Index")->text();
        channel = form->findChild<QLineEdit*>("TntEdit_Channel")->text();
        form->findChild<QComboBox*>("TntComboBox_IO")->setCurrentIndex(1);
        form->findChild<QLineEdit*>("TntEdit_ChannelS")->setText("01");
        form->findChild<QLineEdit*>("TntEdit_N")->setText("0042");
    });
    window->EditorPage()->TntButton_AutoKSS->click();
    ASSERT_TRUE(request.answered);
    EXPECT_EQ(request.title, "Запрос АВТО КСС");
    EXPECT_EQ(index, "222997");
    EXPECT_EQ(channel, "222000");
    EXPECT_EQ(window->EditorPage()->MaskEdit_Editor_Index->text(), "222997");
    EXPECT_EQ(window->EditorPage()->TntMemo_Edit->toPlainText(), "ЖРН ВХ 222000 01 0042 30.01");
    EXPECT_EQ(window->Pages()->currentWidget(), window->EditorPage());
}

TEST_F(MainWindowPanelsTest, TrayPictureFollowsTheLineAndAnimates) {
    auto window = windowOnLine();
    auto tick = [&] {
        clock.AdvanceSeconds(1);
        window->Timer_1secTimer();
        return window->TrayImageIndex();
    };
    window->Exchange().SetChannelState(L(u"БА"));
    EXPECT_EQ(tick(), 5);
    window->Exchange().SetChannelState(L(u"РБ"));
    window->Exchange().ClearActivity();
    EXPECT_EQ(tick(), 8);
    window->Exchange().OnLineSent("X");
    EXPECT_EQ(tick(), 4);  // (8 + 1) mod 5
    EXPECT_EQ(tick(), 0);
    EXPECT_EQ(window->Exchange().ActivityCount(), 0);
    EXPECT_EQ(tick(), 8);
    window->Exchange().SetMode(false);
    EXPECT_EQ(tick(), 9);
    line.connected = false;
    EXPECT_EQ(tick(), 10);
}

TEST_F(MainWindowPanelsTest, QueueStateInTheHeadPanel) {
    auto window = windowOnLine();
    IExchangeHost* host = window->Exchange().Host();
    host->ShowQueueCount(5);
    host->ShowScanCountdown(27);
    EXPECT_EQ(window->HeadPanel()->Label_OutputFiles->text(), "005");
    EXPECT_EQ(window->HeadPanel()->Label_PathScanTimeout->text(), "27");
}

}  // namespace

namespace {

// Вставить на "Передачу" of the protocol page's menu.
TEST_F(MainWindowPanelsTest, TheClipboardGoesToTheLineOnceConfirmed) {
    auto window = windowOnLine();
    auto* page = window->findChild<TProtocolPage*>();
    ASSERT_NE(page, nullptr);
    QAction* paste = page->Menu_PasteProtocolSend;
    EXPECT_EQ(paste->text(), "Вставить на \"Передачу\"");

    CopyTextToClipboard(WideToAnsi(QStringLiteral("ЗЦЗЦ ВСТАВКА 1|2")));
    page->TntPopupMenu_ProtocolPopup();
    EXPECT_FALSE(paste->isVisible()) << "automatic mode";
    window->Exchange().SetMode(false);
    page->TntPopupMenu_ProtocolPopup();
    EXPECT_TRUE(paste->isVisible());
    {
        ModalAnswerer cancel(QStringLiteral("Отменить"));
        paste->trigger();
        EXPECT_EQ(cancel.title, "Отправка содержимого буфера обмена");
        EXPECT_EQ(cancel.text, "ЗЦЗЦ ВСТАВКА 1|2\n");
    }
    EXPECT_TRUE(line.sent.isEmpty());
    {
        ModalAnswerer execute(QStringLiteral("Выполнить"));
        paste->trigger();
    }
    // Code page 866 as it stands: no register marks are added or taken.
    EXPECT_EQ(line.sent, WideToCp866(QStringLiteral("ЗЦЗЦ ВСТАВКА 1|2")));

    CopyTextToClipboard(QByteArray());
    page->TntPopupMenu_ProtocolPopup();
    EXPECT_FALSE(paste->isVisible()) << "nothing on the clipboard";
}

}  // namespace
