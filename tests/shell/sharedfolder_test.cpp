// One workstation, several operators' accounts: the installed program run by
// two real accounts on the program folder the administrator names.

#include "support/accounts.h"
#include "support/loopback.h"
#include "support/runprogram.h"
#include "support/tarvoprocess.h"
#include "support/testhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(SharedProgramFolder, EveryAccountWorksInItOneAtATime) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make the operators' accounts (useradd)";
    TestHome scratch;
    ASSERT_EQ(::chmod(QFile::encodeName(scratch.path()).constData(), 0755), 0);
    TestAccounts accounts(QStringLiteral("tarvo"), 2, scratch.path());
    ASSERT_TRUE(accounts.Error().isEmpty()) << accounts.Error().toStdString();

    // The installed layout under a root of the test's own, and a folder of
    // the group with its set-group-ID bit, as the package makes
    // /var/lib/tarvo-com.
    const QString program = scratch.file("root/usr/bin/tarvo");
    ASSERT_TRUE(QDir().mkpath(scratch.file("root/usr/bin")));
    ASSERT_TRUE(::link(TARVO_BINARY, QFile::encodeName(program).constData()) == 0 ||
                QFile::copy(TARVO_BINARY, program));
    scratch.write("root/usr/share/tarvo-com/alarm.wav", "RIFF-installed");
    const QString shared = scratch.file("shared");
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chown(QFile::encodeName(shared).constData(), 0, accounts.GroupId()), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 02775), 0);
    scratch.write(
        "root/etc/tarvo-com/tarvo-com.conf",
        "# the operators' folder\n\n  ProgramFolder = " + QFile::encodeName(shared) + "/\n");
    // What in the folder another group owns or the group cannot write.
    const auto notTheGroups = [&] {
        const QString group = QString::number(accounts.GroupId());
        return QString::fromLocal8Bit(
            RunProgram("find", {shared, "!", "(", "-group", group, "-perm", "-g+w", ")"}).out);
    };

    // Each account in a session of its own (where the lock of its own
    // folder would lie), with root's usual umask.
    const auto operatorRun = [&](int i) {
        const QString runtime = accounts.Home(i) + "/run";
        ::mkdir(QFile::encodeName(runtime).constData(), 0700);
        ::chown(QFile::encodeName(runtime).constData(), accounts.UserId(i), gid_t(-1));
        QProcessEnvironment env;
        env.insert("PATH", "/usr/bin:/bin");
        env.insert("HOME", accounts.Home(i));
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("LANG", "C.UTF-8");
        auto run = std::make_unique<TarvoProcess>(shared);
        run->Launch(accounts.Command(i, program), env);
        return run;
    };
    const mode_t umaskBefore = ::umask(022);
    const QString started = QStringLiteral("ПРОГРАММА ЗАПУЩЕНА");

    auto first = operatorRun(0);
    ASSERT_TRUE(first->Start());
    ASSERT_TRUE(first->WaitForProtocol(started)) << first->Errors().toStdString();
    // The next shift logs in while the first operator's copy still runs.
    auto second = operatorRun(1);
    ASSERT_TRUE(second->Start());
    EXPECT_TRUE(WaitUntil([&] { return second->Errors().contains("TARVO/COM уже запущена"); }))
        << second->Errors().toStdString();
    EXPECT_TRUE(second->Kill());
    EXPECT_TRUE(first->Terminate()) << first->Errors().toStdString();
    EXPECT_EQ(first->Protocol().count(started), 1);
    EXPECT_EQ(notTheGroups(), QString());
    EXPECT_EQ(ReadFileBytes(shared + "/alarm.wav"), "RIFF-installed");
    EXPECT_FALSE(QFileInfo::exists(accounts.Home(0) + "/.local/share/tarvo-com"));

    // The second operator carries on in the same day's protocol and settings.
    auto next = operatorRun(1);
    ASSERT_TRUE(next->Start());
    EXPECT_TRUE(WaitUntil([&] { return next->Protocol().count(started) == 2; }, 20000))
        << next->Errors().toStdString();
    EXPECT_TRUE(next->Terminate()) << next->Errors().toStdString();
    struct stat ini {};
    ASSERT_EQ(::stat(QFile::encodeName(shared + "/korvel.ini").constData(), &ini), 0);
    EXPECT_EQ(ini.st_uid, accounts.UserId(1)) << "the second account saved no settings";
    EXPECT_EQ(notTheGroups(), QString());
    ::umask(umaskBefore);
}

}  // namespace
