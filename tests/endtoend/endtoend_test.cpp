// A working exchange with the training centre: the line thread, the
// received stream, the outgoing queue and the counters over loopback.

#include "support/ckssimprocess.h"
#include "workstation.h"

namespace {

class EndToEndTest : public ProgramFolderTest {
protected:
    // The centre at the workstation's time, opening the channel itself.
    void StartBoth(const QStringList& more = {}) {
        ASSERT_TRUE(centre.Start(QStringList{"-t", home.file("centre.txt"), "-k", "off",
                                             "--auto-open", "--start-time", "2026-01-30 12:00"} +
                                 more));
        ws.Start(centre.Port());
        ASSERT_TRUE(ws.WaitOpen()) << ws.Tail();
    }

    CkssimProcess centre;
    TWorkstation ws;
};

TEST_F(EndToEndTest, TwoHundredTelegramsEachWayInStep) {
    constexpr int kCount = 200;
    for (int i = 0; i < kCount; ++i)
        ws.Put(QStringLiteral("0130q%1").arg(i, 3, 10, QLatin1Char('0')),
               QStringLiteral("ТЕЛЕГРАММА %1 РАБОЧЕГО МЕСТА").arg(i));
    StartBoth({"--generate", QString::number(kCount), "--interval", "0"});

    ASSERT_TRUE(ws.WaitFor(
        [&] {
            return ws.status.NumberOutput == kCount && ws.status.NumberInput == kCount &&
                   !ws.exchange.Queue().IsSending() && ws.exchange.NotesCountdown() == 0 &&
                   ws.exchange.CentreCountYours() == kCount;
        },
        60000))
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
    EXPECT_TRUE(TWorkstation::Files("out").isEmpty());

    const QStringList received = TWorkstation::Files("inp/0130");
    EXPECT_EQ(received.size(), 2 * kCount) << "each telegram and its raw copy";
    for (int n = 1; n <= kCount; ++n) {
        const QString name = QStringLiteral("0130q911.%1").arg(n, 3, 10, QLatin1Char('0'));
        EXPECT_TRUE(received.contains(name)) << name.toStdString();
        EXPECT_TRUE(received.contains(name + ".tlg")) << name.toStdString();
    }
    const QByteArray status = centre.Status();
    EXPECT_TRUE(status.contains("channel=РБ accepted=200 sent=200")) << status.toStdString();
}

TEST_F(EndToEndTest, FaultsEndInManualModeAndNamesThatSaySo) {
    StartBoth();
    ws.Put("0130q001", QStringLiteral("ПЕРВАЯ"));
    ASSERT_TRUE(ws.WaitFiled("out/0130/0130q001.001")) << ws.Tail();

    // The centre's report disagrees with the output count.
    centre.Command("fault mismatch");
    ws.Put("0130q002", QStringLiteral("ВТОРАЯ"));
    ASSERT_TRUE(ws.WaitFiled("out/0130/0130q002.b002")) << ws.Tail();
    EXPECT_FALSE(ws.status.Automatic);
    ws.exchange.SetMode(true);

    // Distorted on the line: the file stays in the root, the centre's count holds.
    centre.Command("fault distortion");
    ws.Put("0130q003", QStringLiteral("ТРЕТЬЯ"));
    ASSERT_TRUE(ws.WaitFiled("out/0130q003.b03")) << ws.Tail();
    EXPECT_FALSE(ws.status.Automatic);
    EXPECT_EQ(ws.status.NumberOutput, 2);
    EXPECT_EQ(ws.exchange.ChannelCaption(), "БА");

    // Back to automatic: the workstation asks until the centre opens again.
    ws.exchange.SetMode(true);
    ASSERT_TRUE(ws.WaitOpen()) << ws.Tail();

    // A service telegram is accepted without a number.
    ws.Put("0130q004", QStringLiteral("ССС 141911 ПРОВЕРКА КАНАЛА"));
    ASSERT_TRUE(ws.WaitFiled("out/0130/0130q004.SSS")) << ws.Tail();
    EXPECT_EQ(ws.status.NumberOutput, 2);

    // A file that cannot be sent is set aside.
    ws.Put("0130q005", QByteArray(6000, 'A'));
    ASSERT_TRUE(ws.WaitFor([&] { return ws.Filed("out/0130q005.brd"); })) << ws.Tail();
    const QStringList events = ws.Events();
    const qsizetype at = events.indexOf("ОШИБКА ЧТЕНИЯ ФАЙЛА ДЛЯ ОТПРАВКИ ТЛГ: out/0130q005");
    ASSERT_GE(at, 0);
    EXPECT_EQ(events.value(at + 1), "ПЕРЕИМЕНОВАНИЕ: out/0130q005 -> out/0130q005.brd");

    // The operator sends the distorted one again from the queue page.
    EXPECT_TRUE(ws.exchange.Queue().QueueFiles().contains("0130q003.b03"));
    ASSERT_TRUE(ws.exchange.Queue().RetryQueueFile("0130q003.b03"));
    ws.exchange.Queue().SetScanCountdown(0);
    ASSERT_TRUE(ws.WaitFiled("out/0130/0130q003.003")) << ws.Tail();
    EXPECT_TRUE(ws.status.Automatic);

    const QByteArray status = centre.Status();
    EXPECT_TRUE(status.contains("accepted=003")) << status.toStdString();
    EXPECT_TRUE(status.contains("service=1")) << status.toStdString();
}

TEST_F(EndToEndTest, ExitStopsTheCentreAndLeavesTheWaitingFile) {
    StartBoth();
    ws.exchange.SetMode(false);  // the file waits, counted only
    ws.Put("0130q001", QStringLiteral("ОСТАЕТСЯ"));
    ASSERT_TRUE(ws.exchange.StopForExit());
    ASSERT_TRUE(ws.WaitFor([&] { return ws.exchange.ChannelCaption() == "БА"; })) << ws.Tail();
    EXPECT_TRUE(centre.Status().contains("channel=БА"));
    EXPECT_TRUE(ws.Filed("out/0130q001"));
}

}  // namespace
