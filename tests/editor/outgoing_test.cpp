#include "editor/outgoing.h"

#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "support/recordingoutgoing.h"
#include "support/testhome.h"
#include "util/codepages.h"
#include "util/fileops.h"
#include "util/linecode.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class OutgoingTest : public ProgramFolderTest {
protected:
    OutgoingTest() {
        protocol.SetFileName(QStringLiteral("test.prt"));
        status.DayText = "1208";
        QDir().mkpath(home.file("out"));
        writer.SetQueue(&queue);
        compose({"П141911", "ТЕКСТ -"});
    }
    void compose(const QStringList& lines) {
        TComposeFields f;
        f.Category = "П";
        f.Index = "141911";
        f.TextLines = lines.mid(1);
        ComposeOutgoing(f, false, {}, writer);
    }
    QByteArray read(const QString& name) const { return ReadFileOrMissing(home.file(name)); }
    QStringList errorEvents() const {
        QStringList out;
        for (const LineText& line : protocol.Lines())
            if (!line.isEmpty() && line[0] == kProtocolError)
                out << LineToWide(line.mid(1));
        return out;
    }
    QStringList outRoot() const {
        return QDir(home.file("out")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    _tlg_config config;
    _tlg_status status;
    TProtocol protocol;
    RecordingOutgoingHost host;
    RecordingOutgoingQueue queue;
    TOutgoingWriter writer{config, status, protocol, &host};
};

TEST_F(OutgoingTest, AnsiFilesAreNumberedFromZero) {
    EXPECT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Written);
    EXPECT_EQ(host.shown.value(0), QStringList({"П141911", "ТЕКСТ -"}));
    EXPECT_EQ(read("out/1208q000"), WideToAnsi(u"П141911\r\nТЕКСТ -\r\n") + "\n\n\n\n");
    EXPECT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Written);
    EXPECT_TRUE(QFile::exists(home.file("out/1208q001")));
    EXPECT_EQ(status.EditNumber, 2);
    EXPECT_EQ(host.written, QStringList({home.file("out/1208q000"), home.file("out/1208q001")}));
    EXPECT_TRUE(host.lastConfirmed);
    EXPECT_EQ(queue.countdowns, QList<int>({3, 3}));
    EXPECT_TRUE(HasArchiveMark(home.file("out/1208q000"))) << "a new file is unread";
    EXPECT_EQ(outRoot(), QStringList({"1208q000", "1208q001"})) << "no working file is left";
}

TEST_F(OutgoingTest, UnicodeFilesHoldTheLinesWithBom) {
    config.SaveTlgAnsi = false;
    status.EditNumber = 7;
    EXPECT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Written);
    EXPECT_EQ(read("out/1208q007"), Utf16FileBytes("П141911\r\nТЕКСТ -\r\n"))
        << "no extra line feeds in Unicode files";
    EXPECT_EQ(status.EditNumber, 8);
}

TEST_F(OutgoingTest, CancelledConfirmationWritesNothing) {
    host.accept = false;
    EXPECT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Cancelled);
    EXPECT_EQ(host.shown.size(), 1);
    EXPECT_TRUE(outRoot().isEmpty());
    EXPECT_EQ(status.EditNumber, 0);
    EXPECT_TRUE(queue.countdowns.isEmpty());
    EXPECT_TRUE(host.written.isEmpty());
}

TEST_F(OutgoingTest, WithoutConfirmationNothingIsAsked) {
    EXPECT_EQ(writer.WriteOutgoingFile(false), TOutgoingWriter::Result::Written);
    EXPECT_TRUE(host.shown.isEmpty());
    EXPECT_FALSE(host.lastConfirmed);

    TOutgoingWriter alone(config, status, protocol);
    alone.OutgoingLines = QStringList{"П141911", "ПЕРЕСЫЛКА"};
    alone.OutgoingText = WideToAnsi(u"П141911\r\nПЕРЕСЫЛКА\r\n");
    EXPECT_EQ(alone.WriteOutgoingFile(false), TOutgoingWriter::Result::Written);
    EXPECT_EQ(read("out/1208q001"), alone.OutgoingText);
    EXPECT_EQ(alone.WriteOutgoingFile(true), TOutgoingWriter::Result::Cancelled)
        << "nobody to confirm: nothing is sent";
}

