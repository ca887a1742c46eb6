// The training centre as a program, over loopback, against a workstation
// played byte for byte by the test.

#include "exchange/matchpattern.h"
#include "line/tcpip.h"
#include "support/centrecuts.h"
#include "support/ckssimprocess.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/testhome.h"
#include "transcript.h"
#include "util/linecode.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

// The workstation's end: what it sends, and the centre's messages as it
// cuts them from the stream ("ЗЦЗЦ " body "НННН  ", plus what follows).
class Workstation {
public:
    bool Connect(int port) { return socket_.Connect(kLoopbackHost, port); }
    bool Send(const LineText& bytes) {
        return socket_.Send(bytes.constData(), int(bytes.size())) == bytes.size();
    }

    // Waits until the centre has sent count messages in all; false when it
    // did not, or closed the connection first.
    bool WaitMessages(int count) {
        return WaitUntil([&] {
            Read();
            return CutMessages(stream_).size() >= count;
        });
    }
    bool WaitClosed() {
        return WaitUntil([&] {
            Read();
            return closed_;
        });
    }
    QString Body(int index) const { return LineToWide(CutMessages(stream_).value(index).body); }
    // What follows the message index, up to the next one.
    LineText After(int index) const { return CutMessages(stream_).value(index).after; }

private:
    void Read() {
        while (!closed_ && socket_.WaitReadable()) {
            char buffer[4096];
            const int n = socket_.Receive(buffer, sizeof buffer);
            if (n <= 0) {
                closed_ = true;
                break;
            }
            stream_.append(buffer, n);
        }
    }

    CTcpIpClient socket_;
    LineText stream_;
    bool closed_ = false;
};

TEST(CkssimCentreEndToEnd, PlaysTheCentreThroughAnExchange) {
    TestHome home;
    const QString transcript = home.file(QStringLiteral("centre.txt"));
    CkssimProcess sim;
    ASSERT_TRUE(
        sim.Start({QStringLiteral("-t"), transcript, QStringLiteral("-k"), QStringLiteral("off"),
                   QStringLiteral("--auto-open"), QStringLiteral("--ccm"), QStringLiteral("0"),
                   QStringLiteral("--receipts"), QStringLiteral("--clock-stamps"),
                   QStringLiteral("--start-time"), QStringLiteral("2026-01-30 14:30")}));
    Workstation ws;
    ASSERT_TRUE(ws.Connect(sim.Port()));

    ASSERT_TRUE(ws.WaitMessages(1));
    EXPECT_EQ(ws.Body(0), QStringLiteral("ОТКРОЙТЕ СВЯЗЬ "));
    // A clock stamp of centre type 0: "#hhmm".
    EXPECT_TRUE(ws.After(0).startsWith("#14")) << ws.After(0).toStdString();
    EXPECT_EQ(ws.After(0).size(), 7);

    ASSERT_TRUE(ws.Send(kKg0));
    ASSERT_TRUE(ws.WaitMessages(2));
    EXPECT_EQ(ws.Body(1), QStringLiteral("ВАШ 000 НАШ 000 ПОСЛЕДНИЕ ОТКРОЙТЕ СВЯЗЬ "));
    ASSERT_TRUE(ws.Send(Kg1(0)));
    ASSERT_TRUE(ws.WaitMessages(3));
    EXPECT_EQ(ws.Body(2), QStringLiteral("ВАШ 000 НАШ 000 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА "));

    // A telegram of the centre, with its trailer and a receipt of type 0.
    sim.Command(QStringLiteral("telegram ОБ9 141911 2<>ПРОВЕРКА СВЯЗИ"));
    ASSERT_TRUE(ws.WaitMessages(4));
    EXPECT_EQ(ws.Body(3), QStringLiteral("001 ОБ9 141911 2\r\nПРОВЕРКА СВЯЗИ\r\n"));
    const LineText after = ws.After(3);
    LineText day, hh, mm, nn;
    EXPECT_EQ(MatchPattern("%4D %2D.%2D %4D", after, &day, &hh, &mm, &nn), 4);
    EXPECT_EQ(day, QByteArray("0130"));
    EXPECT_EQ(nn, QByteArray("0001"));
    EXPECT_TRUE(after.contains("\r\n-------------\r\n" + L(u"Р А С П И С К А") + "\r\n001 0130 "));
    EXPECT_TRUE(after.endsWith("-------------\r\n"));

    // A telegram of the workstation is counted; the report says so.
    ASSERT_TRUE(ws.Send("\r\n" + L(u"ЗЦЗЦ 001 ОБ1 141911 1") + "\r\n" + L(u"ТЕКСТ") + "\r\n" +
                        L(u"НННН  ") + "\r\n" + kKg0));
    ASSERT_TRUE(ws.WaitMessages(5));
    EXPECT_EQ(ws.Body(4), QStringLiteral("ВАШ 001 НАШ 001 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА "));

    sim.Command(QStringLiteral("fault mismatch"));
    sim.Command(QStringLiteral("status"));
    ASSERT_TRUE(sim.WaitOutput("faults=mismatch -1 0"));
    ASSERT_TRUE(ws.Send(kKg0));
    ASSERT_TRUE(ws.WaitMessages(6));
    EXPECT_EQ(ws.Body(5), QStringLiteral("ВАШ 000 НАШ 001 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА "));

    ASSERT_TRUE(ws.Send("\r\n" + L(u"ЗЦЗЦ ССС 141911 ПРОВЕРКА") + "\r\n" + L(u"НННН  ") + "\r\n"));
    ASSERT_TRUE(ws.WaitMessages(7));
    EXPECT_EQ(ws.Body(6), QStringLiteral("ССС ПРИНЯТО "));
    ASSERT_TRUE(ws.Send(L(u"|ЗЦЗЦ КС СТОП НННН  ")));
    ASSERT_TRUE(ws.WaitMessages(8));
    EXPECT_EQ(ws.Body(7), QStringLiteral("СВЯЗЬ БА "));

    sim.Command(QStringLiteral("status"));
    ASSERT_TRUE(
        sim.WaitOutput("channel=БА accepted=001 sent=001 total-accepted=1 total-sent=1 "
                       "service=1"));
    sim.Command(QStringLiteral("fault drop"));
    EXPECT_TRUE(ws.WaitClosed());
    sim.Command(QStringLiteral("quit"));
    EXPECT_EQ(sim.WaitExit(), 0);

    const QByteArray bytes = ReadFileBytes(transcript);
    QStringList events;
    for (const auto& r : TTranscript::Parse(bytes))
        if (r.kind == QLatin1String("CENTRE"))
            events << r.detail;
    EXPECT_TRUE(events.contains(QStringLiteral("IN TELEGRAM 001 accepted")));
    EXPECT_TRUE(events.contains(QStringLiteral("OUT TELEGRAM 001")));
    EXPECT_TRUE(events.contains(QStringLiteral("STATE РБ")));
}

