#include "exchange/exchangeclock.h"

#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "support/fakeclock.h"
#include "support/protocolevents.h"
#include "support/testhome.h"
#include "util/datetimeformat.h"
#include "util/linecode.h"

#include <gtest/gtest.h>

namespace {

struct RecordingHost : IExchangeClockHost {
    void StartDay(const QString& dayText) override { days << dayText; }
    void CountersReset() override { ++resets; }
    QStringList days;
    int resets = 0;
};

class ExchangeClockTest : public ProgramFolderTest {
protected:
    ExchangeClockTest() {
        protocol.SetFileName(QStringLiteral("test.prt"));
        status.DayText = QStringLiteral("0130");
    }

    void setCounters(int n) {
        status.NumberInput = status.NumberOutput = status.EditNumber = status.PrfNumber =
            status.LineInputNumber = n;
    }
    int counterSum() const {
        return status.NumberInput + status.NumberOutput + status.EditNumber + status.PrfNumber +
               status.LineInputNumber;
    }
    // Runs the clock once a second from now until the given local time.
    void runUntil(const QDateTime& end) {
        while (clock.LocalTime() < end) {
            clock.AdvanceSeconds(1);
            exchange.UpdateExchangeClock();
        }
    }
    // The text of the last event lines, without markers and time stamps.
    QStringList lastEvents(int n) const {
        const QStringList events = ProtocolEventsWithLevel(protocol);
        return events.mid(qMax<qsizetype>(0, events.size() - n));
    }

