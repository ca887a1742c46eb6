#include "line/tlgclient.h"
#include "recorder.h"
#include "support/loopback.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>

namespace {

QString ConnectText(int port) {
    return QStringLiteral("Connect ") + Endpoint(port);
}

QString ConnectErrorText(int port) {
    return QStringLiteral("Error TCP connect ") + Endpoint(port) + QLatin1Char('.');
}

const QString kReadError = QStringLiteral("Error TCP Read. Disconnect.");
const QString kOobTimeout = QStringLiteral("Timeout OOB. Disconnect.");

QStringList Texts(const LinkRecorder& rec) {
    QStringList texts;
    for (const auto& s : rec.statuses)
        texts << s.text;
    return texts;
}

// A connected client and the server end of its connection.
struct Link {
    LinkRecorder rec;
    LoopbackServer server;
    std::unique_ptr<CTlgClient> client;

    explicit Link(const TLinkTimings& timings = FastTimings()) {
        client = MakeClient(rec, timings);
        client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
    }
    bool Up() { return rec.WaitStatus(ConnectText(server.Port())) && server.Accept(); }
    ~Link() { client.reset(); }
};

TEST(TlgClient, ConnectIsReportedWithTheServer) {
    Link link;
    const int port = link.server.Port();
    EXPECT_EQ(link.client->ConnectionLabel(), QStringLiteral("TCP/IP ") + Endpoint(port));
    ASSERT_TRUE(link.Up());
    const auto& s = link.rec.statuses.first();
    EXPECT_EQ(s.text, ConnectText(port));
    EXPECT_EQ(s.line, ConnectText(port));
    EXPECT_TRUE(s.connected);
    EXPECT_TRUE(link.client->IsConnected());
    EXPECT_TRUE(link.client->TcpMode());
}

TEST(TlgClient, ConnectFailuresAreReportedOncePerRunWithGrowingWaits) {
    LoopbackServer closed(false);
    LinkRecorder rec;
    auto client = MakeClient(rec);
    client->SetTcp(kLoopbackHost, closed.Port(), QString(), 0);
    const int waits[] = {20, 30, 40, 50, 60, 10, 20};
    ASSERT_TRUE(rec.WaitStatuses(7));
    for (int i = 0; i < 7; ++i) {
        const auto& s = rec.statuses[i];
        const QString suffix = QStringLiteral(" ОЖИДАНИЕ %1 сек").arg(waits[i]);
        EXPECT_EQ(s.text, i == 0 ? ConnectErrorText(closed.Port()) : QString()) << i;
        EXPECT_EQ(s.line, s.text + suffix) << i;
        EXPECT_FALSE(s.connected);
    }
    EXPECT_EQ(rec.statuses[1].line, QStringLiteral(" ОЖИДАНИЕ 30 сек"));
    EXPECT_EQ(client->LastStatusCode(), CTlgClient::kStatusTcpConnect);
}

TEST(TlgClient, ASuccessInBetweenMakesTheFailureReportedAgain) {
    LoopbackServer server(false);
    LinkRecorder rec;
    auto client = MakeClient(rec);
    rec.onStatus = [&](CTlgClient&, const LinkRecorder::Status& s) {
        if (rec.statuses.size() == 1)
            server.Listen();
        if (s.text == ConnectText(server.Port())) {
            // Let the connection break and the port refuse from now on.
            server.Accept();
            server.StopListening();
            server.CloseConnection();
        }
    };
    client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
    ASSERT_TRUE(rec.WaitStatuses(4));
    const QStringList expected = {ConnectErrorText(server.Port()), ConnectText(server.Port()),
                                  kReadError, ConnectErrorText(server.Port())};
    EXPECT_EQ(Texts(rec).mid(0, 4), expected);
    EXPECT_EQ(rec.statuses[2].line, kReadError + QStringLiteral(" ОЖИДАНИЕ 10 сек"));
    EXPECT_FALSE(rec.statuses[2].connected);
}

TEST(TlgClient, FailedConnectsAlternateWithTheReserveServer) {
    LoopbackServer first(false);
    LoopbackServer reserve(false);
    LinkRecorder rec;
    auto client = MakeClient(rec);
    rec.onStatus = [&](CTlgClient&, const LinkRecorder::Status& s) {
        if (s.text == ConnectErrorText(first.Port()))
            reserve.Listen();
        if (s.text == ConnectText(reserve.Port())) {
            // From now on only the first server answers.
            reserve.Accept();
            reserve.StopListening();
            first.Listen();
            reserve.CloseConnection();
        }
    };
    client->SetTcp(kLoopbackHost, first.Port(), kLoopbackHost, reserve.Port());
    ASSERT_TRUE(rec.WaitStatus(ConnectText(first.Port())));
    const QStringList expected = {ConnectErrorText(first.Port()), ConnectText(reserve.Port()),
                                  kReadError, ConnectErrorText(reserve.Port()),
                                  ConnectText(first.Port())};
    EXPECT_EQ(Texts(rec), expected);
    EXPECT_EQ(client->ConnectionLabel(), QStringLiteral("TCP/IP ") + Endpoint(first.Port()));
}

TEST(TlgClient, NoAlternationWithoutACompleteReserveServer) {
    LoopbackServer other;
    const struct {
        QString host2;
        int port2;
    } cases[] = {{kLoopbackHost, 0}, {QString(), other.Port()}};
    for (const auto& c : cases) {
        LoopbackServer first(false);
        LinkRecorder rec;
        auto client = MakeClient(rec);
        rec.onStatus = [&](CTlgClient&, const LinkRecorder::Status&) {
            if (rec.statuses.size() == 1)
                first.Listen();
        };
        client->SetTcp(kLoopbackHost, first.Port(), c.host2, c.port2);
        ASSERT_TRUE(rec.WaitStatuses(2));
        EXPECT_EQ(rec.statuses[1].text, ConnectText(first.Port())) << c.host2.toStdString();
    }
}

TEST(TlgClient, SetTcpDuringAWaitRetriesAtOnceWithTheFirstServer) {
    TLinkTimings timings = FastTimings();
    timings.secondMs = 600000;  // a wait that would outlast any test
    LoopbackServer first(false);
    LoopbackServer reserve(false);
    LinkRecorder rec;
    auto client = MakeClient(rec, timings);
    client->SetTcp(kLoopbackHost, first.Port(), kLoopbackHost, reserve.Port());
    ASSERT_TRUE(rec.WaitStatuses(1));
    EXPECT_EQ(rec.statuses[0].waitSeconds, 20);
    // The failure turned the next attempt to the reserve server; new settings
    // undo that.
    first.Listen();
    client->SetTcp(kLoopbackHost, first.Port(), kLoopbackHost, reserve.Port());
    ASSERT_TRUE(rec.WaitStatuses(2));
    EXPECT_EQ(rec.statuses[1].text, ConnectText(first.Port()));
    EXPECT_EQ(client->WaitSeconds(), 0);
}

TEST(TlgClient, NewSettingsMoveTheLinkToTheNewServer) {
    Link link;
    ASSERT_TRUE(link.Up());
    LoopbackServer other;
    link.client->SetTcp(kLoopbackHost, other.Port(), QString(), 0);
    EXPECT_EQ(link.client->ConnectionLabel(), QStringLiteral("TCP/IP ") + Endpoint(other.Port()));
    ASSERT_TRUE(link.rec.WaitStatus(ConnectText(other.Port())));
    EXPECT_TRUE(link.server.WaitPeerClosed());
    EXPECT_TRUE(other.Accept());
    EXPECT_EQ(link.rec.statuses.size(), 2);
}

TEST(TlgClient, ReceivedBlocksAreHandedOverUpToANul) {
    Link link;
    ASSERT_TRUE(link.Up());
    ASSERT_TRUE(link.server.Send(QByteArray("AB\0CD", 5)));
    ASSERT_TRUE(WaitUntil([&] { return link.rec.receiveEvents == 1; }));
    EXPECT_EQ(link.rec.received, QByteArray("AB"));
    ASSERT_TRUE(link.server.Send("EF\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return link.rec.received.size() >= 6; }));
    EXPECT_EQ(link.rec.received, QByteArray("ABEF\r\n"));
    EXPECT_EQ(link.rec.receiveEvents, 2);
}

QByteArray Pattern(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(0x20 + i % 91);
    return bytes;
}

TEST(TlgClient, LongTextGoesOutInBlocksOf1024) {
    Link link;
    ASSERT_TRUE(link.Up());
    const QByteArray text = Pattern(2500);
    link.client->AppendSend(text);
    ASSERT_TRUE(WaitUntil([&] { return link.rec.sent.size() >= 3; }));
    ASSERT_EQ(link.rec.sent.size(), 3);
    const int sizes[] = {1024, 1024, 452};
    const bool pending[] = {true, true, false};
    QByteArray joined;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(link.rec.sent[i].block.size(), sizes[i]);
        EXPECT_EQ(link.rec.sent[i].pending, pending[i]) << i;
        joined += link.rec.sent[i].block;
    }
    EXPECT_EQ(joined, text);
    EXPECT_EQ(link.server.Read(2500), text);
    EXPECT_FALSE(link.client->IsSendPending());
}

TEST(TlgClient, TextAppendedDuringABlockedSendGoesOutLater) {
    Link link;
    link.rec.onSent = [&](CTlgClient& client, const LinkRecorder::Sent&) {
        if (link.rec.sent.size() == 1)
            client.AppendSend("XYZ");
    };
    ASSERT_TRUE(link.Up());
    const QByteArray text = Pattern(2500);
    link.client->AppendSend(text);
    ASSERT_TRUE(WaitUntil([&] { return link.rec.sent.size() >= 4; }));
    const int sizes[] = {1024, 1024, 452, 3};
    const bool pending[] = {true, true, true, false};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(link.rec.sent[i].block.size(), sizes[i]) << i;
        EXPECT_EQ(link.rec.sent[i].pending, pending[i]) << i;
    }
    EXPECT_EQ(link.rec.sent[3].block, QByteArray("XYZ"));
    EXPECT_EQ(link.server.Read(2503), text + "XYZ");
}

TEST(TlgClient, ClearSendDuringABlockedSendLosesNoNewText) {
    Link link;
    link.rec.onSent = [&](CTlgClient& client, const LinkRecorder::Sent&) {
        if (link.rec.sent.size() == 1) {
            client.ClearSend();
            client.AppendSend("NEW");
        }
    };
    ASSERT_TRUE(link.Up());
    link.client->AppendSend(Pattern(2500));
    ASSERT_TRUE(WaitUntil([&] { return link.rec.sent.size() == 2; }));
    EXPECT_EQ(link.rec.sent[1].block, QByteArray("NEW"));
    EXPECT_FALSE(link.rec.sent[1].pending);
    // A marker behind it shows that nothing else went out in between.
    link.client->AppendSend("END");
    ASSERT_TRUE(WaitUntil([&] { return link.rec.sent.size() == 3; }));
    EXPECT_EQ(link.server.Read(1030), Pattern(1024) + "NEWEND");
}

// Every byte appended ends up written to the socket or thrown away, and the
// line can tell which: what the exchange counts a telegram by.
TEST(TlgClient, EveryByteOfTheSendTextIsWrittenOrThrownAway) {
    {
        SCOPED_TRACE("cleared between two blocks");
        Link link;
        link.rec.onSent = [&](CTlgClient& client, const LinkRecorder::Sent&) {
            if (link.rec.sent.size() == 1)
                client.ClearSend();
        };
        ASSERT_TRUE(link.Up());
        const SendPosition end = link.client->AppendSend(Pattern(2500));
        const SendPosition start = end - 2500;
        EXPECT_EQ(link.client->FateOf(start, end), SendFate::Waiting);
        ASSERT_TRUE(WaitUntil([&] { return !link.rec.sent.isEmpty(); }));
        EXPECT_EQ(link.client->FateOf(start, start + 1024), SendFate::Written);
        EXPECT_EQ(link.client->FateOf(start + 1024, end), SendFate::Discarded);
        EXPECT_EQ(link.client->FateOf(start, end), SendFate::Discarded);
        const SendPosition next = link.client->AppendSend("NEW");
        EXPECT_EQ(next, end + 3) << "positions go on after what was thrown away";
        ASSERT_TRUE(WaitUntil([&] { return link.rec.sent.size() == 2; }));
        EXPECT_EQ(link.client->FateOf(end, next), SendFate::Written);
    }
    {
        SCOPED_TRACE("cleared while a block is stuck in the socket, then the link breaks");
        LoopbackServer server(false);
        server.SetReceiveBuffer(4096);
        server.Listen();
        LinkRecorder rec;
        auto client = MakeClient(rec);
        client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
        ASSERT_TRUE(rec.WaitStatus(ConnectText(server.Port())));
        ASSERT_TRUE(server.Accept());  // and never reads
        const SendPosition end = client->AppendSend(QByteArray(16 * 1024 * 1024, 'x'));
        const SendPosition written = SendPosition(rec.WaitSendsStall()) * 1024;
        client->ClearSend();
        EXPECT_EQ(client->FateOf(0, written), SendFate::Written);
        EXPECT_EQ(client->FateOf(written, written + 1024), SendFate::Waiting)
            << "the block in the socket's hands is not thrown away by the clear";
        EXPECT_EQ(client->FateOf(written + 1024, end), SendFate::Discarded);
        server.CloseConnection();
        ASSERT_TRUE(rec.WaitStatus(QStringLiteral("Error TCP Send. Disconnect.")));
        EXPECT_EQ(client->FateOf(written, written + 1024), SendFate::Discarded);
    }
}

TEST(TlgClient, UrgentKeepaliveIsEchoedAndItsExpiryDropsTheLink) {
    Link link;
    ASSERT_TRUE(link.Up());
    const quint64 before = link.client->IdlePasses();
    ASSERT_TRUE(link.server.SendUrgent(0x03));
    EXPECT_EQ(link.server.ReceiveUrgent(), 0x03);
    ASSERT_TRUE(link.rec.WaitStatus(kOobTimeout));
    const auto& s = link.rec.statuses.last();
    EXPECT_EQ(s.line, kOobTimeout + QStringLiteral(" ОЖИДАНИЕ 10 сек"));
    EXPECT_FALSE(s.connected);
    // 60 passes without data, counted from the one that took the byte.
    EXPECT_GE(s.idlePasses, before + 59);
    EXPECT_TRUE(link.server.WaitPeerClosed());
}

TEST(TlgClient, ZeroOrNegativeKeepaliveStopsTheCountdown) {
    TLinkTimings timings = FastTimings();
    timings.idleSleepMs = 20;  // the running keepalive lasts 60 passes
    Link link(timings);
    ASSERT_TRUE(link.Up());
    for (const uint8_t stop : {uint8_t(0x00), uint8_t(0x80), uint8_t(0xFF)}) {
        ASSERT_TRUE(link.server.SendUrgent(0x03));
        ASSERT_EQ(link.server.ReceiveUrgent(), 0x03);
        ASSERT_TRUE(link.server.SendUrgent(stop));
        ASSERT_EQ(link.server.ReceiveUrgent(), stop);
        EXPECT_EQ(link.client->OobTicks(), int(int8_t(stop)) * 20);
        EXPECT_LE(link.client->OobSecondsLeft(), 0);
    }
    const quint64 passes = link.client->IdlePasses();
    ASSERT_TRUE(WaitUntil([&] { return link.client->IdlePasses() > passes + 80; }));
    EXPECT_EQ(link.rec.IndexOf(kOobTimeout), -1);
    EXPECT_TRUE(link.client->IsConnected());
}

TEST(TlgClient, ThePeerClosingIsAReadError) {
    Link link;
    ASSERT_TRUE(link.Up());
    link.server.CloseConnection();
    ASSERT_TRUE(link.rec.WaitStatus(kReadError));
    const auto& s = link.rec.statuses[link.rec.IndexOf(kReadError)];
    EXPECT_EQ(s.line, kReadError + QStringLiteral(" ОЖИДАНИЕ 10 сек"));
    EXPECT_FALSE(s.connected);
}

TEST(TlgClient, SwitchingToTheSerialAdapterLeavesTcp) {
    Link link;
    ASSERT_TRUE(link.Up());
    // A port that is not there: the tests never open a real serial device.
    const QString port = QStringLiteral("/dev/tarvo-no-such-port");
    link.client->SetSerial(port, 50, 1);
    EXPECT_FALSE(link.client->TcpMode());
    EXPECT_FALSE(link.client->IsConnected());
    const QString label = QStringLiteral("ЛИН-9: ") + port + QStringLiteral(":50");
    EXPECT_EQ(link.client->ConnectionLabel(), label);
    ASSERT_TRUE(link.rec.WaitStatus(label + QStringLiteral(" ОШИБКА ОТКРЫТИЯ.")));
    EXPECT_TRUE(link.server.WaitPeerClosed());
    EXPECT_FALSE(link.client->IsConnected());
}

TEST(TlgClient, PeekSendShowsAtMost199Bytes) {
    CTlgClient client;
    const struct {
        int size;
        int shown;
    } cases[] = {{1, 1}, {199, 199}, {200, 199}, {1000, 199}};
    for (const auto& c : cases) {
        client.ClearSend();
        const QByteArray text = Pattern(c.size);
        client.AppendSend(text);
        EXPECT_EQ(client.PeekSend(), text.left(c.shown)) << c.size;
        EXPECT_TRUE(client.IsSendPending());
    }
    client.ClearSend();
    EXPECT_TRUE(client.PeekSend().isEmpty());
    EXPECT_FALSE(client.IsSendPending());
}

TEST(TlgClient, ShutdownOfAThreadNeverStartedIsImmediate) {
    CTlgClient client;
    EXPECT_TRUE(client.Shutdown(0));
}

// ---------------------------------------------------------------- ending

TEST(TlgClientShutdown, EndsPromptlyWhileConnectingToAServerThatDoesNotAnswer) {
    HangingListener hanging;
    ASSERT_TRUE(hanging.Ready());
    TLinkTimings timings = FastTimings();
    timings.pauseMs = 0;
    timings.connectTimeoutMs = 60000;
    LinkRecorder rec;
    auto client = MakeClient(rec, timings);
    client->SetTcp(kLoopbackHost, hanging.Port(), QString(), 0);
    ASSERT_TRUE(WaitUntil([&] { return client->isRunning(); }));
    QThread::msleep(100);  // well inside the connect
    QElapsedTimer timer;
    timer.start();
    client.reset();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_TRUE(rec.statuses.isEmpty());
}

TEST(TlgClientShutdown, EndsPromptlyWithABlockInFlight) {
    LoopbackServer server(false);
    server.SetReceiveBuffer(4096);
    server.Listen();
    TLinkTimings timings = FastTimings();
    timings.sendTimeoutMs = 60000;
    LinkRecorder rec;
    auto client = MakeClient(rec, timings);
    client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
    ASSERT_TRUE(rec.WaitStatus(ConnectText(server.Port())));
    ASSERT_TRUE(server.Accept());  // and never reads
    client->AppendSend(QByteArray(16 * 1024 * 1024, 'x'));
    rec.WaitSendsStall();
    QElapsedTimer timer;
    timer.start();
    client.reset();
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST(TlgClientShutdown, EndsPromptlyWhileTheThreadWaitsForAHandler) {
    LoopbackServer server;
    LinkRecorder rec;
    QObject probe;
    std::atomic<bool> emitted{false};
    auto client = std::make_unique<CTlgClient>();
    client->SetTimings(FastTimings());
    // Runs on the line thread just before it waits for the main handler.
    QObject::connect(
        client.get(), &CTlgClient::OnReceive, &probe, [&](CTlgClient*) { emitted = true; },
        Qt::DirectConnection);
    rec.Attach(*client);
    client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
    ASSERT_TRUE(rec.WaitStatus(ConnectText(server.Port())));
    ASSERT_TRUE(server.Accept());
    ASSERT_TRUE(server.Send("DATA"));
    // This thread now runs no events, as a busy main window would not.
    for (int i = 0; i < kCeilingMs && !emitted; ++i)
        QThread::msleep(1);
    ASSERT_TRUE(emitted);
    QElapsedTimer timer;
    timer.start();
    client.reset();
    EXPECT_LT(timer.elapsed(), 2000);
}

}  // namespace
