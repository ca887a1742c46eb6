// The perforator thread against a scripted tape adapter on the other end of
// a pseudo-terminal.

#include "line/prfclient.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/ptypeer.h"
#include "support/recordingport.h"

#include <gtest/gtest.h>

namespace {

// The thread on the slave side of a fresh pseudo-terminal, its events as the
// main window gets them (blocking, on this thread), recorded.
struct TapeLink {
    struct Status {
        QString line;
        bool open = false;
        bool active = false;
    };
    PtyPeer adapter;
    std::shared_ptr<RecordingPortControl> control = std::make_shared<RecordingPortControl>();
    QObject context;
    QList<Status> statuses;
    QByteArray received;
    int tapeEnds = 0;
    QList<int> pendingAfterSent;
    std::unique_ptr<CPrfClient> client = std::make_unique<CPrfClient>();

    TapeLink() {
        TTapeTimings t;
        t.secondMs = 1;
        t.lingerMs = 1;
        client->SetTimings(t);
        client->SetPortControl(control);
        auto blocking = Qt::BlockingQueuedConnection;
        QObject::connect(
            client.get(), &CPrfClient::OnStatus, &context,
            [this](CPrfClient* c) {
                statuses << Status{c->StatusLine(), c->IsOpen(), c->IsActive()};
            },
            blocking);
        QObject::connect(
            client.get(), &CPrfClient::OnReceive, &context,
            [this](CPrfClient* c) { received += c->TakeReceiveText(); }, blocking);
        QObject::connect(
            client.get(), &CPrfClient::OnSent, &context,
            [this](CPrfClient* c) { pendingAfterSent << c->PendingLength(); }, blocking);
        QObject::connect(
            client.get(), &CPrfClient::OnTapeEnd, &context, [this](CPrfClient*) { ++tapeEnds; },
            blocking);
    }
    void Configure(int speedIndex, bool noBlock) {
        client->SetPerforator(adapter.SlavePath(), speedIndex, 1, noBlock);
    }
    QString Label() const { return QStringLiteral("ЛЕНТ-9: ") + adapter.SlavePath(); }
    bool WaitStatus(const QString& line) {
        return WaitUntil([&] {
            for (const auto& s : statuses)
                if (s.line == line)
                    return true;
            return false;
        });
    }
    int Count(const QString& line) const {
        int n = 0;
        for (const auto& s : statuses)
            n += s.line == line;
        return n;
    }
    QByteArray Take(int n, int ceilingMs = kCeilingMs) { return adapter.Take(n, ceilingMs); }
};

const QString kClosed = QStringLiteral(" ЛЕНТ-9: ПОРТ ЗАКРЫТ ");

TEST(Perforator, TheCycleSpeaksTheTapeAdaptersByteProtocol) {
    TapeLink link;
    // A stop asked for before the port is open waits for it.
    link.client->StopReading();
    link.Configure(2, false);
    EXPECT_EQ(link.client->PerforatorLabel(), link.Label());
    ASSERT_TRUE(link.WaitStatus(link.Label() + QStringLiteral(" ПОРТ ОТКРЫТ")));
    EXPECT_FALSE(link.statuses.last().active);
    EXPECT_EQ(link.Take(2), Bytes({0x63, 0x50})) << "speed MAX, then the waiting stop";
    EXPECT_EQ(link.control->Calls(), QStringList{"break off"});

    // Each row: what the adapter sends; the text read, the tape ends and
    // what the thread writes back afterwards.
    const struct {
        QByteArray in;
        QByteArray received;
        int tapeEnds;
        QByteArray answer;
    } rows[] = {
        // A credit of 5 and two spaces; the speed byte answers the report.
        {Bytes({0x25, 0x04, 0x04}), "  ", 0, Bytes({0x63})},
        // Codes alone, up to 0x20 (an unreadable frame): no answer.
        {Bytes({0x1B, 0x17, 0x20}), "#1\xB1", 0, QByteArray()},
        // The tape end, with what came before it first.
        {Bytes({0x13, 0x50}), "2", 1, Bytes({0x63})},
        // Other bytes with low bits 0x10 end the tape too; the rest is ignored.
        {Bytes({0xF0, 0x41}), "", 2, Bytes({0x63})},
    };
    for (const auto& row : rows) {
        const QByteArray before = link.received;
        ASSERT_TRUE(link.adapter.Write(row.in));
        if (!row.answer.isEmpty()) {
            EXPECT_EQ(link.Take(int(row.answer.size())), row.answer) << row.in.toHex().constData();
        }
        ASSERT_TRUE(WaitUntil([&] {
            return link.received == before + row.received && link.tapeEnds == row.tapeEnds;
        })) << row.in.toHex().constData();
    }
    EXPECT_EQ(link.Count(link.Label() + QStringLiteral(" АКТИВЕН ")), 1);
    EXPECT_TRUE(link.statuses.last().active) << "active when the report says so";

    // Punching, paced by the credit: the credit of 5 from the first row.
    link.client->AppendSend(L(u"ТЛГ 12"));
    EXPECT_EQ(link.Take(6), Bytes({0, 16, 18, 26, 4, 27})) << "shift, Т Л Г space, figures";
    EXPECT_EQ(link.Take(1), Bytes({23}));
    ASSERT_TRUE(WaitUntil([&] { return link.pendingAfterSent == QList<int>{1}; }));
    link.client->StartReading();
    EXPECT_EQ(link.Take(1), Bytes({0x51}));
    ASSERT_TRUE(link.adapter.Write(Bytes({0x3F})));
    EXPECT_EQ(link.Take(2), Bytes({0x63, 19}));
    ASSERT_TRUE(WaitUntil([&] { return link.pendingAfterSent == (QList<int>{1, 0}); }));

    // Without NoBlock the port stays open between jobs.
    EXPECT_TRUE(link.client->IsOpen());
    EXPECT_EQ(link.Count(kClosed), 0);

    link.client->Terminate();
    EXPECT_TRUE(link.client->Shutdown());
    EXPECT_EQ(link.control->Calls(), (QStringList{"break off", "break on"}));
}

TEST(Perforator, NoBlockOpensThePortOnlyForWork) {
    TapeLink link;
    link.Configure(0, true);
    // Nothing to punch: the port stays closed.
    EXPECT_FALSE(link.adapter.WaitPeerOpen(300));
    EXPECT_TRUE(link.statuses.isEmpty());

    link.client->AppendSend(L(u"А"));
    ASSERT_TRUE(link.WaitStatus(link.Label() + QStringLiteral(" ПОРТ ОТКРЫТ")));
    EXPECT_EQ(link.Take(3), Bytes({0x61, 0, 3}));
    // After the last code and the idle passes the port goes again.
    ASSERT_TRUE(link.WaitStatus(kClosed));
    EXPECT_FALSE(link.client->IsOpen());
    EXPECT_FALSE(link.statuses.last().open);

    // A window holds it open until it closes.
    link.client->HoldPort();
    ASSERT_TRUE(
        WaitUntil([&] { return link.Count(link.Label() + QStringLiteral(" ПОРТ ОТКРЫТ")) == 2; }));
    EXPECT_EQ(link.Take(1), Bytes({0x61}));
    link.client->ArmRelease();
    ASSERT_TRUE(WaitUntil([&] { return link.Count(kClosed) == 2; }));
}

TEST(Perforator, ABatchTheAdapterDoesNotTakeEndsTheJob) {
    // Outlives the link, whose end still runs the thread's last events.
    QList<int> unpunched;
    TapeLink link;
    auto on = [&](auto signal, auto handler) {
        QObject::connect(link.client.get(), signal, &link.context, handler,
                         Qt::BlockingQueuedConnection);
    };
    on(&CPrfClient::OnSent, [&](CPrfClient* c) { unpunched << c->UnpunchedLength(); });
    // Pulled out while the thread hands over a frame it read, before its next batch.
    on(&CPrfClient::OnReceive, [&](CPrfClient*) { link.adapter.Close(); });
    link.Configure(2, false);
    link.client->AppendSend(L(u"ТЛГ 12 34"));
    EXPECT_EQ(link.Take(6), Bytes({0x63, 0, 16, 18, 26, 4})) << "speed, the first credit of 4";
    ASSERT_TRUE(link.adapter.Write(Bytes({0x04, 0x23})));  // a frame, a credit of 3
    ASSERT_TRUE(WaitUntil([&] { return unpunched == QList<int>{0, 5}; })) << unpunched.size();
    // Plugged in again: nothing of the old job, and the new one sets its register.
    PtyPeer replugged;
    link.client->SetPerforator(replugged.SlavePath(), 2, 1, false);
    link.client->AppendSend(L(u"5"));
    QByteArray got;
    WaitUntil([&] { return (got += replugged.ReadSome(0)).size() >= 3; });
    EXPECT_EQ(got, Bytes({0x63, 27, 16})) << "speed, figures, 5";
}

TEST(Perforator, AnOpenFailureWaitsLongerWhenThePortIsHeld) {
    for (const bool noBlock : {true, false}) {
        TapeLink link;
        const QString port = QStringLiteral("/dev/tarvo-no-such-tape");
        link.client->SetPerforator(port, 1, 1, noBlock);
        link.client->HoldPort();
        const QString failed =
            QStringLiteral("ЛЕНТ-9: ") + port + QStringLiteral(" ОШИБКА ОТКРЫТИЯ.");
        ASSERT_TRUE(link.WaitStatus(failed + (noBlock ? QStringLiteral(" ОЖИДАНИЕ 10 сек")
                                                      : QStringLiteral(" ОЖИДАНИЕ 30 сек"))));
        link.client->Disable();
        EXPECT_EQ(link.client->PerforatorLabel(), QString());
    }
}

}  // namespace
