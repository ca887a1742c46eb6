#include "line/tcpip.h"
#include "support/loopback.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Receives until n bytes came (the reads may stop at an urgent mark).
QByteArray ReceiveBytes(CTcpIpClient& client, int n) {
    QByteArray out;
    WaitUntil([&] {
        if (client.WaitReadable()) {
            char buffer[64];
            const int got = client.Receive(buffer, sizeof buffer);
            if (got > 0)
                out.append(buffer, got);
        }
        return out.size() >= n;
    });
    return out;
}

TEST(TcpIpClient, ConnectsOnlyToNumericAddresses) {
    LoopbackServer server;
    const struct {
        QString host;
        int port;
        bool connects;
    } cases[] = {
        {kLoopbackHost, server.Port(), true},
        {QStringLiteral("localhost"), server.Port(), false},
        {QStringLiteral("127.0.0.1.5"), server.Port(), false},
        {QStringLiteral("::1"), server.Port(), false},
        {QString(), server.Port(), false},
        {kLoopbackHost, 0, false},
        {kLoopbackHost, 65536 + server.Port(), false},  // would wrap round to the server's port
    };
    for (const auto& c : cases) {
        CTcpIpClient client;
        EXPECT_EQ(client.Connect(c.host, c.port), c.connects)
            << c.host.toStdString() << ":" << c.port;
        EXPECT_EQ(client.IsConnected(), c.connects);
        if (c.connects) {
            EXPECT_TRUE(server.Accept());
        }
    }
}

TEST(TcpIpClient, RefusedConnectFailsAndLeavesNothingConnected) {
    LoopbackServer closed(false);
    CTcpIpClient client;
    EXPECT_FALSE(client.Connect(kLoopbackHost, closed.Port()));
    EXPECT_FALSE(client.IsConnected());
    // The failed socket is closed by the next call, as by the destructor.
    EXPECT_TRUE(client.Disconnect());
    EXPECT_FALSE(client.IsOpen());
}

TEST(TcpIpClient, DisconnectAndShutdownSendWhenNeverConnected) {
    CTcpIpClient client;
    EXPECT_TRUE(client.Disconnect());
    EXPECT_FALSE(client.IsOpen());
    EXPECT_FALSE(client.ShutdownSend());
    uint8_t byte = 0xAA;
    EXPECT_EQ(client.ReceiveUrgent(byte), 0);
    EXPECT_EQ(byte, 0xAA);
    EXPECT_FALSE(client.WaitReadable());
    char buffer[4];
    EXPECT_EQ(client.Receive(buffer, 4), -1);
    EXPECT_EQ(client.Send("x", 1), -1);
}

TEST(TcpIpClient, ShutdownSendEndsTheStreamButKeepsTheSocket) {
    LoopbackServer server;
    CTcpIpClient client;
    ASSERT_TRUE(client.Connect(kLoopbackHost, server.Port()));
    ASSERT_TRUE(server.Accept());
    EXPECT_EQ(client.Send("print", 5), 5);
    EXPECT_TRUE(client.ShutdownSend());
    EXPECT_FALSE(client.IsConnected());
    EXPECT_TRUE(client.IsOpen());
    EXPECT_EQ(server.Read(5), QByteArray("print"));
    EXPECT_TRUE(server.WaitPeerClosed());
    EXPECT_FALSE(client.ShutdownSend());
    EXPECT_TRUE(client.Disconnect());
    EXPECT_FALSE(client.IsOpen());
    EXPECT_FALSE(client.ShutdownSend());
}

TEST(TcpIpClient, ReceivesDataAndSeesThePeerClose) {
    LoopbackServer server;
    CTcpIpClient client;
    ASSERT_TRUE(client.Connect(kLoopbackHost, server.Port()));
    ASSERT_TRUE(server.Accept());
    EXPECT_FALSE(client.WaitReadable());
    ASSERT_TRUE(server.Send("ABC"));
    EXPECT_EQ(ReceiveBytes(client, 3), QByteArray("ABC"));
    server.CloseConnection();
    ASSERT_TRUE(WaitUntil([&] { return client.WaitReadable(); }));
    char buffer[8];
    EXPECT_EQ(client.Receive(buffer, sizeof buffer), 0);
}

