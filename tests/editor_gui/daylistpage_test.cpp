#include "archive/TDayListPage.h"

#include "config/tlgconfig.h"
#include "support/testhome.h"
#include "support/widgets.h"
#include "util/codepages.h"
#include "util/fileops.h"

#include <QApplication>
#include <QDateEdit>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const QDate kToday(2025, 12, 8);

class DayListPageTest : public ProgramFolderTest {
protected:
    DayListPageTest() {
        status.DayText = "1208";
        config.MarkFilesInList = true;
    }

    // A received telegram file, unread as the store writes it.
    void received(const QString& name, const QByteArray& bytes) {
        home.write("inp/1208/" + name, bytes);
        SetArchiveMark(home.file("inp/1208/" + name), true);
    }
    QTreeWidgetItem* row(const QString& fileName) const {
        const auto found = in.ListView->findItems(fileName, Qt::MatchExactly, 2);
        return found.isEmpty() ? nullptr : found[0];
    }
    void show(TDayListPage& page) {
        page.SetDate(kToday);
        page.DateTimePickerChange();
    }

    _tlg_config config;
    _tlg_status status;
    TDayListPage in{TDayListPage::Kind::Received, config, status};
    TDayListPage out{TDayListPage::Kind::Sent, config, status};
};

TEST_F(DayListPageTest, ControlsOfBothPages) {
    const struct {
        const TDayListPage* page;
        const char* name;
    } widgets[] = {
        {&in, "DateTimePicker_In"},
        {&in, "ListView_In"},
        {&in, "TntMemo_In"},
        {&in, "Button_Receive_ToEditor"},
        {&in, "Button_Receive_Print"},
        {&in, "Button_Receive_Forward"},
        {&in, "Button_Receive_Perforator"},
        {&out, "DateTimePicker_Out"},
        {&out, "ListView_Out"},
        {&out, "TntMemo_Out"},
        {&out, "Button_Send_ToEditor"},
        {&out, "Button_Send_Print"},
    };
    for (const auto& w : widgets)
        EXPECT_NE(w.page->findChild<QWidget*>(QLatin1String(w.name)), nullptr) << w.name;
    EXPECT_EQ(in.objectName(), "TabSheet_In");
    EXPECT_EQ(out.objectName(), "TabSheet_Out");
    EXPECT_EQ(in.Button_ToEditor->text(), "В редактор");
    EXPECT_EQ(in.Button_Forward->text(), "Переслать");
    EXPECT_EQ(in.Button_Perforator->text(), "Вывести на ПЛ");
    EXPECT_EQ(out.Button_Print->text(), "Распечатать");
    EXPECT_EQ(out.Button_Forward, nullptr);
    const QTreeWidgetItem* header = in.ListView->headerItem();
    EXPECT_EQ(QStringList({header->text(0), header->text(1), header->text(2)}),
              QStringList({"N", "Time", "Filename"}));
    EXPECT_TRUE(in.Memo->isReadOnly());
    EXPECT_FALSE(in.Button_ToEditor->isEnabled());
}

TEST_F(DayListPageTest, ListsTheDayByNumber) {
    received("1208u911.003", "c");
    received("1208q215.001", "a");
    received("1208q215.001.tlg", "raw");
    received("1208q216.002.rcv", "open");
    received("1208q001.brd", "odd");
    home.write("inp/1208/ARC1208.002", "arc");
    home.write("inp/1207/1207q100.001", "yesterday");
    show(in);
    EXPECT_EQ(ColumnTexts(in.ListView, 2),
              QStringList({"1208q001.brd", "1208q215.001", "ARC1208.002", "1208u911.003"}));
    EXPECT_EQ(ColumnTexts(in.ListView, 0), QStringList({"001", "001", "002", "003"}));
    EXPECT_EQ(row("1208q215.001")->checkState(0), Qt::Unchecked) << "unread";
    EXPECT_FALSE(row("ARC1208.002")->flags() & Qt::ItemIsUserCheckable);

    config.MarkFilesInList = false;
    show(in);
    EXPECT_FALSE(row("1208q215.001")->flags() & Qt::ItemIsUserCheckable);

    in.SetDate(QDate(2025, 12, 7));
    in.DateTimePickerChange();
    EXPECT_EQ(ColumnTexts(in.ListView, 2), QStringList({"1207q100.001"}));
}