TEST_F(OutgoingTest, QueuedFileIsNeverReplaced) {
    home.write("out/1208q000", "waiting");
    home.write("out/1208q001", "waiting too");
    EXPECT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Written);
    EXPECT_EQ(read("out/1208q000"), "waiting");
    EXPECT_EQ(read("out/1208q001"), "waiting too");
    EXPECT_TRUE(read("out/1208q002").startsWith(WideToAnsi(u"П141911")));
    EXPECT_EQ(status.EditNumber, 3);
}

TEST_F(OutgoingTest, NoNumberPast999) {
    status.EditNumber = 999;
    EXPECT_EQ(writer.WriteOutgoingFile(false), TOutgoingWriter::Result::Written);
    EXPECT_TRUE(QFile::exists(home.file("out/1208q999")));
    EXPECT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Refused);
    EXPECT_EQ(host.shown.size(), 0) << "nothing to confirm when it cannot be written";
    EXPECT_EQ(status.EditNumber, 1000);
    EXPECT_EQ(outRoot().size(), 1) << "no four-digit name the queue would never send";
    ASSERT_EQ(host.errors.size(), 1);
    EXPECT_TRUE(host.errors[0].startsWith("ТЛГ НЕ ЗАПИСАНА")) << host.errors[0].toStdString();
    EXPECT_TRUE(errorEvents().join('\n').contains(host.errors[0]));

    status.EditNumber = 998;
    home.write("out/1208q998", "waiting");
    EXPECT_EQ(writer.WriteOutgoingFile(false), TOutgoingWriter::Result::Refused)
        << "skipping a taken number may run out too";
}

TEST_F(OutgoingTest, UnwritableOutFolderIsReportedAndKeepsTheCounter) {
    home.write("blocked", "a file where the folder should be");
    config.OutPath = "blocked/out/";
    for (bool ansi : {true, false}) {
        config.SaveTlgAnsi = ansi;
        host.errors.clear();
        EXPECT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Failed);
        EXPECT_EQ(status.EditNumber, 0);
        ASSERT_EQ(host.errors.size(), 1);
        EXPECT_EQ(host.errors[0],
                  "ОШИБКА ЗАПИСИ ФАЙЛА ДЛЯ ОТПРАВКИ ТЛГ: " + home.file("blocked/out/1208q000"));
        EXPECT_TRUE(errorEvents().last().endsWith(host.errors[0]));
        EXPECT_TRUE(host.written.isEmpty());
        EXPECT_TRUE(queue.countdowns.isEmpty());
    }
}

// A received telegram forwarded while the operator reads the confirmation
// (the line's block is handled in the dialog's event loop).
TEST_F(OutgoingTest, AForwardDuringTheConfirmationChangesNothingOfIt) {
    const QByteArray composed = writer.OutgoingText;
    host.whileShown = [this] {
        TOutgoingBuffers forward;
        forward.OutgoingLines = QStringList{"ПЕРЕСЫЛКА"};
        forward.OutgoingText = "FORWARD";
        EXPECT_EQ(writer.WriteOutgoing(forward, false), TOutgoingWriter::Result::Written);
        writer.OutgoingText = "scratch";  // another user of the shared buffers
    };
    EXPECT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Written);
    EXPECT_EQ(outRoot(), (QStringList{"1208q000", "1208q001"}));
    EXPECT_EQ(read("out/1208q000"), composed) << "the confirmed telegram keeps its number";
    EXPECT_EQ(read("out/1208q001"), "FORWARD");
    EXPECT_EQ(status.EditNumber, 2);

    // A file that appeared under the number shown is never replaced.
    host.whileShown = [this] { QFile(home.file("out/1208q002")).open(QIODevice::WriteOnly); };
    writer.OutgoingText = "THIRD";
    EXPECT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Written);
    EXPECT_EQ(read("out/1208q002"), "");
    EXPECT_EQ(read("out/1208q003"), "THIRD");
    EXPECT_EQ(status.EditNumber, 4);
}

}  // namespace
