#include "shell/TForm_TARVO.h"

#include "alerts/alertwindows.h"
#include "line/tlgclient.h"
#include "archive/TDayListPage.h"
#include "print/printer.h"
#include "protocol/TForm_PrtWindowMessage.h"
#include "protocol/TProtocolPage.h"
#include "shell/entry.h"
#include "shell/headpanel.h"
#include "support/ckssimprocess.h"
#include "support/fakenmcli.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/mainwindowfixture.h"
#include "support/modal.h"
#include "support/recordingsound.h"
#include "support/testhome.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <typeinfo>

namespace {

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, StartUpLogsAndStartsTheDay) {
    auto window = makeWindow();
    EXPECT_EQ(window->windowTitle().left(30), "TARVO/COM RU  Version: 1.12.1 ");
    EXPECT_EQ(window->Pages()->count(), 6);
    const QStringList captions = {"Протокол", "Передача", "Исходящие",
                                  "Входящие", "Поиск",    "Редактор"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(window->Pages()->tabText(i), captions[i]);
    EXPECT_EQ(window->Pages()->currentIndex(), 0);

    window->Timer_1secTimer();  // the first tick only runs the post-start work
    EXPECT_EQ(records.status.StartPhase, 2);
    EXPECT_TRUE(records.status.FoldersReady);
    EXPECT_EQ(records.status.DayText, "0130");
    EXPECT_TRUE(QDir(home.file("inp/0130")).exists());
    const QString log = dayProtocol();
    EXPECT_TRUE(log.contains("12:00:05 ПРОГРАММА ЗАПУЩЕНА. ВЕРСИЯ\u00A0: 1.12.1"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("12:00:05 Set Mutex KORVEL_COM"));
    EXPECT_TRUE(log.contains("12:00:05 РАБОЧАЯ ПАПКА: " + home.path() + "/"));
    EXPECT_EQ(window->HeadPanel()->Edit_OP_In->text(), "000");
    EXPECT_EQ(window->HeadPanel()->TntLabel_Mode->text(), "АВТОМАТ");

    clock.AdvanceSeconds(1);
    window->Timer_1secTimer();
    EXPECT_EQ(window->HeadPanel()->Label_Time->text(), "12:00:06");
}

TEST_F(MainWindowTest, AFirstStartWithoutSettingsAndAnEmptyTitle) {
    options.AppTitle = "";  // "-t" with an empty value
    auto window = startedWindow();
    EXPECT_EQ(window->windowTitle(), "TARVO/COM");
    auto* tray = window->findChild<QSystemTrayIcon*>("TrayIcon");
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip(), "TARVO/COM") << "the hint is left as it was";
    // The new day's counters are saved at once, and the file that makes is
    // the whole one, in the order of a full save.
    QStringList sections;
    for (const QByteArray& line : ReadFileBytes(home.file("korvel.ini")).split('\n'))
        if (line.startsWith('['))
            sections << QString::fromLatin1(line.trimmed());
    EXPECT_EQ(sections, (QStringList{"[SERVER]", "[PERFORATOR]", "[VPN]", "[OTHER]", "[PATH]",
                                     "[STATUS]", "[PRINT]", "[FONT]", "[FONT_PRN]", "[EDITOR]",
                                     "[OPERATOR]", "[SOUND]", "[WINDOW]"}));
}

TEST_F(MainWindowTest, TheOperatorLineComesWheneverTheListIsInUse) {
    writeIni("[OPERATOR]\r\nUseList=1\r\nList=Иванов,Петров\r\nCurrent=\"\"\r\n");
    auto window = startedWindow();
    // In line code, as the line has it: capitals only.
    EXPECT_TRUE(dayProtocol().contains("12:00:05 ОПЕРАТОР \r\n")) << dayProtocol().toStdString();
}

// With the centre three hours behind, 01:30 on the computer is 22:30 of the
// day before: that day is "today" on the protocol, received and sent pages,
// and the protocol shown is the live one, after the start, after Escape and
// after the working day's midnight.
TEST_F(MainWindowTest, TodayIsTheWorkingDayOfTheExchangeClock) {
    writeIni(
        "[OTHER]\r\nCorrectTimeTZ=3\r\n[PATH]\r\nDayFormat=yymmdd\r\nSearchDayFormat=??????\r\n");
    clock.Set(QDateTime(QDate(2026, 1, 30), QTime(1, 30)));
    auto window = startedWindow();
    auto* page = window->findChild<TProtocolPage*>();
    ASSERT_NE(page, nullptr);
    auto check = [&](const char* day, QDate date, const char* dateText) {
        EXPECT_EQ(records.status.DayText, day);
        EXPECT_EQ(records.status.CurrentDateText, dateText);
        EXPECT_EQ(protocol.FileName(), QString(day) + ".prt");
        EXPECT_TRUE(protocol.ShowsLive()) << "the live protocol, not another day's file";
        EXPECT_EQ(page->DateTimePicker_Prt->date(), date);
        EXPECT_EQ(window->InPage()->DateTimePicker->date(), date);
        EXPECT_EQ(window->OutPage()->DateTimePicker->date(), date);
        page->ReturnToToday();  // Escape
        EXPECT_TRUE(protocol.ShowsLive());
    };
    check("260129", QDate(2026, 1, 29), "29/01");
    clock.Set(QDateTime(QDate(2026, 1, 30), QTime(3, 0, 1)));  // the working midnight
    window->Timer_1secTimer();
    check("260130", QDate(2026, 1, 30), "30/01");
}

TEST_F(MainWindowTest, AnotherDayStartsFromZeroCounters) {
    writeIni(
        "[STATUS]\r\nNumberInput=5\r\nNumberOutput=7\r\nMMDD=0129\r\n"
        "[OTHER]\r\nEditNumber=3\r\n");
    auto window = makeWindow();
    EXPECT_EQ(records.status.NumberInput, 5);
    window->Timer_1secTimer();
    EXPECT_EQ(records.status.NumberInput, 0);
    EXPECT_EQ(records.status.NumberOutput, 0);
    EXPECT_EQ(records.status.EditNumber, 0);
    EXPECT_EQ(savedSettings().status.NumberInput, 0) << "the reset counters are saved at once";
}

TEST_F(MainWindowTest, ExitWithoutConfirmationClosesOnTheNextTick) {
    writeIni("[OTHER]\r\nAskOnClose=0\r\n");
    auto window = startedWindow();
    window->MenuCloseClick();
    EXPECT_EQ(records.status.CloseCountdown, 1);
    EXPECT_FALSE(window->IsFinished());
    window->Timer_1secTimer();
    EXPECT_TRUE(window->IsFinished());
    const QString log = dayProtocol();
    EXPECT_TRUE(log.contains("ОПЕРАТОР ЗАВЕРШИЛ РАБОТУ ПРОГРАММЫ "));
    EXPECT_TRUE(log.contains("ПРОГРАММА ОСТАНОВЛЕНА"));
    EXPECT_LT(log.indexOf("ОПЕРАТОР ЗАВЕРШИЛ"), log.indexOf("ПРОГРАММА ОСТАНОВЛЕНА"));
    EXPECT_TRUE(QFile::exists(home.file("korvel.ini")));
}

TEST_F(MainWindowTest, ExitAsksFirstWhenConfigured) {
    auto window = startedWindow();
    {
        ModalAnswerer no(QStringLiteral("Нет"));
        window->MenuCloseClick();
        EXPECT_EQ(no.title, "TARVO/COM");
        EXPECT_EQ(no.text, "Завершить работу программы?");
    }
    EXPECT_EQ(records.status.CloseCountdown, 0);
    {
        ModalAnswerer yes(QStringLiteral("Да"));
        window->MenuCloseClick();
    }
    EXPECT_EQ(records.status.CloseCountdown, 1);
}

TEST_F(MainWindowTest, ExitWorksEvenWithoutTheWorkingFolders) {
    home.write("blocked", "a file where the folders should go");
    writeIni("[OTHER]\r\nAskOnClose=0\r\n[PATH]\r\ninp=blocked/inp/\r\n");
    auto window = makeWindow();
    {
        ModalAnswerer ok(QStringLiteral("OK"));
        window->Timer_1secTimer();
        // The box does not hold the start-up: it waits for the operator.
        EXPECT_TRUE(WaitUntil([&] { return !ok.text.isEmpty(); }));
        EXPECT_TRUE(ok.text.startsWith("Folder not found: ")) << ok.text.toStdString();
    }
    EXPECT_FALSE(records.status.FoldersReady);
    EXPECT_EQ(window->HeadPanel()->TntLabel_Mode->text(), "РУЧНОЙ");
    window->MenuCloseClick();
    window->Timer_1secTimer();
    EXPECT_TRUE(window->IsFinished());
}

TEST_F(MainWindowTest, CloseButtonMinimisesOrExitsBySetting) {
    writeIni("[OTHER]\r\nAskOnClose=0\r\nMinimizeOnCloseWindow=1\r\n");
    auto window = makeWindow();
    window->show();
    window->Timer_1secTimer();
    EXPECT_FALSE(window->close()) << "the close button never closes the window itself";
    QApplication::processEvents();
    EXPECT_EQ(records.status.CloseCountdown, 0);
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(window->isVisible()) << "without a tray the window must stay reachable";

    records.config.MinimizeOnCloseWindow = 0;
    window->close();
    QApplication::processEvents();
    EXPECT_EQ(records.status.CloseCountdown, 1);
}

TEST_F(MainWindowTest, ModeTogglesAndIsLogged) {
    auto window = startedWindow();
    window->Exchange().SetMode(false);
    EXPECT_EQ(window->HeadPanel()->TntLabel_Mode->text(), "РУЧНОЙ");
    EXPECT_TRUE(dayProtocol().contains("РЕЖИМ:РУЧНОЙ"));
    emit window->HeadPanel()->modeClicked();
    EXPECT_EQ(window->HeadPanel()->TntLabel_Mode->text(), "АВТОМАТ");
    EXPECT_TRUE(dayProtocol().contains("РЕЖИМ:АВТОМАТ"));
}

TEST_F(MainWindowTest, TheReceivedStreamReachesTheDayFolderAndTheHeadPanel) {
    auto window = startedWindow();
    window->Exchange().OnLineReceive(WideToLine(
        QStringLiteral("\r\nЗЦЗЦ СВЯЗЬ ОТКРЫТА\r\nНННН  \r\n"
                       "ЗЦЗЦ 001 ПМ12 141911 7 12 1430\r\nТЕКСТ\r\nНННН  0130 14.30 0001\r\n")));
    EXPECT_EQ(window->HeadPanel()->TntLabel_ChannelStatus->text(), "РБ");
    EXPECT_TRUE(QFile::exists(home.file("inp/0130/0130u911.001")));
    EXPECT_EQ(records.status.NumberInput, 1);
    EXPECT_TRUE(window->statusBar()->currentMessage().endsWith("0130 14.30 0001\r\n"));
}

// Received telegrams printed as they are filed: once, or as many copies as
// SCHEMA_PRINT says for the scheme in the first line; a missing printer
// says so and holds nothing; "Распечатать" asks first.
TEST_F(MainWindowTest, ReceivedTelegramsArePrintedAutomaticallyAndOnRequest) {
    home.write("lp0", "");
    writeIni("[PRINT]\r\nAutoPrintTlg=1\r\nSkipLines=0\r\nPRN=" + home.file("lp0").toUtf8() +
             "\r\n[SCHEMA_PRINT]\r\n123=3\r\n");
    auto window = startedWindow();
    TTelegramPrinter* printer = window->Printer();
    auto banners = [&] { return ReadFileBytes(home.file("lp0")).count("KORVEL") / 2; };
    window->Exchange().OnLineReceive(WideToLine(
        QStringLiteral("ЗЦЗЦ 001 ПМ12 141911 7 12 1430\r\nТЕКСТ\r\nНННН  0130 14.30 0001\r\n"
                       "ЗЦЗЦ 002 ПМ12 123=123 7 12 1431\r\nСХЕМА\r\nНННН  0130 14.31 0002\r\n")));
    ASSERT_TRUE(WaitUntil([&] { return printer->JobsWaiting() == 0; }));
    EXPECT_EQ(printer->JobsDone(), 4);
    EXPECT_EQ(banners(), 4) << "one copy, then three of scheme 123";
    const QByteArray printed = ReadFileBytes(home.file("lp0"));
    EXPECT_TRUE(printed.contains(L(u"ЗЦЗЦ 001 ПМ12 1Ч1911"))) << "every 4 as Ч";
    EXPECT_EQ(dayProtocol().count("АВТОМАТИЧЕСКАЯ ПЕЧАТЬ СОХРАНЕННОЙ ТЛГ "), 4);

    // The printer is gone: the operator learns it without the line waiting.
    QFile::remove(home.file("lp0"));
    window->Exchange().OnLineReceive(WideToLine(
        QStringLiteral("ЗЦЗЦ 003 ПМ12 141911 7 12 1432\r\nТЕКСТ\r\nНННН  0130 14.32 0003\r\n")));
    ASSERT_TRUE(WaitUntil([&] { return printer->JobsWaiting() == 0; }));
    EXPECT_TRUE(dayProtocol().contains("ОШИБКА ПЕЧАТИ (НЕТ УСТРОЙСТВА)"));
    ASSERT_EQ(OpenMessageBoxes().size(), 1);
    EXPECT_EQ(OpenMessageBoxes().first()->text(), "Print error (No Device)");
    EXPECT_TRUE(OpenMessageBoxes().first()->windowTitle().isEmpty());
    OpenMessageBoxes().first()->close();

    // "Распечатать" of "Входящие" with its confirmation.
    home.write("lp0", "");
    window->RefreshInListIfToday();
    QTreeWidget* in = window->InPage()->ListView;
    ASSERT_GE(in->topLevelItemCount(), 1);
    in->setCurrentItem(in->topLevelItem(0));
    {
        ModalAnswerer execute(QStringLiteral("Выполнить"));
        window->InPage()->Button_Print->click();
        EXPECT_EQ(execute.title, "Распечатка текста телеграммы");
    }
    ASSERT_TRUE(WaitUntil([&] { return printer->JobsWaiting() == 0 && banners() == 1; }));
}

TEST_F(MainWindowTest, AFailedSaveShowsItsBoxWithoutHoldingTheLine) {
    auto window = startedWindow();
    QDir(home.file("inp/0130")).removeRecursively();
    home.write("inp/0130", "a file where the day folder should be");
    window->Exchange().OnLineReceive(WideToLine(
        QStringLiteral("ЗЦЗЦ 001 ПМ12 141911 7 12 1430\r\nТЕКСТ\r\nНННН  0130 14.30 0001\r\n")));
    // The handler has returned: the boxes wait for the operator.
    QStringList texts;
    for (QMessageBox* box : window->findChildren<QMessageBox*>()) {
        EXPECT_EQ(box->windowTitle(), "Error");
        texts << box->text();
    }
    EXPECT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts.join(' ').contains(" ОШИБКА СОХРАНЕНИЯ ТЛГ В ФАЙЛЕ "))
        << texts.join(' ').toStdString();
    EXPECT_EQ(window->HeadPanel()->TntLabel_Mode->text(), "РУЧНОЙ");
}

