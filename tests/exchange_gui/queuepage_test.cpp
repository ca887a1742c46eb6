// The queue page ("Передача") on its own: the list, the memo, the buttons.

#include "exchange/TQueuePage.h"

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "protocol/protocol.h"
#include "support/fakeclock.h"
#include "support/modal.h"
#include "support/protocolevents.h"
#include "support/testhome.h"
#include "support/widgets.h"
#include "util/linecode.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextCursor>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class QueuePageTest : public ProgramFolderTest {
protected:
    QueuePageTest() {
        QDir().mkpath(home.file("out/0130"));
        protocol.SetFileName("0130.prt");
    }

    QStringList listed() const { return ColumnTexts(page.ListView_Queue, 0); }
    void select(int row) {
        page.ListView_Queue->setCurrentItem(page.ListView_Queue->topLevelItem(row));
    }
    int selectedRow() const {
        const auto selected = page.ListView_Queue->selectedItems();
        return selected.isEmpty() ? -1 : page.ListView_Queue->indexOfTopLevelItem(selected[0]);
    }
    bool buttonsEnabled() const {
        const bool d = page.Button_Queue_Delete->isEnabled();
        EXPECT_EQ(page.Button_Queue_ToEditor->isEnabled(), d);
        EXPECT_EQ(page.Button_Queue_RetrySend->isEnabled(), d);
        return d;
    }
    // The queue logs paths as the settings give them.
    QString root() const { return QStringLiteral("out/"); }

    FakeClock clock;
    _tlg_config config;
    _tlg_status status;
    TProtocol protocol;
    TExchange exchange{config, status, protocol, clock, home.file("korvel.ini")};
    TQueuePage page{exchange.Queue()};
};

TEST_F(QueuePageTest, ControlsByName) {
    EXPECT_EQ(page.objectName(), "TabSheet_Oueue");
    EXPECT_EQ(page.findChild<QTreeWidget*>("ListView_Queue"), page.ListView_Queue);
    EXPECT_EQ(page.findChild<QPlainTextEdit*>("TntMemo_Queue"), page.TntMemo_Queue);
    for (const char* name :
         {"Button_Queue_Delete", "Button_Queue_ToEditor", "Button_Queue_RetrySend"}) {
        auto* b = page.findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_FALSE(b->isEnabled()) << name;
    }
}

TEST_F(QueuePageTest, ListsTheOutRootAndSaysHowMany) {
    QSignalSpy rebuilt(&page, &TQueuePage::listRebuilt);
    page.RefreshQueueList();
    ASSERT_EQ(rebuilt.count(), 1);
    EXPECT_EQ(rebuilt[0][0].toInt(), 0);

    home.write("out/0130q002", "waiting");
    home.write("out/0130q001.b012", "failed");
    home.write("out/notes.txt", "not ours");
    home.write("out/0130/0130q000.001", "filed");
    page.RefreshQueueList();
    EXPECT_EQ(listed(), (QStringList{"0130q001.b012", "0130q002"}));
    EXPECT_EQ(rebuilt.last()[0].toInt(), 2);
}

TEST_F(QueuePageTest, SelectionLoadsTheFileAndEnablesOnlyForOutcomes) {
    // АБВ / ТЕКСТ in code page 1251.
    home.write("out/0130q001.b012", "\xC0\xC1\xC2\r\n\xD2\xC5\xCA\xD1\xD2");
    home.write("out/0130q002", Utf16FileBytes("ЮНИКОД\r\nДА"));
    page.RefreshQueueList();

    select(0);
    EXPECT_EQ(page.TntMemo_Queue->toPlainText(), "АБВ\nТЕКСТ");
    EXPECT_TRUE(buttonsEnabled());
    select(1);
    EXPECT_EQ(page.TntMemo_Queue->toPlainText(), "ЮНИКОД\nДА");
    EXPECT_FALSE(buttonsEnabled()) << "a waiting file may be on the line right now";
    select(0);
    page.ListView_Queue->clearSelection();
    EXPECT_TRUE(page.TntMemo_Queue->toPlainText().isEmpty());
    EXPECT_FALSE(buttonsEnabled());
}

TEST_F(QueuePageTest, TheSelectedPositionIsKeptWhileInRange) {
    for (const char* name : {"0130q001.b01", "0130q002.b02", "0130q003.b03"})
        home.write(QStringLiteral("out/") + name, name);
    page.RefreshQueueList();
    select(2);
    QFile::remove(root() + "0130q001.b01");
    page.RefreshQueueList();
    EXPECT_EQ(selectedRow(), -1) << "position 2 is gone";

    select(1);
    home.write("out/0130q000.b00", "new");
    page.RefreshQueueList();
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(page.TntMemo_Queue->toPlainText(), "0130q002.b02") << "the memo follows the row";

    // The same file still selected: the operator's place in the memo stays.
    QTextCursor cursor = page.TntMemo_Queue->textCursor();
    cursor.setPosition(5);
    page.TntMemo_Queue->setTextCursor(cursor);
    page.RefreshQueueList();
    EXPECT_EQ(page.TntMemo_Queue->textCursor().position(), 5);
}

