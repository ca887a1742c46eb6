// What the line really does with a telegram, and what the exchange counts:
// an exit right after the line has taken one, a link that breaks while one
// is still waiting to go, and a handler that runs a nested event loop while
// telegrams keep coming.

#include "support/ckssimprocess.h"
#include "support/loopback.h"
#include "util/codepages.h"
#include "util/linecode.h"
#include "workstation.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {

class HandOverTest : public ProgramFolderTest {
protected:
    QString Read(const QString& path) const { return AnsiToWide(ReadFileBytes(home.file(path))); }
};

// "Выход" right after the line has taken a telegram, long before the ZZ
// countdown would ask for the counters: the centre is asked before it is
// stopped, and its report files the telegram before the program goes.
TEST_F(HandOverTest, AnExitRightAfterAHandOverWaitsForTheReport) {
    CkssimProcess centre;
    ASSERT_TRUE(centre.Start({"-t", home.file("centre.txt"), "-k", "off", "--auto-open",
                              "--start-time", "2026-01-30 12:00"}));
    TWorkstation ws;
    ws.config.ZZTimeOut = 600;
    // Ticks of a fifth of a second: the report has two seconds of the exit
    // wait, whatever the machine is doing.
    ws.ticker.setInterval(200);
    ws.Start(centre.Port());
    ASSERT_TRUE(ws.WaitOpen()) << ws.Tail();
    ws.Put("0130q001", QStringLiteral("ПЕРЕД ВЫХОДОМ"));
    ws.exchange.Queue().SetScanCountdown(0);
    // Counted: the line has taken all of it.
    ASSERT_TRUE(ws.WaitFor([&] { return ws.status.NumberOutput == 1; })) << ws.Tail();
    EXPECT_EQ(ws.status.HandedOverFile, "0130q001");

    // What MenuCloseClick does.
    ws.status.CloseCountdown = ws.exchange.StopForExit() ? 10 : 1;
    EXPECT_EQ(ws.status.CloseCountdown, 10);
    ASSERT_TRUE(ws.WaitFor([&] { return ws.host.closes > 0; })) << ws.Tail();
    EXPECT_TRUE(ws.Filed("out/0130/0130q001.001")) << ws.Tail();
    EXPECT_TRUE(ws.status.HandedOverFile.isEmpty());
    EXPECT_TRUE(ws.Events().contains("РЕЖИМ: БА")) << "the centre was stopped all the same";
    const QByteArray status = centre.Status();
    EXPECT_TRUE(status.contains("accepted=001")) << status.toStdString();
}

