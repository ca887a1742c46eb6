// The outgoing queue against a recording line: what goes out, how it is
// counted, and where each file ends up.

#include "centrestream.h"
#include "config/settings.h"
#include "queuesupport.h"
#include "util/codepages.h"

#include <QDir>
#include <QFile>

#include <functional>

namespace {

using QueueTest = QueueFixture;

TEST_F(QueueTest, TwoWaitingFilesGoOneAfterTheOther) {
    Put("0130u001", "ТЕКСТ У");
    Put("0130q002", "ТЕКСТ ДВА");
    Put("0130q001", "ТЕКСТ ОДИН");

    Tick(3);
    EXPECT_TRUE(line.sent.isEmpty()) << "the first scan comes after three seconds";
    Tick();
    EXPECT_EQ(line.sent, Frame(1, "ТЕКСТ ОДИН")) << "\"q\" files first, in name order";
    EXPECT_EQ(exchange.Queue().SendingFile(), "0130q001");
    EXPECT_EQ(exchange.Queue().QueueCount(), 3);
    EXPECT_EQ(host.queueCount, 3);
    EXPECT_EQ(exchange.Queue().ScanCountdown(), 30);
    EXPECT_TRUE(Events().contains("ОТПРАВКА ТЛГ out/0130q001"));
    EXPECT_EQ(Events().last(), "ОЧЕРЕДЬ НА ОТПРАВКУ: 3");
    EXPECT_EQ(status.NumberOutput, 0) << "counted only when the line has taken it";

    Drain();
    EXPECT_EQ(status.NumberOutput, 1);
    EXPECT_EQ(StoredNumberOutput(), 1) << "kept before the centre can confirm it";
    EXPECT_EQ(Events().last(), "ТЛГ ПЕРЕДАНА В ЛИНИЮ ");
    EXPECT_TRUE(exchange.Queue().SendingText().isEmpty());
    EXPECT_EQ(exchange.ZZCountdown(), 4);

    Tick(3);
    EXPECT_TRUE(line.sent.isEmpty());
    Tick();
    EXPECT_EQ(line.sent, L(u"|ЗЗ ")) << "КГ0 asks for the counters after ZZTimeOut";
    line.sent.clear();
    Report(1, 0);
    EXPECT_EQ(OutDay(), QStringList{"0130q001.001"});
    EXPECT_EQ(OutRoot(), (QStringList{"0130q002", "0130u001"}));
    EXPECT_TRUE(Events().contains("ПЕРЕИМЕНОВАНИЕ: out/0130q001 -> out/0130/0130q001.001"));
    EXPECT_FALSE(exchange.Queue().IsSending());
    EXPECT_EQ(host.outListRefreshes, 1);

    EXPECT_EQ(TickUntilSent(), Frame(2, "ТЕКСТ ДВА")) << "the next scan starts the second";
    EXPECT_EQ(Events().last(), "ОЧЕРЕДЬ НА ОТПРАВКУ: 2");
}

TEST_F(QueueTest, WithoutAWaitForКГ0TheNextTelegramFollowsAtOnce) {
    config.ZZTimeOut = 0;
    Put("0130q001", "ОДИН");
    Put("0130q002", "ДВА");
    TickUntilSent();
    Drain();
    EXPECT_EQ(line.sent, L(u"|ЗЗ ")) << "КГ0 at once";
    EXPECT_EQ(exchange.ZZCountdown(), 0);
    line.sent.clear();
    Report(1, 0);
    EXPECT_EQ(line.sent, Frame(2, "ДВА"));

    // A negative wait asks nothing by itself.
    config.ZZTimeOut = -1;
    Drain();
    EXPECT_TRUE(line.sent.isEmpty());
    Tick(20);
    EXPECT_TRUE(line.sent.isEmpty());
}

TEST_F(QueueTest, PlaceholdersAndTheNumberAfter999) {
    status.NumberOutput = 999;
    clock.Set(14, 5);
    Put("0130q001", "N[ [ ДАТА { ВРЕМЯ }");
    EXPECT_EQ(TickUntilSent(), Frame(0, "N0 0 ДАТА 30/01 ВРЕМЯ 1405"));
    Drain();
    EXPECT_EQ(status.NumberOutput, 0);
    Report(0, 0);
    EXPECT_EQ(OutDay(), QStringList{"0130q001.000"});
}

TEST_F(QueueTest, AServiceTelegramIsFramedWithoutANumber) {
    config.ZZTimeOut = 0;
    status.NumberOutput = 4;
    Put("0130q001", "ССС 141911 ПРОВЕРКА");
    EXPECT_EQ(TickUntilSent(), L(u"\r\nЗЦЗЦ ССС 141911 ПРОВЕРКА\r\nНННН  \r\n"));
    EXPECT_TRUE(exchange.Queue().SendingText().isEmpty());
    Drain();
    EXPECT_EQ(status.NumberOutput, 4);
    EXPECT_TRUE(line.sent.isEmpty()) << "no КГ0 for a service telegram";
    EXPECT_EQ(exchange.ZZCountdown(), 0);
    EXPECT_FALSE(Events().contains("ТЛГ ПЕРЕДАНА В ЛИНИЮ "));
    Receive(CentreMessage("ССС ПРИНЯТО"));
    EXPECT_EQ(OutDay(), QStringList{"0130q001.SSS"});
    EXPECT_TRUE(OutRoot().isEmpty());

    // The centre cannot be asked about one it has not accepted yet: a lost
    // link, or a stop, sets it aside for the operator; it never goes again
    // by itself.
    const QString lost = "СЛУЖЕБНАЯ ТЛГ out/%1 ПЕРЕДАНА В ЛИНИЮ, НО НЕ ПОДТВЕРЖДЕНА ЦКС";
    Put("0130q002", "ССС 141911 ВТОРАЯ");
    TickUntilSent();
    Drain();
    line.connected = false;
    exchange.LineStatusChanged(false, QString());
    EXPECT_EQ(OutRoot(), QStringList{"0130q002.bSSS"});
    EXPECT_TRUE(Events().contains(lost.arg("0130q002")));
    EXPECT_FALSE(exchange.Queue().IsSending());
    line.connected = true;
    Put("0130q003", "ССС 141911 ТРЕТЬЯ");
    TickUntilSent();
    Drain();
    const auto run = StartNextRun();
    EXPECT_EQ(run->status.HandedOverFile, "0130q003");
    run->status.FoldersReady = run->exchange->CheckFolders();
    run->exchange->StartWorkingDay();
    EXPECT_EQ(OutRoot(), (QStringList{"0130q002.bSSS", "0130q003.bSSS"}));
    EXPECT_TRUE(Events().contains(lost.arg("0130q003")));
    EXPECT_FALSE(run->exchange->Queue().IsSending());
    EXPECT_TRUE(run->status.HandedOverFile.isEmpty());
}

TEST_F(QueueTest, UnreadableFilesAreSetAside) {
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"0130q001", QByteArray()},
        {"0130q002", QByteArray(5000, 'A')},
        {"0130q003", QByteArray("\xFF\xFE\x41\x00", 4)},
        {"0130q004", QByteArray("\xFF\x41", 2)},
        {"0130q005", QByteArray("\x41\xFE", 2)},
    };
    for (const auto& c : cases)
        PutBytes(c.name, c.bytes);
    PutBytes("0130q006.brd", "an earlier one");
    PutBytes("0130q006", "");
    PutBytes("0130q007", QByteArray(4999, 'A'));

    TickUntilSent();
    EXPECT_EQ(line.sent, Frame(1, QString(4999, 'A'))) << "the first readable file goes";
    EXPECT_EQ(OutRoot(),
              (QStringList{"0130q001.brd", "0130q002.brd", "0130q003.brd", "0130q004.brd",
                           "0130q005.brd", "0130q006.brd", "0130q006.brd.0", "0130q007"}));
    const QStringList events = Events();
    const qsizetype at = events.indexOf("ОШИБКА ЧТЕНИЯ ФАЙЛА ДЛЯ ОТПРАВКИ ТЛГ: out/0130q001");
    ASSERT_GE(at, 0);
    EXPECT_EQ(events[at + 1], "ПЕРЕИМЕНОВАНИЕ: out/0130q001 -> out/0130q001.brd");
    EXPECT_TRUE(events.contains("ПЕРЕИМЕНОВАНИЕ: out/0130q006 -> out/0130q006.brd.0"));
    EXPECT_EQ(exchange.Queue().QueueCount(), 7);
}

