#include "protocol/protocolfile.h"

#include "protocol/protocol.h"
#include "protocolsupport.h"
#include "util/codepages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using ProtocolFile = ProtocolTest;

TEST_F(ProtocolFile, ReadSplitsAtEveryKindOfLineEnd) {
    const struct {
        QByteArray bytes;
        QList<LineText> lines;
    } cases[] = {
        {"", {}},
        {"A\r\nB\r\n", {"A", "B"}},
        {"A\rB\nC", {"A", "B", "C"}},
        {"A\r\n\r\nB", {"A", "", "B"}},
        {"\n", {""}},
        {"A\n\r", {"A", ""}},
        {"\x01"
         "A<>\r\n\x03 B\n",
         {"\x01"
          "A<>",
          "\x03 B"}},
    };
    for (const auto& c : cases) {
        home.write("day.prt", c.bytes);
        QList<LineText> lines{"stale"};
        EXPECT_EQ(ReadProtocolFile(home.file("day.prt"), lines), ProtocolRead::Loaded);
        EXPECT_EQ(lines, c.lines) << HexBytes(c.bytes);
    }
    QList<LineText> lines{"stale"};
    EXPECT_EQ(ReadProtocolFile(home.file("none.prt"), lines), ProtocolRead::Missing);
    EXPECT_TRUE(lines.isEmpty());
    QDir().mkpath(home.file("dir.prt"));
    EXPECT_EQ(ReadProtocolFile(home.file("dir.prt"), lines), ProtocolRead::Unreadable);
}

TEST_F(ProtocolFile, WriterWritesOnlyWhatChanged) {
    ProtocolFileWriter writer;
    const QString path = home.file("day.prt");
    QList<LineText> lines{"A", "B"};
    ASSERT_TRUE(writer.Write(path, lines));
    EXPECT_TRUE(writer.LastWrite().whole);

    // Each step changes the list, then expects a tail write of that many bytes.
    const struct {
        const char* name;
        std::function<void()> change;
        bool whole;
        qint64 bytes;
    } steps[] = {
        {"last line grows, a line is appended",
         [&] {
             lines[1] += "CD";
             writer.LineChanged(1);
             lines << "E";
         },
         false, 8},
        {"a line gets shorter",
         [&] {
             lines[1] = "X";
             writer.LineChanged(1);
         },
         false, 6},
        {"nothing changed", [] {}, false, 0},
        {"someone appended to the file",
         [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::Append));
             f.write("junk");
         },
         true, 9},
        {"someone replaced the file with one of the same size",
         [&] {
             home.write("new.prt", "A\r\nX\r\nZ\r\n");
             ASSERT_EQ(::rename(QFile::encodeName(home.file("new.prt")).constData(),
                                QFile::encodeName(path).constData()),
                       0);
         },
         true, 9},
        {"the file was deleted", [&] { QFile::remove(path); }, true, 9},
        {"a failed write", [&] { EXPECT_FALSE(writer.Write(home.file("none/day.prt"), lines)); },
         true, 9},
        {"then only the tail again", [&] { lines << "F"; }, false, 3},
    };
    for (const auto& s : steps) {
        s.change();
        ASSERT_TRUE(writer.Write(path, lines)) << s.name;
        EXPECT_EQ(writer.LastWrite().whole, s.whole) << s.name;
        EXPECT_EQ(writer.LastWrite().bytes, s.bytes) << s.name;
        EXPECT_EQ(ReadFileOrMissing(path), Joined(lines)) << s.name;
    }

    ASSERT_TRUE(writer.Write(home.file("other.prt"), lines));
    EXPECT_TRUE(writer.LastWrite().whole) << "a new path is written whole";
}

TEST_F(ProtocolFile, FileHoldsTheLinesExactly) {
    TProtocol protocol;
    protocol.AddText("AB\r\nCD", 1);
    EXPECT_EQ(ReadFileOrMissing(protocol.LivePath()),
              "\x01"
              "AB<>\r\n\x01"
              "CD\r\n");

    // An empty traffic text still brings the file up to date.
    QFile::remove(protocol.LivePath());
    protocol.AddText("", 1);
    EXPECT_EQ(ReadFileOrMissing(protocol.LivePath()), Joined(protocol.Lines()));

    TProtocol empty;  // deletes the first one's file: both live in startup.prt
    empty.AddText("", 1);
    EXPECT_FALSE(QFileInfo::exists(empty.LivePath())) << "an empty list writes nothing";
}