// The line breaks while a telegram waits in its send text: the next
// connection throws that text away. Nothing is counted, the file waits under
// its own name and goes out again, with the same number, and the counters
// stay in step.
TEST_F(HandOverTest, ALinkThatBreaksBeforeTheTelegramWentCountsNothing) {
    LoopbackServer centre;
    TWorkstation ws;
    ws.Start(centre.Port());
    ASSERT_TRUE(centre.Accept());
    centre.Send(WideToLine(QStringLiteral("ЗЦЗЦ СВЯЗЬ ОТКРЫТА НННН  \r\n")));
    ASSERT_TRUE(ws.WaitOpen()) << ws.Tail();

    // The line thread is held right after it has handed a received block
    // over, before its next pass: the telegram started meanwhile cannot
    // leave before the link breaks.
    std::atomic<int> hold{0};  // 1: held, 2: let go
    QObject probe;
    QObject::connect(
        &ws.line, &CTlgClient::OnReceive, &probe,
        [&](CTlgClient*) {
            int armed = 0;
            if (!hold.compare_exchange_strong(armed, 1))
                return;
            const QDeadlineTimer ceiling(kCeilingMs);
            while (hold == 1 && !ceiling.hasExpired())
                QThread::yieldCurrentThread();
        },
        Qt::DirectConnection);
    centre.Send("   ");
    ASSERT_TRUE(ws.WaitFor([&] { return hold == 1; }));
    ws.Put("0130q001", QStringLiteral("ПОСЛЕ ОБРЫВА"));
    ASSERT_TRUE(ws.exchange.Queue().ScanNow());
    EXPECT_TRUE(ws.exchange.Queue().OnItsWay());
    centre.CloseConnection();
    hold = 2;

    // The line's events run while the centre waits for the new connection.
    ASSERT_TRUE(ws.WaitFor([&] { return centre.Accept(1); })) << ws.Tail();
    ASSERT_TRUE(ws.WaitFor([&] { return !ws.exchange.Queue().IsSending(); })) << ws.Tail();
    EXPECT_EQ(ws.status.NumberOutput, 0);
    EXPECT_TRUE(ws.Events().contains("ПЕРЕДАЧА ТЛГ ПРЕРВАНА: out/0130q001")) << ws.Tail();
    EXPECT_FALSE(ws.Events().contains("ТЛГ ПЕРЕДАНА В ЛИНИЮ ")) << ws.Tail();
    EXPECT_EQ(TWorkstation::Files("out"), QStringList{"0130q001"});

    // The new connection: open, and the telegram goes out again as 001.
    centre.Send(WideToLine(QStringLiteral("ЗЦЗЦ СВЯЗЬ ОТКРЫТА НННН  \r\n")));
    const QByteArray frame = WideToLine(QStringLiteral("ЗЦЗЦ 001 ПОСЛЕ ОБРЫВА\r\nНННН  "));
    QByteArray received;
    ASSERT_TRUE(ws.WaitFor([&] {
        received += centre.Read(1, 1);
        return received.contains(frame);
    })) << ws.Tail();
    ASSERT_TRUE(ws.WaitFor([&] { return ws.status.NumberOutput == 1; })) << ws.Tail();
    centre.Send(WideToLine(QStringLiteral("ЗЦЗЦ ВАШ 001 НАШ 000 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА НННН  ")));
    ASSERT_TRUE(ws.WaitFor([&] { return ws.Filed("out/0130/0130q001.001"); })) << ws.Tail();
    EXPECT_TRUE(ws.status.Automatic) << "the counters agree";
}

// The line has taken a telegram whole, and the link breaks before the
// centre's report. Whether the telegram reached the centre, only its count
// after the reconnect can tell: its number files it; the number before it
// sends it again, with the same number. Neither ends automatic work.
TEST_F(HandOverTest, ALinkThatBreaksBeforeTheReportLeavesItToTheCentresCount) {
    const QByteArray open = WideToLine(QStringLiteral("ЗЦЗЦ СВЯЗЬ ОТКРЫТА НННН  \r\n"));
    const QByteArray frame = WideToLine(QStringLiteral("ЗЦЗЦ 001 ДО ОБРЫВА\r\nНННН  \r\n"));
    const QByteArray ask = WideToLine(QStringLiteral("|ЗЗ "));
    for (const bool arrived : {true, false}) {
        SCOPED_TRACE(arrived ? "the centre has it" : "the centre lost it");
        TestHome run;
        const ScopedCurrentFolder current(run.path());
        LoopbackServer centre;
        TWorkstation ws;
        ws.config.ZZTimeOut = 600;  // the report comes only after the break
        ws.Start(centre.Port());
        ASSERT_TRUE(ws.WaitFor([&] { return centre.Accept(1); }));
        centre.Send(open);
        ASSERT_TRUE(ws.WaitOpen()) << ws.Tail();
        ws.Put("0130q001", QStringLiteral("ДО ОБРЫВА"));
        ws.exchange.Queue().SetScanCountdown(0);
        QByteArray received;
        ASSERT_TRUE(ws.WaitFor([&] {
            received += centre.Read(1, 1);
            return received.contains(frame) && ws.status.NumberOutput == 1;
        })) << ws.Tail();
        centre.CloseConnection();

        ASSERT_TRUE(ws.WaitFor([&] { return centre.Accept(1); })) << ws.Tail();
        centre.Send(open);
        // Asked at once on the new connection.
        received.clear();
        ASSERT_TRUE(ws.WaitFor([&] {
            received += centre.Read(1, 1);
            return received.contains(ask);
        })) << ws.Tail();
        centre.Send(WideToLine(arrived ? QStringLiteral("ЗЦЗЦ ВАШ 001 НАШ 000 НННН  ")
                                       : QStringLiteral("ЗЦЗЦ ВАШ 000 НАШ 000 НННН  ")));
        if (!arrived) {
            received.clear();
            ASSERT_TRUE(ws.WaitFor([&] {
                received += centre.Read(1, 1);
                return received.contains(frame) && ws.status.NumberOutput == 1;
            })) << ws.Tail();
            EXPECT_TRUE(ws.Events().contains("ПЕРЕДАЧА ТЛГ ПРЕРВАНА: out/0130q001")) << ws.Tail();
            centre.Send(WideToLine(QStringLiteral("ЗЦЗЦ ВАШ 001 НАШ 000 НННН  ")));
        }
        ASSERT_TRUE(ws.WaitFor([&] { return ws.Filed("out/0130/0130q001.001"); })) << ws.Tail();
        EXPECT_EQ(ws.status.NumberOutput, 1);
        EXPECT_TRUE(ws.status.Automatic) << ws.Tail();
        EXPECT_EQ(TWorkstation::Files("out"), QStringList()) << "nothing set aside";
        EXPECT_EQ(ws.Events().count("ТЛГ ПЕРЕДАНА В ЛИНИЮ "), arrived ? 1 : 2) << ws.Tail();
    }
}

