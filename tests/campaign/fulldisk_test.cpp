// A full disk under the real workstation while it receives and sends: its
// program folder on a small tmpfs mounted by the test (as root; elsewhere the
// test is skipped, and the settings' and storage's own tests cover the
// refused writes with RLIMIT_FSIZE). The disk is filled while telegrams come
// and go, the failure paths run (the centre is stopped with КГ2), and once
// space is back and the operator has started the workstation again, work
// resumes; at the end nothing stored is damaged (the campaign's checks).

#include "campaigncheck.h"
#include "support/campaignrun.h"
#include "support/ckssimprocess.h"
#include "support/loopback.h"
#include "support/tarvoprocess.h"
#include "support/testhome.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// A tmpfs of its own on a folder, unmounted with the object.
class SmallDisk {
public:
    SmallDisk(const QString& folder, const char* size) : folder_(folder) {
        const QByteArray options = QByteArray("size=") + size + ",mode=0700";
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(folder).constData(),
                                               "tmpfs", 0, options.constData()) == 0;
        if (!mounted_)
            error_ = std::strerror(errno);
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    std::string Error() const { return error_; }

private:
    QString folder_;
    bool mounted_ = false;
    std::string error_;
};

// Fills the disk to its last byte; false when it could not.
bool Fill(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray block(64 * 1024, 'F');
    while (file.write(block) == block.size()) {
    }
    const QByteArray byte(1, 'F');
    while (file.write(byte) == 1) {
    }
    file.close();
    return true;
}

TEST(FullDisk, TheFailurePathsRunNothingStoredIsDamagedAndWorkResumes) {
    TestHome outside;  // the centre's transcript is not on the small disk
    TestHome home;
    SmallDisk disk(home.path(), "4m");
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.Error() << "); run as root";
    const QString day = QDate::currentDate().toString(QStringLiteral("MMdd"));
    if (QTime::currentTime() > QTime(23, 55))
        GTEST_SKIP() << "too close to midnight";

    CkssimProcess centre;
    const QString transcript = outside.file("centre.txt");
    ASSERT_TRUE(StartTwice("the training centre", [&] {
        return centre.Start({"-t", transcript, "-k", "off", "--auto-open", "--generate", "500",
                             "--interval", "1", "--speed", "2"});
    }));
    home.write("korvel.ini", CentreSettings(centre.Port()) +
                                 "CCM=1\r\nTCP=1\r\n[PATH]\r\ntimeout=1\r\n"
                                 "[OTHER]\r\nAskOnClose=0\r\nZZTimeOut=1\r\n");
    OutgoingDrops drops(home.file("out"), day);
    auto dropFive = [&drops] {
        for (int n = 0; n < 5; ++n)
            ASSERT_TRUE(drops.Drop(QStringLiteral("ДИСК ПОЛОН")));
    };
    dropFive();

    auto sentTotal = [&centre] {
        const QByteArray status = centre.Status();
        const qsizetype at = status.indexOf("total-sent=");
        return at < 0 ? -1 : status.mid(at + 11).split(' ').value(0).toInt();
    };
    TarvoProcess ws(home.path());
    auto startWorkstation = [&ws] { return ws.Start(); };
    ASSERT_TRUE(StartTwice("the workstation", startWorkstation));
    ASSERT_TRUE(WaitUntil([&] { return sentTotal() >= 5; }, 30000))
        << "telegrams flow before the disk fills: " << centre.Status().toStdString();

    // The disk fills while telegrams keep coming and files wait to go.
    dropFive();
    const QString filler = home.file("filler");
    ASSERT_TRUE(Fill(filler));
    centre.Status();
    const qsizetype mark = centre.Output().size();
    EXPECT_TRUE(centre.WaitOutputFrom(mark, "IN КГ2", 30000))
        << "a telegram that cannot be stored stops the centre (КГ2)";
    WaitUntil([] { return false; }, 3000);
    ASSERT_TRUE(ws.Running()) << "the workstation survives the full disk";

    // Space comes back; the operator starts the workstation again.
    ASSERT_TRUE(QFile::remove(filler));
    EXPECT_TRUE(ws.Terminate()) << "the workstation ends normally after the full disk";
    dropFive();
    ASSERT_TRUE(StartTwice("the workstation", startWorkstation));
    const int before = sentTotal();
    EXPECT_TRUE(WaitUntil([&] { return sentTotal() >= before + 5; }, 30000))
        << "telegrams come again once space is back: " << centre.Status().toStdString();
    centre.Command("generate off");
    ASSERT_TRUE(centre.Sync());
    // Receiving settles too: a telegram still on its way when the session
    // ended would be lost by the test, not by the workstation.
    QByteArray lastStatus;
    const bool settled =
        SettleExchange(ws, centre, drops, home.file("korvel.ini"), 60000, 3000, &lastStatus);
    EXPECT_TRUE(settled) << "the files go out and every telegram the centre sent is counted "
                            "once space is back: "
                         << lastStatus.toStdString() << "\n"
                         << ws.Protocol().right(3000).toStdString();
    EXPECT_TRUE(ws.Terminate());

    ReportCampaign(QStringLiteral("full disk"),
                   CheckCampaign(home.path(), day, CentreRecord::Read(transcript), drops.Files()));
}

}  // namespace
