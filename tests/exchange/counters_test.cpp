// Counters, service groups and the exchange's timers.

#include "centrestream.h"
#include "queuesupport.h"

namespace {

TEST(InputReconciliation, LagWithinTenOutsideWorkNeverLead) {
    const struct {
        int numberInput;
        int centreOurs;
        int state;
        bool disagree;
    } cases[] = {
        {7, 7, TExchange::StateRB, false},  {7, 7, TExchange::StateNone, false},
        {8, 7, TExchange::StateBA, true},   {8, 7, TExchange::StateRB, true},
        {3, 7, TExchange::StateBA, false},  {3, 7, TExchange::StateBD, false},
        {3, 7, TExchange::StateBV, false},  {3, 7, TExchange::StateBR, false},
        {3, 7, TExchange::StateRB, true},   {3, 7, TExchange::StateNone, true},
        {4, 14, TExchange::StateBA, false}, {3, 14, TExchange::StateBA, true},
        {3, 14, TExchange::StateBD, true},  {0, 0, TExchange::StateBA, false},
        {999, 0, TExchange::StateBA, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InputCountersDisagree(c.numberInput, c.centreOurs, c.state), c.disagree)
            << c.numberInput << " " << c.centreOurs << " state " << c.state;
}

class CountersTest : public QueueFixture {
protected:
    void Message(const QString& text) { Receive(CentreMessage(text)); }
};

TEST_F(CountersTest, AReportConfirmsTheTelegramHandedOver) {
    status.NumberInput = 7;
    status.NumberOutput = 4;
    Put("0130q001", "ТЕКСТ");
    TickUntilSent();
    Drain();
    Message("ВАШ 005 НАШ 007 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА");
    EXPECT_EQ(OutDay(), QStringList{"0130q001.005"});
    EXPECT_TRUE(status.Automatic);
    EXPECT_TRUE(Events().contains("ПОЛУЧЕНЫ СЧЕТЧИКИ"));
}

TEST_F(CountersTest, ATelegramStillOnItsWayIsNeitherConfirmedNorRejected) {
    status.NumberOutput = 4;
    Put("0130q001", "ТЕКСТ");
    TickUntilSent();
    Message("ВАШ 004 НАШ 000 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА");
    EXPECT_EQ(exchange.Queue().SendingFile(), "0130q001");
    EXPECT_TRUE(OutDay().isEmpty());
}

TEST_F(CountersTest, AnInputDisagreementStopsEverything) {
    status.NumberInput = 8;
    status.NumberOutput = 4;
    Put("0130q001", "ТЕКСТ");
    TickUntilSent();
    Drain();
    line.Take();
    Message("ВАШ 005 НАШ 007 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА");
    EXPECT_FALSE(status.Automatic);
    EXPECT_EQ(line.Take(), L(u"|ЗЦЗЦ КС СТОП НННН  ")) << "КГ2 in state РБ";
    EXPECT_EQ(Events().last(), "РАСХОЖДЕНИЕ СЧЕТЧИКОВ");
    EXPECT_EQ(exchange.Queue().SendingFile(), "0130q001") << "the output is not looked at";

    status.Automatic = true;
    status.NumberInput = 3;
    Message("ВАШ 005 НАШ 014 ПОСЛЕДНИЕ ОТКРОЙТЕ СВЯЗЬ");
    EXPECT_FALSE(status.Automatic) << "lagging by more than ten";
    EXPECT_TRUE(line.Take().isEmpty()) << "no КГ2 outside РБ and none";
}

TEST_F(CountersTest, LaggingOutsideWorkIsAcceptedAndTheChannelReopened) {
    status.NumberInput = 3;
    Message("ВАШ 000 НАШ 007 ПОСЛЕДНИЕ ОТКРОЙТЕ СВЯЗЬ");
    EXPECT_TRUE(status.Automatic);
    EXPECT_EQ(exchange.ChannelCaption(), "БА");
    EXPECT_EQ(line.Take(), L(u"|ЗЦЗЦ КС ВАШ 003=003 НННН  ")) << "КГ1 asks to open";

    status.CloseCountdown = 5;
    Message("ВАШ 000 НАШ 007 ПОСЛЕДНИЕ ОТКРОЙТЕ СВЯЗЬ");
    EXPECT_TRUE(line.Take().isEmpty()) << "not while closing";
    status.CloseCountdown = 0;
    exchange.SetMode(false);
    Message("ВАШ 000 НАШ 007 ПОСЛЕДНИЕ ОТКРОЙТЕ СВЯЗЬ");
    EXPECT_TRUE(line.Take().isEmpty()) << "not in manual mode";
}

TEST_F(CountersTest, TheReportsStateWords) {
    const struct {
        const char* words;
        const char* caption;
    } cases[] = {
        {"СВЯЗЬ ОТКРЫТА", "РБ"}, {"СВЯЗЬ ЗАКРЫТА", "БД"},         {"ОТКРОЙТЕ СВЯЗЬ", "БА"},
        {"СВЯЗЬ БР", "БР"},      {"ЗАКРЫТО ПО РАСПИСАНИЮ", "БВ"}, {"НЕЧТО ИНОЕ", "БВ"},
    };
    exchange.SetMode(false);
    for (const auto& c : cases) {
        Report(0, 0, c.words);
        EXPECT_EQ(exchange.ChannelCaption(), c.caption) << c.words;
    }
}

TEST_F(CountersTest, NumberingChangeInThreeCases) {
    status.NumberOutput = 5;
    status.NumberInput = 7;
    status.CounterResetPending = true;
    status.NumberingHold = true;
    Message("СМЕНА НУМЕРАЦИИ ПРИН 0005 ПЕР 0007 С 31.01");
    EXPECT_EQ(line.Take(), L(u"|ЗЦЗЦ КС ВАШ 007=007 НННН  ")) << "the old count";
    EXPECT_EQ(status.NumberInput, 0);
    EXPECT_EQ(status.NumberOutput, 0);
    EXPECT_EQ(StoredNumberOutput(), 0);
    EXPECT_FALSE(status.CounterResetPending);
    EXPECT_FALSE(status.NumberingHold);
    EXPECT_EQ(Events().last(), "СМЕНА НУМЕРАЦИИ. СЧЕТЧИКИ СБРОШЕНЫ. ");

    Message("СМЕНА НУМЕРАЦИИ ПРИН 0005 ПЕР 0007 С 31.01");
    EXPECT_EQ(line.Take(), L(u"|ЗЦЗЦ КС ВАШ 000=000 НННН  "));
    EXPECT_EQ(Events().last(), "СМЕНА НУМЕРАЦИИ УЖЕ ЗАФИКСИРОВАНА. СЧЕТЧИКИ УЖЕ БЫЛИ СБРОШЕНЫ. ");
    EXPECT_TRUE(status.Automatic);

    status.NumberOutput = 2;
    Message("СМЕНА НУМЕРАЦИИ ПРИН 0005 ПЕР 0000 С 31.01");
    EXPECT_TRUE(line.Take().isEmpty());
    EXPECT_FALSE(status.Automatic);
    EXPECT_EQ(Events().mid(Events().size() - 2),
              (QStringList{"СМЕНА НУМЕРАЦИИ. РАСХОЖДЕНИЕ СЧЕТЧИКОВ. ", "РЕЖИМ:РУЧНОЙ"}));

    status.NumberOutput = 0;
    status.CounterResetPending = true;
    status.Automatic = true;
    Message("СМЕНА НУМЕРАЦИИ ПРИН ПЕР");
    EXPECT_EQ(Events().mid(Events().size() - 2),
              (QStringList{"СМЕНА НУМЕРАЦИИ. РАСХОЖДЕНИЕ СЧЕТЧИКОВ. ", "РЕЖИМ:РУЧНОЙ"}))
        << "numbers not read count as different";
}

TEST_F(CountersTest, ServiceGroupButtons) {
    const struct {
        int group;
        const char16_t* sent;
        bool automaticAfter;
        int age;
    } cases[] = {
        {TExchange::KG0, u"|ЗЗ ", true, 1},
        {TExchange::KG1, u"|ЗЦЗЦ КС ВАШ 000=000 НННН  ", false, 1},
        {TExchange::KG2, u"|ЗЦЗЦ КС СТОП НННН  ", false, 1},
        {TExchange::KG4, u"", false, 0},
        {TExchange::KG5, u"|ЗЦЗЦ КС ТЕКСТ НННН  ", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.group);
        status.Automatic = true;
        Message("СВЯЗЬ ОТКРЫТА");
        host.calls.clear();
        exchange.PressServiceGroup(c.group);
        EXPECT_TRUE(exchange.AnswerbackArmed());
        EXPECT_EQ(line.Take(), L(c.sent));
        EXPECT_EQ(status.Automatic, c.automaticAfter);
        EXPECT_EQ(exchange.RequestAge(), c.age);
        EXPECT_EQ(host.Calls("OpenConfirmation").size(), c.group == TExchange::KG4 ? 1 : 0);
    }
}

TEST_F(CountersTest, ZZCountdownThenPeriodicRequestsWhileStopped) {
    Put("0130q001", "ТЕКСТ");
    TickUntilSent();
    Drain();
    exchange.SetChannelState(L(u"БА"));
    Tick(3);
    EXPECT_TRUE(line.sent.isEmpty()) << "the countdown holds the periodic request back";
    Tick();
    EXPECT_EQ(line.Take(), L(u"|ЗЗ "));
    Message("ВАШ 001 НАШ 000 ПОСЛЕДНИЕ ОТКРОЙТЕ СВЯЗЬ");
    line.Take();  // КГ1
    Message("СВЯЗЬ БА");
    int requests = 0;
    for (int i = 0; i < 30; ++i) {
        Tick();
        if (line.Take() == L(u"|ЗЗ ")) {
            ++requests;
            Message("СВЯЗЬ БА");  // answered each time
        }
    }
    EXPECT_EQ(requests, 3) << "every ten seconds in БА";

    // Unanswered, the request is repeated only after a minute.
    requests = 0;
    for (int i = 0; i < 80; ++i) {
        Tick();
        requests += line.Take() == L(u"|ЗЗ ");
    }
    EXPECT_EQ(requests, 2);

    Message("СВЯЗЬ ОТКРЫТА");
    Tick(30);
    EXPECT_TRUE(line.sent.isEmpty()) << "not in РБ";
    exchange.SetMode(false);
    exchange.SetChannelState(L(u"БА"));
    Tick(30);
    EXPECT_TRUE(line.sent.isEmpty()) << "not in manual mode";
}

TEST_F(CountersTest, IdleКГ0AfterQuietMinutes) {
    config.OnIdleSendKG0 = true;
    config.IdleSendKGTimeOut = 1;  // five minutes
    Tick(300);
    EXPECT_TRUE(line.sent.isEmpty());
    EXPECT_EQ(exchange.IdleCount(), 300);
    Tick();
    EXPECT_EQ(line.Take(), L(u"|ЗЗ "));
    EXPECT_EQ(exchange.IdleCount(), 0);
    Message("СВЯЗЬ ОТКРЫТА");
    Tick(100);
    exchange.SendToLine("X");
    EXPECT_EQ(exchange.IdleCount(), 0) << "anything sent starts the count again";
    line.Take();
    config.OnIdleSendKG0 = false;
    Tick(400);
    EXPECT_TRUE(line.sent.isEmpty());
}

TEST_F(CountersTest, WithoutFoldersNothingIsSentOrCompleted) {
    status.FoldersReady = false;
    Put("0130q001", "ТЕКСТ");
    Receive(CentreTelegram(1, "ПМ12 141911 7 12 1430", "ТЕКСТ"));
    ASSERT_GT(exchange.NotesCountdown(), 0);
    const int notes = exchange.NotesCountdown();
    exchange.SendServiceGroup(TExchange::KG0);
    line.Take();
    Tick(100);
    EXPECT_TRUE(line.sent.isEmpty()) << "no scan, no КГ0 timers";
    EXPECT_EQ(exchange.NotesCountdown(), notes) << "the telegram is not completed by time-out";
    EXPECT_EQ(exchange.RequestAge(), 1) << "the request does not age";
    EXPECT_TRUE(DayFile("0130u911.001").isEmpty());
    status.FoldersReady = true;
    RunOutNotes();
    EXPECT_FALSE(DayFile("0130u911.001").isEmpty());
}

TEST_F(CountersTest, RequestAgeCountsSecondsUntilAnswered) {
    exchange.SetMode(false);  // no periodic КГ0 in БА
    exchange.SendServiceGroup(TExchange::KG2);
    Tick(5);
    EXPECT_EQ(exchange.RequestAge(), 6);
    Message("СВЯЗЬ БА");
    EXPECT_EQ(exchange.RequestAge(), 0);
    Tick(5);
    EXPECT_EQ(exchange.RequestAge(), 0);
}

TEST(TrayImage, ByConnectionStateModeAndActivity) {
    const struct {
        bool connected;
        int state;
        bool automatic;
        int image;
    } cases[] = {
        {false, TExchange::StateRB, true, 10}, {true, TExchange::StateRB, true, 8},
        {true, TExchange::StateRB, false, 9},  {true, TExchange::StateBA, true, 5},
        {true, TExchange::StateBD, true, 7},   {true, TExchange::StateBV, true, 6},
        {true, TExchange::StateBR, true, 0},   {true, TExchange::StateNone, true, 0},
    };
    for (const auto& c : cases) {
        int activity = 0;
        EXPECT_EQ(NextTrayImage(3, c.connected, c.state, c.automatic, activity), c.image);
    }
    int activity = 4;
    QList<int> steps;
    int image = 8;
    for (int i = 0; i < 7; ++i) {
        image = NextTrayImage(image, true, TExchange::StateRB, true, activity);
        steps << image;
    }
    EXPECT_EQ(steps, (QList<int>{4, 0, 8, 8, 8, 8, 8})) << "until the step reaches 0";
    activity = 1;
    EXPECT_EQ(NextTrayImage(10, true, TExchange::StateBA, true, activity), 5)
        << "animated only in РБ";
    EXPECT_EQ(activity, 1);
}

}  // namespace