// The close countdown, a system shutdown and a fatal error each end the
// program through the shutdown sequence, once, whatever comes after.
TEST_F(MainWindowTest, EachWayOutRunsTheShutdownSequenceOnce) {
    writeIni("[OTHER]\r\nAskOnClose=0\r\n");
    const struct {
        const char* way;
        std::function<void(TForm_TARVO&)> leave;
        QString before;  // logged before the program stops
    } ways[] = {
        {"Выход",
         [](TForm_TARVO& w) {
             w.MenuCloseClick();
             w.Timer_1secTimer();
         },
         "ОПЕРАТОР ЗАВЕРШИЛ РАБОТУ ПРОГРАММЫ "},
        {"system shutdown", [](TForm_TARVO& w) { w.OnSystemShutdown(); }, "Windows shutdown"},
        {"fatal error", [](TForm_TARVO& w) { w.OnFatalError(); }, QString()},
    };
    int input = 40;
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        auto window = startedWindow();
        const qsizetype stopsBefore = dayProtocol().count("ПРОГРАММА ОСТАНОВЛЕНА");
        records.status.NumberInput = ++input;
        way.leave(*window);
        EXPECT_TRUE(window->IsFinished());
        window->OnSystemShutdown();
        window->OnFatalError();
        window->MenuCloseClick();
        window->Timer_1secTimer();
        window->close();
        const QString log = dayProtocol();
        EXPECT_EQ(log.count("ПРОГРАММА ОСТАНОВЛЕНА") - stopsBefore, 1);
        if (!way.before.isEmpty()) {
            EXPECT_LT(log.lastIndexOf(way.before), log.lastIndexOf("ПРОГРАММА ОСТАНОВЛЕНА"));
        }
        EXPECT_EQ(savedSettings().status.NumberInput, input) << "the settings were saved";
    }
    EXPECT_EQ(ReadableClassName(typeid(std::runtime_error)), "std::runtime_error");
}

