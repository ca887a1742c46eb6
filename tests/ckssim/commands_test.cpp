#include "commands.h"
#include "centreclock.h"

#include <gtest/gtest.h>

namespace {

TEST(CkssimCentreCommands, ParsesTheCentreVerbs) {
    using K = TCentreCommand::Kind;
    const struct {
        const char* line;
        K kind;
        qint64 first;
        qint64 second;
        const char* text;
    } cases[] = {
        {"open", K::Open, 0, 0, ""},
        {"channel открыта", K::Channel, 0, 0, "ОТКРЫТА"},
        {"await", K::Await, 0, 0, "ОТКРЫТИЯ"},
        {"await БА", K::Await, 0, 0, "БА"},
        {"message  СВЯЗЬ РБ ", K::Message, 0, 0, "СВЯЗЬ РБ"},
        {"telegram", K::Telegram, 0, 0, ""},
        {"telegram ОБ1 141911 1<>ТЕКСТ", K::Telegram, 0, 0, "ОБ1 141911 1<>ТЕКСТ"},
        {"generate 200", K::Generate, 200, 60, ""},
        {"generate 5 0", K::Generate, 5, 0, ""},
        {"generate off", K::Generate, 0, 0, ""},
        {"counters 999 0", K::Counters, 999, 0, ""},
        {"ccm 0", K::Ccm, 0, 0, ""},
        {"texts /tmp/my texts", K::Texts, 0, 0, "/tmp/my texts"},
        {"time 23:55", K::Time, 0, 0, "23:55"},
        {"time 2026-01-30 23:55:10", K::Time, 0, 0, "2026-01-30 23:55:10"},
        {"fault distortion", K::FaultDistortion, 0, 0, ""},
        {"fault distortions", K::FaultDistortions, 0, 0, ""},
        {"fault mismatch", K::FaultMismatch, -1, 0, ""},
        {"fault mismatch 0 3", K::FaultMismatch, 0, 3, ""},
        {"fault skip", K::FaultSkip, 1, 0, ""},
        {"fault skip 4", K::FaultSkip, 4, 0, ""},
        {"fault cut", K::FaultCut, 0, 0, ""},
        {"fault drop", K::FaultDrop, 0, 0, ""},
        {"FAULT CLEAR", K::FaultClear, 0, 0, ""},
    };
    for (const auto& c : cases) {
        TCommand command;
        QString error;
        ASSERT_TRUE(ParseCommand(QString::fromUtf8(c.line), command, &error))
            << c.line << ": " << error.toStdString();
        ASSERT_EQ(command.kind, TCommand::Centre) << c.line;
        EXPECT_EQ(command.centre.kind, c.kind) << c.line;
        EXPECT_EQ(command.centre.first, c.first) << c.line;
        EXPECT_EQ(command.centre.second, c.second) << c.line;
        EXPECT_EQ(command.centre.text, QString::fromUtf8(c.text)) << c.line;
    }
    TCommand command;
    ASSERT_TRUE(ParseCommand(QStringLiteral("receipts on"), command, nullptr));
    EXPECT_TRUE(command.centre.on);
    ASSERT_TRUE(ParseCommand(QStringLiteral("autoopen off"), command, nullptr));
    EXPECT_EQ(command.centre.kind, TCentreCommand::AutoOpen);
    EXPECT_FALSE(command.centre.on);
    ASSERT_TRUE(ParseCommand(QStringLiteral("speed 60.5"), command, nullptr));
    EXPECT_DOUBLE_EQ(command.centre.speed, 60.5);
}

TEST(CkssimCentreCommands, ParsesTheCentreWaits) {
    const struct {
        const char* line;
        TCommand::Kind kind;
        qint64 number;
        const char* text;
        int timeoutMs;
    } cases[] = {
        {"wait state РБ", TCommand::WaitState, 0, "РБ", kDefaultWaitTimeoutMs},
        {"wait state открыта 500", TCommand::WaitState, 0, "РБ", 500},
        {"wait accepted 200 90000", TCommand::WaitAccepted, 200, "", 90000},
        {"wait sent 3", TCommand::WaitSentTelegrams, 3, "", kDefaultWaitTimeoutMs},
        {"wait time 00:07", TCommand::WaitTime, 0, "00:07", kDefaultWaitTimeoutMs},
        {"wait time 2026-01-31T00:07 100", TCommand::WaitTime, 0, "2026-01-31T00:07", 100},
    };
    for (const auto& c : cases) {
        TCommand command;
        QString error;
        ASSERT_TRUE(ParseCommand(QString::fromUtf8(c.line), command, &error))
            << c.line << ": " << error.toStdString();
        EXPECT_EQ(command.kind, c.kind) << c.line;
        EXPECT_EQ(command.number, c.number) << c.line;
        EXPECT_EQ(command.text, QString::fromUtf8(c.text)) << c.line;
        EXPECT_EQ(command.timeoutMs, c.timeoutMs) << c.line;
    }
}

TEST(CkssimCentreCommands, RejectsMalformedCentreLines) {
    for (const char* line : {"open now",
                             "channel",
                             "channel А Б",
                             "await А Б",
                             "message",
                             "generate",
                             "generate -1",
                             "generate 5 x",
                             "counters 1",
                             "counters 1000 0",
                             "ccm 3",
                             "receipts",
                             "stamps maybe",
                             "texts",
                             "speed 0",
                             "speed fast",
                             "time 25:00",
                             "time noon",
                             "fault",
                             "fault fire",
                             "fault skip 0",
                             "fault mismatch x",
                             "fault mismatch 1 2 3",
                             "fault cut now",
                             "wait state ЗАКРЫТО",
                             "wait accepted",
                             "wait time 24:61",
                             "wait sent 1 2 3"}) {
        TCommand command;
        QString error;
        EXPECT_FALSE(ParseCommand(QString::fromUtf8(line), command, &error)) << line;
        EXPECT_FALSE(error.isEmpty()) << line;
    }
}

TEST(CkssimCentreClock, ReadsStartTimes) {
    const QDate today(2026, 1, 30);
    const struct {
        const char* text;
        QDateTime expected;
    } cases[] = {
        {"23:55", QDateTime(today, QTime(23, 55))},
        {"7:05:09", QDateTime(today, QTime(7, 5, 9))},
        {"2026-02-01 00:00", QDateTime(QDate(2026, 2, 1), QTime(0, 0))},
        {"2026-02-01T23:59:59", QDateTime(QDate(2026, 2, 1), QTime(23, 59, 59))},
    };
    for (const auto& c : cases) {
        QDateTime time;
        ASSERT_TRUE(ParseCentreTime(QString::fromUtf8(c.text), today, time)) << c.text;
        EXPECT_EQ(time, c.expected) << c.text;
    }
    QDateTime time;
    for (const char* bad : {"", "24:00", "12", "2026-13-01 10:00", "a b c"})
        EXPECT_FALSE(ParseCentreTime(QString::fromUtf8(bad), today, time)) << bad;
}

TEST(CkssimCentreClock, SettingTheTimeAndTheSpeedKeepItsPlace) {
    TCentreClock clock;
    const QDateTime start(QDate(2026, 1, 30), QTime(23, 0));
    ASSERT_TRUE(clock.SetLocalTime(start));
    EXPECT_FALSE(clock.SetLocalTime(QDateTime()));
    clock.SetSpeed(1000.0);
    clock.SetSpeed(0.0);  // refused
    EXPECT_DOUBLE_EQ(clock.Speed(), 1000.0);
    // However long the test has been held up, the clock never goes back.
    const QDateTime later = clock.LocalTime();
    EXPECT_GE(later, start);
    EXPECT_GE(clock.LocalTime(), later);
}

}  // namespace