TEST(CkssimCentreEndToEnd, AScriptRunsTheCentreThroughItsMidnightOnAFastClock) {
    TestHome home;
    home.write(QStringLiteral("day.script"), R"(wait connect 10000
wait state РБ 10000
telegram
wait sent 1 10000
speed 600
wait time 23:56 20000
telegram
wait time 00:01 20000
wait sent 2 20000
# КГ0 and КГ1 000 at the start, КГ1 001 after the numbering change
wait bytes 58 20000
status
)");
    CkssimProcess sim;
    ASSERT_TRUE(
        sim.Start({QStringLiteral("-t"), home.file(QStringLiteral("t.txt")), QStringLiteral("-k"),
                   QStringLiteral("off"), QStringLiteral("--auto-open"),
                   QStringLiteral("--start-time"), QStringLiteral("2026-01-30 23:50"),
                   QStringLiteral("-s"), home.file(QStringLiteral("day.script"))}));
    Workstation ws;
    ASSERT_TRUE(ws.Connect(sim.Port()));
    ASSERT_TRUE(ws.WaitMessages(1));
    ASSERT_TRUE(ws.Send(kKg0 + Kg1(0)));
    ASSERT_TRUE(ws.WaitMessages(4));  // ОТКРОЙТЕ, two reports, telegram 001
    EXPECT_TRUE(ws.Body(3).startsWith(QStringLiteral("#001 ОБ1 141911 ")));

    ASSERT_TRUE(ws.WaitMessages(6));
    EXPECT_EQ(ws.Body(4), QStringLiteral("ЗАПРОСИТЕ КВИТАНЦИЮ СМЕНА НУМЕРАЦИИ В 00.00 "));
    EXPECT_EQ(ws.Body(5), QStringLiteral("СМЕНА НУМЕРАЦИИ ПРИН 0000 ПЕР 0001 С 31.01 "));
    // The workstation answers with its old count; the new day starts at 001.
    ASSERT_TRUE(ws.Send(Kg1(1)));
    ASSERT_TRUE(ws.WaitMessages(8));
    QStringList rest = {ws.Body(6), ws.Body(7)};
    rest.sort();
    EXPECT_TRUE(rest[0].startsWith(QStringLiteral("#001 ОБ1 141911 "))) << rest[0].toStdString();
    // Answered at once, before the telegram; or, had the answer come after
    // the centre stopped waiting for it, after.
    EXPECT_TRUE(rest[1] == QStringLiteral("ВАШ 000 НАШ 000 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА ") ||
                rest[1] == QStringLiteral("ВАШ 000 НАШ 001 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА "))
        << rest[1].toStdString();
    EXPECT_EQ(sim.WaitExit(), 0);
    EXPECT_TRUE(sim.Output().contains("sent=001 total-accepted=0 total-sent=2"))
        << sim.Output().toStdString();
}

}  // namespace
