#include "centre.h"
#include "exchange/matchpattern.h"
#include "support/centrecuts.h"
#include "support/fakeclock.h"
#include "support/lineliterals.h"
#include "support/testhome.h"
#include "util/linecode.h"

#include <gtest/gtest.h>

namespace {

// The line as the centre sees it, recording what it sends.
struct LineRecorder : ICentreLine {
    bool connected = true;
    LineText sent;
    int drops = 0;
    TCentre* centre = nullptr;

    bool IsConnected() const override { return connected; }
    bool Send(const LineText& bytes) override {
        if (!connected)
            return false;
        sent += bytes;
        return true;
    }
    void Drop() override {
        if (!connected)
            return;
        connected = false;
        ++drops;
        if (centre)
            centre->Disconnected();
    }
    LineText Take() {
        LineText out = sent;
        sent.clear();
        return out;
    }
};

QList<LineText> Bodies(const LineText& stream) {
    QList<LineText> bodies;
    for (const CentreCut& c : CutMessages(stream))
        bodies.append(StripRegisterMarks(c.body).trimmed());
    return bodies;
}

// The channel state the workstation takes from a counter report's words.
QString WorkstationState(const LineText& w1, const LineText& w2) {
    if (w1 == L(u"ОТКРОЙТЕ"))
        return QStringLiteral("БА");
    if (w1 == L(u"ЗАКРЫТО") && w2 == L(u"ПО"))
        return QStringLiteral("БВ");
    if (w1 != L(u"СВЯЗЬ"))
        return QString();
    if (w2 == L(u"РБ") || w2 == L(u"ОТКРЫТА"))
        return QStringLiteral("РБ");
    if (w2 == L(u"БА") || w2 == L(u"ОТКРОЙТЕ") || w2 == L(u"ОТКРЫТИЯ"))
        return QStringLiteral("БА");
    if (w2 == L(u"БД") || w2 == L(u"ЗАКРЫТА"))
        return QStringLiteral("БД");
    if (w2 == L(u"БВ") || w2 == L(u"БР"))
        return LineToWide(w2);
    return QString();
}

// A counter report read the way the workstation reads it.
struct Report {
    int matched = 0;
    int yours = -1;
    int ours = -1;
    QString state;
};

Report ReadReport(const LineText& body) {
    Report r;
    if (!body.startsWith(L(u"ВАШ ")))
        return r;
    LineText w1, w2;
    r.matched = MatchPattern("%3d " + L(u"НАШ") + " %3d " + L(u"ПОСЛЕДНИЕ") + " %s %s", body.mid(4),
                             &r.yours, &r.ours, &w1, &w2);
    r.state = WorkstationState(w1, w2);
    return r;
}

const LineText kKg2 = LineLiteral(u"|ЗЦЗЦ КС СТОП НННН  ");
LineText Framed(int n, std::u16string_view text) {
    return "\r\n" + L(u"ЗЦЗЦ ") + ThreeDigits(n) + ' ' + L(text) + "\r\n" + L(u"НННН  ") + "\r\n";
}

class CentreTest : public ::testing::Test {
protected:
    CentreTest() : centre(clock, line) {
        line.centre = &centre;
        centre.AddListener([this](const QString& e) { events << e; });
    }

    // Connects and opens the channel the way the workstation does it.
    void OpenChannel() {
        line.connected = true;
        centre.SetAutoOpen(true);
        centre.Connected();
        centre.Receive(kKg0);
        centre.Receive(Kg1(centre.SentToday()));
        ASSERT_EQ(centre.State(), TChannelState::Open);
        line.Take();
    }

    QList<LineText> Answer(const LineText& bytes) {
        centre.Receive(bytes);
        return Bodies(line.Take());
    }