TEST_F(QueueTest, AFileThatIsGoneIsPassedOver) {
    // A dangling link is listed like a file and cannot be opened: a file
    // that went away between the listing and the reading.
    ASSERT_TRUE(QFile::link(home.file("out/nowhere"), home.file("out/0130q001")));
    Put("0130q002", "ДВА");
    EXPECT_EQ(TickUntilSent(), Frame(1, "ДВА"));
    EXPECT_TRUE(OutRoot().contains("0130q001")) << "nothing renamed";
    for (const QString& event : Events())
        EXPECT_FALSE(event.startsWith("ОШИБКА")) << event.toStdString();
    EXPECT_EQ(exchange.Queue().QueueCount(), 1);
}

TEST_F(QueueTest, UnicodeFilesAreReadAsAStringList) {
    config.SaveTlgAnsi = false;
    PutBytes("0130q001", Utf16FileBytes("ПЕРВАЯ\r\nВТОРАЯ"));
    EXPECT_EQ(TickUntilSent(), Frame(1, "ПЕРВАЯ\r\nВТОРАЯ\r\n"));
    Drain();
    Report(1, 0);

    PutBytes("0130q002", QByteArray("\xFF\xFE", 2));
    Put("0130q003", QString(4998, 'A'));  // with its line end, 5000 characters
    Put("0130q004", "ANSI\nТОЖЕ");
    exchange.Queue().SetScanCountdown(0);
    EXPECT_EQ(TickUntilSent(), Frame(2, "ANSI\r\nТОЖЕ\r\n"));
    EXPECT_EQ(OutRoot(), (QStringList{"0130q002.brd", "0130q003.brd", "0130q004"}));
}

