#include "commands.h"
#include "line/tcpip.h"
#include "recorder.h"
#include "support/ckssimprocess.h"
#include "support/loopback.h"
#include "support/testhome.h"
#include "transcript.h"
#include "util/linecode.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

// ------------------------------------------------------ command language

TEST(CkssimCommands, ParsesTheCommandLanguage) {
    const struct {
        const char* line;
        TCommand::Kind kind;
        qint64 number;
        int timeoutMs;
    } cases[] = {
        {"", TCommand::None, 0, 0},
        {"   # a comment", TCommand::None, 0, 0},
        {"wait connect", TCommand::WaitConnect, 0, kDefaultWaitTimeoutMs},
        {"wait disconnect 500", TCommand::WaitDisconnect, 0, 500},
        {"wait bytes 12 500", TCommand::WaitBytes, 12, 500},
        {"wait urgent 2", TCommand::WaitUrgent, 2, kDefaultWaitTimeoutMs},
        {"keepalive off", TCommand::Keepalive, -1, 0},
        {"keepalive 0", TCommand::Keepalive, 0, 0},
        {"urgent 0x7f", TCommand::Urgent, 127, 0},
        {"SLEEP 20\r", TCommand::Sleep, 20, 0},
        {"drop", TCommand::Drop, 0, 0},
        {"quit", TCommand::Quit, 0, 0},
    };
    for (const auto& c : cases) {
        TCommand command;
        QString error;
        ASSERT_TRUE(ParseCommand(QString::fromUtf8(c.line), command, &error))
            << c.line << ": " << error.toStdString();
        EXPECT_EQ(command.kind, c.kind) << c.line;
        EXPECT_EQ(command.number, c.number) << c.line;
        EXPECT_EQ(command.timeoutMs, c.timeoutMs) << c.line;
    }
}

TEST(CkssimCommands, KeepsTextsAsWritten) {
    TCommand command;
    ASSERT_TRUE(ParseCommand(QStringLiteral("send ЗЦЗЦ 001<>НННН  "), command, nullptr));
    EXPECT_EQ(command.kind, TCommand::Send);
    EXPECT_EQ(command.text, QStringLiteral("ЗЦЗЦ 001<>НННН  "));
    ASSERT_TRUE(ParseCommand(QStringLiteral("sendhex 0d 0A ff"), command, nullptr));
    EXPECT_EQ(command.bytes, QByteArray("\r\n\xFF"));
    ASSERT_TRUE(ParseCommand(QStringLiteral("keepalive 3 250"), command, nullptr));
    EXPECT_EQ(command.number, 3);
    EXPECT_EQ(command.everyMs, 250);
    ASSERT_TRUE(ParseCommand(QStringLiteral("sendfile /tmp/a b.txt"), command, nullptr));
    EXPECT_EQ(command.text, QStringLiteral("/tmp/a b.txt"));
}

TEST(CkssimCommands, RejectsMalformedLines) {
    for (const char* line : {"bogus", "urgent 256", "urgent", "wait bytes", "wait forever",
                             "wait connect 10 20", "sendhex 0", "sendhex zz", "drop now",
                             "keepalive", "keepalive 3 0", "sleep", "sendfile"}) {
        TCommand command;
        QString error;
        EXPECT_FALSE(ParseCommand(QString::fromUtf8(line), command, &error)) << line;
        EXPECT_FALSE(error.isEmpty()) << line;
    }
}

TEST(CkssimTranscript, KeepsLineCodeExactlyAndReadsBack) {
    TestHome home;
    const QByteArray binary("\x8F\x90\r\n\nRX 3\n\x00\xFF", 11);
    {
        TTranscript t;
        ASSERT_TRUE(t.Open(home.file(QStringLiteral("t.txt"))));
        t.Event(QStringLiteral("CONNECT"), QStringLiteral("127.0.0.1:5000"));
        t.Data(QStringLiteral("RX"), binary);
        t.Data(QStringLiteral("TX"), QByteArray("OUT"));
        t.Data(QStringLiteral("RX"), QByteArray("\r\n"));
        t.Event(QStringLiteral("OOB"), QStringLiteral("03"));
    }
    const QByteArray bytes = ReadFileOrMissing(home.file(QStringLiteral("t.txt")));
    const auto records = TTranscript::Parse(bytes);
    ASSERT_EQ(records.size(), 5);
    EXPECT_EQ(records[0].kind, QStringLiteral("CONNECT"));
    EXPECT_EQ(records[0].detail, QStringLiteral("127.0.0.1:5000"));
    EXPECT_EQ(records[1].payload, binary);
    EXPECT_EQ(records[4].kind, QStringLiteral("OOB"));
    EXPECT_EQ(TTranscript::Payload(bytes, QStringLiteral("RX")), binary + "\r\n");
    EXPECT_EQ(TTranscript::Payload(bytes, QStringLiteral("TX")), QByteArray("OUT"));
    EXPECT_TRUE(TTranscript::Readable(bytes).contains(QStringLiteral("ПР<>")));
}

// ------------------------------------------------------------ the program