    FakeClock clock{QDateTime(QDate(2026, 1, 30), QTime(14, 30))};
    LineRecorder line;
    TCentre centre;
    QStringList events;
};

// ------------------------------------------------------------- the channel

TEST_F(CentreTest, EveryCounterReportReadsAsTheStateTheCentreIsIn) {
    // Each state is reached the way the centre reaches it.
    const struct {
        std::function<void(TCentre&)> reach;
        const char16_t* code;
    } cases[] = {
        {[](TCentre& c) { c.Close(); }, u"БД"},
        {[](TCentre& c) { c.Open(); }, u"БА"},
        {[](TCentre& c) {
             c.Open();
             c.Receive(Kg1(0));
         },
         u"РБ"},
        {[](TCentre& c) { c.Channel(QStringLiteral("БВ")); }, u"БВ"},
        {[](TCentre& c) { c.Channel(QStringLiteral("БР")); }, u"БР"},
        {[](TCentre& c) { c.Await(QStringLiteral("ОТКРЫТИЯ")); }, u"БА"},
    };
    for (const auto& c : cases) {
        const QString code = QString::fromUtf16(c.code);
        centre.SetCounters(5, 7);
        c.reach(centre);
        ASSERT_EQ(TCentre::StateCode(centre.State()), code);
        line.Take();
        const QList<LineText> bodies = Answer(kKg0);
        ASSERT_EQ(bodies.size(), 1) << code.toStdString();
        const Report r = ReadReport(bodies[0]);
        EXPECT_EQ(r.matched, 4) << LineToWide(bodies[0]).toStdString();
        EXPECT_EQ(r.yours, 5);
        EXPECT_EQ(r.ours, 7);
        EXPECT_EQ(r.state, code) << LineToWide(bodies[0]).toStdString();
    }
}

TEST_F(CentreTest, OpensOnConnectWhenToldAndOnKg1) {
    centre.Connected();
    EXPECT_TRUE(line.Take().isEmpty());
    EXPECT_EQ(centre.State(), TChannelState::Closed);
    // Closed by the centre, КГ1 does not open it.
    EXPECT_EQ(ReadReport(Answer(Kg1(0)).value(0)).state, QStringLiteral("БД"));

    centre.SetAutoOpen(true);
    centre.Disconnected();
    centre.Connected();
    EXPECT_EQ(Bodies(line.Take()), QList<LineText>{L(u"ОТКРОЙТЕ СВЯЗЬ")});
    EXPECT_EQ(centre.State(), TChannelState::Stopped);
    const QList<LineText> opened = Answer(Kg1(0));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(ReadReport(opened[0]).state, QStringLiteral("РБ"));
    EXPECT_EQ(centre.State(), TChannelState::Open);

    centre.Disconnected();
    EXPECT_EQ(centre.State(), TChannelState::Closed);
}

TEST_F(CentreTest, StopHoldsTheChannelUntilKg1) {
    OpenChannel();
    EXPECT_EQ(Answer(kKg2), QList<LineText>{L(u"СВЯЗЬ БА")});
    EXPECT_EQ(centre.State(), TChannelState::Stopped);
    // Telegrams wait while stopped, and one from the workstation is refused.
    centre.QueueNextTelegram();
    centre.Tick();
    EXPECT_TRUE(line.Take().isEmpty());
    centre.Receive(Framed(1, u"ОБ1 141911 1<>ТЕКСТ"));
    EXPECT_EQ(centre.AcceptedToday(), 0);
    EXPECT_EQ(ReadReport(Answer(kKg0).value(0)).state, QStringLiteral("БА"));

    EXPECT_EQ(ReadReport(Answer(Kg1(0)).value(0)).state, QStringLiteral("РБ"));
    centre.Tick();
    EXPECT_EQ(centre.SentToday(), 1);
}

TEST_F(CentreTest, Kg1BehindTheSentCountIsToldWhereToAskFirst) {
    OpenChannel();
    centre.SetCounters(0, 12);
    const QList<LineText> bodies = Answer(Kg1(9));
    ASSERT_EQ(bodies.size(), 2);
    const LineText prefix = L(u"ОБРАЩАЙТЕСЬ В КСС ЗА ");
    ASSERT_TRUE(bodies[0].startsWith(prefix));
    int from = 0, to = 0;
    EXPECT_EQ(MatchPattern("%03d-%03d", bodies[0].mid(prefix.size()), &from, &to), 2);
    EXPECT_EQ(from, 10);
    EXPECT_EQ(to, 12);
    EXPECT_EQ(ReadReport(bodies[1]).ours, 12);
    // In step (or ahead, as after a numbering change) there is nothing to say.
    EXPECT_EQ(Answer(Kg1(12)).size(), 1);
    EXPECT_EQ(Answer(Kg1(20)).size(), 1);
}

// --------------------------------------------------------------- receiving

TEST_F(CentreTest, CountsTelegramsInSequenceOnly) {
    OpenChannel();
    centre.SetCounters(998, 0);
    line.Take();
    centre.Receive(Framed(999, u"ОБ1 141911 1<>А"));
    centre.Receive(Framed(0, u"ОБ2 141911 1<>Б"));  // 999 wraps to 000
    centre.Receive(Framed(2, u"ОБ3 141911 1<>В"));  // 001 was due
    centre.Receive(Framed(0, u"ОБ4 141911 1<>Г"));  // again
    EXPECT_EQ(centre.AcceptedToday(), 0);
    EXPECT_EQ(centre.AcceptedTotal(), 2);
    ASSERT_EQ(centre.Inbox().size(), 4);
    EXPECT_TRUE(centre.Inbox()[1].counted);
    EXPECT_FALSE(centre.Inbox()[2].counted);
    EXPECT_EQ(centre.Inbox()[2].number, 2);
    EXPECT_FALSE(centre.Inbox()[3].counted);
    // Nothing is answered for a telegram; the report tells.
    EXPECT_TRUE(line.Take().isEmpty());
    EXPECT_EQ(ReadReport(Answer(kKg0).value(0)).yours, 0);
}

TEST_F(CentreTest, ServiceTelegramsAreAcceptedWithoutCounting) {
    OpenChannel();
    const QList<LineText> bodies =
        Answer("\r\n" + L(u"ЗЦЗЦ ССС 141911 ПРОВЕРКА") + "\r\n" + L(u"НННН  ") + "\r\n");
    ASSERT_EQ(bodies.size(), 1);
    // The workstation looks for "ПРИНЯТО" after "ССС ".
    EXPECT_TRUE(bodies[0].startsWith(L(u"ССС ")));
    EXPECT_TRUE(bodies[0].mid(4).startsWith(L(u"ПРИНЯТО")));
    EXPECT_EQ(centre.ServiceTotal(), 1);
    EXPECT_EQ(centre.AcceptedToday(), 0);
}

TEST_F(CentreTest, TheStreamCutAnywhereGivesTheSameAnswers) {
    const LineText stream = kKg0 + Kg1(0) + Framed(1, u"ОБ1 141911 2<>ТЕКСТ ТЕСТ") + kKg0 +
                            "|\r\n" + L(u"ЗЦЗЦ ССС 141911 ТЕСТ") + "\r\n" + L(u"НННН  ") + kKg2 +
                            kKg0;
    auto run = [&](const QList<LineText>& chunks) {
        FakeClock c(QDateTime(QDate(2026, 1, 30), QTime(14, 30)));
        LineRecorder l;
        TCentre centre(c, l);
        centre.SetAutoOpen(true);
        centre.Connected();
        for (const LineText& chunk : chunks)
            centre.Receive(chunk);
        return std::make_pair(l.sent, centre.AcceptedToday());
    };
    const auto whole = run({stream});
    EXPECT_EQ(whole.second, 1);
    EXPECT_EQ(Bodies(whole.first).size(), 7);  // ОТКРОЙТЕ, 3 reports, the СВЯЗЬ answers
    for (qsizetype cut = 1; cut < stream.size(); ++cut)
        ASSERT_EQ(run({stream.left(cut), stream.mid(cut)}), whole) << "cut at " << cut;
    QList<LineText> bytes;
    for (char b : stream)
        bytes.append(LineText(1, b));
    EXPECT_EQ(run(bytes), whole);
}

TEST_F(CentreTest, GarbageNeitherGrowsWithoutBoundNorStopsTheNextAnswer) {
    OpenChannel();
    const LineText noise(1 << 20, char(0xFF));
    centre.Receive(noise);
    centre.Receive(LineText(3000, '\0'));
    EXPECT_EQ(Bodies(line.Take()).size(), 0);
    EXPECT_EQ(Answer(kKg0).size(), 1);
    // A message that never ends is dropped once too long; the next counts.
    centre.Receive(L(u"ЗЦЗЦ 001 ") + LineText(TCentre::kMaxMessage + 10, 'A'));
    centre.Receive(Framed(1, u"ОБ1 141911 1<>ТЕКСТ"));
    EXPECT_EQ(centre.AcceptedToday(), 1);
}

// ----------------------------------------------------------------- sending

TEST_F(CentreTest, FramesTelegramsForEachCentreType) {
    for (int ccm : {0, 1, 2}) {
        centre.SetCcm(ccm);
        centre.SetReceipts(true);
        const LineText frame = centre.TelegramFrame(5, centre.GeneratedText(5));
        const QList<CentreCut> cuts = CutMessages(frame);
        ASSERT_EQ(cuts.size(), 1) << ccm;
        // The body: an optional figures shift, the number, white space, a
        // header the workstation files under form 1.
        LineText body = cuts[0].body;
        EXPECT_EQ(body.startsWith('#'), ccm == 1);
        if (body.startsWith('#'))
            body.remove(0, 1);
        EXPECT_TRUE(body.startsWith("005 ")) << ccm;
        LineText letters, index;
        int origin = -1, words = -1;
        EXPECT_EQ(MatchPattern("%.3A%d %06D %d", body.mid(4), &letters, &origin, &index, &words),
                  4);
        EXPECT_EQ(letters, L(u"ОБ"));
        EXPECT_EQ(index, QByteArray("141911"));
        // The trailer starts at once with its four digits and is complete.
        const LineText after = cuts[0].after;
        LineText day, hh, mm, nn;
        EXPECT_EQ(MatchPattern("%4D %2D.%2D %4D", after, &day, &hh, &mm, &nn), 4) << ccm;
        EXPECT_EQ(day, QByteArray("0130"));
        EXPECT_EQ(hh + '.' + mm, QByteArray("14.30"));
        EXPECT_EQ(nn, QByteArray("0005"));
        // The receipt, found the way the workstation looks for it.
        const LineText buffer = L(u"НННН  ") + after;
        if (ccm == 0) {
            const LineText dashes(13, '-');
            const qsizetype d = FindFrom(buffer, dashes, 1);
            const qsizetype w = FindFrom(buffer, L(u"Р А С П И С К А"), 1);
            ASSERT_GT(d, 0);
            EXPECT_LT(d, w);
            const qsizetype d2 = FindFrom(buffer, dashes, d + 13);
            ASSERT_GT(d2, w);
            EXPECT_EQ(buffer.left(d2 + 12).right(13), dashes);
        } else {
            const qsizetype r = FindFrom(buffer, L(u"РАСПИСКА"), 1);
            ASSERT_GT(r, 0);
            const LineText close = ccm == 1 ? L(u".....|МИН") : L(u".....МИН");
            EXPECT_GT(FindFrom(buffer, close, r + 13), 0) << ccm;
        }
    }
    centre.SetReceipts(false);
    EXPECT_EQ(CutMessages(centre.TelegramFrame(5, "X"))[0].after, centre.Trailer(5) + "\r\n");
}

TEST_F(CentreTest, ClockStampsFollowCentreMessagesInTheFormOfTheCentreType) {
    OpenChannel();
    centre.SetClockStamps(true);
    const struct {
        int ccm;
        const char* stamp;
    } cases[] = {{0, "#1430\r\n"}, {1, "#14.30\r\n"}, {2, "#1430\r\n"}};
    for (const auto& c : cases) {
        centre.SetCcm(c.ccm);
        centre.SendReport();
        const QList<CentreCut> cuts = CutMessages(line.Take());
        ASSERT_EQ(cuts.size(), 1);
        EXPECT_EQ(cuts[0].after, QByteArray(c.stamp)) << c.ccm;
    }
    centre.SetClockStamps(false);
    centre.SendReport();
    EXPECT_EQ(CutMessages(line.Take())[0].after, QByteArray("\r\n"));
}

TEST_F(CentreTest, SendsQueuedTelegramsOnePerTickWithTheNextNumbers) {
    OpenChannel();
    centre.SetCcm(2);
    centre.SetCounters(0, 998);
    centre.QueueTelegram(L(u"ОБ7 141911 1\r\nПЕРВАЯ\r\n"));
    centre.QueueNextTelegram();
    centre.QueueNextTelegram();
    line.Take();
    for (const char* nnn : {"999 ", "000 ", "001 "}) {
        centre.Tick();
        const QList<CentreCut> cuts = CutMessages(line.Take());
        ASSERT_EQ(cuts.size(), 1);
        EXPECT_TRUE(cuts[0].body.startsWith(nnn)) << nnn;
    }
    EXPECT_EQ(centre.SentToday(), 1);
    EXPECT_EQ(centre.SentTotal(), 3);
    centre.Tick();
    EXPECT_TRUE(line.Take().isEmpty());
}

TEST_F(CentreTest, GeneratesOnItsClockAndOnlyWhileOpen) {
    OpenChannel();
    centre.Generate(3, 60);
    centre.Tick();
    EXPECT_EQ(centre.SentTotal(), 1);
    clock.AdvanceSeconds(59);
    centre.Tick();
    EXPECT_EQ(centre.SentTotal(), 1);
    centre.Receive(kKg2);
    clock.AdvanceSeconds(600);
    centre.Tick();
    centre.Tick();
    EXPECT_EQ(centre.SentTotal(), 1);
    EXPECT_EQ(centre.Queued(), 0);
    centre.Receive(Kg1(1));
    centre.Tick();
    EXPECT_EQ(centre.SentTotal(), 2);
    clock.AdvanceSeconds(60);
    centre.Tick();
    clock.AdvanceSeconds(60);
    centre.Tick();
    EXPECT_EQ(centre.SentTotal(), 3);
    EXPECT_EQ(centre.GenerateLeft(), 0);
}

TEST_F(CentreTest, TakesTextsFromAFolderInNameOrderRoundAndRound) {
    TestHome home;
    home.write(QStringLiteral("texts/b.txt"), QStringLiteral("ОБ2 141911 1\nВТОРАЯ\n").toUtf8());
    home.write(QStringLiteral("texts/a.txt"), QStringLiteral("ОБ1 141911 1\nПЕРВАЯ").toUtf8());
    home.write(QStringLiteral("texts/c.tlg"), L(u"ОБ3 141911 1\r\n#123"));
    EXPECT_FALSE(centre.SetTextFolder(home.file(QStringLiteral("none")), nullptr));
    ASSERT_TRUE(centre.SetTextFolder(home.file(QStringLiteral("texts")), nullptr));
    OpenChannel();
    QList<LineText> bodies;
    for (int i = 0; i < 4; ++i) {
        centre.QueueNextTelegram();
        centre.Tick();
        bodies.append(CutMessages(line.Take()).value(0).body);
    }
    EXPECT_EQ(bodies[0], L(u"#001 ОБ1 141911 1\r\nПЕРВАЯ\r\n"));
    EXPECT_EQ(bodies[1], L(u"#002 ОБ2 141911 1\r\nВТОРАЯ\r\n"));
    EXPECT_EQ(bodies[2], L(u"#003 ОБ3 141911 1\r\n#123\r\n"));
    EXPECT_EQ(bodies[3], L(u"#004 ОБ1 141911 1\r\nПЕРВАЯ\r\n"));
}

// ---------------------------------------------------------------- midnight

TEST_F(CentreTest, ChangesTheNumberingAtItsMidnight) {
    clock.Set(QDateTime(QDate(2026, 1, 30), QTime(23, 54)));
    OpenChannel();
    centre.SetCounters(3, 2);
    centre.Tick();
    EXPECT_TRUE(line.Take().isEmpty());

    clock.Set(23, 55);
    centre.Tick();
    EXPECT_EQ(Bodies(line.Take()),
              QList<LineText>{L(u"ЗАПРОСИТЕ КВИТАНЦИЮ СМЕНА НУМЕРАЦИИ В 00.00")});
    EXPECT_TRUE(centre.Holding());
    centre.QueueNextTelegram();
    clock.Set(23, 59, 59);
    centre.Tick();
    EXPECT_TRUE(line.Take().isEmpty());

    clock.Set(QDateTime(QDate(2026, 1, 31), QTime(0, 0, 1)));
    centre.Tick();
    const QList<LineText> bodies = Bodies(line.Take());
    ASSERT_EQ(bodies.size(), 1);
    const LineText prefix = L(u"СМЕНА ");
    ASSERT_TRUE(bodies[0].startsWith(prefix));
    int accepted = -1, sent = -1;
    LineText w1, w2;
    EXPECT_EQ(MatchPattern(L(u"НУМЕРАЦИИ ПРИН %04d ПЕР %04d %s %s"), bodies[0].mid(prefix.size()),
                           &accepted, &sent, &w1, &w2),
              4);
    EXPECT_EQ(accepted, 3);
    EXPECT_EQ(sent, 2);
    EXPECT_EQ(centre.AcceptedToday(), 0);
    EXPECT_EQ(centre.SentToday(), 0);
    // Still holding until the workstation answers, with its old count.
    centre.Tick();
    EXPECT_TRUE(line.Take().isEmpty());
    const QList<LineText> answer = Answer(Kg1(2));
    ASSERT_EQ(answer.size(), 1);  // no gap check on the old count
    EXPECT_EQ(ReadReport(answer[0]).ours, 0);
    EXPECT_FALSE(centre.Holding());
    centre.Tick();
    EXPECT_TRUE(CutMessages(line.Take()).value(0).body.startsWith("#001 "));
}

TEST_F(CentreTest, WithoutAnAnswerTheHoldEndsAfterSevenMinutes) {
    clock.Set(QDateTime(QDate(2026, 1, 30), QTime(23, 58)));
    OpenChannel();
    centre.Tick();
    clock.Set(QDateTime(QDate(2026, 1, 31), QTime(0, 0)));
    centre.Tick();
    centre.QueueNextTelegram();
    clock.Set(0, 6, 59);
    centre.Tick();
    EXPECT_EQ(centre.SentTotal(), 0);
    clock.Set(0, 7);
    centre.Tick();
    EXPECT_FALSE(centre.Holding());
    EXPECT_EQ(centre.SentTotal(), 1);
}

TEST_F(CentreTest, WithoutAWorkstationTheCountersResetSilently) {
    centre.SetCounters(4, 9);
    line.connected = false;
    clock.Set(QDateTime(QDate(2026, 1, 31), QTime(0, 0)));
    centre.Tick();
    EXPECT_EQ(centre.AcceptedToday(), 0);
    EXPECT_EQ(centre.SentToday(), 0);
    EXPECT_FALSE(centre.Holding());
}

// ------------------------------------------------------------------ faults

TEST_F(CentreTest, DistortionReportsAsTheWorkstationReadsThem) {
    const struct {
        bool plural;
        bool counted;
    } cases[] = {{false, false}, {true, true}};
    for (const auto& c : cases) {
        OpenChannel();
        centre.SetCounters(4, 0);
        centre.ArmDistortion(c.plural);
        const QList<LineText> bodies = Answer(Framed(5, u"ОБ1 141911 1<>ТЕКСТ"));
        ASSERT_EQ(bodies.size(), 1);
        int k = -1, yours = -1;
        if (c.plural) {
            EXPECT_EQ(MatchPattern(L(u"ИСКАЖЕНИЯ %d"), bodies[0], &k), 1);
        } else {
            EXPECT_EQ(MatchPattern(L(u"ИСКАЖЕНИЕ %d ВАШ %d"), bodies[0], &k, &yours), 2);
            EXPECT_EQ(yours, 4);
        }
        EXPECT_EQ(k, 5);
        EXPECT_EQ(centre.AcceptedToday(), c.counted ? 5 : 4);
        EXPECT_EQ(centre.State(), TChannelState::Stopped);
        // It strikes once.
        centre.Receive(Kg1(0));
        centre.Receive(Framed(c.counted ? 6 : 5, u"ОБ2 141911 1<>ТЕКСТ"));
        EXPECT_EQ(centre.AcceptedToday(), c.counted ? 6 : 5);
    }
}

TEST_F(CentreTest, MismatchSpoilsOneReportOnly) {
    OpenChannel();
    centre.SetCounters(10, 20);
    centre.ArmMismatch(-1, 2);
    Report r = ReadReport(Answer(kKg0).value(0));
    EXPECT_EQ(r.matched, 4);
    EXPECT_EQ(r.yours, 9);
    EXPECT_EQ(r.ours, 22);
    r = ReadReport(Answer(kKg0).value(0));
    EXPECT_EQ(r.yours, 10);
    EXPECT_EQ(r.ours, 20);
    centre.SetCounters(0, 0);
    centre.ArmMismatch(-1, 0);
    EXPECT_EQ(ReadReport(Answer(kKg0).value(0)).yours, 999);
}

TEST_F(CentreTest, SkipJumpsTheNumberAndTheCountFollows) {
    OpenChannel();
    centre.ArmSkip(2);
    centre.QueueNextTelegram();
    centre.QueueNextTelegram();
    centre.Tick();
    EXPECT_TRUE(CutMessages(line.Take()).value(0).body.startsWith("#003 "));
    centre.Tick();
    EXPECT_TRUE(CutMessages(line.Take()).value(0).body.startsWith("#004 "));
    EXPECT_EQ(centre.SentToday(), 4);
    EXPECT_EQ(centre.SentTotal(), 2);
}

TEST_F(CentreTest, CutSendsHalfDropsAndSendsItAgainWithTheSameNumber) {
    OpenChannel();
    centre.ArmCut();
    centre.QueueNextTelegram();
    centre.Tick();
    const LineText half = line.Take();
    EXPECT_EQ(line.drops, 1);
    EXPECT_TRUE(CutMessages(half).isEmpty());
    EXPECT_TRUE(half.startsWith(L(u"ЗЦЗЦ #001 ")));
    EXPECT_EQ(centre.SentTotal(), 0);
    EXPECT_EQ(centre.Queued(), 1);
    EXPECT_EQ(centre.State(), TChannelState::Closed);

    OpenChannel();
    centre.Tick();
    EXPECT_TRUE(CutMessages(line.Take()).value(0).body.startsWith("#001 "));
    EXPECT_EQ(centre.SentToday(), 1);
    EXPECT_EQ(centre.Queued(), 0);
}

TEST_F(CentreTest, DropClosesTheConnectionAndClearForgetsArmedFaults) {
    OpenChannel();
    centre.DropNow();
    EXPECT_EQ(line.drops, 1);
    EXPECT_EQ(centre.State(), TChannelState::Closed);

    OpenChannel();
    centre.ArmDistortion(false);
    centre.ArmMismatch(-1, 0);
    centre.ArmSkip(3);
    centre.ArmCut();
    centre.ClearFaults();
    centre.Receive(Framed(1, u"ОБ1 141911 1<>ТЕКСТ"));
    centre.QueueNextTelegram();
    centre.Tick();
    EXPECT_EQ(line.drops, 1);
    const QList<LineText> bodies = Bodies(line.Take());
    ASSERT_EQ(bodies.size(), 1);
    EXPECT_TRUE(bodies[0].startsWith("001 "));
    EXPECT_EQ(ReadReport(Answer(kKg0).value(0)).yours, 1);
}

}  // namespace