// With the main window hidden in the tray, closing the protocol's error
// window is not the last window closing: the program runs on, and ends only
// through its shutdown sequence.
TEST_F(MainWindowTest, ClosingTheErrorWindowLeavesTheProgramRunning) {
    const ScopedEnv runtime("XDG_RUNTIME_DIR", home.path());
    const ScopedEnv tarvoHome("TARVO_HOME", home.path());
    writeIni("[OTHER]\r\nAskOnClose=0\r\n");
    bool ranOn = false;
    auto mainWindow = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TForm_TARVO*>(w))
                return form;
        return static_cast<TForm_TARVO*>(nullptr);
    };
    QTimer::singleShot(100, [&] {
        TForm_TARVO* window = mainWindow();
        ASSERT_NE(window, nullptr);
        window->hide();  // as in the tray
        auto* errors = window->findChild<TForm_PrtWindowMessage*>();
        ASSERT_NE(errors, nullptr) << "the error window belongs to the main window";
        errors->ReportWriteFailure(QStringLiteral("12:00:05 Невозможно записать файл протокола"));
        QTimer::singleShot(50, errors, [errors] { errors->close(); });
        QTimer::singleShot(500, window, [&ranOn, window] {
            ranOn = true;
            window->MenuCloseClick();
        });
    });
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, qApp, [] {
        ADD_FAILURE() << "the program did not end";
        QCoreApplication::quit();
    });
    failsafe.start(20000);
    EXPECT_EQ(TarvoMain(*qApp, {}, home.path(), &clock), 0);
    EXPECT_TRUE(ranOn) << "the program ended when the error window closed";
    EXPECT_EQ(dayProtocol().count("ПРОГРАММА ОСТАНОВЛЕНА"), 1);
}

