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
        EXPECT_EQ(ResolveProgramFolder("/nonexistent").path, home.path() + "/demo/");
        EXPECT_TRUE(QFileInfo(home.path() + "/demo").isDir());
    }
    const ScopedEnv noTarvoHome("TARVO_HOME", nullptr);
    EXPECT_EQ(ResolveProgramFolder(home.path()).path, home.path() + "/");
    const ScopedEnv data("XDG_DATA_HOME", home.path() + "/data");
    EXPECT_EQ(ResolveProgramFolder("/nonexistent").path, home.path() + "/data/tarvo-com/");
}

TEST(HasDisplay, Table) {
    const struct {
        const char* name;
        const char* display;
        const char* wayland;
        const char* platform;
        QStringList args;
        bool has;
    } cases[] = {
        {"nothing", nullptr, nullptr, nullptr, {}, false},
        {"empty variables", "", "", "", {}, false},
        {"X11", ":0", nullptr, nullptr, {}, true},
        {"Wayland", nullptr, "wayland-0", nullptr, {}, true},
        {"offscreen", nullptr, nullptr, "offscreen", {}, true},
        {"xcb without X", nullptr, "wayland-0", "xcb", {}, false},
        {"wayland with options, no Wayland", ":0", nullptr, "wayland:foo=1", {}, false},
        {"a fallback list", ":0", nullptr, "wayland;xcb", {}, true},
        {"a list of nothing usable", nullptr, nullptr, "wayland;xcb", {}, false},
        {"-platform argument", nullptr, nullptr, nullptr, {"-platform", "offscreen"}, true},
        {"-platform over the variable", nullptr, nullptr, "offscreen", {"-platform", "xcb"}, false},
    };
    for (const auto& c : cases) {
        const ScopedEnv display("DISPLAY", c.display ? QString(c.display) : QString());
        const ScopedEnv wayland("WAYLAND_DISPLAY", c.wayland ? QString(c.wayland) : QString());
        const ScopedEnv platform("QT_QPA_PLATFORM", c.platform ? QString(c.platform) : QString());
        EXPECT_EQ(HasDisplay(c.args), c.has) << c.name;
    }
}

TEST(ParseCommandLine, HelpAndVersionAreWordsOfTheirOwn) {
    EXPECT_TRUE(ParseCommandLine({"--help"}, "/x").Help);
    EXPECT_TRUE(ParseCommandLine({"-i", "a.ini", "--Version"}, "/x").Version);
    const StartOptions consumed = ParseCommandLine({"-i", "--help", "-t", "--version"}, "/x");
    EXPECT_FALSE(consumed.Help);
    EXPECT_FALSE(consumed.Version);
    EXPECT_EQ(consumed.IniPath, "--help");
    EXPECT_EQ(consumed.AppTitle, "--version");
    EXPECT_FALSE(ParseCommandLine({"--helpme", "-help"}, "/x").Help);
    EXPECT_TRUE(UsageText().startsWith("Usage: tarvo "));
}

// An installed copy: <prefix>/bin/tarvo beside <prefix>/share/tarvo-com.
TEST(ResolveProgramFolder, AnInstalledProgramKeepsItsFolderInTheHome) {
    TestHome home;
    const QString prefix = home.path() + "/usr";
    ASSERT_TRUE(QDir().mkpath(prefix + "/bin"));
    EXPECT_EQ(InstalledDataFolder(prefix + "/bin"), QString());
    home.write("usr/share/tarvo-com/korvel.ini", "[SERVER]\r\nhost=10.0.0.1\r\n");
    home.write("usr/share/tarvo-com/alarm.wav", "RIFF-installed");
    EXPECT_EQ(InstalledDataFolder(prefix + "/bin"), prefix + "/share/tarvo-com/");
    EXPECT_EQ(InstalledDataFolder(QString()), QString());

    const ScopedEnv noTarvoHome("TARVO_HOME", nullptr);
    const ScopedEnv data("XDG_DATA_HOME", home.path() + "/data");
    // Writable, as /usr/bin is for root, and still not the program folder.
    ASSERT_TRUE(QFileInfo(prefix + "/bin").isWritable());
    const ProgramFolder resolved = ResolveProgramFolder(prefix + "/bin");
    EXPECT_FALSE(resolved.shared);
    const QString folder = resolved.path;
    EXPECT_EQ(folder, home.path() + "/data/tarvo-com/");

    EXPECT_EQ(SeedProgramFolder(folder, InstalledDataFolder(prefix + "/bin")),
              QStringList({"korvel.ini", "alarm.wav"}));
    EXPECT_EQ(ReadFileBytes(folder + "korvel.ini"), "[SERVER]\r\nhost=10.0.0.1\r\n");
    EXPECT_EQ(ReadFileBytes(folder + "alarm.wav"), "RIFF-installed");
    EXPECT_EQ(FileMode(folder + "korvel.ini"), 0600);

    // The operator's own files are never replaced, and a partial data folder
    // seeds what it has.
    home.write("data/tarvo-com/korvel.ini", "[SERVER]\r\nhost=127.0.0.1\r\n");
    QFile::remove(folder + "alarm.wav");
    QFile::remove(prefix + "/share/tarvo-com/korvel.ini");
    EXPECT_EQ(SeedProgramFolder(folder, prefix + "/share/tarvo-com/"), QStringList({"alarm.wav"}));
    EXPECT_EQ(ReadFileBytes(folder + "korvel.ini"), "[SERVER]\r\nhost=127.0.0.1\r\n");
    EXPECT_EQ(SeedProgramFolder(folder, prefix + "/share/tarvo-com/"), QStringList());
    EXPECT_EQ(SeedProgramFolder(folder, QString()), QStringList());

    // A shared folder: the group writes the copies too, and a settings file
    // is there from the start, since its first mode is the one it keeps.
    const QString shared = home.path() + "/shared/";
    ASSERT_TRUE(QDir().mkpath(shared));
    EXPECT_EQ(SeedProgramFolder(shared, prefix + "/share/tarvo-com/", true),
              QStringList({"alarm.wav", "korvel.ini"}));
    EXPECT_EQ(FileMode(shared + "alarm.wav"), 0660);
    EXPECT_EQ(FileMode(shared + "korvel.ini"), 0660);
    EXPECT_EQ(ReadFileOrMissing(shared + "korvel.ini"), "");
    EXPECT_EQ(SeedProgramFolder(shared, prefix + "/share/tarvo-com/", true), QStringList());
}