TEST_F(ProtocolFile, TrafficOfALongDayIsAppended) {
    TProtocol protocol;
    for (int i = 0; i < 1000; ++i)
        protocol.AddText("ZCZC " + QByteArray::number(i) + "\r\n", 1);
    protocol.AddText("MORE", 1);
    EXPECT_FALSE(protocol.LastWrite().whole);
    EXPECT_EQ(protocol.LastWrite().bytes, 7);
    EXPECT_EQ(ReadFileOrMissing(protocol.LivePath()), Joined(protocol.Lines()));

    protocol.SetFileName(QStringLiteral("0130.prt"));
    protocol.AddText("NEW", 1);
    EXPECT_TRUE(protocol.LastWrite().whole) << "a new file starts whole";
}

TEST_F(ProtocolFile, WriteFailureIsReportedOnceAndRecoveryLogged) {
    const struct {
        const char* name;
        std::function<void(const QString&)> breakFolder, repairFolder;
    } ways[] = {
        {"folder removed", [](const QString& f) { QDir(f).removeRecursively(); },
         [](const QString& f) { QDir().mkpath(f); }},
        {"folder replaced by a file",
         [](const QString& f) {
             QDir(f).removeRecursively();
             QFile file(f);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         },
         [](const QString& f) {
             QFile::remove(f);
             QDir().mkpath(f);
         }},
    };
    for (const auto& way : ways) {
        QDir(home.file("prt")).removeRecursively();
        TProtocol protocol;
        RecordingView view;
        RecordingNotices notices;
        protocol.AttachView(&view);
        protocol.AttachNotices(&notices);
        protocol.SetTimeText(QStringLiteral("12:00:00"));
        ASSERT_TRUE(protocol.SetFolder(QStringLiteral("prt")));
        protocol.SetFileName(QStringLiteral("0130.prt"));
        const QString path = protocol.LivePath();
        const QString folder = home.file("prt");
        protocol.AddText("AB", 1);

        way.breakFolder(folder);
        protocol.AddText("CD", 1);
        protocol.AddText("EF", 1);
        EXPECT_EQ(protocol.WriteFailures(), 2) << way.name;
        EXPECT_EQ(notices.failures,
                  QStringList({"12:00:00 Невозможно записать файл протокола " + path}))
            << way.name;

        way.repairFolder(folder);
        protocol.AddText("GH", 1);
        EXPECT_EQ(protocol.WriteFailures(), 0) << way.name;
        EXPECT_TRUE(protocol.LastWrite().whole) << way.name;
        const QList<LineText> expected{
            M(1) + "ABCD",
            M(4) + "12:00:00 " +
                WideToCp866(QStringLiteral("Невозможно записать файл протокола ") + path) + "\n",
            M(1) + "EFGH",
            M(3) + "12:00:00 " + WideToCp866(u"Запись файла протокола восстановлена") + "\n",
            "",
        };
        EXPECT_EQ(protocol.Lines(), expected) << way.name;
        EXPECT_EQ(ReadFileOrMissing(path), Joined(expected.mid(0, 3))) << way.name;
        protocol.AddText("", 1);
        EXPECT_EQ(ReadFileOrMissing(path), Joined(expected)) << way.name;
        EXPECT_EQ(notices.failures.size(), 1) << way.name;
    }
}

TEST_F(ProtocolFile, FailureBeforeTheViewExistsIsOnlyLogged) {
    TProtocol protocol;
    RecordingNotices notices;
    protocol.AttachNotices(&notices);
    protocol.SetFolder(QStringLiteral("prt"));
    QDir(home.file("prt")).removeRecursively();
    protocol.AddText("A", 3);
    EXPECT_EQ(protocol.WriteFailures(), 1);
    EXPECT_EQ(protocol.Lines().size(), 4);
    EXPECT_TRUE(notices.failures.isEmpty());
}