TEST_F(MainWindowTest, ASecondInstanceOfTheSameNameStops) {
    const ScopedEnv runtime("XDG_RUNTIME_DIR", home.path());
    const ScopedEnv tarvoHome("TARVO_HOME", home.path());
    CInstanceLock first;
    ASSERT_EQ(first.Acquire("KORVEL_COMpost"), CInstanceLock::Result::Acquired);
    ModalAnswerer ok(QStringLiteral("OK"));
    const int result = TarvoMain(*qApp, {"-t", "Пост", "-nPOST"}, home.path(), &clock);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ok.title, "Внимание");
    EXPECT_EQ(ok.text, "Пост уже запущена");
    EXPECT_FALSE(QFile::exists(home.file("korvel.ini")));
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TForm_TARVO*>(w), nullptr);
    first.Release();

    // No lock can be had anywhere: said plainly, and not taken for a copy
    // already running.
    QFile::remove(first.LockPath());
    ASSERT_TRUE(QDir().mkpath(first.LockPath()));
    const QString fallback = CInstanceLock::FallbackLockPath("KORVEL_COMpost");
    ASSERT_TRUE(!QFileInfo::exists(fallback) || QFile::remove(fallback));
    ASSERT_TRUE(QDir().mkpath(fallback));
    ModalAnswerer said(QStringLiteral("OK"));
    EXPECT_EQ(TarvoMain(*qApp, {"-nPOST"}, home.path(), &clock), 1);
    QDir().rmdir(fallback);
    EXPECT_TRUE(said.text.startsWith("Невозможно создать файл блокировки "))
        << said.text.toStdString();
}

}  // namespace

