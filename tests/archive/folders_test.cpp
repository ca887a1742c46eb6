#include "archive/folders.h"

#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "support/fakeclock.h"
#include "support/loopback.h"
#include "support/protocolevents.h"
#include "support/testhome.h"
#include "util/linecode.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <utime.h>

namespace {

struct RecordingHost : IFolderHost {
    void ShowFolderError(const QString& text) override { errors << text; }
    void FoldersUnavailable() override { ++unavailable; }
    void DayPickersToToday() override { order << "pickers"; }
    void DayStarted() override {
        ++started;
        order << "started";
    }
    QStringList order;
    QStringList errors;
    int unavailable = 0;
    int started = 0;
};

class FoldersTest : public ProgramFolderTest {
protected:
    FoldersTest() { protocol.SetFileName(QStringLiteral("test.prt")); }

    // A file of the program folder, last written the given number of days
    // before the fake clock's now.
    void file(const QString& name, int daysOld) {
        home.write(name, "x");
        const time_t t = clock.LocalTime().addDays(-daysOld).toSecsSinceEpoch();
        utimbuf times{t, t};
        ASSERT_EQ(::utime(QFile::encodeName(home.file(name)).constData(), &times), 0);
    }
    bool exists(const QString& name) const { return QFile::exists(home.file(name)); }
    QStringList events() const { return ProtocolEventsWithLevel(protocol); }