TEST_F(ProtocolFile, StartupFileAndDayFiles) {
    home.write("startup.prt", "LEFT OVER\r\n");
    home.write("prt/startup.prt", "PRT START\r\n");
    home.write("prt/0130.prt", "DAY\n");
    const QString cwd = QDir::currentPath() + "/";

    auto protocol = std::make_unique<TProtocol>();
    EXPECT_FALSE(QFileInfo::exists(home.file("startup.prt"))) << "a previous run's file goes";
    EXPECT_EQ(protocol->Folder(), cwd);
    protocol->AddText("S1", 3);
    EXPECT_EQ(ReadFileOrMissing(home.file("startup.prt")), "\x03 S1\r\n\r\n");

    EXPECT_TRUE(protocol->SetFolder(QString()));
    EXPECT_EQ(protocol->Folder(), cwd);
    EXPECT_EQ(protocol->Lines().size(), 2) << "the same folder keeps the list";

    EXPECT_TRUE(protocol->SetFolder(QStringLiteral("prt")));
    EXPECT_EQ(protocol->Folder(), cwd + "prt/");
    EXPECT_EQ(protocol->Lines(), QList<LineText>({"PRT START"}));
    protocol->AddText("S2", 3);
    EXPECT_EQ(ReadFileOrMissing(home.file("prt/startup.prt")), "PRT START\r\n\x03 S2\r\n\r\n");

    protocol->SetFileName(QStringLiteral("0130.prt"));
    EXPECT_EQ(protocol->Lines(), QList<LineText>({"DAY"}));
    protocol->AddText("D1", 3);
    EXPECT_EQ(ReadFileOrMissing(home.file("prt/0130.prt")), "DAY\r\n\x03 D1\r\n\r\n");

    protocol->SetFileName(QStringLiteral("0131.prt"));
    EXPECT_TRUE(protocol->Lines().isEmpty());
    protocol->AddText("N", 1);
    QFile::remove(home.file("prt/0131.prt"));
    protocol.reset();
    EXPECT_EQ(ReadFileOrMissing(home.file("prt/0131.prt")), "\x01N\r\n") << "written at the end";
}

TEST_F(ProtocolFile, FolderPaths) {
    TProtocol protocol;
    RecordingNotices notices;
    protocol.AttachNotices(&notices);
    const QString deep = home.path() + "/a/b";
    EXPECT_TRUE(protocol.SetFolder(deep));
    EXPECT_EQ(protocol.Folder(), deep + "/");
    EXPECT_TRUE(QFileInfo(deep).isDir());

    home.write("plain", "x");
    EXPECT_FALSE(protocol.SetFolder(QStringLiteral("plain/Sub")));
    EXPECT_EQ(notices.folderErrors,
              QStringList({"Ошибка сохранения файла. Не найден и не создан каталог " +
                           QDir::currentPath() + "/plain/Sub/"}));
    EXPECT_EQ(protocol.Folder(), deep + "/");
}