namespace {

// "Выход" while the channel is open: the workstation stops the centre with
// КГ2 before it goes, over the real line thread, and closes within the
// countdown.
TEST_F(MainWindowTest, ExitInTheWorkingStateStopsTheCentreFirst) {
    CkssimProcess centre;
    ASSERT_TRUE(centre.Start({"-t", home.file("centre.txt"), "-k", "off", "--auto-open"}));
    writeIni(CentreSettings(centre.Port()) + "[OTHER]\r\nAskOnClose=0\r\n");
    auto window = startedWindow();  // start-up: the line connects
    ASSERT_TRUE(WaitUntil(
        [&] {
            window->Timer_1secTimer();
            return window->Exchange().ChannelState() == TExchange::StateRB;
        },
        20000))
        << dayProtocol().toStdString();

    const qsizetype exitAt = dayProtocol().size();
    const qsizetype centreAt = centre.Output().size();
    window->MenuCloseClick();
    EXPECT_EQ(records.status.CloseCountdown, 10) << "КГ2 sent: the centre gets time to answer";
    // The centre answers the stop with "СВЯЗЬ БА", which shortens the wait;
    // no tick runs meanwhile, so only the answer can do it.
    ASSERT_TRUE(WaitUntil([&] { return dayProtocol().mid(exitAt).contains("РЕЖИМ: БА"); }))
        << dayProtocol().mid(exitAt).toStdString();
    EXPECT_EQ(records.status.CloseCountdown, 2);
    EXPECT_TRUE(centre.WaitOutput("CENTRE IN КГ2"));
    EXPECT_TRUE(centre.Output().mid(centreAt).contains("CENTRE IN КГ2"));
    window->Timer_1secTimer();
    EXPECT_FALSE(window->IsFinished());
    window->Timer_1secTimer();
    EXPECT_TRUE(window->IsFinished());
    const QString log = dayProtocol().mid(exitAt);
    EXPECT_LT(log.indexOf("РЕЖИМ: БА"), log.indexOf("ПРОГРАММА ОСТАНОВЛЕНА"));
}

// VPN/Use with the time table and nothing waiting: the profile stays down
// until "Dial", comes up through nmcli (found first on PATH) before the line
// connects to the centre, and goes down DisconnectDelay seconds after the
// last message.
TEST_F(MainWindowTest, TheDialButtonBringsTheProfileUpUntilTheCountdownTakesItDown) {
    FakeNmcli nmcli;
    nmcli.ThenActive("up", "centre:vpn:activated\n");
    nmcli.ThenActive("down", "");
    const ScopedEnv path("PATH", nmcli.Folder() + ':' + qEnvironmentVariable("PATH"));
    CkssimProcess centre;
    ASSERT_TRUE(centre.Start({"-t", home.file("centre.txt"), "-k", "off", "--auto-open"}));
    writeIni(CentreSettings(centre.Port()) +
             "[VPN]\r\nUse=1\r\nName=centre\r\nUseTimeTable=1\r\nDisconnectDelay=5\r\n"
             "[OTHER]\r\nAskOnClose=0\r\n");
    auto window = startedWindow();
    auto* dial = window->findChild<QPushButton*>("Button_Dial");
    ASSERT_TRUE(dial);
    EXPECT_TRUE(dial->isVisibleTo(window.get()));
    for (int i = 0; i < 3; ++i)
        window->Timer_1secTimer();
    EXPECT_FALSE(window->Line()->IsDialEnabled());
    EXPECT_TRUE(nmcli.CallsWith("connection up").isEmpty());

    dial->click();
    ASSERT_TRUE(WaitUntil([&] { return window->Exchange().ChannelState() == TExchange::StateRB; },
                          20000))
        << dayProtocol().toStdString();
    EXPECT_EQ(nmcli.CallsWith("LC_ALL=C --wait 60 connection up id centre").size(), 1);
    const QString log = dayProtocol();
    EXPECT_LT(log.indexOf("Connect 127.0.0.1"), log.indexOf("РЕЖИМ: РБ")) << log.toStdString();

    // The centre's opening message started the countdown of DisconnectDelay.
    for (int i = 0; i < 4; ++i)
        window->Timer_1secTimer();
    EXPECT_TRUE(window->Line()->IsDialEnabled());
    window->Timer_1secTimer();
    EXPECT_FALSE(window->Line()->IsDialEnabled());
    ASSERT_TRUE(WaitUntil([&] { return dayProtocol().contains("RAS HangUp"); }))
        << dayProtocol().toStdString();
    EXPECT_EQ(nmcli.CallsWith("connection down id centre").size(), 1);
}

// VPN/Use left ticked on the serial line: no "Dial", and no dial policy.
TEST_F(MainWindowTest, TheSerialLineHasNeitherTheDialButtonNorTheDialPolicy) {
    writeIni("[SERVER]\r\nTCP=0\r\nCOM=/dev/tarvo-line\r\n[VPN]\r\nUse=1\r\n");
    auto window = startedWindow();
    EXPECT_FALSE(window->findChild<QPushButton*>("Button_Dial")->isVisibleTo(window.get()));
    window->Timer_1secTimer();
    EXPECT_FALSE(window->Line()->IsDialEnabled());
}

}  // namespace