TEST(CkssimEndToEnd, CarriesTextBothWaysEchoesTheKeepaliveAndDrops) {
    TestHome home;
    const QString transcript = home.file(QStringLiteral("centre.txt"));
    CkssimProcess sim;
    ASSERT_TRUE(sim.Start({QStringLiteral("-t"), transcript, QStringLiteral("-k"),
                           QStringLiteral("5"), QStringLiteral("-e"), QStringLiteral("100")}));
    TLinkTimings timings = FastTimings();
    timings.idleSleepMs = 50;  // the real pace, so the keepalive of 5 s holds easily
    LinkRecorder rec;
    auto client = MakeClient(rec, timings);
    client->SetTcp(kLoopbackHost, sim.Port(), QString(), 0);
    ASSERT_TRUE(rec.WaitStatus(QStringLiteral("Connect ") + Endpoint(sim.Port())));
    ASSERT_TRUE(sim.WaitOutput("CONNECTED"));

    sim.Command(QStringLiteral("send ЗЦЗЦ 001<>ПРОВЕРКА<>"));
    const LineText fromCentre = LineLiteral(u"ЗЦЗЦ 001\r\nПРОВЕРКА\r\n");
    EXPECT_TRUE(WaitUntil([&] { return rec.received == fromCentre; }));

    const LineText toCentre = LineLiteral(u"|ЗЦЗЦ КС ВАШ 001=000 НННН  ");
    client->AppendSend(toCentre);
    EXPECT_TRUE(WaitUntil([&] {
        return TTranscript::Payload(ReadFileBytes(transcript), QStringLiteral("RX")) == toCentre;
    }));

    // The centre's keepalive comes back as an urgent byte of the same value.
    EXPECT_TRUE(WaitUntil([&] {
        for (const auto& r : TTranscript::Parse(ReadFileBytes(transcript)))
            if (r.kind == QLatin1String("OOB") && r.detail == QLatin1String("05"))
                return true;
        return false;
    }));
    EXPECT_TRUE(WaitUntil([&] { return client->OobSecondsLeft() > 0; }));

    sim.Command(QStringLiteral("show"));
    EXPECT_TRUE(sim.WaitOutput(QStringLiteral("|ЗЦЗЦ КС ВАШ 001=000 НННН  ").toUtf8()));

    sim.Command(QStringLiteral("drop"));
    ASSERT_TRUE(rec.WaitStatus(QStringLiteral("Error TCP Read. Disconnect.")));
    client.reset();
    sim.Command(QStringLiteral("quit"));
    EXPECT_EQ(sim.WaitExit(), 0);
}

TEST(CkssimEndToEnd, RunsAScript) {
    TestHome home;
    const QString transcript = home.file(QStringLiteral("centre.txt"));
    home.write(QStringLiteral("script.txt"), QStringLiteral("# greeting and goodbye\n"
                                                            "wait connect 10000\n"
                                                            "send ЗДРАВСТВУЙТЕ<>\n"
                                                            "wait bytes 4 10000\n"
                                                            "drop\n")
                                                 .toUtf8());
    CkssimProcess sim;
    ASSERT_TRUE(
        sim.Start({QStringLiteral("-t"), transcript, QStringLiteral("-k"), QStringLiteral("off"),
                   QStringLiteral("-s"), home.file(QStringLiteral("script.txt"))}));
    LinkRecorder rec;
    auto client = MakeClient(rec);
    client->SetTcp(kLoopbackHost, sim.Port(), QString(), 0);
    ASSERT_TRUE(WaitUntil([&] { return rec.received == LineLiteral(u"ЗДРАВСТВУЙТЕ\r\n"); }));
    client->AppendSend("ABCD");
    ASSERT_TRUE(rec.WaitStatus(QStringLiteral("Error TCP Read. Disconnect.")));
    EXPECT_EQ(sim.WaitExit(), 0);
    const QByteArray bytes = ReadFileBytes(transcript);
    EXPECT_EQ(TTranscript::Payload(bytes, QStringLiteral("RX")), QByteArray("ABCD"));
    for (const auto& r : TTranscript::Parse(bytes)) {
        EXPECT_NE(r.kind, QStringLiteral("URGENT"));
        EXPECT_NE(r.kind, QStringLiteral("OOB"));
    }
}

TEST(CkssimEndToEnd, AFailingScriptEndsWithItsExitCode) {
    const struct {
        const char* script;
        int exitCode;
    } cases[] = {{"bogus\n", 2}, {"send ТЕКСТ\n", 2}, {"wait connect 50\n", 3}, {"sleep 1\n", 0}};
    for (const auto& c : cases) {
        TestHome home;
        home.write(QStringLiteral("script.txt"), c.script);
        CkssimProcess sim;
        ASSERT_TRUE(sim.Start({QStringLiteral("-t"), home.file(QStringLiteral("t.txt")),
                               QStringLiteral("-q"), QStringLiteral("-s"),
                               home.file(QStringLiteral("script.txt"))}));
        EXPECT_EQ(sim.WaitExit(), c.exitCode) << c.script;
    }
}

TEST(CkssimEndToEnd, ANewWorkstationReplacesTheOldOne) {
    TestHome home;
    const QString transcript = home.file(QStringLiteral("centre.txt"));
    CkssimProcess sim;
    ASSERT_TRUE(
        sim.Start({QStringLiteral("-t"), transcript, QStringLiteral("-k"), QStringLiteral("off")}));
    CTcpIpClient first;
    ASSERT_TRUE(first.Connect(kLoopbackHost, sim.Port()));
    ASSERT_TRUE(sim.WaitOutput("CONNECTED"));
    CTcpIpClient second;
    ASSERT_TRUE(second.Connect(kLoopbackHost, sim.Port()));
    ASSERT_TRUE(sim.WaitOutput("DISCONNECTED replaced by a new connection"));
    ASSERT_TRUE(WaitUntil([&] { return first.WaitReadable(); }));
    char buffer[8];
    EXPECT_EQ(first.Receive(buffer, sizeof buffer), 0);
    sim.Command(QStringLiteral("send OK"));
    ASSERT_TRUE(WaitUntil([&] { return second.WaitReadable(); }));
    EXPECT_EQ(second.Receive(buffer, sizeof buffer), 2);
    sim.Command(QStringLiteral("quit"));
    EXPECT_EQ(sim.WaitExit(), 0);
}

}  // namespace