// A handler that runs an event loop of its own (as a message box that waits
// for the operator would) while the centre's telegrams come in bursts: the
// one-second tick that runs in that loop must not cut into the telegram
// being handled. Every telegram is filed whole, with its own trailer.
TEST_F(HandOverTest, ANestedEventLoopInAHandlerCutsIntoNoTelegram) {
    LoopbackServer centre;
    TWorkstation ws;
    ws.config.ReSendEnable = true;
    ws.config.ReSendHeader = QStringLiteral("П141911");
    int nested = 0;
    ws.host.whileForwarding = [&] {
        ++nested;
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
    };
    ws.Start(centre.Port());
    ASSERT_TRUE(ws.WaitFor([&] { return centre.Accept(1); }));
    centre.Send(WideToLine(QStringLiteral("ЗЦЗЦ СВЯЗЬ ОТКРЫТА НННН  \r\n")));
    constexpr int kCount = 20;
    for (int burst = 0; burst < kCount / 5; ++burst) {
        LineText text;
        for (int n = burst * 5 + 1; n <= burst * 5 + 5; ++n)
            text += WideToLine(QStringLiteral("ЗЦЗЦ %1 ПМ12 141911 7 12 1430\r\nТЕКСТ %1\r\n"
                                              "НННН  0130 14.30 %2\r\n")
                                   .arg(n, 3, 10, QLatin1Char('0'))
                                   .arg(n, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(centre.Send(text));
    }
    ASSERT_TRUE(ws.WaitFor([&] {
        return ws.status.NumberInput == kCount && ws.exchange.NotesCountdown() == 0;
    })) << ws.status.NumberInput
        << "\n"
        << ws.Tail();
    EXPECT_GT(nested, 0);
    for (int n = 1; n <= kCount; ++n) {
        const QString name = QStringLiteral("inp/0130/0130u911.%1").arg(n, 3, 10, QLatin1Char('0'));
        EXPECT_EQ(Read(name), QStringLiteral("ЗЦЗЦ %1 ПМ12 141911 7 12 1430\r\nТЕКСТ %1\r\n"
                                             "НННН  0130 14.30 %2")
                                  .arg(n, 3, 10, QLatin1Char('0'))
                                  .arg(n, 4, 10, QLatin1Char('0')))
            << name.toStdString();
    }
    EXPECT_TRUE(TWorkstation::Files("inp/0130").filter(".rcv").isEmpty()) << "none left open";
}

}  // namespace
