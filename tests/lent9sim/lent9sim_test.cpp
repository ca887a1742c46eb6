// The tape adapter simulator as a program, against a workstation played byte
// for byte by the test on the simulator's pseudo-terminal.

#include "line/fivebit.h"
#include "support/lent9simprocess.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/ptypeer.h"
#include "support/testhome.h"
#include "util/linecode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

// How long the port must stay quiet where nothing may come.
constexpr int kQuietMs = 300;
// Longer than the adapter's heartbeat of a second, where even that must not come.
constexpr int kNoHeartbeatMs = 1500;

const QByteArray kFullCredit = QByteArray::fromHex("3f");
const QByteArray kTapeEnd = QByteArray::fromHex("50");

// The frames of a tape as the reader sends them: a frame of 32 or more is
// unreadable and comes as 0x20.
QByteArray AsRead(const QByteArray& tape) {
    QByteArray out = tape;
    std::replace_if(
        out.begin(), out.end(), [](char c) { return uint8_t(c) >= 0x20; }, 0x20);
    return out;
}

struct Step {
    const char* what;
    QStringList commands = {};  // given to the simulator first
    QByteArray written = {};    // then written by the workstation
    // Then read by it: these bytes exactly; empty: nothing within quietMs;
    // none: the port is not looked at.
    std::optional<QByteArray> answer = std::nullopt;
    QByteArray printed = {};  // printed by the simulator meanwhile
    QByteArray punched = {};  // added to the punch file
    int quietMs = kQuietMs;
    bool reopen = false;  // the workstation closes the port and opens it again first
    // Written as soon as the answer has begun: the answer then stops short
    // (nothing more within quietMs), and `written` again brings the rest.
    QByteArray stopWith = {};
};

}  // namespace

