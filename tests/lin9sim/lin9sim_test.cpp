// The line adapter simulator as a program, against a workstation played byte
// for byte by the test on the simulator's pseudo-terminal.

#include "line/fivebit.h"
#include "support/ckssimprocess.h"
#include "support/lin9simprocess.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/ptypeer.h"
#include "support/testhome.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

// How long the port must stay quiet where nothing may come.
constexpr int kQuietMs = 300;

// Reads exactly as many bytes as expected (more would show in the next step).
QByteArray ReadAnswer(PtyPeer& ws, const QByteArray& expected, int ceilingMs = kCeilingMs) {
    return ws.ReadUntil([&](const QByteArray& got) { return got.size() >= expected.size(); },
                        ceilingMs);
}

struct Step {
    const char* what;
    QStringList commands;  // given to the simulator first
    QByteArray written;    // then written by the workstation
    // Then read by it: these bytes exactly; empty: nothing within kQuietMs;
    // none: the port is not looked at.
    std::optional<QByteArray> answer;
    QByteArray printed;   // printed by the simulator meanwhile
    bool reopen = false;  // the workstation closes the port and opens it again first
};

}  // namespace

TEST(Lin9sim, AnswersTheWorkstationByteForByte) {
    Lin9simProcess sim;
    ASSERT_TRUE(sim.Start({QStringLiteral("--fast")}));
    auto ws = std::make_unique<PtyPeer>(sim.PtyPath());
    ASSERT_TRUE(ws->IsOpen());
    ASSERT_TRUE(sim.WaitOutput("OPENED"));

    // Codes from the code table: З 17, Ц 14, space 4, 1 23, 2 19, 3 1, 5 16,
    // 7 7, Т 16, Л 18, Г 26; shifts: Russian 0, figures 27, Latin 31;
    // CR 8, LF 2 in every register.
    const Step steps[] = {
        {"the first speed byte starts work with a full credit",
         {},
         Bytes({0x65}),
         Bytes({0x2F}),
         "SPEED 50"},
        {"the same speed again is not answered", {}, Bytes({0x65}), QByteArray(), {}},
        {"a change of speed is answered", {}, Bytes({0x67}), Bytes({0x2F}), "SPEED 200"},
        {"text from the line comes as codes with its shifts",
         {QStringLiteral("send ЗЦЗЦ 12")},
         {},
         Bytes({0, 17, 14, 17, 14, 4, 27, 23, 19}),
         "TX 7: ЗЦЗЦ 12"},
        {"line ends need no shift; the register carries on",
         {QStringLiteral("send 5<>")},
         {},
         Bytes({16, 8, 2}),
         "TX 3: 5<>"},
        {"the workstation's codes are decoded, and a report follows the batch",
         {},
         Bytes({0, 16, 18, 26, 4, 27, 16}),
         Bytes({0x2F}),
         "RX 7: |ТЛГ #5"},
        {"an error frame stands for a character",
         {QStringLiteral("fault error"), QStringLiteral("send 3")},
         {},
         Bytes({0x4F}),
         {}},
        {"one error frame only", {QStringLiteral("send 3")}, {}, Bytes({1}), {}},
        {"a lost signal is reported at once",
         {QStringLiteral("fault nosignal on")},
         {},
         Bytes({0x5E}),
         {}},
        {"nothing from the line passes without a signal",
         {QStringLiteral("send 7")},
         {},
         QByteArray(),
         "TX 1: 7"},
        {"the signal comes back with a report",
         {QStringLiteral("fault nosignal off")},
         {},
         Bytes({0x2F}),
         {}},
        {"a credit of 0 comes as the heartbeat",
         {QStringLiteral("fault credit0 on")},
         {},
         Bytes({0x20}),
         {}},
        {"a silent adapter neither answers nor takes codes",
         {QStringLiteral("fault credit0 off"), QStringLiteral("fault silence on")},
         Bytes({31, 3, 0x66}),
         QByteArray(),
         {}},
        {"the heartbeat comes back after the silence",
         {QStringLiteral("fault silence off")},
         {},
         Bytes({0x2F}),
         {}},
        {"a reopened port starts work again at the same speed",
         {},
         Bytes({0x67}),
         Bytes({0x2F}),
         "CLOSED\nOPENED\nSPEED 200",
         true},
        {"the counters: 7 codes received, 14 sent (none while silent or without signal)",
         {QStringLiteral("status")},
         {},
         std::nullopt,
         "STATUS open=1 speed=200 credit=15 queued=0 centre=0 rx=7 tx=14"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const qsizetype from = sim.Output().size();
        if (step.reopen) {
            ws.reset();
            ASSERT_TRUE(sim.WaitOutputFrom(from, "CLOSED"));
            ws = std::make_unique<PtyPeer>(sim.PtyPath());
        }
        for (const QString& command : step.commands)
            sim.Command(command);
        if (!step.commands.isEmpty()) {
            ASSERT_TRUE(sim.Sync());
        }
        ASSERT_TRUE(ws->Write(step.written));
        if (step.answer && step.answer->isEmpty()) {
            EXPECT_EQ(ws->ReadSome(kQuietMs), QByteArray());
        } else if (step.answer) {
            EXPECT_EQ(ReadAnswer(*ws, *step.answer), *step.answer);
        }
        if (!step.printed.isEmpty()) {
            EXPECT_TRUE(sim.WaitOutputFrom(from, step.printed)) << sim.Output().mid(from).data();
        }
    }

    // Unplugged, the workstation's port hangs up; a new terminal follows.
    sim.Command(QStringLiteral("fault unplug 100"));
    EXPECT_TRUE(ws->WaitHangUp());
    ASSERT_TRUE(sim.WaitReplug());
    PtyPeer replugged(sim.PtyPath());
    ASSERT_TRUE(replugged.IsOpen());
    ASSERT_TRUE(replugged.Write(Bytes({0x65})));
    EXPECT_EQ(ReadAnswer(replugged, Bytes({0x2F})), Bytes({0x2F}));
    // A new adapter: its registers start afresh (3 is A in Latin, - in figures).
    const qsizetype from = sim.Output().size();
    ASSERT_TRUE(replugged.Write(Bytes({3})));
    EXPECT_TRUE(sim.WaitOutputFrom(from, "RX 1: A")) << sim.Output().mid(from).data();

    sim.Command(QStringLiteral("quit"));
    EXPECT_EQ(sim.WaitExit(), 0);
}

TEST(Lin9sim, CarriesTheLineToTheTrainingCentre) {
    TestHome home;
    CkssimProcess centre;
    ASSERT_TRUE(centre.Start({QStringLiteral("-t"), home.file(QStringLiteral("centre.txt")),
                              QStringLiteral("--auto-open")}));
    Lin9simProcess sim;
    ASSERT_TRUE(sim.Start({QStringLiteral("--fast"), QStringLiteral("--centre"),
                           QStringLiteral("127.0.0.1:%1").arg(centre.Port())}));
    ASSERT_TRUE(sim.WaitOutput("CENTRE CONNECTED 127.0.0.1:"));
    // The centre's keepalive is answered by the adapter, not the workstation.
    EXPECT_TRUE(centre.WaitOutput("OOB 0A"));

    PtyPeer ws(sim.PtyPath());
    ASSERT_TRUE(sim.WaitOutput("OPENED"));
    ASSERT_TRUE(ws.Write(Bytes({0x65})));
    EXPECT_EQ(ReadAnswer(ws, Bytes({0x2F})), Bytes({0x2F}));

    // What the centre sent on connecting was lost with the port closed: ask
    // again, and the codes decode back to the centre's words.
    centre.Command(QStringLiteral("open"));
    const LineText wanted = L(u"ОТКРОЙТЕ СВЯЗЬ");
    LineText text;
    ws.ReadUntil([&](const QByteArray& codes) {
        if (codes.isEmpty())
            return false;
        uint8_t decoder = kRegisterLatin;
        text = StripRegisterMarks(DecodeFiveBit(codes, decoder));
        return text.contains(wanted);
    });
    EXPECT_TRUE(text.contains(wanted)) << text.toStdString();

    // The workstation's codes reach the centre as line code: П 22, Р 10,
    // О 24, В 19, Е 1, К 15, А 3.
    ASSERT_TRUE(ws.Write(Bytes({0, 22, 10, 24, 19, 1, 10, 15, 3})));
    EXPECT_TRUE(centre.WaitOutput(QStringLiteral("ПРОВЕРКА").toUtf8()));
}