TEST_F(QueuePageTest, AFileThatCannotBeLoadedRebuildsTheList) {
    home.write("out/0130q001.b01", "one");
    home.write("out/0130q002.b02", "two");
    page.RefreshQueueList();
    QSignalSpy rebuilt(&page, &TQueuePage::listRebuilt);
    QFile::remove(root() + "0130q002.b02");  // sent or renamed meanwhile
    select(1);
    EXPECT_EQ(rebuilt.count(), 1);
    EXPECT_EQ(listed(), QStringList{"0130q001.b01"});
    EXPECT_FALSE(buttonsEnabled());
}

TEST_F(QueuePageTest, AnUnreadableFileDoesNotRebuildForEver) {
    home.write("out/0130q001.b01", "one");
    // A dangling link is listed (the finder sees the name) but never loads.
    ASSERT_TRUE(QFile::link(root() + "missing", root() + "0130q002.b02"));
    page.RefreshQueueList();
    ASSERT_EQ(listed().size(), 2);
    QSignalSpy rebuilt(&page, &TQueuePage::listRebuilt);
    select(1);
    EXPECT_EQ(rebuilt.count(), 1);
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_TRUE(page.TntMemo_Queue->toPlainText().isEmpty());
    EXPECT_FALSE(buttonsEnabled());
}

TEST_F(QueuePageTest, DeleteLogsDeletesAndRebuilds) {
    home.write("out/0130q001.b012", "failed");
    home.write("out/0130q002", "waiting");
    page.RefreshQueueList();
    select(0);
    page.Button_Queue_Delete->click();
    EXPECT_FALSE(QFile::exists(root() + "0130q001.b012"));
    EXPECT_EQ(listed(), QStringList{"0130q002"});
    EXPECT_EQ(ProtocolEvents(protocol),
              QStringList{"УДАЛЕНИЕ ОПЕРАТОРОМ: " + root() + "0130q001.b012"});
}

TEST_F(QueuePageTest, ToEditorHandsOverTheMemo) {
    home.write("out/0130q001.brd", "ПЕРВАЯ\r\nВТОРАЯ");
    page.RefreshQueueList();
    select(0);
    QSignalSpy toEditor(&page, &TQueuePage::toEditorClicked);
    page.Button_Queue_ToEditor->click();
    ASSERT_EQ(toEditor.count(), 1);
    EXPECT_EQ(toEditor[0][0].toString(), page.TntMemo_Queue->toPlainText());
    EXPECT_FALSE(toEditor[0][0].toString().isEmpty());
}

TEST_F(QueuePageTest, RetryMakesTheFileWaitAgain) {
    home.write("out/0130q001.b012", "failed");
    page.RefreshQueueList();
    select(0);
    page.Button_Queue_RetrySend->click();
    EXPECT_EQ(listed(), QStringList{"0130q001"});
    EXPECT_TRUE(QFile::exists(root() + "0130q001"));
    EXPECT_EQ(ProtocolEvents(protocol), QStringList{"ПЕРЕИМЕНОВАНИЕ ОПЕРАТОРОМ: " + root() +
                                                    "0130q001.b012 -> " + root() + "0130q001"});
}

TEST_F(QueuePageTest, RetryOntoAWaitingFileRefusesAndSaysSo) {
    home.write("out/0130q001", "waiting");
    home.write("out/0130q001.b012", "failed");
    page.RefreshQueueList();
    select(0);
    ASSERT_EQ(page.SelectedName(), "0130q001");
    select(1);
    ModalAnswerer ok(QStringLiteral("OK"));
    page.Button_Queue_RetrySend->click();
    EXPECT_TRUE(ok.answered);
    EXPECT_TRUE(ok.text.contains("0130q001 уже ожидает отправки")) << ok.text.toStdString();
    EXPECT_EQ(listed(), (QStringList{"0130q001", "0130q001.b012"}));
    EXPECT_EQ(ReadFileOrMissing(root() + "0130q001"), "waiting");
    EXPECT_TRUE(ProtocolEvents(protocol).last().startsWith("ОШИБКА ПЕРЕИМЕНОВАНИЯ: "));
}

}  // namespace
