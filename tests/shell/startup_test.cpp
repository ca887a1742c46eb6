#include "shell/startup.h"

#include "support/testhome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(ParseCommandLine, Table) {
    const QString folder = QStringLiteral("/opt/tarvo/");
    const struct {
        const char* name;
        QStringList args;
        QString ini, title, mutex, instance;
    } cases[] = {
        {"no arguments", {}, "/opt/tarvo/korvel.ini", "TARVO/COM", "KORVEL_COM", ""},
        {"ini attached keeps case",
         {"-i/home/Op/Korvel.INI"},
         "/home/Op/Korvel.INI",
         "TARVO/COM",
         "KORVEL_COM",
         ""},
        {"ini as next argument", {"-I", "Second.ini"}, "Second.ini", "TARVO/COM", "KORVEL_COM", ""},
        {"-c is -i", {"-cother.ini"}, "other.ini", "TARVO/COM", "KORVEL_COM", ""},
        {"title keeps case",
         {"-t", "Пост Север"},
         "/opt/tarvo/korvel.ini",
         "Пост Север",
         "KORVEL_COM",
         ""},
        {"empty title", {"-t", ""}, "/opt/tarvo/korvel.ini", "", "KORVEL_COM", ""},
        {"instance attached is lowered",
         {"-nPost2"},
         "/opt/tarvo/korvel.ini",
         "TARVO/COM",
         "KORVEL_COMpost2",
         "post2"},
        {"instance separate keeps case",
         {"-N", "Post2"},
         "/opt/tarvo/korvel.ini",
         "TARVO/COM",
         "KORVEL_COMpost2",
         "Post2"},
        {"lone option at the end", {"-t"}, "/opt/tarvo/korvel.ini", "TARVO/COM", "KORVEL_COM", ""},
        {"consumed value is no option",
         {"-t", "-nX"},
         "/opt/tarvo/korvel.ini",
         "-nX",
         "KORVEL_COM",
         ""},
        {"unknown arguments ignored",
         {"--verbose", "file", "-x"},
         "/opt/tarvo/korvel.ini",
         "TARVO/COM",
         "KORVEL_COM",
         ""},
        {"all together", {"-nA", "-i", "a.ini", "-tT"}, "a.ini", "T", "KORVEL_COMa", "a"},
    };
    for (const auto& c : cases) {
        const StartOptions o = ParseCommandLine(c.args, folder);
        EXPECT_EQ(o.IniPath, c.ini) << c.name;
        EXPECT_EQ(o.AppTitle, c.title) << c.name;
        EXPECT_EQ(o.MutexName, c.mutex) << c.name;
        EXPECT_EQ(o.InstanceName, c.instance) << c.name;
    }
}

TEST(ResolveProgramFolder, PrefersTarvoHomeThenTheExecutableFolder) {
    TestHome home;
    {
        const ScopedEnv tarvoHome("TARVO_HOME", home.path() + "/demo");
        EXPECT_EQ(ResolveProgramFolder("/nonexistent"), home.path() + "/demo/");
        EXPECT_TRUE(QFileInfo(home.path() + "/demo").isDir());
    }
    const ScopedEnv noTarvoHome("TARVO_HOME", nullptr);
    EXPECT_EQ(ResolveProgramFolder(home.path()), home.path() + "/");
    const ScopedEnv data("XDG_DATA_HOME", home.path() + "/data");
    EXPECT_EQ(ResolveProgramFolder("/nonexistent"), home.path() + "/data/tarvo-com/");
}

TEST(CInstanceLock, OneHolderPerNameAndAFallbackInTmp) {
    TestHome home;
    const ScopedEnv runtime("XDG_RUNTIME_DIR", home.path());
    CInstanceLock first, second, other;
    EXPECT_EQ(first.Acquire("KORVEL_COMtest"), CInstanceLock::Result::Acquired);
    EXPECT_EQ(first.LockPath(), home.path() + "/KORVEL_COMtest.lock");
    EXPECT_EQ(second.Acquire("KORVEL_COMtest"), CInstanceLock::Result::Held);
    EXPECT_EQ(other.Acquire("KORVEL_COMother"), CInstanceLock::Result::Acquired);
    first.Release();
    EXPECT_EQ(second.Acquire("KORVEL_COMtest"), CInstanceLock::Result::Acquired);

    // A runtime folder where no lock file can be made (another user's after
    // su; here a folder in the lock file's place): /tmp serves.
    const QString name =
        QStringLiteral("KORVEL_COMfallback%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(QDir().mkpath(home.file(name + ".lock")));
    CInstanceLock fallback;
    EXPECT_EQ(fallback.Acquire(name), CInstanceLock::Result::Acquired);
    EXPECT_EQ(fallback.LockPath(), CInstanceLock::FallbackLockPath(name));
    fallback.Release();
    QFile::remove(CInstanceLock::FallbackLockPath(name));

    // No lock anywhere: said so, not taken for another copy running.
    ASSERT_TRUE(QDir().mkpath(CInstanceLock::FallbackLockPath(name)));
    CInstanceLock none;
    EXPECT_EQ(none.Acquire(name), CInstanceLock::Result::Unavailable);
    EXPECT_FALSE(none.Error().isEmpty());
    QDir().rmdir(CInstanceLock::FallbackLockPath(name));

    const ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
    EXPECT_TRUE(CInstanceLock::LockPathFor("KORVEL_COM/x").startsWith("/tmp/KORVEL_COM_x-"));
}

}  // namespace