TEST_F(QueueTest, WhatHoldsTheScanBack) {
    Put("0130q001", "ТЕКСТ");
    const struct {
        const char* what;
        std::function<void()> hold;
        bool countdownRuns;  // the scan stands still at 0, retried each second
    } cases[] = {
        {"numbering hold", [this] { status.NumberingHold = true; }, true},
        {"counter reset pending",
         [this] {
             clock.Set(0, 3);
             status.CounterResetPending = true;
         },
         true},
        {"unanswered request", [this] { exchange.SendServiceGroup(TExchange::KG0); }, true},
        {"timeout 0", [this] { config.ScanTimeout = 0; }, false},
        {"line down", [this] { line.connected = false; }, false},
        {"folders missing", [this] { status.FoldersReady = false; }, false},
        {"exit countdown", [this] { status.CloseCountdown = 30; }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const _tlg_config savedConfig = config;
        const _tlg_status savedStatus = status;
        exchange.Queue().SetScanCountdown(1);
        c.hold();
        Tick(5);
        EXPECT_FALSE(exchange.Queue().IsSending());
        EXPECT_EQ(exchange.Queue().ScanCountdown(), c.countdownRuns ? 0 : 1);
        clock.Set(12, 0);
        config = savedConfig;
        status = savedStatus;
        status.FoldersReady = true;
        line.connected = true;
        Receive(CentreMessage("СВЯЗЬ ОТКРЫТА"));  // answers the request
    }
    line.sent.clear();
    EXPECT_EQ(TickUntilSent(), Frame(1, "ТЕКСТ")) << "nothing held any more";
}

TEST_F(QueueTest, FilesAreOnlyCountedWhileAutomaticSendingCannotGo) {
    Put("0130q001", "ОДИН");
    Put("0130u002", "ДВА");
    exchange.SetMode(false);
    Tick(4);
    EXPECT_TRUE(line.sent.isEmpty());
    EXPECT_EQ(exchange.Queue().QueueCount(), 2);
    exchange.SetMode(true);
    exchange.SetChannelState(L(u"БА"));
    exchange.Queue().SetScanCountdown(0);
    Tick();
    EXPECT_FALSE(exchange.Queue().IsSending());
    exchange.SetChannelState(L(u"РБ"));
    line.sent.clear();
    EXPECT_EQ(TickUntilSent(), Frame(1, "ОДИН"));
}

TEST_F(QueueTest, CounterMismatchFilesTheTelegramAsRejected) {
    Put("0130q001", "ОДИН");
    TickUntilSent();
    Drain();
    Report(0, 0);
    EXPECT_FALSE(status.Automatic);
    EXPECT_EQ(OutDay(), QStringList{"0130q001.b001"});
    EXPECT_FALSE(exchange.Queue().IsSending());
}

TEST_F(QueueTest, DistortionsKeepTheFileInTheRoot) {
    const struct {
        const char* message;
        const char* name;
        int numberOutput;  // after the distortion
    } cases[] = {
        {"ИСКАЖЕНИЕ 001 ВАШ 000", "0130q001.b01", 0},
        {"ИСКАЖЕНИЕ 001 ВАШ 000", "0130q001.b01.0", 0},  // made unique
        {"ИСКАЖЕНИЯ 123", "0130q001.b123", 1},
        {"ИСКАЖЕНИЯ", "0130q001.brk", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        status.NumberOutput = 0;
        status.Automatic = true;
        exchange.SetChannelState(L(u"РБ"));
        Put("0130q001", "ОДИН");
        exchange.Queue().SetScanCountdown(0);
        line.sent.clear();
        TickUntilSent();
        Drain();
        Receive(CentreMessage(c.message));
        EXPECT_TRUE(OutRoot().contains(c.name));
        EXPECT_FALSE(OutRoot().contains("0130q001"));
        EXPECT_EQ(status.NumberOutput, c.numberOutput);
        EXPECT_EQ(StoredNumberOutput(), c.numberOutput);
        EXPECT_FALSE(status.Automatic);
        EXPECT_EQ(exchange.ChannelCaption(), "БА");
    }
}

TEST_F(QueueTest, AConfirmationNeverReplacesAFiledTelegram) {
    home.write("out/0130/0130q001.001", "filed before");
    Put("0130q001", "ОДИН");
    TickUntilSent();
    Drain();
    Report(1, 0);
    EXPECT_TRUE(Events().contains("ОШИБКА ПЕРЕИМЕНОВАНИЯ: out/0130q001 -> out/0130/0130q001.001"));
    EXPECT_FALSE(status.Automatic);
    EXPECT_EQ(OutFile("0130/0130q001.001"), "filed before");
    EXPECT_EQ(Events().last(), "ПЕРЕИМЕНОВАНИЕ: out/0130q001 -> out/0130q001.001");
    EXPECT_EQ(OutRoot(), QStringList{"0130q001.001"})
        << "it waits for the operator under its outcome, never to go out again by itself";
    EXPECT_FALSE(exchange.Queue().IsSending()) << "the queue moves on";
}

TEST_F(QueueTest, AMissingDayFolderIsMadeAgain) {
    Put("0130q001", "ОДИН");
    TickUntilSent();
    Drain();
    QDir(home.file("out/0130")).removeRecursively();
    Report(1, 0);
    EXPECT_EQ(OutDay(), QStringList{"0130q001.001"});
    EXPECT_TRUE(status.Automatic);
}

TEST_F(QueueTest, OutcomesWithoutATelegramChangeNothing) {
    Report(0, 0);
    Receive(CentreMessage("ССС ПРИНЯТО"));
    Receive(CentreMessage("ИСКАЖЕНИЕ 001 ВАШ 007"));
    EXPECT_EQ(status.NumberOutput, 0);
    EXPECT_EQ(host.outListRefreshes, 0);
}

TEST_F(QueueTest, ExitTakesBackATelegramStillOnItsWay) {
    Put("0130q001", "ОДИН");
    TickUntilSent();
    EXPECT_TRUE(exchange.StopForExit());
    EXPECT_EQ(line.sent, L(u"|ЗЦЗЦ КС СТОП НННН  ")) << "the frame was taken back";
    EXPECT_FALSE(exchange.Queue().IsSending());
    Drain();
    EXPECT_EQ(status.NumberOutput, 0);
    EXPECT_EQ(OutRoot(), QStringList{"0130q001"}) << "the file waits for the next run";
}

TEST_F(QueueTest, ExitAsksForTheVerdictOnATelegramTheLineHasTaken) {
    Put("0130q001", "ОДИН");
    TickUntilSent();
    Drain();
    // "Выход" before the ZZ countdown's КГ0: the centre is asked first.
    status.CloseCountdown = 10;
    EXPECT_TRUE(exchange.StopForExit());
    EXPECT_EQ(exchange.Queue().SendingFile(), "0130q001");
    EXPECT_EQ(line.Take(), L(u"|ЗЗ |ЗЦЗЦ КС СТОП НННН  "));
    Receive(CentreMessage("СВЯЗЬ БА"));
    EXPECT_EQ(status.CloseCountdown, 10) << "the stop's answer does not cut the report's chance";
    Report(1, 0, "СВЯЗЬ БА");
    EXPECT_EQ(OutDay(), QStringList{"0130q001.001"}) << "the report files it";
    EXPECT_EQ(status.CloseCountdown, 2) << "and then the wait is cut short";

    status.CloseCountdown = 0;
    exchange.SetChannelState(L(u"БА"));
    EXPECT_FALSE(exchange.StopForExit()) << "not working: nothing to stop";
    exchange.SetChannelState(L(u"РБ"));
    line.connected = false;
    EXPECT_FALSE(exchange.StopForExit());
    EXPECT_TRUE(line.sent.isEmpty());
}

// "Выход" while the socket is still writing the telegram: the stop goes
// first, and when the write ends the centre is asked at once, not after the
// ZZ countdown, so that its report files the telegram inside the exit wait.
TEST_F(QueueTest, ATelegramTheSocketFinishesDuringTheExitWaitIsAskedForAtOnce) {
    Put("0130q001", "ОДИН");
    TickUntilSent();
    const LineText frame = line.Hold();
    status.CloseCountdown = 10;
    EXPECT_TRUE(exchange.StopForExit());
    EXPECT_EQ(line.Take(), L(u"|ЗЦЗЦ КС СТОП НННН  ")) << "nothing to ask about yet";
    line.Release();
    exchange.OnLineSent(frame);
    EXPECT_EQ(line.Take(), L(u"|ЗЗ "));
    Report(1, 0, "СВЯЗЬ БА");
    EXPECT_EQ(OutDay(), QStringList{"0130q001.001"});
    EXPECT_LE(status.CloseCountdown, 2) << "and then the wait is cut short";
}

// A telegram the line took on one working day, whose report never came
// (the program ended first), is found by the next start on another day: no
// report can settle it any more, so it is set aside for the operator and
// never sent again by itself. (The same day's restart is run with the real
// program in the shell's process tests.)
TEST_F(QueueTest, AHandOverLeftFromAnotherDayIsSetAside) {
    Put("0130q001", "ОДИН");
    TickUntilSent();
    Drain();
    clock.Set(QDateTime(QDate(2026, 1, 31), QTime(9, 0)));
    const auto run = StartNextRun();
    _tlg_status& next = run->status;
    RecordingLine& nextLine = run->line;
    TExchange& restarted = *run->exchange;
    EXPECT_EQ(next.HandedOverFile, "0130q001");
    EXPECT_EQ(next.HandedOverNumber, 1);
    next.FoldersReady = restarted.CheckFolders();
    restarted.StartWorkingDay();
    EXPECT_FALSE(restarted.Queue().IsSending());
    EXPECT_EQ(OutRoot(), QStringList{"0130q001.b001"});
    EXPECT_TRUE(Events().contains("ТЛГ out/0130q001 ПЕРЕДАНА В ЛИНИЮ, НО НЕ ПОДТВЕРЖДЕНА ЦКС"));
    EXPECT_TRUE(next.HandedOverFile.isEmpty());
    restarted.SetChannelState(L(u"РБ"));
    restarted.Queue().SetScanCountdown(0);
    clock.AdvanceSeconds(1);
    restarted.Tick();
    EXPECT_TRUE(nextLine.sent.isEmpty()) << "nothing goes out again";
}

// The run stops while the line holds the whole telegram and before it has
// said it took it (or lost it). The next start finds the hand-over recorded,
// not counted, and asks the centre: its count decides, and the telegram is
// never sent again when the centre has it.
TEST_F(QueueTest, AStopBeforeTheLineSaysWhatItTookIsSettledByTheCentresCount) {
    Put("0130q001", "ОДИН");
    ASSERT_EQ(TickUntilSent(), Frame(1, "ОДИН"));
    const QByteArray ini = ReadFileBytes(home.file("korvel.ini"));
    const struct {
        int centreCount;
        QStringList outRoot, outDay;
        int numberOutput;
        LineText sentAfter;  // what the next scans send
    } cases[] = {
        {1, {}, {"0130q001.001"}, 1, {}},
        {0, {"0130q001"}, {}, 1, Frame(1, "ОДИН")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.centreCount);
        home.write("korvel.ini", ini);
        QFile::rename(home.file("out/0130/0130q001.001"), home.file("out/0130q001"));
        const auto run = StartNextRun();
        _tlg_status& next = run->status;
        RecordingLine& nextLine = run->line;
        TExchange& restarted = *run->exchange;
        EXPECT_EQ(next.HandedOverFile, "0130q001");
        EXPECT_EQ(next.HandedOverNumber, 1);
        EXPECT_EQ(next.NumberOutput, 0) << "not counted before the line has taken it";
        next.FoldersReady = restarted.CheckFolders();
        next.Automatic = true;
        restarted.StartWorkingDay();
        restarted.SetChannelState(L(u"РБ"));
        clock.AdvanceSeconds(1);
        restarted.Tick();
        EXPECT_EQ(nextLine.sent, L(u"|ЗЗ ")) << "the first tick asks the centre, sends nothing";
        nextLine.sent.clear();
        restarted.OnLineReceive(
            CentreMessage(QStringLiteral("ВАШ %1 НАШ 000 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА")
                              .arg(c.centreCount, 3, 10, QLatin1Char('0'))));
        for (int i = 0; i < 20; ++i)
            restarted.OnLineReceive(LineText());
        EXPECT_EQ(OutDay(), c.outDay);
        for (int i = 0; i < 10 && nextLine.sent.isEmpty(); ++i) {
            clock.AdvanceSeconds(1);
            restarted.Tick();
        }
        const LineText block = nextLine.sent;
        EXPECT_EQ(block, c.sentAfter);
        nextLine.sent.clear();
        if (!block.isEmpty())
            restarted.OnLineSent(block);
        EXPECT_EQ(OutRoot(), c.outRoot);
        EXPECT_EQ(next.NumberOutput, c.numberOutput);
    }
}

TEST_F(QueueTest, TheQueuePageListsRetriesAndDeletes) {
    Put("0130q001.b012", "ОТКАЗАННАЯ");
    Put("0130q002", "ЖДЕТ");
    Put("0130q003.brd", "НЕЧИТАЕМАЯ");
    Put("0130q004.brk", "ИСКАЖЕННАЯ");
    Put("0130q004", "ЖДЕТ ТОЖЕ");
    Put("readme.txt", "ЧУЖОЙ");
    PutBytes(".~0130q005.part", "ПИШЕТСЯ");
    exchange.SetMode(false);
    EXPECT_EQ(
        exchange.Queue().QueueFiles(),
        (QStringList{"0130q001.b012", "0130q002", "0130q003.brd", "0130q004", "0130q004.brk"}))
        << "names starting with a digit, day folders left out";

    const struct {
        const char* name;
        const char* retried;
        bool outcome;
    } names[] = {
        {"0130q001.b012", "0130q001", true},
        {"0130q001.brk.0", "0130q001", true},
        {"0130q001.", "0130q001", true},
        {"0130q001", "0130q001", false},
    };
    for (const auto& n : names) {
        EXPECT_EQ(TOutgoingQueue::RetryName(QString(n.name)), n.retried) << n.name;
        EXPECT_EQ(TOutgoingQueue::HasOutcome(QString(n.name)), n.outcome) << n.name;
    }

    const int refreshes = host.queueRefreshes;
    EXPECT_TRUE(exchange.Queue().RetryQueueFile("0130q001.b012"));
    EXPECT_EQ(Events().last(), "ПЕРЕИМЕНОВАНИЕ ОПЕРАТОРОМ: out/0130q001.b012 -> out/0130q001");
    EXPECT_FALSE(exchange.Queue().RetryQueueFile("0130q004.brk")) << "a waiting file stays";
    EXPECT_EQ(OutFile("0130q004"), WideToAnsi(QStringLiteral("ЖДЕТ ТОЖЕ")));
    EXPECT_TRUE(OutRoot().contains("0130q004.brk"));
    EXPECT_FALSE(exchange.Queue().RetryQueueFile("0130q002")) << "nothing to take off";
    EXPECT_TRUE(exchange.Queue().DeleteQueueFile("0130q003.brd"));
    EXPECT_EQ(Events().last(), "УДАЛЕНИЕ ОПЕРАТОРОМ: out/0130q003.brd");
    EXPECT_FALSE(OutRoot().contains("0130q003.brd"));
    EXPECT_EQ(host.queueRefreshes, refreshes + 3);

    exchange.SetMode(true);
    EXPECT_EQ(TickUntilSent(), Frame(1, "ОТКАЗАННАЯ")) << "the retried file goes first";
    EXPECT_FALSE(exchange.Queue().DeleteQueueFile("0130q001")) << "not while it is sent";
}

TEST_F(QueueTest, TheMidnightHoldAndItsEnd) {
    config.ZZTimeOut = 0;
    clock.Set(23, 55, 50);
    Put("0130q001", "ОДИН");
    Put("0130q002", "ДВА");
    TickUntilSent();
    Drain();
    line.sent.clear();
    Tick(10);  // 23:56
    ASSERT_TRUE(status.NumberingHold);
    Report(1, 0);
    EXPECT_TRUE(line.sent.isEmpty()) << "not even right after a confirmation";
    Tick(60 * 10);  // 00:06
    EXPECT_TRUE(line.sent.isEmpty());
    EXPECT_EQ(status.NumberOutput, 1) << "the reset comes after 00:06";
    EXPECT_EQ(TickUntilSent(120), Frame(1, "ДВА")) << "and sending starts again";
    EXPECT_EQ(clock.LocalTime().time().minute(), 7);
}

// The link goes before the report on a telegram just before midnight, and
// no report comes before the day's counts start again: no count can tell any
// more whether it arrived, so it is set aside, never sent again by itself.
TEST_F(QueueTest, AFateALostLinkLeftOpenAtTheCounterResetIsSetAside) {
    clock.Set(23, 55, 50);
    Put("0130q001", "ОДИН");
    TickUntilSent();
    Drain();
    line.connected = false;
    exchange.LineStatusChanged(false, QString());
    line.connected = true;
    EXPECT_EQ(status.NumberOutput, 0) << "counted only when the centre says it arrived";
    Tick(60 * 12);  // 00:07:50, after the reset
    EXPECT_EQ(OutRoot(), QStringList{"0130q001.b001"});
    EXPECT_FALSE(exchange.Queue().IsSending());
    EXPECT_TRUE(status.HandedOverFile.isEmpty());
}

}  // namespace
