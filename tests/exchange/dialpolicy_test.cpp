// When the dial-up connection may be up: the time table, the telegrams that
// wait, the countdown after the last traffic and the "Dial" button, with the
// fake clock.

#include "queuesupport.h"

namespace {

struct RecordingPermission : IDialPermission {
    bool IsDialEnabled() const override { return on; }
    void SetDialEnabled(bool value) override {
        on = value;
        changes << value;
    }
    bool DialUpInUse() const override { return true; }
    bool on = false;
    QList<bool> changes;
};

class DialPolicyTest : public QueueFixture {
protected:
    DialPolicyTest() {
        config.VpnUse = true;
        config.VpnUseTimeTable = true;
        config.VpnDisconnectDelay = 20;
        exchange.DialPolicy().SetPermission(&permission);
    }
    RecordingPermission permission;
};

TEST_F(DialPolicyTest, TheTimeTableGrantsThePermissionInItsMinutesOnly) {
    config.VpnTimeTable = "08:00, 12:00 16:30";
    QStringList granted;
    for (int minute = 0; minute < 24 * 60; ++minute) {
        exchange.TickDialPolicy();
        if (permission.on) {
            granted << exchange.Clock().WorkingTime().toString("hh:mm");
            permission.on = false;
        }
        clock.AdvanceSeconds(60);
    }
    EXPECT_EQ(granted, (QStringList{"12:00", "16:30", "08:00"}));
    EXPECT_EQ(permission.changes, (QList<bool>{true, true, true}))
        << "without traffic the countdown never starts, so nothing is withdrawn";

    // Without the time table the permission is granted whenever it is off.
    config.VpnUseTimeTable = false;
    exchange.TickDialPolicy();
    EXPECT_TRUE(permission.on);
    // And nothing at all without VPN/Use.
    config.VpnUse = false;
    permission.on = false;
    exchange.TickDialPolicy();
    EXPECT_FALSE(permission.on);
}

TEST_F(DialPolicyTest, AnEmptyTableIsUpWhileTelegramsWaitAndAfterTheButton) {
    Tick(10);
    EXPECT_TRUE(permission.changes.isEmpty()) << "nothing waits and the countdown is 0";

    Put("0130q001", "ТЕКСТ");
    Tick();
    EXPECT_TRUE(permission.on) << "a telegram waits";
    TickUntilSent();
    Drain();
    EXPECT_EQ(exchange.DialPolicy().DisconnectCountdown(), 20) << "reloaded once counted";
    Tick(60);
    EXPECT_TRUE(permission.on) << "held while the telegram waits for its verdict";
    line.sent.clear();
    Report(1, 0);
    ASSERT_EQ(OutDay(), QStringList{"0130q001.001"});
    Tick(19);
    EXPECT_TRUE(permission.on);
    Tick();
    EXPECT_FALSE(permission.on) << "DisconnectDelay seconds after the last message";
    Tick(100);
    EXPECT_EQ(permission.changes, (QList<bool>{true, false}));

    exchange.DialPolicy().DialPressed();
    EXPECT_TRUE(permission.on);
    Tick(59);
    EXPECT_TRUE(permission.on);
    Tick();
    EXPECT_FALSE(permission.on) << "60 s after the button";

    // A message coming in meanwhile starts the countdown of DisconnectDelay.
    exchange.DialPolicy().DialPressed();
    Tick(10);
    Report(1, 0);
    Tick(19);
    EXPECT_TRUE(permission.on);
    Tick();
    EXPECT_FALSE(permission.on);
    EXPECT_EQ(permission.changes, (QList<bool>{true, false, true, false, true, false}));
}

}  // namespace