TEST(Lent9sim, AnswersTheWorkstationByteForByte) {
    TestHome home;
    const QString punch = home.file(QStringLiteral("punch.tape"));
    const QByteArray shortTape = QByteArray::fromHex("01021f0028ff");
    home.write(QStringLiteral("short.tape"), shortTape);
    // Far more than the terminal holds, so that the reader is still at it
    // when the stop comes.
    QByteArray longTape;
    for (int i = 0; i < 300000; ++i)
        longTape.append(char(i % 32));
    home.write(QStringLiteral("long.tape"), longTape);
    const QString tapeCommand = QStringLiteral("tape ") + home.file(QStringLiteral("%1.tape"));

    Lent9simProcess sim;
    ASSERT_TRUE(sim.Start({QStringLiteral("--fast"), QStringLiteral("--punch"), punch}));
    auto ws = std::make_unique<PtyPeer>(sim.PtyPath());
    ASSERT_TRUE(ws->IsOpen());
    ASSERT_TRUE(sim.WaitOutput("OPENED"));

    // Codes from the code table: Latin shift 31, H 20, E 1, L 18, O 24,
    // space 4, figures shift 27, 1 23, CR 8, LF 2; Russian shift 0, А 3.
    const QByteArray hello = QByteArray::fromHex("1f1401121218041b170802");
    const QByteArray fullBuffer = QByteArray(1, 0) + QByteArray(31, 4) + QByteArray(1, 27);
    const Step steps[] = {
        {.what = "the first speed byte starts work with a full credit",
         .written = "c",
         .answer = kFullCredit,
         .printed = "SPEED MAX"},
        {.what = "the same speed again is not answered", .written = "c", .answer = ""},
        {.what = "a change of speed is answered",
         .written = "a",
         .answer = kFullCredit,
         .printed = "SPEED 50"},
        {.what = "0x60 asks for the fastest speed",
         .written = "`",
         .answer = kFullCredit,
         .printed = "SPEED MAX"},
        {.what = "without a tape the reader ends at once",
         .written = "Q",
         .answer = kTapeEnd,
         .printed = "READ START\nTAPE END"},
        {.what = "codes are punched as they came, decoded in the event, and a report follows",
         .written = hello,
         .answer = kFullCredit,
         .printed = "PUNCH 11: &HELLO #1<>",
         .punched = hello},
        {.what = "shift codes take no place: 31 characters and two shifts fit",
         .written = fullBuffer,
         .answer = kFullCredit,
         .printed = "PUNCH 33: |" + QByteArray(31, ' ') + "#",
         .punched = fullBuffer},
        {.what = "beyond the credit the codes are punched all the same",
         .written = QByteArray(32, 4),
         .answer = kFullCredit,
         .printed = "PUNCH 32: " + QByteArray(32, ' ') + "\nOVERFLOW",
         .punched = QByteArray(32, 4)},
        {.what = "the reader sends the frames, 0x20 for one that is no code, then the tape end",
         .commands = {tapeCommand.arg(QStringLiteral("short"))},
         .written = "Q",
         .answer = AsRead(shortTape) + kTapeEnd,
         .printed = "READ START\nTAPE END"},
        {.what = "at the end the tape was rewound",
         .written = "Q",
         .answer = AsRead(shortTape) + kTapeEnd},
        {.what = "a stop keeps the tape's place: read on, the rest follows",
         .commands = {tapeCommand.arg(QStringLiteral("long"))},
         .written = "Q",
         .answer = AsRead(longTape) + kTapeEnd,
         .printed = "READ START\nREAD STOP\nREAD START\nTAPE END",
         .stopWith = "P"},
        {.what = "credit 0: neither a batch nor the heartbeat is answered",
         .commands = {QStringLiteral("fault credit0 on")},
         .written = QByteArray::fromHex("0003"),
         .answer = "",
         .printed = "PUNCH 2: |А",
         .punched = QByteArray::fromHex("0003"),
         .quietMs = kNoHeartbeatMs},
        {.what = "the heartbeat comes back with the credit",
         .commands = {QStringLiteral("fault credit0 off")},
         .answer = kFullCredit},
        {.what = "a silent adapter neither answers nor takes codes or speed bytes",
         .commands = {QStringLiteral("fault silence on")},
         .written = QByteArray::fromHex("610401"),
         .answer = ""},
        {.what = "the heartbeat comes back after the silence",
         .commands = {QStringLiteral("fault silence off")},
         .answer = kFullCredit},
        {.what = "a reopened port starts work again at the same speed",
         .written = "c",
         .answer = kFullCredit,
         .printed = "CLOSED\nOPENED\nSPEED MAX",
         .reopen = true},
        {.what = "the counters: 78 frames punched, 300012 read; the long tape rewound",
         .commands = {QStringLiteral("status")},
         .printed = "STATUS open=1 speed=MAX credit=31 queued=0 reading=0 punched=78 "
                    "read=300012 tape=300000"},
    };
    QByteArray punched;
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
        punched += step.punched;

        if (!step.stopWith.isEmpty()) {
            // A few frames only: the stop must come while the reader is at it.
            QByteArray got = ws->ReadSome(kCeilingMs, 256);
            ASSERT_TRUE(ws->Write(step.stopWith));
            for (QByteArray more; !(more = ws->ReadSome(kQuietMs)).isEmpty();)
                got += more;
            EXPECT_LT(got.size(), step.answer->size());
            EXPECT_TRUE(step.answer->startsWith(got));
            ASSERT_TRUE(ws->Write(step.written));
            const QByteArray rest = step.answer->mid(got.size());
            EXPECT_EQ(ws->ReadUntil([&](const QByteArray& b) { return b.size() >= rest.size(); }),
                      rest);
        } else if (step.answer && step.answer->isEmpty()) {
            EXPECT_EQ(ws->ReadSome(step.quietMs), QByteArray());
        } else if (step.answer) {
            const QByteArray& answer = *step.answer;
            EXPECT_EQ(ws->ReadUntil([&](const QByteArray& b) { return b.size() >= answer.size(); }),
                      answer);
        }
        if (!step.printed.isEmpty()) {
            EXPECT_TRUE(sim.WaitOutputFrom(from, step.printed)) << sim.Output().mid(from).data();
        }
        EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(punch) == punched; }))
            << HexBytes(ReadFileBytes(punch));
    }
    EXPECT_EQ(sim.Output().count("OVERFLOW"), 1);

    // Unplugged, the workstation's port hangs up; a new terminal follows.
    sim.Command(QStringLiteral("fault unplug 100"));
    EXPECT_TRUE(ws->WaitHangUp());
    ASSERT_TRUE(sim.WaitReplug());
    PtyPeer replugged(sim.PtyPath());
    ASSERT_TRUE(replugged.IsOpen());
    ASSERT_TRUE(replugged.Write("c"));
    EXPECT_EQ(replugged.ReadSome(), kFullCredit);

    sim.Command(QStringLiteral("quit"));
    EXPECT_EQ(sim.WaitExit(), 0);
}

