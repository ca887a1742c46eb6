#include "line/dialup.h"
#include "line/tlgclient.h"
#include "recorder.h"
#include "support/loopback.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// What the fake dial-up control was asked and how it answers.
struct DialUpScript {
    std::atomic<bool> up{false};
    std::atomic<bool> otherActive{false};
    std::atomic<bool> dialSucceeds{false};
    std::atomic<int> made{0};
    std::atomic<int> destroyed{0};
    std::atomic<int> dials{0};
    std::atomic<int> hangUps{0};
    // Written on the line thread, read by handlers while it waits.
    QString entry;
    QString user;
    QString password;
};

class FakeDialUp : public IDialUpControl {
public:
    explicit FakeDialUp(DialUpScript& script) : s_(script) { ++s_.made; }
    ~FakeDialUp() override { ++s_.destroyed; }
    void SetCredentials(const QString& entry, const QString& user,
                        const QString& password) override {
        s_.entry = entry;
        s_.user = user;
        s_.password = password;
    }
    bool IsUp() override { return s_.up; }
    bool OtherActive() override { return s_.otherActive; }
    bool Dial(const std::function<bool()>&) override {
        ++s_.dials;
        s_.up = s_.dialSucceeds.load();
        return s_.up;
    }
    void HangUp() override {
        ++s_.hangUps;
        s_.up = false;
    }
    QString ErrorText() override { return QStringLiteral("Undefined RAS Error (691)."); }

private:
    DialUpScript& s_;
};

struct DialUpLink {
    DialUpScript script;
    LinkRecorder rec;
    std::unique_ptr<CTlgClient> client = MakeClient(rec);

    explicit DialUpLink(bool noDisturb = false) {
        client->SetDialUpFactory([this] { return std::make_unique<FakeDialUp>(script); });
        client->SetVpn(true, QStringLiteral("centre"), QStringLiteral("operator"),
                       QStringLiteral("secret"), noDisturb);
        client->SetDialEnabled(true);
    }
    ~DialUpLink() { client.reset(); }
};

const QString kDialError = QStringLiteral("Error RAS DIAL. Undefined RAS Error (691).");

TEST(TlgClientDialUp, DialFailuresWaitSixtySixtyThreeHundredAndReportOnce) {
    LoopbackServer server;
    DialUpLink link;
    link.client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
    EXPECT_EQ(link.client->ConnectionLabel(),
              QStringLiteral("VPN:TCP/IP ") + Endpoint(server.Port()));
    ASSERT_TRUE(link.rec.WaitStatuses(4));
    const int waits[] = {60, 60, 300, 60};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(link.rec.statuses[i].text, i == 0 ? kDialError : QString()) << i;
        EXPECT_EQ(link.rec.statuses[i].waitSeconds, waits[i]) << i;
    }
    EXPECT_EQ(link.script.entry, QStringLiteral("centre"));
    EXPECT_EQ(link.script.user, QStringLiteral("operator"));
    EXPECT_EQ(link.script.password, QStringLiteral("secret"));
    EXPECT_EQ(link.client->LastStatusCode(), CTlgClient::kStatusDialError);
}

TEST(TlgClientDialUp, AnotherActiveConnectionBlocksDiallingOnlyWithNoDisturb) {
    for (const bool noDisturb : {true, false}) {
        LoopbackServer server;
        DialUpLink link(noDisturb);
        link.script.otherActive = true;
        link.client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
        ASSERT_TRUE(link.rec.WaitStatuses(2));
        if (noDisturb) {
            EXPECT_EQ(link.rec.statuses[0].text, QStringLiteral("Other RAS active."));
            EXPECT_EQ(link.rec.statuses[0].line,
                      QStringLiteral("Other RAS active. ОЖИДАНИЕ 300 сек"));
            EXPECT_EQ(link.rec.statuses[1].text, QString());
            EXPECT_EQ(link.script.dials, 0);
        } else {
            EXPECT_EQ(link.rec.statuses[0].text, kDialError);
            EXPECT_GE(link.script.dials, 1);
        }
    }
}

TEST(TlgClientDialUp, ASuccessfulDialIsFollowedByTheTcpConnect) {
    LoopbackServer server;
    DialUpLink link;
    link.script.dialSucceeds = true;
    link.client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
    ASSERT_TRUE(link.rec.WaitStatuses(1));
    EXPECT_EQ(link.rec.statuses[0].text, QStringLiteral("Connect ") + Endpoint(server.Port()));
    EXPECT_EQ(link.script.dials, 1);
    EXPECT_EQ(link.script.made, 1);
}

TEST(TlgClientDialUp, WithdrawnPermissionHangsUpAndGrantedPermissionDialsAgain) {
    LoopbackServer server;
    DialUpLink link;
    link.script.dialSucceeds = true;
    link.client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
    ASSERT_TRUE(link.rec.WaitStatuses(1));
    ASSERT_TRUE(server.Accept());

    link.client->SetDialEnabled(false);
    EXPECT_FALSE(link.client->IsDialEnabled());
    ASSERT_TRUE(link.rec.WaitStatus(QStringLiteral("RAS HangUp")));
    EXPECT_FALSE(link.rec.statuses.last().connected);
    EXPECT_EQ(link.script.hangUps, 1);
    EXPECT_TRUE(server.WaitPeerClosed());

    link.client->SetDialEnabled(true);
    ASSERT_TRUE(link.rec.WaitStatuses(3));
    EXPECT_EQ(link.rec.statuses[2].text, QStringLiteral("Connect ") + Endpoint(server.Port()));
    EXPECT_EQ(link.script.dials, 2);
}

TEST(TlgClientDialUp, DisablingTheVpnDestroysTheControl) {
    LoopbackServer server;
    DialUpLink link;
    link.script.dialSucceeds = true;
    link.client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
    ASSERT_TRUE(link.rec.WaitStatuses(1));
    link.client->SetVpn(false, QString(), QString(), QString(), false);
    EXPECT_EQ(link.client->ConnectionLabel(), QStringLiteral("TCP/IP ") + Endpoint(server.Port()));
    EXPECT_TRUE(WaitUntil([&] { return link.script.destroyed == 1; }));
    EXPECT_EQ(link.script.made, 1);
}

TEST(TlgClientDialUp, WithoutADialUpControlTheLinkSaysSoAndConnectsDirectly) {
    LoopbackServer server;
    LinkRecorder rec;
    auto client = MakeClient(rec);
    client->SetVpn(true, QStringLiteral("centre"), QString(), QString(), false);
    client->SetTcp(kLoopbackHost, server.Port(), QString(), 0);
    EXPECT_FALSE(client->HasVpn());
    EXPECT_EQ(client->ConnectionLabel(), QStringLiteral("TCP/IP ") + Endpoint(server.Port()));
    ASSERT_TRUE(rec.WaitStatuses(2));
    EXPECT_EQ(rec.statuses[0].text,
              QStringLiteral("VPN НЕДОСТУПЕН В ЭТОЙ СБОРКЕ: ПОДКЛЮЧЕНИЕ БЕЗ VPN"));
    EXPECT_EQ(rec.statuses[1].text, QStringLiteral("Connect ") + Endpoint(server.Port()));
    client.reset();
}

}  // namespace
