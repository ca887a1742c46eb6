#include "shell/startup.h"

#include "support/testhome.h"

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
    const QByteArray old = qgetenv("TARVO_HOME");
    qputenv("TARVO_HOME", (home.path() + "/demo").toUtf8());
    EXPECT_EQ(ResolveProgramFolder("/nonexistent"), home.path() + "/demo/");
    EXPECT_TRUE(QFileInfo(home.path() + "/demo").isDir());
    qunsetenv("TARVO_HOME");
    EXPECT_EQ(ResolveProgramFolder(home.path()), home.path() + "/");
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    EXPECT_EQ(ResolveProgramFolder("/nonexistent"), home.path() + "/data/tarvo-com/");
    qunsetenv("XDG_DATA_HOME");
    if (!old.isEmpty())
        qputenv("TARVO_HOME", old);
}

TEST(CInstanceLock, OneHolderPerName) {
    TestHome home;
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    CInstanceLock first, second, other;
    EXPECT_TRUE(first.Acquire("KORVEL_COMtest"));
    EXPECT_EQ(first.LockPath(), home.path() + "/KORVEL_COMtest.lock");
    EXPECT_FALSE(second.Acquire("KORVEL_COMtest"));
    EXPECT_TRUE(other.Acquire("KORVEL_COMother"));
    first.Release();
    EXPECT_TRUE(second.Acquire("KORVEL_COMtest"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(CInstanceLock::LockPathFor("KORVEL_COM/x").startsWith("/tmp/KORVEL_COM_x-"));
}

}  // namespace
