// The soak: the real workstation on duty against the training centre with
// traffic both ways while the centre keeps breaking the link (dropped at
// once, or in the middle of a telegram), at random moments from a few
// seconds to a few minutes apart. Nothing may be lost or duplicated (the
// checks of the crash campaign), and the workstation's resident memory,
// open files and threads stay flat: sampled through the run, the last
// quarter's memory within 5 % of the second quarter's, no more files open,
// no thread more.
//
// Two minutes by default (for ./test); TARVO_SOAK_SECONDS=3600 is the hour.

#include "campaigncheck.h"
#include "support/campaignrun.h"
#include "support/ckssimprocess.h"
#include "support/loopback.h"
#include "support/tarvoprocess.h"
#include "support/testhome.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Sample {
    double rssKb = 0;
    int files = 0;
    int threads = 0;
};

// What /proc says of a process now.
Sample Measure(qint64 pid) {
    Sample s;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                s.rssKb = line.mid(6).trimmed().split(' ').value(0).toDouble();
            else if (line.startsWith("Threads:"))
                s.threads = line.mid(8).trimmed().toInt();
        }
    }
    s.files = int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                      .entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)
                      .size());
    return s;
}

TEST(Soak, OnDutyWithABreakingLinkNothingIsLostAndNothingGrows) {
    bool ok = false;
    int seconds = qEnvironmentVariableIntValue("TARVO_SOAK_SECONDS", &ok);
    if (!ok || seconds < 40)
        seconds = 120;
    const quint32 seed = quint32(QDateTime::currentMSecsSinceEpoch());
    std::printf("soak: %d s, seed %u\n", seconds, seed);
    std::fflush(stdout);
    QRandomGenerator random(seed);
    const QString day = QDate::currentDate().toString(QStringLiteral("MMdd"));
    if (QTime::currentTime().addSecs(seconds + 300) < QTime::currentTime())
        GTEST_SKIP()
            << "the workstation runs on the computer's clock; the run would cross midnight";

    TestHome home;
    CkssimProcess centre;
    const QString transcript = home.file("centre.txt");
    // A telegram every 4 s on the average, so that a day's numbers last
    // the hour.
    ASSERT_TRUE(StartTwice("the training centre", [&] {
        return centre.Start(
            {"-t", transcript, "-k", "off", "--auto-open", "--generate", "990", "--interval", "4"});
    }));
    home.write("korvel.ini", CentreSettings(centre.Port()) +
                                 "CCM=1\r\nTCP=1\r\n[PATH]\r\ntimeout=1\r\n"
                                 "[OTHER]\r\nAskOnClose=0\r\nZZTimeOut=1\r\n");
    TarvoProcess ws(home.path());
    ASSERT_TRUE(StartTwice("the workstation", [&ws] { return ws.Start(); }));
    ASSERT_TRUE(WaitUntil([&] { return centre.Status().contains("channel=РБ"); }, 30000))
        << "the channel opens: " << centre.Status().toStdString();

    OutgoingDrops drops(home.file("out"), day);
    QElapsedTimer clock;
    clock.start();
    const qint64 endAt = qint64(seconds) * 1000;
    const qint64 sampleEvery = std::clamp<qint64>(endAt / 24, 1000, 60000);
    qint64 nextSample = sampleEvery;
    // Breaks from a few seconds to a few minutes apart (at most a quarter of
    // the run, so that a short run has some).
    const int longestBreakMs = int(qMin<qint64>(180000, endAt / 4));
    qint64 nextBreak = 3000 + random.bounded(longestBreakMs);
    qint64 nextFile = 0;
    int linkDrops = 0, cuts = 0;
    QList<Sample> samples;
    while (clock.elapsed() < endAt) {
        ASSERT_TRUE(ws.Running()) << "the workstation stays on duty";
        const qint64 now = clock.elapsed();
        if (now >= nextFile && drops.CanDrop()) {
            ASSERT_TRUE(drops.Drop(QStringLiteral("НА ДЕЖУРСТВЕ")));
            nextFile = now + 2000 + random.bounded(8000);
        }
        if (now >= nextBreak) {
            if (random.bounded(3) == 0) {
                centre.Command("fault cut");
                ++cuts;
            } else {
                centre.Command("fault drop");
                ++linkDrops;
            }
            nextBreak = now + 3000 + random.bounded(longestBreakMs);
        }
        if (now >= nextSample) {
            samples << Measure(ws.Pid());
            nextSample += sampleEvery;
        }
        RunEventsFor(50);
    }

    // The last of the traffic settles, then the session ends.
    centre.Command("generate off");
    centre.Command("fault clear");
    ASSERT_TRUE(centre.Sync());
    // A queue the link breaks let grow goes out one telegram at a time.
    QByteArray lastStatus;
    const bool settled =
        SettleExchange(ws, centre, drops, home.file("korvel.ini"), 60000, 3000, &lastStatus);
    EXPECT_TRUE(settled) << "the queue empties, the channel works and every telegram the centre "
                            "sent is counted at the end: "
                         << lastStatus.toStdString() << "\nprotocol tail:\n"
                         << ws.Protocol().right(5000).toStdString();
    EXPECT_TRUE(ws.Terminate()) << "the workstation ends normally at SIGTERM";

    const CampaignCheck check =
        CheckCampaign(home.path(), day, CentreRecord::Read(transcript), drops.Files());
    ReportCampaign(QStringLiteral("soak: %1 s, seed %2, %3 link drops and %4 telegrams cut")
                       .arg(seconds)
                       .arg(seed)
                       .arg(linkDrops)
                       .arg(cuts),
                   check);
    EXPECT_GT(check.figures.delivered, seconds / 10) << "the soak moved telegrams at all";

    ASSERT_GE(samples.size(), 8) << "enough samples to compare quarters";
    const qsizetype q = samples.size() / 4;
    const QList<Sample> second = samples.mid(q, q);
    const QList<Sample> last = samples.mid(samples.size() - q);
    auto mean = [](const QList<Sample>& list) {
        double sum = 0;
        for (const Sample& s : list)
            sum += s.rssKb;
        return sum / double(list.size());
    };
    auto most = [](const QList<Sample>& list, int Sample::*field) {
        int m = 0;
        for (const Sample& s : list)
            m = std::max(m, s.*field);
        return m;
    };
    const double rss2 = mean(second), rss4 = mean(last);
    const int files2 = most(second, &Sample::files), files4 = most(last, &Sample::files);
    const int threads2 = most(second, &Sample::threads), threads4 = most(last, &Sample::threads);
    EXPECT_LE(rss4, rss2 * 1.05) << "resident memory stays flat: the last quarter's mean within "
                                    "5 % of the second quarter's (kB)";
    EXPECT_LE(files4, int(std::ceil(files2 * 1.05))) << "open files stay flat";
    EXPECT_LE(threads4, threads2) << "no thread is left behind";
    std::printf(
        "soak: RSS %.0f -> %.0f kB, files %d -> %d, threads %d -> %d (second -> last "
        "quarter)\n",
        rss2, rss4, files2, files4, threads2, threads4);
}

}  // namespace
