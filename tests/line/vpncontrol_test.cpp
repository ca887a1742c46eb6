#include "line/vpncontrol.h"
#include "recorder.h"
#include "support/fakenmcli.h"
#include "support/loopback.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kDown = QStringLiteral("connection down id centre");
const QString kUp = QStringLiteral("--wait 60 connection up id centre");

// A control on the fake that trusts no answer of IsUp for long.
struct Control {
    FakeNmcli nmcli;
    CVPNControl vpn{nmcli.Program(), 0};
    Control() { vpn.SetCredentials(QStringLiteral("centre"), QString(), QString()); }
};

TEST(VpnControl, TerseFieldsUndoTheEscapes) {
    const struct {
        const char* line;
        QStringList fields;
    } cases[] = {
        {"centre:vpn:activated", {"centre", "vpn", "activated"}},
        {R"(a\:b:wireguard)", {"a:b", "wireguard"}},
        {R"(c\\d\::gsm)", {"c\\d:", "gsm"}},
        {"", {""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CVPNControl::TerseFields(QString::fromUtf8(c.line)), c.fields) << c.line;
}

TEST(VpnControl, AdoptsAConnectionBroughtUpOutsideAndHangsItUp) {
    Control c;
    c.nmcli.Answer("active", "LAN:802-3-ethernet:activated\ncentre:vpn:activated\n");
    EXPECT_TRUE(c.vpn.IsUp());
    EXPECT_EQ(c.vpn.Connection(), QStringLiteral("centre"));
    c.vpn.HangUp();
    EXPECT_EQ(c.vpn.Connection(), QString());
    EXPECT_EQ(c.nmcli.CallsWith(kDown).size(), 1);
    // Every call in the C locale; the queries in terse mode.
    for (const QString& call : c.nmcli.Calls())
        EXPECT_TRUE(call.startsWith(QStringLiteral("LC_ALL=C "))) << call.toStdString();
    EXPECT_EQ(c.nmcli.CallsWith(QStringLiteral("-t -f NAME,TYPE,STATE connection show --active"))
                  .size(),
              1);

    // Gone by itself: no longer up, and nothing to hang up.
    c.nmcli.Answer("active", "LAN:802-3-ethernet:activated\n");
    EXPECT_FALSE(c.vpn.IsUp());
    c.vpn.HangUp();
    EXPECT_EQ(c.nmcli.CallsWith(kDown).size(), 1);
    // A query that fails is a connection that is not up.
    c.nmcli.Answer("active", "", 8, "Error: NetworkManager is not running.\n");
    EXPECT_FALSE(c.vpn.IsUp());

    // Held when the profile's name changes: hung up before it is let go.
    c.nmcli.Answer("active", "centre:vpn:activated\n");
    ASSERT_TRUE(c.vpn.IsUp());
    c.vpn.SetCredentials(QStringLiteral("office"), QString(), QString());
    EXPECT_EQ(c.nmcli.CallsWith(kDown).size(), 2);
}

TEST(VpnControl, OtherActiveCountsOnlyOtherDialUpConnections) {
    const struct {
        QByteArray active;
        int exitCode;
        bool other;
    } cases[] = {
        {"centre:vpn:activated\n", 0, false},
        {"LAN:802-3-ethernet:activated\nWi:802-11-wireless:activated\n", 0, false},
        {"office:wireguard:activated\n", 0, true},
        {"modem:gsm:activating\ncentre:vpn:activated\n", 0, true},
        {"office:pppoe:activated\n", 8, false},
    };
    for (const auto& k : cases) {
        Control c;
        c.nmcli.Answer("active", k.active, k.exitCode);
        EXPECT_EQ(c.vpn.OtherActive(), k.other) << k.active.constData();
    }
}

TEST(VpnControl, DialErrorsComeFromNmcliOrFromTheExitCode) {
    const struct {
        int exitCode;
        QByteArray err;
        QString text;
    } cases[] = {
        {4, "Warning: something\nError: Connection activation failed: (7) Secrets were required.\n",
         "Error: Connection activation failed: (7) Secrets were required."},
        {10, "", "Undefined RAS Error (10)."},
        {10, "nothing useful\n", "Undefined RAS Error (10)."},
    };
    for (const auto& k : cases) {
        Control c;
        c.nmcli.Answer("up", "", k.exitCode, k.err);
        EXPECT_FALSE(c.vpn.Dial([] { return false; }));
        EXPECT_EQ(c.vpn.LastError(), quint32(k.exitCode));
        EXPECT_EQ(c.vpn.ErrorText(), k.text);
        EXPECT_EQ(c.vpn.Connection(), QString());
    }
}

TEST(VpnControl, CredentialsGoThroughAPrivateFileThatIsRemoved) {
    Control c;
    c.vpn.SetCredentials(QStringLiteral("centre"), QStringLiteral("operator"),
                         QStringLiteral("s3cr:et"));
    c.nmcli.ThenActive("up", "centre:vpn:activated\n");
    ASSERT_TRUE(c.vpn.Dial([] { return false; }));
    EXPECT_TRUE(c.vpn.IsUp());
    const QStringList calls = c.nmcli.CallsWith(kUp);
    ASSERT_EQ(calls.size(), 1);
    for (const QString& call : c.nmcli.Calls()) {
        EXPECT_FALSE(call.contains(QStringLiteral("s3cr"))) << call.toStdString();
        EXPECT_FALSE(call.contains(QStringLiteral("operator"))) << call.toStdString();
    }
    const QByteArray passwords = c.nmcli.Passwords();
    EXPECT_TRUE(passwords.contains("vpn.secrets.password:s3cr:et\n")) << passwords.constData();
    EXPECT_TRUE(passwords.contains("vpn.secrets.username:operator\n")) << passwords.constData();
    EXPECT_EQ(c.nmcli.PasswordModes(), QStringList{QStringLiteral("600")});
    ASSERT_EQ(c.nmcli.PasswordFiles().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(c.nmcli.PasswordFiles().first()));

    // Dialling again first hangs up what is held; without credentials no
    // file at all.
    c.vpn.SetCredentials(QStringLiteral("centre"), QString(), QString());
    ASSERT_TRUE(c.vpn.Dial([] { return false; }));
    EXPECT_EQ(c.nmcli.CallsWith(kDown).size(), 1);
    EXPECT_EQ(c.nmcli.PasswordFiles().size(), 1);
    EXPECT_EQ(c.nmcli.CallsWith(kUp).last(), QStringLiteral("LC_ALL=C ") + kUp);
}

TEST(VpnControl, IsUpIsAskedOfNmcliOnlyOnceInAWhile) {
    FakeNmcli nmcli;
    CVPNControl vpn(nmcli.Program());
    vpn.SetCredentials(QStringLiteral("centre"), QString(), QString());
    nmcli.Answer("active", "centre:vpn:activated\n");
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(vpn.IsUp());
    EXPECT_EQ(nmcli.CallsWith(QStringLiteral("--active")).size(), 1);
    // A hang-up forgets the answer.
    vpn.HangUp();
    nmcli.Answer("active", "");
    EXPECT_FALSE(vpn.IsUp());
    EXPECT_EQ(nmcli.CallsWith(QStringLiteral("--active")).size(), 2);
}

TEST(VpnControl, ListsTheDialUpProfilesAndSaysWhenNetworkManagerIsMissing) {
    Control c;
    c.nmcli.Answer("profiles",
                   "centre:vpn\nLAN:802-3-ethernet\nmodem:gsm\nwg\\:1:wireguard\nphone:bluetooth\n");
    QStringList list{QStringLiteral("stale")};
    c.vpn.ListEntries(list);
    EXPECT_EQ(list, (QStringList{"centre", "modem", "wg:1", "phone"}));
    EXPECT_EQ(c.nmcli.CallsWith(QStringLiteral("-t -f NAME,TYPE connection show")).size(), 1);

    EXPECT_EQ(c.vpn.Unavailable(), QString());
    c.nmcli.Answer("general", "", 8, "Error: NetworkManager is not running.\n");
    EXPECT_EQ(c.vpn.Unavailable(), QStringLiteral("NETWORKMANAGER НЕ ЗАПУЩЕН"));
    c.nmcli.Answer("profiles", "", 8);
    c.vpn.ListEntries(list);
    EXPECT_TRUE(list.isEmpty());

    CVPNControl missing(QStringLiteral("/nonexistent/nmcli"));
    EXPECT_EQ(missing.Unavailable(), QStringLiteral("NMCLI НЕ НАЙДЕН"));
}

// The line thread with the real control on the fake nmcli.
struct NmcliLink {
    FakeNmcli nmcli;
    LoopbackServer server;
    LinkRecorder rec;
    std::unique_ptr<CTlgClient> client = MakeClient(rec);

    explicit NmcliLink(bool permitted = true) {
        client->SetDialUpFactory(
            [this] { return std::make_unique<CVPNControl>(nmcli.Program(), 0); });
        client->SetVpn(true, QStringLiteral("centre"), QStringLiteral("operator"),
                       QStringLiteral("secret"), false);
        client->SetDialEnabled(permitted);
    }
    void Start() { client->SetTcp(kLoopbackHost, server.Port(), QString(), 0); }
    QString Connect() const { return QStringLiteral("Connect ") + Endpoint(server.Port()); }
};

TEST(VpnControlLine, DialsBeforeConnectingAndHangsUpWhenThePermissionGoes) {
    NmcliLink link;
    link.nmcli.ThenActive("up", "centre:vpn:activated\n");
    link.nmcli.ThenActive("down", "");
    link.Start();
    ASSERT_TRUE(link.rec.WaitStatus(link.Connect()));
    ASSERT_TRUE(link.server.Accept());
    EXPECT_EQ(link.nmcli.CallsWith(kUp).size(), 1);

    link.client->SetDialEnabled(false);
    ASSERT_TRUE(link.rec.WaitStatus(QStringLiteral("RAS HangUp")));
    EXPECT_EQ(link.nmcli.CallsWith(kDown).size(), 1);
    EXPECT_TRUE(link.server.WaitPeerClosed());
}

TEST(VpnControlLine, AHangingDialDoesNotHoldUpTheShutdown) {
    NmcliLink link;
    link.nmcli.Hang("up");
    link.Start();
    ASSERT_TRUE(WaitUntil([&] { return !link.nmcli.CallsWith(kUp).isEmpty(); }));
    QElapsedTimer shutdown;
    shutdown.start();
    link.client.reset();
    // nmcli itself would wait 60 s for the activation.
    EXPECT_LT(shutdown.elapsed(), 10000);
    EXPECT_TRUE(link.nmcli.PasswordFiles().size() == 1 &&
                !QFileInfo::exists(link.nmcli.PasswordFiles().first()));
}

TEST(VpnControlLine, WithoutNetworkManagerTheLinkSaysSoOnceAndConnectsDirectly) {
    NmcliLink link;
    link.client->SetTimings({.secondMs = 1000, .pauseMs = 1, .idleSleepMs = 1});
    link.nmcli.Answer("general", "", 8, "Error: NetworkManager is not running.\n");
    link.Start();
    ASSERT_TRUE(link.rec.WaitStatus(link.Connect()));
    EXPECT_EQ(link.rec.statuses.first().text,
              QStringLiteral("VPN НЕДОСТУПЕН: NETWORKMANAGER НЕ ЗАПУЩЕН. ПОДКЛЮЧЕНИЕ БЕЗ VPN"));
    EXPECT_EQ(link.nmcli.CallsWith(QStringLiteral("connection")).size(), 0);

    // Nothing to dial: the permission does not start the link again, which
    // would cut this wait short as it would break a working connection.
    ASSERT_TRUE(link.server.Accept());
    link.server.CloseConnection();
    ASSERT_TRUE(link.rec.WaitStatus(QStringLiteral("Error TCP Read. Disconnect.")));
    link.client->SetDialEnabled(false);
    EXPECT_GT(link.client->WaitSeconds(), 0);
}

}  // namespace
