// The exchange over the serial telegraph line: the workstation's line thread
// on the pseudo-terminal of the adapter simulator, which carries the line to
// the training centre (both programs of their own, the adapter unpaced).

#include "support/ckssimprocess.h"
#include "support/lin9simprocess.h"
#include "support/lineliterals.h"
#include "transcript.h"
#include "util/linecode.h"
#include "workstation.h"

namespace {

class SerialEndToEndTest : public ProgramFolderTest {
protected:
    void StartAll(const QStringList& more = {}) {
        // The centre's keepalive stays on: the adapter answers it.
        ASSERT_TRUE(centre.Start(QStringList{"-t", home.file("centre.txt"), "-e", "500",
                                             "--auto-open", "--start-time", "2026-01-30 12:00"} +
                                 more));
        ASSERT_TRUE(adapter.Start(
            {"--fast", "--centre", QStringLiteral("127.0.0.1:%1").arg(centre.Port())}));
        ASSERT_TRUE(centre.WaitOutput("CONNECTED"));
        ws.StartSerial(adapter.PtyPath());
        ASSERT_TRUE(ws.WaitOpen()) << ws.Tail();
    }
    QString Opened() const { return ws.line.ConnectionLabel() + QStringLiteral(" ПОРТ ОТКРЫТ"); }
    // Events matching text from index from on.
    qsizetype EventAt(const QString& text, qsizetype from = 0) const {
        return ws.Events().indexOf(text, from);
    }

