// The register's window: opened from the main menu and following the day as
// the exchange files it, a generated day with its PDF read back, and the
// window worked from the keyboard alone.

#include "archive/TDayListPage.h"
#include "config/tlgconfig.h"
#include "register/TForm_Register.h"
#include "register/registerchart.h"
#include "support/cupsscheduler.h"
#include "support/loopback.h"
#include "support/mainwindowfixture.h"
#include "support/pdftext.h"
#include "support/registerday.h"
#include "support/widgets.h"
#include "util/linecode.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QStringList Row(const QTreeView* view, int row) {
    QStringList cells;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        cells << view->model()->index(row, c).data().toString();
    return cells;
}

using RegisterWindowTest = MainWindowFixture;

TEST_F(RegisterWindowTest, OpensFromTheMenuAndFollowsTheWorkingDay) {
    writeIni("[PATH]\r\nMarkFilesInList=1\r\n");
    auto window = startedWindow();
    QStringList menu;
    for (const QAction* action : window->menuBar()->actions())
        menu << action->text();
    EXPECT_EQ(menu, QStringList({"Счетчики", "Настройки", "Журнал", "Выход", "?"}));
    FindChild<QAction>(*window, "Menu_Register")->trigger();
    TForm_Register* form = window->RegisterForm();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isModal());
    EXPECT_EQ(form->windowTitle(), "Журнал телеграмм");
    ASSERT_TRUE(WaitUntil([&] { return !form->Reading(); }));
    EXPECT_EQ(form->ComboBox_Day->currentText(), "30.01.2026 (0130)");
    EXPECT_EQ(form->ListView_Received->model()->rowCount(), 0);

    // Two telegrams with a number between them missing, as the line brings them.
    window->Exchange().OnLineReceive(WideToLine(QStringLiteral(
        "ЗЦЗЦ 001 ПМ12 141911 7 12 1430\r\nМОСКВА ИВАНОВУ=\r\nНННН  0130 14.30 0001\r\n"
        "ЗЦЗЦ 003 СР12 141913 7 12 1431\r\nКИЕВ ПЕТРОВУ=\r\nНННН  0130 14.31 0003\r\n"
        "ЗЦЗЦ СВЯЗЬ ОТКРЫТА НННН  ")));
    ASSERT_TRUE(WaitUntil(
        [&] { return !form->Reading() && form->ListView_Received->model()->rowCount() == 2; }));
    EXPECT_EQ(form->Label_Gaps->text(), "Пропущены номера ЦКС: 002");
    EXPECT_EQ(Row(form->ListView_Received, 0).mid(2, 5),
              QStringList({"ПМ", "141911", "МОСКВА ИВАНОВУ=", "2", "не прочитана"}));

    // The operator marks the first one read in "Входящие".
    QTreeWidget* in = window->InPage()->ListView;
    ASSERT_EQ(in->topLevelItemCount(), 2);
    in->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(WaitUntil(
        [&] { return !form->Reading() && Row(form->ListView_Received, 0)[6] == "прочитана"; }));
}