    FakeClock clock{QDateTime(QDate(2026, 1, 30), QTime(12, 0))};
    _tlg_config config;
    _tlg_status status;
    TProtocol protocol;
    RecordingHost host;
    TExchangeClock exchange{clock, config, status, protocol, &host};
};

TEST_F(ExchangeClockTest, TextsFollowTheWorkingTime) {
    clock.Set(QDateTime(QDate(2026, 1, 30), QTime(9, 5, 7)));
    exchange.UpdateExchangeClock();
    EXPECT_EQ(status.CurrentTimeText, "0905");
    EXPECT_EQ(status.CurrentTimeColonText, "09:05");
    EXPECT_EQ(status.CurrentSecondsText, "090507");
    EXPECT_EQ(status.CurrentSecondsColonText, "09:05:07");
    EXPECT_EQ(protocol.TimeText(), "09:05:07");
    EXPECT_TRUE(host.days.isEmpty()) << "same day";

    config.CorrectTimeTZ = 10;  // the centre is ten hours behind: the previous day
    exchange.UpdateExchangeClock();
    EXPECT_EQ(status.CurrentSecondsColonText, "23:05:07");
    EXPECT_EQ(status.DayText, "0129");
    EXPECT_EQ(status.CurrentDateText, "29/01");
    EXPECT_EQ(host.days, QStringList{"0129"});

    config.CorrectTimeTZ = -3;
    config.DayFormat = "yymmdd";
    exchange.UpdateExchangeClock();
    EXPECT_EQ(status.CurrentTimeColonText, "12:05");
    EXPECT_EQ(status.DayText, "260130");
}

TEST_F(ExchangeClockTest, NormalMidnightHoldsSendingAndResetsAtSeven) {
    setCounters(5);
    clock.Set(QDateTime(QDate(2026, 1, 30), QTime(23, 54, 0)));
    exchange.UpdateExchangeClock();
    runUntil(QDateTime(QDate(2026, 1, 30), QTime(23, 55, 59)));
    EXPECT_FALSE(status.NumberingHold);
    runUntil(QDateTime(QDate(2026, 1, 30), QTime(23, 56, 0)));
    EXPECT_TRUE(status.NumberingHold) << "sending from the output folder pauses at 23:56";

    runUntil(QDateTime(QDate(2026, 1, 31), QTime(0, 0, 0)));
    EXPECT_EQ(host.days, QStringList{"0131"});
    EXPECT_TRUE(status.CounterResetPending);
    EXPECT_EQ(counterSum(), 25) << "counters stay until the centre's night is over";
    EXPECT_TRUE(status.NumberingHold);

    runUntil(QDateTime(QDate(2026, 1, 31), QTime(0, 6, 59)));
    EXPECT_EQ(counterSum(), 25);
    EXPECT_EQ(host.resets, 0);
    runUntil(QDateTime(QDate(2026, 1, 31), QTime(0, 7, 0)));
    EXPECT_EQ(counterSum(), 0) << "all five day counters at 00:07";
    EXPECT_FALSE(status.CounterResetPending);
    EXPECT_FALSE(status.NumberingHold) << "sending resumes";
    EXPECT_EQ(host.resets, 1);
    EXPECT_EQ(status.CurrentDateText, "31/01");

    // Nothing more happens during the day.
    runUntil(QDateTime(QDate(2026, 1, 31), QTime(0, 20, 0)));
    EXPECT_EQ(host.resets, 1);
    EXPECT_EQ(host.days.size(), 1);
}

TEST_F(ExchangeClockTest, DayChangeAfterSixMinutesPastResetsAtOnce) {
    setCounters(7);
    status.NumberingHold = true;  // e.g. announced by the centre
    clock.Set(QDateTime(QDate(2026, 1, 31), QTime(0, 7, 0)));
    exchange.UpdateExchangeClock();
    EXPECT_EQ(status.NumberInput, 0);
    EXPECT_EQ(status.NumberOutput, 0);
    EXPECT_EQ(status.EditNumber, 7) << "only the exchange counters are reset at once";
    EXPECT_FALSE(status.CounterResetPending);
    EXPECT_FALSE(status.NumberingHold) << "a hold must not outlive the reset it guards";
    EXPECT_EQ(host.resets, 1);
    EXPECT_EQ(host.days, QStringList{"0131"});
}

TEST_F(ExchangeClockTest, DayChangeAtSixMinutesPastStillWaits) {
    setCounters(3);
    clock.Set(QDateTime(QDate(2026, 1, 31), QTime(0, 6, 30)));
    exchange.UpdateExchangeClock();
    EXPECT_TRUE(status.CounterResetPending);
    EXPECT_EQ(counterSum(), 15);
    runUntil(QDateTime(QDate(2026, 1, 31), QTime(0, 7, 0)));
    EXPECT_EQ(counterSum(), 0);
}

TEST_F(ExchangeClockTest, CorrectClockCases) {
    struct Case {
        const char* name;
        int tz;
        QTime local;
        int hh, mm;
        QTime after;  // invalid: the clock is not touched
        QStringList events;
    };
    const Case cases[] = {
        {"other zone, same time", -3, QTime(22, 10, 15), 1, 10, QTime(), {}},
        {"two minutes apart", 0, QTime(10, 0, 15), 10, 2, QTime(), {}},
        {"three minutes: corrected, seconds kept",
         0,
         QTime(10, 0, 15, 250),
         10,
         3,
         QTime(10, 3, 15, 250),
         {"3КОРРЕКТИРОВКА ВРЕМЕНИ"}},
        {"backwards too", 0, QTime(10, 0, 15), 9, 1, QTime(9, 1, 15), {"3КОРРЕКТИРОВКА ВРЕМЕНИ"}},
        {"exactly two hours", 0, QTime(10, 0), 12, 0, QTime(), {}},
        {"over two hours",
         0,
         QTime(10, 0),
         12,
         1,
         QTime(),
         {"4АВТОМАТИЧЕСКАЯ КОРРЕКТИРОВКА ВРЕМЕНИ", "4 НА ИНТЕРВАЛ БОЛЕЕ 2 ЧАСОВ НЕ ВОЗМОЖНА",
          "4УСТАНОВИТЕ ПРАВИЛЬНОЕ ВРЕМЯ"}},
        {"across midnight counts the long way",
         0,
         QTime(23, 59),
         0,
         1,
         QTime(),
         {"4АВТОМАТИЧЕСКАЯ КОРРЕКТИРОВКА ВРЕМЕНИ", "4 НА ИНТЕРВАЛ БОЛЕЕ 2 ЧАСОВ НЕ ВОЗМОЖНА",
          "4УСТАНОВИТЕ ПРАВИЛЬНОЕ ВРЕМЯ"}},
        {"garbage minutes", 0, QTime(10, 0), 10, 75, QTime(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype before = protocol.Lines().size();
        config.CorrectTimeTZ = c.tz;
        clock.Set(QDateTime(QDate(2026, 1, 30), c.local));
        clock.setRequests = 0;
        exchange.CorrectClock(c.hh, c.mm);
        if (c.after.isValid()) {
            EXPECT_EQ(clock.LocalTime(), QDateTime(QDate(2026, 1, 30), c.after));
            EXPECT_EQ(status.CurrentTimeColonText, c.after.toString("hh:mm"))
                << "the exchange clock follows at once";
        } else {
            EXPECT_EQ(clock.setRequests, 0);
        }
        const int added = int(protocol.Lines().size() - before) / 2;
        EXPECT_EQ(lastEvents(added), c.events);
    }
}

TEST_F(ExchangeClockTest, RefusedCorrectionIsSilent) {
    clock.refuse = true;
    clock.Set(QDateTime(QDate(2026, 1, 30), QTime(10, 0)));
    const qsizetype before = protocol.Lines().size();
    exchange.CorrectClock(10, 5);
    EXPECT_EQ(clock.setRequests, 1);
    EXPECT_EQ(clock.LocalTime().time(), QTime(10, 0));
    EXPECT_EQ(protocol.Lines().size(), before);
}

// The system's time service may take seconds to answer: the stamp's block
// does not wait for it, and the stamps that follow ask nothing more.
TEST_F(ExchangeClockTest, TheCorrectionDoesNotWaitForTheSystem) {
    clock.answerLater = true;
    clock.Set(QDateTime(QDate(2026, 1, 30), QTime(10, 0, 15)));
    exchange.UpdateExchangeClock();
    exchange.CorrectClock(10, 5);
    exchange.CorrectClock(10, 5);
    EXPECT_EQ(clock.setRequests, 0) << "asked, not yet answered";
    EXPECT_EQ(clock.pendingTime, QDateTime(QDate(2026, 1, 30), QTime(10, 5, 15)));
    EXPECT_EQ(status.CurrentTimeColonText, "10:00");
    EXPECT_TRUE(lastEvents(1).isEmpty());

    ASSERT_TRUE(clock.AnswerPending());
    EXPECT_FALSE(clock.AnswerPending()) << "one request for the two stamps";
    EXPECT_EQ(status.CurrentTimeColonText, "10:05");
    EXPECT_EQ(lastEvents(1), QStringList{"3КОРРЕКТИРОВКА ВРЕМЕНИ"});
}

}  // namespace