namespace {

// Forwarding with OTHER/ReSendEnable fails for every telegram (no file
// number is left today), and each failure shows its box, while the centre
// keeps sending and keeps its urgent keepalive going: no box holds the line,
// the keepalive is echoed all along, and every telegram is filed with its
// trailer.
TEST_F(MainWindowTest, AFailingForwardHoldsNothingWhileTelegramsArrive) {
    CkssimProcess centre;
    ASSERT_TRUE(centre.Start({"-t", home.file("centre.txt"), "-k", "2", "-e", "300", "--auto-open",
                              "--generate", "12", "--interval", "0"}));
    writeIni(CentreSettings(centre.Port()) +
             "[OTHER]\r\nAskOnClose=0\r\nReSendEnable=1\r\nReSendHeader=P141911\r\n"
             "EditNumber=1000\r\n[STATUS]\r\nMMDD=0130\r\n");
    const NoModalDialogs noBlockingBox;
    // The centre's count of urgent bytes that came back.
    auto urgentEchoes = [&] {
        const qsizetype before = centre.Output().count("urgent=");
        centre.Command("status");
        WaitUntil([&] {
            centre.WaitOutput("", 0);
            return centre.Output().count("urgent=") > before;
        });
        const QByteArray& out = centre.Output();
        const qsizetype at = out.lastIndexOf("urgent=");
        return at < 0 ? -1 : out.mid(at + 7, out.indexOf(' ', at) - at - 7).toInt();
    };
    auto window = makeWindow();
    window->show();  // the one-second timer runs
    ASSERT_TRUE(WaitUntil([&] { return records.status.NumberInput >= 1; }, 30000))
        << dayProtocol().toStdString();
    const int echoesAtFirst = urgentEchoes();
    ASSERT_TRUE(WaitUntil(
        [&] {
            return records.status.NumberInput == 12 && window->Exchange().NotesCountdown() == 0;
        },
        60000))
        << records.status.NumberInput << "\n"
        << dayProtocol().toStdString();
    EXPECT_GT(urgentEchoes(), echoesAtFirst) << "the keepalive was echoed all along";
    const QString log = dayProtocol();
    EXPECT_FALSE(log.contains("Timeout OOB")) << log.toStdString();
    EXPECT_TRUE(log.contains("ИСЧЕРПАНЫ НОМЕРА ФАЙЛОВ ДНЯ"));
    EXPECT_FALSE(OpenMessageBoxes().isEmpty()) << "the boxes wait for the operator";
    for (int n = 1; n <= 12; ++n) {
        const QString name =
            home.file(QStringLiteral("inp/0130/0130q911.%1").arg(n, 3, 10, QLatin1Char('0')));
        EXPECT_TRUE(AnsiToWide(ReadFileBytes(name)).contains("\r\nНННН  "))
            << name.toStdString() << " is not filed with its trailer";
    }
    window->OnSystemShutdown();
}

}  // namespace

