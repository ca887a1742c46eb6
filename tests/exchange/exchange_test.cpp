#include "exchange/exchange.h"

#include "exchangesupport.h"

#include <gtest/gtest.h>

namespace {

using ExchangeTest = BareExchangeFixture;

TEST_F(ExchangeTest, ReceivedAndSentTrafficGoToTheProtocol) {
    exchange.OnLineReceive(L(u"ЗЦЗЦ 001\r\n"));
    exchange.OnLineSent("|" + L(u"ЗЗ "));
    exchange.OnLineReceive(L(u"ТЕКСТ"));
    ASSERT_EQ(protocol.Lines().size(), 2);
    EXPECT_EQ(protocol.Lines()[0], "\x01" + L(u"ЗЦЗЦ 001<>"));
    EXPECT_EQ(protocol.Lines()[1], "\x02|" + L(u"ЗЗ ") + "\x01" + L(u"ТЕКСТ"));
    EXPECT_EQ(exchange.ReceivedBytes(), 15u);
    EXPECT_EQ(exchange.SentBytes(), 4u);
    EXPECT_EQ(exchange.ActivityCount(), 3);
    EXPECT_EQ(host.rx, 2);
    EXPECT_EQ(host.tx, 1);
    EXPECT_EQ(host.statusText, QStringLiteral("ЗЦЗЦ 001\r\nТЕКСТ"));
}

TEST_F(ExchangeTest, StatusBarShowsTheLastHundredCharacters) {
    exchange.OnLineReceive(QByteArray(150, 'A') + "XYZ");
    EXPECT_EQ(host.statusText.size(), 100);
    EXPECT_TRUE(host.statusText.endsWith("XYZ"));
}

TEST_F(ExchangeTest, LinkStatusLinesAndTheLostReceiveText) {
    exchange.OnLineReceive("partial message");
    exchange.LineStatusChanged(true, "Connect 127.0.0.1:3333");
    EXPECT_EQ(exchange.ReceiveBuffer(), "partial message");
    exchange.LineStatusChanged(true, QString());
    exchange.LineStatusChanged(false, " ОЖИДАНИЕ 30 сек");
    EXPECT_TRUE(exchange.ReceiveBuffer().isEmpty()) << "a broken link loses the partial text";
    EXPECT_EQ(Events(), (QStringList{"Connect 127.0.0.1:3333", " ОЖИДАНИЕ 30 сек"}));
}

TEST_F(ExchangeTest, SendToLineAppendsAndShowsThePendingText) {
    exchange.SendToLine("ABC\r\n");
    exchange.SendToLine("DEF");
    EXPECT_EQ(line.sent, "ABC\r\nDEF");
    EXPECT_EQ(protocol.PendingText(), "ABC\r\nDEF");
    EXPECT_TRUE(exchange.IsManualMode() == false);
    exchange.SetMode(false);
    EXPECT_TRUE(exchange.IsManualMode());
}

TEST_F(ExchangeTest, ExitCountdownRunsEvenWithoutFolders) {
    status.FoldersReady = false;
    status.CloseCountdown = 2;
    exchange.Tick();
    EXPECT_EQ(host.closes, 0);
    exchange.Tick();
    EXPECT_EQ(host.closes, 1);
    exchange.Tick();
    EXPECT_EQ(host.closes, 1) << "the countdown fires once";
}

TEST_F(ExchangeTest, SwitchingToManualReturnsToToday) {
    status.DayText = "0130";
    exchange.SetMode(false);
    exchange.SetMode(false);
    EXPECT_EQ(host.modes, QList<bool>{false});
    EXPECT_EQ(host.todays, 1);
    EXPECT_EQ(protocol.FileName(), "0130.prt");
    exchange.SetMode(true);
    EXPECT_EQ(host.todays, 1) << "only the switch to manual";
}

}  // namespace