// An urgent byte must survive normal reads around it: a read that ran over
// its mark would make the kernel forget it.
TEST(TcpIpClient, UrgentByteSurvivesNormalDataAroundIt) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {{"AB", "CD"}, {"", "XY"}, {"ABCDEFGH", ""}};
    for (const auto& c : cases) {
        LoopbackServer server;
        CTcpIpClient client;
        ASSERT_TRUE(client.Connect(kLoopbackHost, server.Port()));
        ASSERT_TRUE(server.Accept());
        if (*c.before) {
            ASSERT_TRUE(server.Send(c.before));
        }
        ASSERT_TRUE(server.SendUrgent(0x05));
        if (*c.after) {
            ASSERT_TRUE(server.Send(c.after));
        }
        const QByteArray expected = QByteArray(c.before) + c.after;
        EXPECT_EQ(ReceiveBytes(client, int(expected.size())), expected)
            << c.before << "|" << c.after;
        uint8_t byte = 0;
        EXPECT_EQ(client.ReceiveUrgent(byte), 1) << c.before << "|" << c.after;
        EXPECT_EQ(byte, 0x05);
        EXPECT_EQ(client.ReceiveUrgent(byte), 0);
    }
}

TEST(TcpIpClient, UrgentBytesGoBothWays) {
    LoopbackServer server;
    CTcpIpClient client;
    ASSERT_TRUE(client.Connect(kLoopbackHost, server.Port()));
    ASSERT_TRUE(server.Accept());
    ASSERT_TRUE(server.SendUrgent(0x03));
    uint8_t byte = 0;
    ASSERT_TRUE(WaitUntil([&] { return client.ReceiveUrgent(byte) == 1; }));
    EXPECT_EQ(byte, 0x03);
    EXPECT_EQ(client.SendUrgent(0x7F), 1);
    EXPECT_EQ(server.ReceiveUrgent(), 0x7F);
    // The urgent byte is not part of the stream.
    EXPECT_FALSE(client.WaitReadable());
}

TEST(TcpIpClient, ConnectThatHangsEndsOnAbort) {
    HangingListener hanging;
    ASSERT_TRUE(hanging.Ready());
    CTcpIpClient client;
    client.SetConnectTimeout(60000);
    std::atomic<bool> abort{false};
    client.SetAbortCheck([&] { return abort.load(); });
    std::atomic<bool> result{true};
    QElapsedTimer timer;
    timer.start();
    std::thread connecting([&] { result = client.Connect(kLoopbackHost, hanging.Port()); });
    QThread::msleep(100);
    abort = true;
    connecting.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(TcpIpClient, ConnectThatHangsEndsAtItsTimeout) {
    HangingListener hanging;
    ASSERT_TRUE(hanging.Ready());
    CTcpIpClient client;
    client.SetConnectTimeout(200);
    EXPECT_FALSE(client.Connect(kLoopbackHost, hanging.Port()));
}

TEST(TcpIpClient, SendToAPeerThatDoesNotReadIsBounded) {
    LoopbackServer server;
    CTcpIpClient client;
    ASSERT_TRUE(client.Connect(kLoopbackHost, server.Port()));
    ASSERT_TRUE(server.Accept());
    client.SetSendTimeout(200);
    // More than the kernel buffers of both ends can take.
    const QByteArray big(64 * 1024 * 1024, 'x');
    const int sent = client.Send(big.constData(), int(big.size()));
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, big.size());
}

TEST(TcpIpListener, AcceptsOnAPortItPicked) {
    CTcpIpListener listener;
    EXPECT_FALSE(listener.Listen(QStringLiteral("localhost"), 0));
    ASSERT_TRUE(listener.Listen(kLoopbackHost, 0));
    ASSERT_GT(listener.LocalPort(), 0);
    CTcpIpClient accepted;
    EXPECT_FALSE(listener.Accept(accepted, 0));

    CTcpIpClient client;
    ASSERT_TRUE(client.Connect(kLoopbackHost, listener.LocalPort()));
    ASSERT_TRUE(listener.Accept(accepted, kCeilingMs));
    EXPECT_TRUE(accepted.IsConnected());
    EXPECT_TRUE(listener.LastPeer().startsWith(QStringLiteral("127.0.0.1:")));
    EXPECT_EQ(accepted.Send("hi", 2), 2);
    EXPECT_EQ(ReceiveBytes(client, 2), QByteArray("hi"));
}

}  // namespace
