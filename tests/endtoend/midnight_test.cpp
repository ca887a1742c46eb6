// Two midnights with the training centre: sending pauses at 23:56, the
// counters start again from the centre's numbering change or at 00:07, and
// sending resumes. Both clocks are moved by the test: the centre's runs a
// thousand times slower than real time and is set by command.

#include "support/ckssimprocess.h"
#include "workstation.h"

namespace {

class MidnightTest : public ProgramFolderTest {
protected:
    MidnightTest() : ws(QDateTime(QDate(2026, 1, 30), QTime(23, 50))) { ws.advanceClock = false; }

    // Sets the workstation's clock and lets a few ticks see it.
    void WorkstationTime(const QDateTime& time) {
        ws.clock.Set(time);
        Settle();
    }
    void CentreTime(const QString& time) { centre.Command("time " + time); }
    // A few dozen ticks.
    void Settle() { ws.RunTicks(40); }

    CkssimProcess centre;
    TWorkstation ws;
};

TEST_F(MidnightTest, SendingPausesAndResumesWithTheNewNumbering) {
    ASSERT_TRUE(centre.Start({"-t", home.file("centre.txt"), "-k", "off", "--auto-open",
                              "--start-time", "2026-01-30 23:50", "--speed", "0.001"}));
    ws.Start(centre.Port());
    ASSERT_TRUE(ws.WaitOpen()) << ws.Tail();
    ws.Put("0130q001", QStringLiteral("ДО ПОЛУНОЧИ"));
    ASSERT_TRUE(ws.WaitFiled("out/0130/0130q001.001")) << ws.Tail();

    // 23:56: the hold; the centre warns of the change (23:55 of its clock).
    WorkstationTime(QDateTime(QDate(2026, 1, 30), QTime(23, 56)));
    CentreTime("2026-01-30 23:55:30");
    ASSERT_TRUE(centre.WaitOutput("ЗАПРОСИТЕ КВИТАНЦИЮ СМЕНА НУМЕРАЦИИ"));
    ws.Put("0130q002", QStringLiteral("ПОСЛЕ ПОЛУНОЧИ"));
    Settle();
    EXPECT_FALSE(ws.exchange.Queue().IsSending()) << "held from 23:56";
    EXPECT_TRUE(ws.status.NumberingHold);

    // The workstation's midnight, then the centre's numbering change.
    WorkstationTime(QDateTime(QDate(2026, 1, 31), QTime(0, 0)));
    EXPECT_TRUE(ws.status.CounterResetPending);
    EXPECT_EQ(ws.status.NumberOutput, 1);
    EXPECT_FALSE(ws.exchange.Queue().IsSending());
    CentreTime("2026-01-31 00:00:05");
    ASSERT_TRUE(ws.WaitFiled("out/0131/0130q002.001")) << ws.Tail();
    EXPECT_TRUE(ws.Events().contains("СМЕНА НУМЕРАЦИИ. СЧЕТЧИКИ СБРОШЕНЫ. "));
    EXPECT_FALSE(ws.status.CounterResetPending);
    EXPECT_TRUE(ws.status.Automatic);
    centre.Command("telegram ОБ1 141911 2<>НОВЫЕ СУТКИ");
    ASSERT_TRUE(ws.WaitFor([&] { return ws.status.NumberInput == 1; })) << ws.Tail();
    ws.WaitFor([&] { return ws.exchange.NotesCountdown() == 0; });

    // The next midnight the workstation resets first, at 00:07; the centre's
    // change then finds the counters at 0 already.
    WorkstationTime(QDateTime(QDate(2026, 1, 31), QTime(23, 56)));
    EXPECT_TRUE(ws.status.NumberingHold);
    WorkstationTime(QDateTime(QDate(2026, 2, 1), QTime(0, 3)));
    EXPECT_TRUE(ws.status.CounterResetPending);
    WorkstationTime(QDateTime(QDate(2026, 2, 1), QTime(0, 7)));
    EXPECT_FALSE(ws.status.CounterResetPending);
    EXPECT_FALSE(ws.status.NumberingHold);
    EXPECT_EQ(ws.status.NumberOutput, 0);
    EXPECT_EQ(ws.status.NumberInput, 0);
    CentreTime("2026-02-01 00:07:30");
    ASSERT_TRUE(ws.WaitFor([&] {
        return ws.Events().contains(
            "СМЕНА НУМЕРАЦИИ УЖЕ ЗАФИКСИРОВАНА. СЧЕТЧИКИ УЖЕ БЫЛИ СБРОШЕНЫ. ");
    })) << ws.Tail();
    ws.Put("0201q001", QStringLiteral("ТРЕТЬИ СУТКИ"));
    ASSERT_TRUE(ws.WaitFiled("out/0201/0201q001.001")) << ws.Tail();
    EXPECT_TRUE(ws.status.Automatic);
    EXPECT_TRUE(centre.Status().contains("accepted=001 sent=000"))
        << centre.Output().right(300).toStdString();
}

}  // namespace
