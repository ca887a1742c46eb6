// "tarvo --register" as a shift's hand-over script runs it: no display,
// the workstation running beside it, and not a trace in the program folder.

#include "shell/startup.h"
#include "support/pdftext.h"
#include "support/registerday.h"
#include "support/runprogram.h"
#include "support/testhome.h"
#include "util/codepages.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

// Every entry under a folder with what a write would change.
QStringList Snapshot(const QString& folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << info.filePath() + u' ' + QString::number(info.size()) + u' ' +
                       QString::number(info.lastModified().toMSecsSinceEpoch()) + u' ' +
                       QString::number(info.metadataChangeTime().toMSecsSinceEpoch()) + u' ' +
                       QString::number(int(info.permissions()), 16);
    }
    entries.sort();
    return entries;
}

TEST(RegisterCommand, WritesTheFilesAndLeavesNoTrace) {
    TestHome home;
    TestHome elsewhere;
    MakeRegisterDay(home);
    // The working day follows the computer's clock: today, and tomorrow for
    // a run that crosses midnight.
    for (const QDate d : {QDate::currentDate(), QDate::currentDate().addDays(1)}) {
        const QString day = d.toString("MMdd");
        home.write("inp/" + day + "/" + day + "q911.001",
                   WideToAnsi(QStringLiteral("ЗЦЗЦ 001 СР12 141911 7\r\nСЕГОДНЯ\r\n")));
    }
    const ScopedEnv runtime("XDG_RUNTIME_DIR", elsewhere.path());
    CInstanceLock workstation;
    ASSERT_EQ(workstation.Acquire("KORVEL_COM"), CInstanceLock::Result::Acquired);

    const struct {
        const char* what;
        QStringList args;
        int exitCode;
        const char* error;  // the one line on standard error
        const char* csv;    // written, with this text in it
        bool pdf;
    } cases[] = {
        {"a named day, both files",
         {"-t", "Пост Север", "--register", "0130", "--csv", elsewhere.file("day.csv"), "--pdf",
          elsewhere.file("day.pdf")},
         0,
         "",
         "0130q911.117",
         true},
        {"the working day",
         {"--register", "--csv", elsewhere.file("today.csv")},
         0,
         "",
         "СЕГОДНЯ",
         false},
        {"a day not in the archive",
         {"--register", "0230", "--csv", elsewhere.file("no.csv")},
         1,
         "tarvo: в архиве нет дня 0230\n",
         nullptr,
         false},
        {"a file that cannot be written",
         {"--register", "0130", "--pdf", elsewhere.file("no/such/folder/day.pdf")},
         1,
         "tarvo: Не удалось записать файл ",
         nullptr,
         false},
    };
    for (const auto& c : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("TARVO_HOME", home.path());
        env.insert("XDG_RUNTIME_DIR", elsewhere.path());
        const QStringList before = Snapshot(home.path());
        const ProgramRun run = RunProgram(TARVO_BINARY, c.args, env);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.err.constData();
        EXPECT_TRUE(run.out.isEmpty()) << c.what;
        if (c.exitCode == 0) {
            EXPECT_TRUE(run.err.isEmpty()) << c.what << ": " << run.err.constData();
        } else {
            EXPECT_TRUE(QString::fromLocal8Bit(run.err).startsWith(QString::fromUtf8(c.error)))
                << c.what << ": " << run.err.constData();
            EXPECT_EQ(run.err.count('\n'), 1) << c.what;
        }
        QStringList changed;
        const QStringList after = Snapshot(home.path());
        for (const QString& entry : after + before)
            if (before.contains(entry) != after.contains(entry))
                changed << entry;
        EXPECT_TRUE(changed.isEmpty())
            << c.what << ": the program folder changed: " << changed.join(", ").toStdString();
        if (c.csv) {
            const QByteArray csv = ReadFileBytes(c.args.at(c.args.indexOf("--csv") + 1));
            EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF")) << c.what;
            EXPECT_TRUE(QString::fromUtf8(csv).contains(QString::fromUtf8(c.csv))) << c.what;
        }
        if (c.pdf) {
            const auto pages = PdfPages(elsewhere.file("day.pdf"));
            ASSERT_TRUE(pages && !pages->isEmpty()) << c.what;
            const QStringList first = pages->first();
            ASSERT_GE(first.size(), 2);
            EXPECT_TRUE(first[0].startsWith("Пост Север — Журнал телеграмм за "))
                << first[0].toStdString();
            EXPECT_TRUE(first[0].contains("(0130)")) << first[0].toStdString();
            EXPECT_TRUE(first[0].endsWith(QStringLiteral("Лист 1 из %1").arg(pages->size())))
                << first[0].toStdString();
            EXPECT_EQ(first[1],
                      "Пропущены номера ЦКС: до смены нумерации 116; после смены нумерации 003");
        }
    }
    EXPECT_EQ(QDir(elsewhere.path()).entryList({"*.lock"}, QDir::Files),
              QStringList{"KORVEL_COM.lock"})
        << "the running workstation's lock, no other";
}

}  // namespace
