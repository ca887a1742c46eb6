// The command-line words that end the program before any window, and a start
// without a display, run as the operator's shell runs them.

#include "shell/startup.h"
#include "shell/version.h"

#include "support/runprogram.h"
#include "support/testhome.h"

#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, HelpVersionAndNoDisplay) {
    TestHome home;
    const struct {
        const char* name;
        QStringList args;
        const char* platform;  // QT_QPA_PLATFORM, null for unset
        int exitCode;
        const char* out;  // expected at the start of standard output
        bool errLine;     // one line on standard error about the desktop session
    } cases[] = {
        {"help without a display", {"--help"}, nullptr, 0, "Usage: tarvo ", false},
        {"version in any case", {"--VERSION"}, nullptr, 0, "tarvo (TARVO/COM) ", false},
        {"help wins over other options",
         {"-nPost2", "--help", "-t", "X"},
         nullptr,
         0,
         "Usage: tarvo ",
         false},
        {"help consumed as the title", {"-t", "--help"}, nullptr, 1, "", true},
        {"plain start without a display", {}, nullptr, 1, "", true},
        {"an X11 platform without X", {}, "xcb", 1, "", true},
        {"version on the offscreen platform",
         {"--version"},
         "offscreen",
         0,
         "tarvo (TARVO/COM) ",
         false},
    };
    for (const auto& c : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        if (c.platform)
            env.insert("QT_QPA_PLATFORM", c.platform);
        // Nothing may be made anywhere: the program ends before its folder.
        env.insert("TARVO_HOME", home.file("folder"));
        const ProgramRun run = RunProgram(TARVO_BINARY, c.args, env);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.err.constData();
        EXPECT_TRUE(run.out.startsWith(c.out)) << c.name << ": " << run.out.constData();
        if (c.errLine) {
            EXPECT_EQ(run.err.count('\n'), 1) << c.name << ": " << run.err.constData();
            EXPECT_TRUE(run.err.contains("needs a desktop session")) << c.name;
            EXPECT_TRUE(run.out.isEmpty()) << c.name;
        } else {
            EXPECT_TRUE(run.err.isEmpty()) << c.name << ": " << run.err.constData();
        }
        EXPECT_FALSE(QFileInfo::exists(home.file("folder"))) << c.name;
    }
    const ProgramRun version = RunProgram(TARVO_BINARY, {"--version"});
    EXPECT_EQ(version.out, QByteArray("tarvo (TARVO/COM) ") + VersionNumber().toUtf8() + '\n');
}

}  // namespace