TEST(RegisterWindow, AGeneratedDayItsPrintoutAndTheKeyboard) {
    TestHome home;
    MakeRegisterDay(home);
    _tlg_config config;
    config.InpPath = home.file("inp/");
    config.OutPath = home.file("out/");
    TForm_Register form(config, "Пост Север", [] { return kRegisterDay; });
    form.show();
    auto settled = [&](QDate day) {
        return WaitUntil([&] { return !form.Reading() && form.Shown().date == day; });
    };
    ASSERT_TRUE(settled(kRegisterDay));
    EXPECT_EQ(form.PageControl_Register->tabText(0), "Принятые (6)");
    EXPECT_EQ(form.PageControl_Register->tabText(1), "Служебные сообщения (1)");
    EXPECT_EQ(form.PageControl_Register->tabText(2), "Переданные (10)");
    EXPECT_EQ(form.Label_Gaps->text(),
              "Пропущены номера ЦКС: до смены нумерации 116; после смены нумерации 003");
    EXPECT_TRUE(form.Label_Gaps->styleSheet().contains("#b00000")) << "the gaps in red";
    EXPECT_EQ(Row(form.ListView_Received, 0),
              QStringList({"117", "00:01:00", "СР", "141911", "МОСКВА ЦЕНТР ИВАНОВУ=", "5",
                           "не прочитана", "0130q911.117"}));
    EXPECT_EQ(Row(form.ListView_Sent, 5)[5], "искажена");
    const TRegisterChartData& chart = form.Chart_Register->Data();
    EXPECT_EQ(chart.receivedPerHour[0], 3);
    ASSERT_EQ(chart.strip.size(), 30);
    EXPECT_EQ(chart.strip.last().received, 6);
    EXPECT_EQ(chart.strip.last().sent, 8);

    // The day before, from the day picker.
    ASSERT_EQ(form.ComboBox_Day->count(), 2);
    EXPECT_EQ(form.ComboBox_Day->itemText(1), "29.01.2026 (0129)");
    form.ComboBox_Day->setCurrentIndex(1);
    EXPECT_EQ(form.ListView_Received->model()->rowCount(), 0) << "nothing of the other day";
    EXPECT_FALSE(form.Button_Print->isEnabled());
    ASSERT_TRUE(settled(kRegisterDay.addDays(-1)));
    EXPECT_EQ(form.PageControl_Register->tabText(0), "Принятые (2)");
    EXPECT_EQ(form.Label_Gaps->text(), "Пропущены номера ЦКС: 001–113");
    form.ComboBox_Day->setCurrentIndex(0);
    ASSERT_TRUE(settled(kRegisterDay));

    // The printout, as a PDF read back.
    const QString pdf = home.file("register.pdf");
    form.SavePdf(pdf);
    ASSERT_TRUE(WaitUntil([&] { return !form.Busy(); }));
    EXPECT_EQ(form.Label_State->text(), "Журнал сохранен: " + pdf);
    const auto pages = PdfPages(pdf);
    ASSERT_TRUE(pages && !pages->isEmpty());
    const QStringList first = pages->first();
    ASSERT_GE(first.size(), 8);
    EXPECT_TRUE(first[0].startsWith("Пост Север — Журнал телеграмм за 30.01.2026 (0130)"));
    EXPECT_TRUE(first[0].endsWith(QStringLiteral("Лист 1 из %1").arg(pages->size())));
    EXPECT_EQ(first[1], "Пропущены номера ЦКС: до смены нумерации 116; после смены нумерации 003");
    EXPECT_TRUE(first[2].startsWith("Принято телеграмм: 6 "));
    const QString all = first.join(u'\n');
    for (const char* expected : {"Принятые (6)", "Служебные сообщения (1)", "Переданные (10)",
                                 "МОСКВА ЦЕНТР ИВАНОВУ=", "не подтверждена ЦКС"})
        EXPECT_TRUE(all.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_TRUE(pages->last().join(u'\n').contains("За 30 дней по день журнала"));

    // The export from the window.
    form.ExportCsv(home.file("register.csv"));
    ASSERT_TRUE(WaitUntil([&] { return !form.Busy(); }));
    EXPECT_EQ(ReadFileBytes(home.file("register.csv")).count("\r\n"), 18);

    // The keyboard alone: Tab from the day through the buttons to the
    // tables, Esc closes.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.ComboBox_Day->setFocus();
    QStringList order;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order.mid(0, 4),
              QStringList({"Button_Print", "Button_SavePdf", "Button_ExportCsv", "Button_Close"}));
    EXPECT_EQ(order.last(), "ListView_Received");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

// "Распечатать" on the page printer of the settings: a PDF queue of a CUPS
// scheduler of the test's own (skipped where none can run).
TEST(RegisterWindow, PrintsOnThePagePrinterOfTheSettings) {
    CupsScheduler cups;
    if (!cups.Unavailable().isEmpty())
        GTEST_SKIP() << "no CUPS scheduler: " << cups.Unavailable().toStdString();
    TestHome home;
    MakeRegisterDay(home);
    ASSERT_TRUE(cups.AddPdfQueue(QStringLiteral("pages"), home.file("pdf")))
        << cups.ErrorLog().toStdString();
    const ScopedEnv server("CUPS_SERVER", cups.Server());
    _tlg_config config;
    config.InpPath = home.file("inp/");
    config.OutPath = home.file("out/");
    config.WindowsPrinterN = -1;
    TForm_Register form(config, "Пост Север", [] { return kRegisterDay; });
    ASSERT_TRUE(WaitUntil([&] { return !form.Reading(); }));
    form.Print();
    ASSERT_TRUE(WaitUntil([&] { return !form.Busy(); }));
    EXPECT_EQ(form.Label_State->text(), "Журнал отправлен на печать");
    ASSERT_TRUE(cups.WaitJobsDone()) << cups.ErrorLog().toStdString();
    const QFileInfoList printed = QDir(home.file("pdf")).entryInfoList({"*.pdf"});
    ASSERT_EQ(printed.size(), 1);
    const auto pages = PdfPages(printed.first().filePath());
    ASSERT_TRUE(pages && !pages->isEmpty());
    // The printer's own conversion keeps the letters of the heading, not
    // every digit and dash.
    const QString heading = pages->first().value(0);
    EXPECT_TRUE(heading.startsWith("Пост Север") && heading.contains("Журнал телеграмм за"))
        << heading.toStdString();
}

}  // namespace