// The administrator's folder for every account, in etc/tarvo-com of the
// installation, after TARVO_HOME and before the account's own.
TEST(ResolveProgramFolder, TheSystemWideFolder) {
    TestHome home;
    const QString shared = home.path() + "/shared";
    ASSERT_TRUE(QDir().mkpath(shared));
    home.write("root/usr/share/tarvo-com/alarm.wav", "RIFF");
    home.write("opt/share/tarvo-com/alarm.wav", "RIFF");
    ASSERT_TRUE(QDir().mkpath(home.path() + "/root/usr/bin"));
    const QString bin = home.path() + "/root/usr/bin";
    const QString conf = home.path() + "/root/etc/tarvo-com/tarvo-com.conf";
    EXPECT_EQ(SystemConfigFile(bin), conf);
    EXPECT_EQ(SystemConfigFile(home.path() + "/opt/bin"),
              home.path() + "/opt/etc/tarvo-com/tarvo-com.conf");
    EXPECT_EQ(SystemConfigFile(home.path() + "/portable"), QString());

    const ScopedEnv data("XDG_DATA_HOME", home.path() + "/data");
    const QString own = home.path() + "/data/tarvo-com/";
    const struct {
        const char* name;
        const char* conf;  // %1: the shared folder; null: no file
        const char* tarvoHome;
        QString path;
        bool shared;
        const char* error;  // found in the error text
    } cases[] = {
        {"no file", nullptr, nullptr, own, false, ""},
        {"as installed: comments only",
         "# one folder for all\n\n#ProgramFolder=/var/lib/tarvo-com\n", nullptr, own, false, ""},
        {"the folder named", "ProgramFolder=%1\n", nullptr, shared + "/", true, ""},
        {"any case, blanks, CR LF", "  programfolder =  %1/ \r\n", nullptr, shared + "/", true, ""},
        {"TARVO_HOME over the file", "ProgramFolder=%1\n", "/demo", home.path() + "/demo/", false,
         ""},
        {"a mistyped key", "#\nProgramFoldr=%1\n", nullptr, "", false, "line 2: no setting"},
        {"a relative folder", "ProgramFolder=var/lib/tarvo-com\n", nullptr, "", false,
         "line 1: ProgramFolder is no absolute folder"},
        {"a missing folder is not made", "ProgramFolder=%1/missing\n", nullptr, "", false,
         "Folder not found: "},
    };
    for (const auto& c : cases) {
        QFile::remove(conf);
        if (c.conf)
            home.write("root/etc/tarvo-com/tarvo-com.conf",
                       QByteArray(c.conf).replace("%1", shared.toUtf8()));
        const ScopedEnv tarvoHome("TARVO_HOME",
                                  c.tarvoHome ? home.path() + c.tarvoHome : QString());
        const ProgramFolder folder = ResolveProgramFolder(bin);
        EXPECT_EQ(folder.path, c.path) << c.name;
        EXPECT_TRUE(*c.error ? folder.error.contains(c.error) : folder.error.isEmpty())
            << c.name << ": " << folder.error.toStdString();
        EXPECT_TRUE(folder.path.isEmpty() || folder.shared == c.shared) << c.name;
    }
    EXPECT_FALSE(QFileInfo::exists(shared + "/missing"));
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

    // A shared program folder holds its own lock.
    const QString shared = home.path() + "/shared";
    ASSERT_TRUE(QDir().mkpath(shared));
    CInstanceLock inFolder, again;
    EXPECT_EQ(inFolder.Acquire("KORVEL_COMtest", shared), CInstanceLock::Result::Acquired);
    EXPECT_EQ(inFolder.LockPath(), shared + "/KORVEL_COMtest.lock");
    EXPECT_EQ(again.Acquire("KORVEL_COMtest", shared), CInstanceLock::Result::Held);

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
