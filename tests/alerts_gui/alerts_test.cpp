// The alert windows and the lost-link alarm, driven second by second, with
// the sounds recorded.

#include "alerts/alertwindows.h"
#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "support/lineliterals.h"
#include "support/protocolevents.h"
#include "support/recordingsound.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

struct Alerts {
    _tlg_config config;
    TProtocol protocol;
    RecordingSound sound;
    QList<LineText> sent;
    QString operatorName;
    TAlertContext context{config,
                          protocol,
                          sound,
                          [this](const LineText& t) { sent << t; },
                          [this] { return operatorName; },
                          [] { return 7; },
                          {},
                          {}};
    TForm_Info info{context, nullptr};
    TForm_RaketaConfirm confirm{context, nullptr};
    TForm_Message message{context, nullptr};
};

TEST(Alerts, TheConfirmationOfCategoryR) {
    const struct {
        const char* what;
        int autoConfirm;
        QString operatorName;
        int soundKind;
        int ticks;
        QStringList sounds;
        bool sent;
    } rows[] = {
        {"auto-confirm after five seconds", 5, "ИВАНОВ", 0, 5, {"stop"}, true},
        {"not before", 5, "ИВАНОВ", 0, 4, {}, false},
        {"no operator on duty: no auto-confirm", 5, "", 0, 10, {}, false},
        {"the file once", 0, "", 2, 0, {"play alarm.wav"}, false},
        {"the file looped", 0, "", 3, 0, {"loop alarm.wav"}, false},
        {"a beep every second", 0, "", 1, 3, {"beep", "beep", "beep"}, false},
    };
    for (const auto& row : rows) {
        Alerts a;
        a.config.RAutoConfirm = row.autoConfirm;
        a.config.RaketaType = row.soundKind;
        a.operatorName = row.operatorName;
        a.confirm.Open(L(u"ПОДТВЕРДИТЕ ПРИЕМ Р 007"));
        EXPECT_EQ(a.confirm.Edit_N->text(), "007") << row.what;
        EXPECT_EQ(a.confirm.Button_Confirm->text(), row.autoConfirm && !row.operatorName.isEmpty()
                                                        ? QStringLiteral("Подтвердить (5сек)")
                                                        : QStringLiteral("Подтвердить"))
            << row.what;
        // Minimised it is still open: sound, countdown and beeps go on.
        a.confirm.showMinimized();
        for (int i = 0; i < row.ticks; ++i)
            a.confirm.Tick();
        EXPECT_EQ(a.sound.calls, row.sounds) << row.what;
        ASSERT_EQ(a.sent.size(), row.sent ? 1 : 0) << row.what;
        if (row.sent) {
            EXPECT_EQ(a.sent[0], L(u"ЗЦЗЦ КС Р007 ПРИН ИВАНОВ НННН  "));
            EXPECT_FALSE(a.confirm.isVisible());
        }
        // However it closes, the sound stops.
        a.confirm.close();
        EXPECT_EQ(a.sound.calls.last(), "stop") << row.what;
    }
}

TEST(Alerts, TheOperatorConfirmsOrRefuses) {
    Alerts a;
    a.confirm.Open(LineText());  // КГ4: no message
    a.confirm.Edit_N->setText("1a");
    a.confirm.Button_Confirm->click();
    EXPECT_TRUE(a.sent.isEmpty()) << "not a decimal number";
    EXPECT_TRUE(a.confirm.isVisible());
    a.confirm.Edit_N->setText("12");
    a.confirm.Edit_Name->setText("ПЕТРОВ");
    a.confirm.Button_Confirm->click();
    ASSERT_EQ(a.sent.size(), 1);
    EXPECT_EQ(a.sent[0], L(u"ЗЦЗЦ КС Р012 ПРИН ПЕТРОВ НННН  "));
    a.confirm.Open(LineText());
    a.confirm.Button_Refuse->click();
    EXPECT_EQ(a.sent.size(), 1);
    EXPECT_FALSE(a.confirm.isVisible());
}

TEST(Alerts, TheCategoryAlertAndTheCentresMessages) {
    Alerts a;
    a.config.KType = 3;
    a.info.ShowAlert();
    a.info.showMinimized();  // still open
    a.info.ShowAlert();      // shown already: nothing changes
    EXPECT_EQ(a.sound.calls, QStringList{"loop alarm.wav"});
    a.info.Button_Close->click();
    EXPECT_EQ(a.sound.calls.last(), "stop");
    const QStringList events = ProtocolEvents(a.protocol);
    EXPECT_EQ(events.count("ВЫДАНО СООБЩЕНИЕ: Прием категорийной тлг, обеспечьте прием "), 1);
    EXPECT_EQ(events.count("СБРОШЕНО СООБЩЕНИЕ: Прием категорийной тлг, обеспечьте прием "), 1);

    a.message.ShowMessage(L(u"ОБРАЩАЙТЕСЬ В КСС ЗА 008-010"));
    a.message.ShowMessage(L(u"ОБРАЩАЙТЕСЬ В КСС ЗА 011"));
    a.message.Button_Close->click();
    const QStringList later = ProtocolEvents(a.protocol);
    EXPECT_TRUE(later.contains("ВЫДАНО СООБЩЕНИЕ: ОБРАЩАЙТЕСЬ В КСС ЗА 008-010"));
    EXPECT_EQ(later.last(), "СБРОШЕНО СООБЩЕНИЕ: ОБРАЩАЙТЕСЬ В КСС ЗА 011") << "replaced";
}

TEST(Alerts, TheLostLinkAlarm) {
    _tlg_config config;
    config.NcType = 2;
    config.NcFile = QStringLiteral("nc.wav");
    RecordingSound sound;
    bool button = false;
    TNoConnectionAlarm alarm(config, sound, [&](bool shown) { button = shown; });
    for (int second = 1; second <= 9; ++second)
        alarm.Tick(false);
    EXPECT_TRUE(sound.calls.isEmpty()) << "nine seconds: silent";
    alarm.Tick(false);
    EXPECT_EQ(sound.calls, QStringList{"play nc.wav"});
    EXPECT_TRUE(button);
    alarm.StopSound();
    EXPECT_FALSE(button);
    for (int second = 0; second < 30; ++second)
        alarm.Tick(false);
    EXPECT_EQ(sound.Count("play nc.wav"), 1) << "silent until the link has been up";
    alarm.Tick(true);
    for (int second = 0; second < 10; ++second)
        alarm.Tick(false);
    EXPECT_EQ(sound.Count("play nc.wav"), 2);
    for (int second = 10; second < 60; ++second)
        alarm.Tick(false);
    EXPECT_FALSE(button) << "played once: the button goes at 60 s";

    // A beep every third second.
    config.NcType = 1;
    RecordingSound beeps;
    TNoConnectionAlarm beeper(config, beeps, [](bool) {});
    for (int second = 0; second < 9; ++second)
        beeper.Tick(false);
    EXPECT_EQ(beeps.Count("beep"), 3);
}

}  // namespace