// A day file that is there but cannot be read must survive: the store keeps
// failing to write it until it can be read or is gone.
TEST_F(ProtocolFile, UnreadableDayFileIsNeverOverwritten) {
    const struct {
        const char* name;
        std::function<bool(const QString&)> block;  // false: cannot be set up here
    } blocks[] = {
        {"a folder in its place", [](const QString& p) { return QDir().mkpath(p); }},
        {"a pipe in its place",
         [](const QString& p) { return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0; }},
        {"no read permission",
         [this](const QString& p) {
             home.write("prt/0130.prt", "SECRET\r\n");
             return ::geteuid() != 0 && ::chmod(QFile::encodeName(p).constData(), 0) == 0;
         }},
    };
    for (const auto& b : blocks) {
        QDir(home.file("prt")).removeRecursively();
        QDir().mkpath(home.file("prt"));
        const QString day = home.file("prt/0130.prt");
        if (!b.block(day))
            continue;
        const QByteArray before = QFileInfo(day).isFile() ? "SECRET\r\n" : "";

        TProtocol protocol;
        RecordingView view;
        RecordingNotices notices;
        protocol.AttachView(&view);
        protocol.AttachNotices(&notices);
        protocol.SetFolder(QStringLiteral("prt"));
        protocol.SetFileName(QStringLiteral("0130.prt"));
        EXPECT_EQ(protocol.WriteFailures(), 1) << b.name;
        EXPECT_EQ(notices.failures.size(), 1) << b.name;
        protocol.AddText("A", 1);
        protocol.AddText("B", 3);
        EXPECT_EQ(notices.failures.size(), 1) << b.name;
        EXPECT_GE(protocol.WriteFailures(), 2) << b.name;
        if (!before.isEmpty()) {
            QFile::setPermissions(day, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            EXPECT_EQ(ReadFileOrMissing(day), before) << b.name;
        } else {
            EXPECT_FALSE(QFileInfo(day).isFile()) << b.name;
        }

        // The cause goes: the old day is readable again.
        if (before.isEmpty()) {
            QDir(day).removeRecursively();
            QFile::remove(day);
            home.write("prt/0130.prt", "OLD\r\n");
        }
        const QList<LineText> collected = protocol.Lines();
        protocol.AddText("C", 1);
        EXPECT_EQ(protocol.WriteFailures(), 0) << b.name;
        ASSERT_GE(protocol.Lines().size(), collected.size() + 1) << b.name;
        EXPECT_EQ(protocol.Lines().first(), before.isEmpty() ? "OLD" : "SECRET") << b.name;
        protocol.AddText("", 1);
        EXPECT_EQ(ReadFileOrMissing(day), Joined(protocol.Lines())) << b.name;
    }
}

TEST_F(ProtocolFile, UnreadableDayFileThatGoesAwayIsWrittenFresh) {
    QDir().mkpath(home.file("prt/0130.prt"));
    TProtocol protocol;
    protocol.SetFolder(QStringLiteral("prt"));
    protocol.SetFileName(QStringLiteral("0130.prt"));
    protocol.AddText("A", 1);
    QDir(home.file("prt/0130.prt")).removeRecursively();
    protocol.AddText("B", 1);
    protocol.AddText("", 1);
    EXPECT_EQ(protocol.WriteFailures(), 0);
    EXPECT_EQ(protocol.Lines()[0].left(1), M(4));
    EXPECT_EQ(ReadFileOrMissing(home.file("prt/0130.prt")), Joined(protocol.Lines()));
}

// Whatever is logged, and however writes fail in between, the file ends up
// as the lines joined with CR LF.
TEST_F(ProtocolFile, RandomDaysMatchAWholeRewrite) {
    const QByteArray alphabet = "AZ09 .,|#&<>\r\n\r\n\x80\x9F\xE0";
    const QString wide = QStringLiteral("аЯ ё€\n1");
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return int(rng() % unsigned(n)); };
        TProtocol protocol;
        protocol.SetWrapWidth(seed % 2 == 0);
        protocol.SetFolder(QStringLiteral("prt"));
        int day = 100;
        protocol.SetFileName(QString::number(day) + ".prt");
        bool broken = false;
        for (int step = 0; step < 400; ++step) {
            const int r = pick(100);
            if (r < 3) {
                broken = !broken;
                if (broken)
                    QDir(home.file("prt")).removeRecursively();
                else
                    QDir().mkpath(home.file("prt"));
            } else if (r < 5) {
                protocol.SetFileName(QString::number(++day) + ".prt");
            } else if (r < 12) {
                QString text;
                for (int n = pick(4) == 0 ? pick(3000) : pick(40); n > 0; --n)
                    text += wide[pick(int(wide.size()))];
                protocol.AddMessage(text, 1 + pick(5));
            } else {
                QByteArray text;
                for (int n = pick(8) == 0 ? pick(300) : pick(30); n > 0; --n)
                    text += alphabet[pick(int(alphabet.size()))];
                protocol.AddText(text, 1 + pick(7));
            }
            if (!broken && !protocol.Lines().isEmpty() && pick(5) == 0) {
                protocol.WriteFile();
                ASSERT_TRUE(protocol.WriteFile());
                ASSERT_EQ(ReadFileOrMissing(protocol.LivePath()), Joined(protocol.Lines()))
                    << "seed " << seed << " step " << step;
            }
        }
    }
}

}  // namespace