    FakeClock clock;
    _tlg_config config;
    _tlg_status status;
    TProtocol protocol;
    RecordingHost host;
    TArchiveFolders folders{config, status, protocol, clock, &host};
};

TEST_F(FoldersTest, CheckFoldersMakesMissingFolders) {
    config.InpPath = "data/inp/";
    EXPECT_TRUE(folders.CheckFolders());
    EXPECT_TRUE(QDir(home.file("data/inp")).exists());
    EXPECT_TRUE(QDir(home.file("out")).exists());
    EXPECT_TRUE(QDir(home.file("prt")).exists());
    EXPECT_TRUE(host.errors.isEmpty());
}

TEST_F(FoldersTest, CheckFoldersStopsAtTheFirstFailure) {
    home.write("blocked", "a file where a folder should be");
    config.OutPath = "blocked/out/";
    config.PrtPath = "blocked/prt/";
    EXPECT_FALSE(folders.CheckFolders());
    const QString expected =
        "Folder not found: " + home.path() + "/blocked/out/" + " ДЛЯ СОХРАНЕНИЯ ПЕРЕДАННЫХ ТЛГ";
    EXPECT_EQ(host.errors, QStringList{expected});
    EXPECT_EQ(host.unavailable, 1);
    ASSERT_EQ(events().size(), 1);
    EXPECT_EQ(events()[0], "4" + expected);
}

TEST_F(FoldersTest, StartDayMakesDayFoldersAndTheDayFile) {
    ASSERT_TRUE(folders.CheckFolders());
    folders.StartDay("1208", QDate(2026, 12, 8));
    EXPECT_TRUE(QDir(home.file("inp/1208")).exists());
    EXPECT_TRUE(QDir(home.file("out/1208")).exists());
    EXPECT_EQ(status.DayText, "1208");
    EXPECT_EQ(status.CurrentDateText, "08/12");
    EXPECT_EQ(protocol.FileName(), "1208.prt");
    EXPECT_EQ(host.started, 1);
    EXPECT_EQ(host.order, (QStringList{"pickers", "started"}));
    folders.StartDay("261209", QDate(2026, 12, 9));
    EXPECT_EQ(status.CurrentDateText, "09/12");
}

// The cleanup on its own (as the settings dialog's tests would run it) and
// on its thread, as a day start runs it: the same files go, the same lines
// come.
TEST_F(FoldersTest, CleanupRemovesOldFilesByTheMasks) {
    config.InpDays = 31;
    config.OutDays = 40;
    config.PrtDays = 30;  // off
    for (const bool onItsThread : {false, true}) {
        SCOPED_TRACE(onItsThread ? "on its thread" : "at once");
        QDir(home.file("inp")).removeRecursively();
        QDir(home.file("out")).removeRecursively();
        qsizetype eventsBefore = events().size();
        QDir().mkpath(home.file("prt"));
        // Received: telegrams, raw copies, archives, unfinished files.
        file("inp/1001/1001u911.001", 32);
        file("inp/1001/1001u911.001.tlg", 32);
        file("inp/1001/1001q001.rcvtlg", 32);  // 15 characters: no mask takes it
        file("inp/1001/ARC10011999.001", 32);
        file("inp/1001/1001u912.002", 30);     // not old enough
        file("inp/1001/notes.txt", 100);       // matches no mask
        file("inp/1207q005", 32);              // lying in the base: any name
        file("inp/readme", 100);               // does not begin with four digits
        file("inp/261001/2610u911.001", 100);  // six-character day folder: not entered
        // Outgoing.
        file("out/1001/1001q001.001", 41);
        file("out/1001/1001q001.b01", 41);
        file("out/1001/1001q001.b001", 41);  // no mask of the table takes a .bNNN name
        file("out/1001/1001q001", 41);       // 8 characters: the length rule keeps it
        file("out/1207q005", 41);
        file("out/1207q006", 39);
        // Protocol (cleanup off).
        file("prt/1001.prt", 100);

        if (onItsThread) {
            ASSERT_TRUE(folders.CheckFolders());
            folders.StartDay("1031", QDate(2026, 10, 31));
            eventsBefore = events().size();  // the day's protocol file is a new one
            EXPECT_TRUE(WaitUntil([&] { return !folders.CleanupRunning(); }));
            EXPECT_TRUE(WaitUntil([&] { return events().size() >= eventsBefore + 4; }));
        } else {
            folders.CleanupOldFiles();
        }

        EXPECT_FALSE(exists("inp/1001/1001u911.001"));
        EXPECT_FALSE(exists("inp/1001/1001u911.001.tlg"));
        EXPECT_FALSE(exists("inp/1001/ARC10011999.001"));
        EXPECT_TRUE(exists("inp/1001/1001q001.rcvtlg"));
        EXPECT_TRUE(exists("inp/1001/1001u912.002"));
        EXPECT_TRUE(exists("inp/1001/notes.txt"));
        EXPECT_FALSE(exists("inp/1207q005"));
        EXPECT_TRUE(exists("inp/readme"));
        EXPECT_TRUE(exists("inp/261001/2610u911.001"));
        EXPECT_FALSE(exists("out/1001/1001q001.001"));
        EXPECT_FALSE(exists("out/1001/1001q001.b01"));
        EXPECT_TRUE(exists("out/1001/1001q001.b001"));
        EXPECT_TRUE(exists("out/1001/1001q001"));
        EXPECT_FALSE(exists("out/1207q005"));
        EXPECT_TRUE(exists("out/1207q006"));
        EXPECT_TRUE(exists("prt/1001.prt"));
        EXPECT_TRUE(QDir(home.file("inp/1001")).exists()) << "folders are never removed";

        // The folders as the settings give them.
        EXPECT_EQ(events().mid(eventsBefore),
                  (QStringList{
                      "3УДАЛЕНО 2 ФАЙЛ(ОВ) СТАРШЕ 31 ДНЕЙ В КАТАЛОГЕ inp/????????.???",
                      "3УДАЛЕНО 1 ФАЙЛ(ОВ) СТАРШЕ 31 ДНЕЙ В КАТАЛОГЕ inp/*.tlg",
                      "3УДАЛЕНО 1 ФАЙЛ(ОВ) СТАРШЕ 31 ДНЕЙ В КАТАЛОГЕ inp/arc????????.???",
                      "3УДАЛЕНО 3 ФАЙЛ(ОВ) СТАРШЕ 40 ДНЕЙ В КАТАЛОГЕ out/????????.???",
                  }));
    }
}

TEST_F(FoldersTest, CleanupNeverWorksAboveItsFolders) {
    config.InpDays = config.OutDays = config.PrtDays = 31;
    file("1207q005", 100);  // in the program folder itself
    file("inp/1207q005", 100);
    for (const QString& bad : {QStringLiteral("/"), QStringLiteral(".."), QStringLiteral("./")}) {
        SCOPED_TRACE(bad.toStdString());
        config.OutPath = bad;
        folders.CleanupOldFiles();
        EXPECT_TRUE(exists("1207q005"));
        EXPECT_TRUE(events().last().startsWith("4ОЧИСТКА КАТАЛОГА "));
        EXPECT_TRUE(events().last().endsWith(" НЕ ВЫПОЛНЕНА: НЕДОПУСТИМЫЙ КАТАЛОГ"));
    }
    EXPECT_FALSE(exists("inp/1207q005")) << "the sound folders are still cleaned";
    // A folder that is not there has nothing to clean, and nothing is said.
    const qsizetype before = events().size();
    config.OutPath = "missing/out/";
    folders.CleanupOldFiles();
    EXPECT_EQ(events().size(), before);
}

TEST_F(FoldersTest, SymlinkedDayFolderIsNotEntered) {
    config.InpDays = 31;
    file("elsewhere/1001u911.001", 100);
    QDir().mkpath(home.file("inp"));
    ASSERT_TRUE(QFile::link(home.file("elsewhere"), home.file("inp/1001")));
    folders.CleanupOldFiles();
    EXPECT_TRUE(exists("elsewhere/1001u911.001"));
}

}  // namespace