namespace {

// The centre announces a category telegram, then asks to confirm one of
// category Р: the alert goes, the confirmation comes, and the operator's
// confirmation reaches the centre over the real line.
TEST_F(MainWindowTest, TheCentresCategoryAndConfirmationRequestsAreAnswered) {
    CkssimProcess centre;
    ASSERT_TRUE(centre.Start({"-t", home.file("centre.txt"), "-k", "off", "--auto-open"}));
    writeIni(CentreSettings(centre.Port()) + "[SOUND]\r\nK_Type=3\r\nRaketa_Type=2\r\n");
    auto window = startedWindow();
    RecordingSound sound;
    window->SetSoundPlayer(&sound);
    ASSERT_TRUE(WaitUntil(
        [&] {
            window->Timer_1secTimer();
            return window->Exchange().ChannelState() == TExchange::StateRB;
        },
        20000))
        << dayProtocol().toStdString();

    centre.Command(QStringLiteral("message ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ"));
    ASSERT_TRUE(WaitUntil([&] { return window->InfoWindow()->isVisible(); }));
    EXPECT_EQ(sound.calls, QStringList{"loop alarm.wav"});
    centre.Command(QStringLiteral("message ПОДТВЕРДИТЕ ПРИЕМ Р 012"));
    ASSERT_TRUE(WaitUntil([&] { return window->ConfirmWindow()->isVisible(); }));
    EXPECT_FALSE(window->InfoWindow()->isVisible()) << "the alert closes first";
    EXPECT_EQ(sound.calls, (QStringList{"loop alarm.wav", "stop", "play alarm.wav"}));
    window->ConfirmWindow()->Edit_Name->setText(QStringLiteral("ИВАНОВ"));
    const QString number = window->ConfirmWindow()->Edit_N->text();
    window->ConfirmWindow()->Button_Confirm->click();
    EXPECT_TRUE(centre.WaitOutput(
        (QStringLiteral("ЗЦЗЦ КС Р") + number + QStringLiteral(" ПРИН ИВАНОВ НННН  ")).toUtf8()))
        << centre.Output().toStdString();
    window->SetSoundPlayer(nullptr);
}

}  // namespace