// A telegram punched as the workstation punches it, paced by the credit at
// the real tape speed, and read back: the same text, through the register
// states of both directions.
TEST(Lent9sim, PunchedTapeReadsBackAsTheSameText) {
    TestHome home;
    const QString punch = home.file(QStringLiteral("punch.tape"));
    Lent9simProcess sim;
    ASSERT_TRUE(sim.Start({QStringLiteral("--punch"), punch}));
    PtyPeer ws(sim.PtyPath());
    ASSERT_TRUE(sim.WaitOutput("OPENED"));

    const LineText text =
        L(u"ЗЦЗЦ 001 МСК 12/3 45 1230=\r\nCQ TEST DE RA3ABC\r\nПРИВЕТ ИЗ МОСКВЫ (2024).\r\nNNNN");
    const QByteArray speed = "c";
    auto isReport = [](char c) { return uint8_t(c) >= 0x21 && uint8_t(c) <= 0x3F; };
    uint8_t encoder = kRegisterNone;
    QByteArray sent;
    ASSERT_TRUE(ws.Write(speed));
    for (qsizetype at = 0; at < text.size();) {
        const QByteArray reports = ws.ReadUntil(
            [&](const QByteArray& got) { return std::any_of(got.begin(), got.end(), isReport); });
        const auto last = std::find_if(reports.rbegin(), reports.rend(), isReport);
        ASSERT_NE(last, reports.rend()) << "no credit report after " << at << " characters";
        const int credit = uint8_t(*last) & 0x1F;
        ASSERT_TRUE(ws.Write(speed));
        const QByteArray codes = EncodeFiveBit(text.mid(at, credit), encoder);
        at += std::min<qsizetype>(credit, text.size() - at);
        ASSERT_TRUE(ws.Write(codes));
        sent += codes;
    }
    sim.Command(QStringLiteral("wait punched %1").arg(sent.size()));
    ASSERT_TRUE(sim.Sync());
    EXPECT_EQ(ReadFileBytes(punch), sent);

    sim.Command(QStringLiteral("tape ") + punch);
    ASSERT_TRUE(sim.Sync());
    ASSERT_TRUE(ws.Write("Q"));
    QByteArray frames = ws.ReadUntil([&](const QByteArray& got) { return got.endsWith(kTapeEnd); });
    ASSERT_TRUE(frames.endsWith(kTapeEnd));
    frames.chop(1);
    // Credit reports may come among the frames; the workstation sets them apart.
    frames.truncate(std::remove_if(frames.begin(), frames.end(), isReport) - frames.begin());
    EXPECT_EQ(frames, sent);
    uint8_t decoder = kRegisterLatin;
    EXPECT_EQ(StripRegisterMarks(DecodeFiveBit(frames, decoder)), StripRegisterMarks(text));
    EXPECT_FALSE(sim.Output().contains("ERROR")) << sim.Output().data();
}

TEST(Lent9sim, ShowsATapeAsText) {
    TestHome home;
    // Codes from the code table, decoded from the Latin register.
    const struct {
        const char* frames;
        const char* text;  // UTF-8
    } cases[] = {
        {"1b011f01", "#3&E\n"},
        {"00110e041b1708021f14", "|ЗЦ #1\n&H\n"},
        {"0328", "A±\n"},  // the unreadable frame shows as the program shows it
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frames);
        home.write(QStringLiteral("show.tape"), QByteArray::fromHex(c.frames));
        EXPECT_EQ(Lent9simProcess::Show(home.file(QStringLiteral("show.tape"))),
                  QByteArray(c.text));
    }
}
