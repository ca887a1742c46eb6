// The crash campaign: the real workstation against the training centre with
// traffic both ways, killed with SIGKILL at random moments and started again
// at once, as a power cut or an operator's "kill -9" would. At the end the
// program folder is checked against the centre's transcript and the files
// dropped (see campaigncheck.h for the invariants).
//
// The run is short by default (for ./test); TARVO_CAMPAIGN_KILLS sets the
// number of kills and TARVO_CAMPAIGN_SEED the seed (printed on every run).

#include "campaigncheck.h"
#include "support/campaignrun.h"
#include "support/ckssimprocess.h"
#include "support/lin9simprocess.h"
#include "support/loopback.h"
#include "support/tarvoprocess.h"
#include "support/testhome.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

int EnvInt(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

quint32 CampaignSeed() {
    bool ok = false;
    const quint32 seed = quint32(qEnvironmentVariable("TARVO_CAMPAIGN_SEED").toUInt(&ok));
    return ok ? seed : quint32(QDateTime::currentMSecsSinceEpoch());
}

struct CampaignPlan {
    bool serial = false;
    int kills = 30;
    // Lifetimes between a start and its kill, in ms: mostly short, every
    // fourth long enough for a telegram to go out and be confirmed.
    int shortMinMs = 600, shortMaxMs = 2500, longMinMs = 2500, longMaxMs = 5000;
    // One file dropped into out/ every so many ms on average.
    int dropEveryMs = 3000;
};

class CrashCampaign : public ::testing::Test {
protected:
    void Run(const CampaignPlan& plan) {
        const quint32 seed = CampaignSeed();
        std::printf("crash campaign (%s): seed %u (TARVO_CAMPAIGN_SEED=%u repeats it), %d kills\n",
                    plan.serial ? "serial line" : "TCP/IP", seed, seed, plan.kills);
        std::fflush(stdout);
        QRandomGenerator random(seed);
        const QString day = QDate::currentDate().toString(QStringLiteral("MMdd"));
        if (QTime::currentTime() > QTime(23, 50))
            GTEST_SKIP() << "the workstation runs on the computer's clock; too close to midnight";

        // The centre numbers and sends five telegrams a second while the
        // channel is open (its clock runs five times as fast); it never
        // resends what the line took. Numbers stay below 1000: one day.
        const QString transcript = home.file("centre.txt");
        // On the serial line the adapter holds what the line has not yet
        // carried, and a kill loses it: two and a half a second keep that
        // short of the ten the workstation lets pass without the operator.
        ASSERT_TRUE(StartTwice("the training centre", [&] {
            return centre.Start({"-t", transcript, "-k", plan.serial ? "10" : "off", "-e", "500",
                                 "--auto-open", "--generate", "950", "--interval",
                                 plan.serial ? "2" : "1", "--speed", "5"});
        }));
        QByteArray ini = CentreSettings(centre.Port()) + "CCM=1\r\n";
        if (plan.serial) {
            const QStringList adapterArgs = {"--fast", "--stay", "--centre",
                                             QStringLiteral("127.0.0.1:%1").arg(centre.Port())};
            ASSERT_TRUE(StartTwice("the line adapter", [&] { return adapter.Start(adapterArgs); }));
            ini += "TCP=0\r\nCOM=" + adapter.PtyPath().toLocal8Bit() + "\r\nbaud=0\r\n";
        } else {
            ini += "TCP=1\r\n";
        }
        ini += "[PATH]\r\ntimeout=1\r\n[OTHER]\r\nAskOnClose=0\r\nZZTimeOut=1\r\n";
        home.write("korvel.ini", ini);

        TarvoProcess ws(home.path());
        OutgoingDrops drops(home.file("out"), day);
        auto startWorkstation = [&ws] { return ws.Start(); };

        QElapsedTimer clock;
        clock.start();
        qint64 nextDropAt = 0;
        int kills = 0;
        QStringList settingsBroken;
        while (kills < plan.kills) {
            ASSERT_TRUE(StartTwice("the workstation", startWorkstation))
                << "the workstation starts again after kill " << kills;
            if (kills == 0) {
                // The first kill comes once the channel has worked.
                ASSERT_TRUE(
                    WaitUntil([&] { return centre.Status().contains("channel=РБ"); }, 30000))
                    << "the channel opens at the first start: " << centre.Status().toStdString();
            }
            const bool longLife = kills % 4 == 3;
            const int life = longLife ? int(random.bounded(plan.longMinMs, plan.longMaxMs))
                                      : int(random.bounded(plan.shortMinMs, plan.shortMaxMs));
            const qint64 killAt = clock.elapsed() + life;
            while (clock.elapsed() < killAt) {
                if (clock.elapsed() >= nextDropAt && drops.CanDrop()) {
                    ASSERT_TRUE(drops.Drop(QStringLiteral("ПЕРЕДАНА")));
                    nextDropAt = clock.elapsed() + random.bounded(plan.dropEveryMs * 2);
                }
                // The workstation must not end by itself meanwhile.
                ASSERT_TRUE(ws.Running()) << "the workstation died on its own after kill " << kills
                                          << ": " << ws.HowItEnded().toStdString();
                RunEventsFor(20);
            }
            ASSERT_TRUE(ws.Kill()) << "the workstation ends at SIGKILL";
            ++kills;
            const QString whole = CheckSettingsWhole(home.file("korvel.ini"));
            if (!whole.isEmpty())
                settingsBroken << QStringLiteral("after kill %1: %2").arg(kills).arg(whole);
        }

        // The last start settles everything: no new telegrams, the queue
        // empties, the counters agree; then the session ends normally.
        centre.Command("generate off");
        ASSERT_TRUE(centre.Sync());
        // The files the kills kept from going out leave one at a time.
        ASSERT_TRUE(StartTwice("the workstation", startWorkstation));
        QByteArray lastStatus;
        const bool settled =
            SettleExchange(ws, centre, drops, home.file("korvel.ini"), plan.serial ? 150000 : 90000,
                           plan.serial ? 6000 : 3000, &lastStatus);
        ASSERT_TRUE(ws.Running()) << "the workstation keeps running in the last start, but "
                                  << ws.HowItEnded().toStdString() << "; protocol tail:\n"
                                  << ws.Protocol().right(3000).toStdString();
        EXPECT_TRUE(ws.Terminate()) << "the last start ends normally at SIGTERM";
        EXPECT_TRUE(settled) << "the queue empties, the channel works and every telegram the "
                                "centre sent is counted in the last start; "
                             << "centre: " << lastStatus.toStdString() << "\nprotocol tail:\n"
                             << ws.Protocol().right(3000).toStdString();

        const CampaignCheck check = CheckCampaign(home.path(), day, CentreRecord::Read(transcript),
                                                  drops.Files(), plan.serial);
        for (const QString& line : settingsBroken)
            ADD_FAILURE() << "korvel.ini is always whole: " << line.toStdString();
        if (!check.failures.isEmpty())
            ADD_FAILURE() << "centre: " << centre.Status().toStdString() << "\ninp/"
                          << day.toStdString() << ": "
                          << QDir(home.file("inp/" + day))
                                 .entryList(QDir::Files)
                                 .join(' ')
                                 .left(2000)
                                 .toStdString();
        ReportCampaign(QStringLiteral("crash campaign (%1): seed %2, %3 kills survived in %4 s")
                           .arg(plan.serial ? "serial line" : "TCP/IP")
                           .arg(seed)
                           .arg(kills)
                           .arg(clock.elapsed() / 1000),
                       check);
        const CampaignFigures& f = check.figures;
        EXPECT_GE(f.delivered, plan.serial ? 1 : plan.kills)
            << "the campaign moved telegrams at all; the centre's last words:\n"
            << centre.Output().right(2000).toStdString();
        EXPECT_GE(f.filedSent, plan.serial ? 1 : plan.kills / 3)
            << "the campaign sent files at all";
    }

    TestHome home;
    CkssimProcess centre;
    Lin9simProcess adapter;
};

TEST_F(CrashCampaign, TcpIpKilledAtRandomLosesAndDuplicatesNothing) {
    CampaignPlan plan;
    plan.kills = EnvInt("TARVO_CAMPAIGN_KILLS", 32);
    Run(plan);
}

TEST_F(CrashCampaign, SerialLineKilledAtRandomLosesAndDuplicatesNothing) {
    CampaignPlan plan;
    plan.serial = true;
    plan.kills = EnvInt("TARVO_CAMPAIGN_KILLS", 32) / 5;
    // The port opens a second after the start, and the channel opens over
    // the adapter after that.
    plan.shortMinMs = 2500;
    plan.shortMaxMs = 6000;
    plan.longMinMs = 7000;
    plan.longMaxMs = 11000;
    plan.dropEveryMs = 5000;
    Run(plan);
}

}  // namespace