TEST_F(DayListPageTest, ReadMarksLiveInTheFiles) {
    received("1208q215.001", "a");
    received("1208q216.002", "b");
    const QString path = home.file("inp/1208/1208q215.001");
    show(in);
    row("1208q215.001")->setCheckState(0, Qt::Checked);
    EXPECT_FALSE(HasArchiveMark(path)) << "read: the archive mark is cleared";
    EXPECT_TRUE(HasArchiveMark(home.file("inp/1208/1208q216.002")));

    // Another list (search) marks the second one: a refill shows it.
    SetArchiveMark(home.file("inp/1208/1208q216.002"), false);
    show(in);
    EXPECT_EQ(row("1208q215.001")->checkState(0), Qt::Checked);
    EXPECT_EQ(row("1208q216.002")->checkState(0), Qt::Checked);

    row("1208q215.001")->setCheckState(0, Qt::Unchecked);
    EXPECT_TRUE(HasArchiveMark(path)) << "unmarked: the archive mark is set again";

    // A mark that cannot be stored is not shown either.
    QFile::remove(path);
    row("1208q215.001")->setCheckState(0, Qt::Checked);
    EXPECT_EQ(row("1208q215.001")->checkState(0), Qt::Unchecked);
}

TEST_F(DayListPageTest, SelectionShowsTheTelegram) {
    received("1208q215.001", WideToAnsi(u"ЗЦЗЦ 001\r\nТЕКСТ\r\n"));
    home.write("inp/1208/1208q215.001.tlg", "001 RAW");
    received("1208q216.002", Utf16FileBytes("ЗЦЗЦ 002\r\n"));
    show(in);

    in.ListView->setCurrentItem(row("1208q215.001"));
    EXPECT_EQ(in.Memo->toPlainText(), "ЗЦЗЦ 001\nТЕКСТ\n");
    EXPECT_EQ(in.ReceivedRawText, "001 RAW");
    EXPECT_TRUE(in.Button_ToEditor->isEnabled());
    EXPECT_FALSE(in.Button_Print->isEnabled()) << "printing comes later";
    EXPECT_FALSE(in.Button_Perforator->isEnabled());

    in.ListView->setCurrentItem(row("1208q216.002"));
    EXPECT_EQ(in.Memo->toPlainText(), "ЗЦЗЦ 002\n");
    EXPECT_TRUE(in.ReceivedRawText.isEmpty());

    in.SetButtonAvailable(in.Button_Print, true);
    EXPECT_TRUE(in.Button_Print->isEnabled());

    QSignalSpy toEditor(&in, &TDayListPage::toEditorClicked);
    in.Button_ToEditor->click();
    EXPECT_EQ(toEditor.count(), 1);

    in.ListView->clearSelection();
    EXPECT_TRUE(in.Memo->toPlainText().isEmpty());
    EXPECT_FALSE(in.Button_ToEditor->isEnabled());
}

TEST_F(DayListPageTest, RefillKeepsThePlaceAndOnlyTodayRefreshes) {
    received("1208q215.001", "a");
    received("1208q216.002", "b");
    show(in);
    in.ListView->setCurrentItem(row("1208q216.002"));
    received("1208q217.003", "c");
    in.RefreshIfToday();
    EXPECT_EQ(in.ListView->topLevelItemCount(), 3);
    EXPECT_EQ(in.ListView->selectedItems().value(0)->text(2), "1208q216.002");
    EXPECT_EQ(in.Memo->toPlainText(), "b");

    in.SetDate(QDate(2025, 12, 7));
    in.DateTimePickerChange();
    received("1208q218.004", "d");
    in.RefreshIfToday();
    EXPECT_EQ(in.ListView->topLevelItemCount(), 0) << "another day is left alone";
}

TEST_F(DayListPageTest, VanishedFileRefreshesTheList) {
    received("1208q215.001", "a");
    received("1208q216.002", "b");
    show(in);
    QFile::remove(home.file("inp/1208/1208q215.001"));
    in.ListView->setCurrentItem(row("1208q215.001"));
    EXPECT_TRUE(in.Memo->toPlainText().isEmpty());
    EXPECT_TRUE(in.Button_ToEditor->isEnabled()) << "enabled anyway";
    QApplication::processEvents();
    EXPECT_EQ(ColumnTexts(in.ListView, 2), QStringList({"1208q216.002"}));
    EXPECT_EQ(in.Memo->toPlainText(), "b") << "the same place is selected again";
}

TEST_F(DayListPageTest, SentListShowsTheOutDayFolder) {
    home.write("out/1208/1208q000.001", "sent");
    home.write("out/1208/1208q001.b002", "mismatch");
    home.write("out/1208q002", "waiting in the root");
    show(out);
    EXPECT_EQ(ColumnTexts(out.ListView, 2), QStringList({"1208q000.001", "1208q001.b002"}));
    EXPECT_FALSE(out.ListView->topLevelItem(0)->flags() & Qt::ItemIsUserCheckable);
    out.ListView->setCurrentItem(out.ListView->topLevelItem(1));
    EXPECT_EQ(out.Memo->toPlainText(), "mismatch");
}

}  // namespace