    CkssimProcess centre;
    Lin9simProcess adapter;
    TWorkstation ws;
};

TEST_F(SerialEndToEndTest, FiftyTelegramsEachWayInStep) {
    constexpr int kCount = 50;
    for (int i = 0; i < kCount; ++i)
        ws.Put(QStringLiteral("0130q%1").arg(i, 3, 10, QLatin1Char('0')),
               QStringLiteral("ТЕЛЕГРАММА %1 ПО ТЕЛЕГРАФНОЙ ЛИНИИ").arg(i));
    StartAll({"--generate", QString::number(kCount), "--interval", "0"});

    ASSERT_TRUE(ws.WaitFor(
        [&] {
            return ws.status.NumberOutput == kCount && ws.status.NumberInput == kCount &&
                   !ws.exchange.Queue().IsSending() && ws.exchange.NotesCountdown() == 0 &&
                   ws.exchange.CentreCountYours() == kCount;
        },
        120000))
        << "out " << ws.status.NumberOutput << " in " << ws.status.NumberInput << "\n"
        << ws.Tail();
    EXPECT_TRUE(ws.status.Automatic) << "no disagreement on the way";
    EXPECT_EQ(ws.exchange.CentreCountOurs(), kCount);
    const QStringList sent = TWorkstation::Files("out/0130");
    ASSERT_EQ(sent.size(), kCount);
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(sent[i], QStringLiteral("0130q%1.%2")
                               .arg(i, 3, 10, QLatin1Char('0'))
                               .arg(i + 1, 3, 10, QLatin1Char('0')));
    const QStringList received = TWorkstation::Files("inp/0130");
    EXPECT_EQ(received.size(), 2 * kCount) << "each telegram and its raw copy";
    for (int n = 1; n <= kCount; ++n) {
        const QString name = QStringLiteral("0130q911.%1").arg(n, 3, 10, QLatin1Char('0'));
        EXPECT_TRUE(received.contains(name)) << name.toStdString();
    }
    const QByteArray status = centre.Status();
    EXPECT_TRUE(status.contains("channel=РБ accepted=050 sent=050")) << status.toStdString();
    EXPECT_EQ(ws.line.OobSecondsLeft(), 0) << "no keepalive on a telegraph line";
    EXPECT_TRUE(centre.Output().contains("OOB")) << "the adapter answered the keepalive";
}

TEST_F(SerialEndToEndTest, AnUnplugMidTelegramLosesNothingEitherWay) {
    StartAll();
    // Half a telegram on the line, and the adapter is pulled out.
    adapter.Command(QStringLiteral("send ЗЦЗЦ 001 ОБОРВАНА НА ПОЛ"));
    ASSERT_TRUE(ws.WaitFor([&] {
        return ws.exchange.ReceiveBuffer().contains(LineLiteral(u"ПОЛ"));
    })) << ws.Tail();
    // It goes while one of ours is on its way, the adapter holding what it
    // has taken of it (the line has stalled): that is lost with it.
    const QByteArray status = adapter.Status();
    const int codes = status.mid(status.indexOf("rx=") + 3).split(' ').value(0).toInt();
    for (const QString& command :
         {QStringLiteral("fault stall on"), QStringLiteral("wait rx %1").arg(codes + 15),
          QStringLiteral("fault unplug 300"), QStringLiteral("fault stall off")})
        adapter.Command(command);
    const QString text = QStringLiteral("ТЕЛЕГРАММА НА ПУТИ К ЦЕНТРУ В МИНУТУ ОБРЫВА");
    ws.Put("0130q001", text);
    ASSERT_TRUE(ws.WaitFor([&] { return EventAt(QStringLiteral("ЛИН-9: ПОРТ ЗАКРЫТ ")) >= 0; }))
        << ws.Tail();
    EXPECT_TRUE(ws.exchange.ReceiveBuffer().isEmpty()) << "the half went with the link";

    // Plugged in again (on a new terminal: the setting follows it).
    ASSERT_TRUE(adapter.WaitReplug());
    EXPECT_TRUE(adapter.Output().contains("LOST ")) << adapter.Output().toStdString();
    ws.line.SetSerial(adapter.PtyPath(), 200, 1);
    ASSERT_TRUE(ws.WaitFor([&] { return ws.line.IsConnected(); })) << ws.Tail();

    centre.Command(QStringLiteral("generate 3 0"));
    ASSERT_TRUE(ws.WaitFor([&] {
        return ws.status.NumberInput == 3 && ws.status.NumberOutput == 1 &&
               ws.Filed("out/0130/0130q001.001");
    })) << ws.Tail();
    const QStringList received = TWorkstation::Files("inp/0130");
    EXPECT_EQ(received, (QStringList{"0130q911.001", "0130q911.001.tlg", "0130q911.002",
                                     "0130q911.002.tlg", "0130q911.003", "0130q911.003.tlg"}));
    for (const QString& name : received)
        EXPECT_FALSE(ReadFileBytes("inp/0130/" + name).contains(LineLiteral(u"ОБОРВАНА")))
            << name.toStdString();
    EXPECT_TRUE(centre.Status().contains("accepted=001 sent=003"));
    // Ours went again whole, with the same number.
    const LineText got = StripRegisterMarks(
        TTranscript::Payload(ReadFileBytes(home.file("centre.txt")), QStringLiteral("RX")));
    EXPECT_TRUE(got.contains(L(u"ЗЦЗЦ 001 ") + WideToLine(text) + L(u"\r\nНННН")))
        << got.toStdString();
}

TEST_F(SerialEndToEndTest, ASilentAdapterIsGivenUpAndANewCycleBegins) {
    StartAll();
    adapter.Command(QStringLiteral("fault silence on"));
    ws.silenceEveryTicks = 1;
    const QString silent = QStringLiteral("Адаптер не отвечает");
    ASSERT_TRUE(ws.WaitFor([&] { return EventAt(silent) >= 0; })) << ws.Tail();
    qsizetype closed = -1;
    ASSERT_TRUE(ws.WaitFor([&] {
        closed = EventAt(QStringLiteral("ЛИН-9: ПОРТ ЗАКРЫТ "), EventAt(silent));
        return closed > 0;
    })) << ws.Tail();
    ASSERT_TRUE(ws.WaitFor([&] { return EventAt(Opened(), closed) > closed; })) << ws.Tail();

    adapter.Command(QStringLiteral("fault silence off"));
    ws.silenceEveryTicks = 1000 / TWorkstation::kTickMs;
    ws.Put("0130q001", QStringLiteral("ПОСЛЕ МОЛЧАНИЯ"));
    ASSERT_TRUE(ws.WaitFiled("out/0130/0130q001.001")) << ws.Tail();
}

}  // namespace
