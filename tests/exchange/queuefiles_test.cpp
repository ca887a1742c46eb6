// The file side of the queue page: what it lists, delete and retry.

#include "exchange/queuefiles.h"

#include "exchangesupport.h"

#include "protocol/protocol.h"
#include "support/testhome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class QueueFilesTest : public ProgramFolderTest {
protected:
    QueueFilesTest() { QDir().mkpath(home.file("out/0130")); }

    QString root() const { return home.path() + "/out/"; }
    QByteArray read(const QString& name) const {
        QFile f(root() + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList events() const {
        QStringList out;
        for (const LineText& l : protocol.Lines())
            if (l.startsWith('\x03') || l.startsWith('\x04'))
                out << QString(QChar(l[0] == '\x03' ? u'3' : u'4')) + " " +
                           LineToWide(l.mid(l.indexOf(' ') + 1));
        return out;
    }

    TProtocol protocol;
};

TEST_F(QueueFilesTest, ListsFilesStartingWithADigitWithOrWithoutExtension) {
    for (const char* name :
         {"0130q002", "0130q001.b012", "0130u003.brd", "0130q004.brk", "0130q005.SSS", "readme.txt",
          "q0130", "ARC0130.001", ".0130q9", "9", "0130q006."})
        home.write(QStringLiteral("out/") + name, "x");
    QDir().mkpath(home.file("out/0131.b01"));  // a folder, even with a digit and a dot
    EXPECT_EQ(QueueFileNames(root()),
              (QStringList{"0130q001.b012", "0130q002", "0130q004.brk", "0130q005.SSS", "0130q006.",
                           "0130u003.brd", "9"}));
    EXPECT_TRUE(QueueFileNames(home.file("missing/")).isEmpty());
}

TEST_F(QueueFilesTest, OnlyOutcomeNamesMayBeActedOn) {
    EXPECT_TRUE(IsQueueOutcomeName(u"0130q001.b012"));
    EXPECT_TRUE(IsQueueOutcomeName(u"0130q001.brd"));
    EXPECT_FALSE(IsQueueOutcomeName(u"0130q001"));
}

TEST_F(QueueFilesTest, RetryNameIsThePartBeforeTheFirstFullStop) {
    const struct {
        const char16_t* name;
        const char16_t* retried;
    } cases[] = {
        {u"0130q001.b012", u"0130q001"}, {u"0130q001.brd", u"0130q001"},
        {u"0130u12.b07", u"0130u12"},    {u"0130q001.b012.brd", u"0130q001"},
        {u"0130q001.", u"0130q001"},     {u"0130q001", u"0130q001"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RetryFileName(c.name), QString::fromUtf16(c.retried))
            << QString::fromUtf16(c.name).toStdString();
}

TEST_F(QueueFilesTest, DeleteLogsThenDeletes) {
    home.write("out/0130q001.b012", "x");
    EXPECT_TRUE(DeleteQueueFile(root() + "0130q001.b012", protocol));
    EXPECT_FALSE(QFile::exists(root() + "0130q001.b012"));
    EXPECT_EQ(events(), QStringList{"3 УДАЛЕНИЕ ОПЕРАТОРОМ: " + root() + "0130q001.b012"});

    EXPECT_FALSE(DeleteQueueFile(root() + "0130q001.b012", protocol));
    EXPECT_EQ(events().last(), "4 ОШИБКА УДАЛЕНИЯ ФАЙЛА: " + root() + "0130q001.b012");
}

TEST_F(QueueFilesTest, RetryGivesTheFileItsWaitingNameBack) {
    home.write("out/0130q001.b012", "TEXT");
    EXPECT_EQ(RetryQueueFile(root(), "0130q001.b012", protocol), TRetryResult::Renamed);
    EXPECT_EQ(read("0130q001"), "TEXT");
    EXPECT_FALSE(QFile::exists(root() + "0130q001.b012"));
    EXPECT_FALSE(QFile::exists(root() + "0130q001.")) << "no trailing full stop on Linux";
    EXPECT_EQ(events(), QStringList{"3 ПЕРЕИМЕНОВАНИЕ ОПЕРАТОРОМ: " + root() + "0130q001.b012 -> " +
                                    root() + "0130q001"});
    EXPECT_EQ(QueueFileNames(root()), QStringList{"0130q001"});
}

TEST_F(QueueFilesTest, RetryOntoAWaitingFileRefusesAndKeepsBoth) {
    home.write("out/0130q001", "WAITING");
    home.write("out/0130q001.b012", "FAILED");
    EXPECT_EQ(RetryQueueFile(root(), "0130q001.b012", protocol), TRetryResult::TargetExists);
    EXPECT_EQ(read("0130q001"), "WAITING");
    EXPECT_EQ(read("0130q001.b012"), "FAILED");
    const QString arrow = root() + "0130q001.b012 -> " + root() + "0130q001";
    EXPECT_EQ(events(), (QStringList{"3 ПЕРЕИМЕНОВАНИЕ ОПЕРАТОРОМ: " + arrow,
                                     "4 ОШИБКА ПЕРЕИМЕНОВАНИЯ: " + arrow}));
}

TEST_F(QueueFilesTest, RetryOfAWaitingOrVanishedFile) {
    home.write("out/0130q001", "WAITING");
    EXPECT_EQ(RetryQueueFile(root(), "0130q001", protocol), TRetryResult::NotAnOutcome);
    EXPECT_TRUE(events().isEmpty());
    EXPECT_EQ(RetryQueueFile(root(), "0130q002.brd", protocol), TRetryResult::Failed);
    EXPECT_FALSE(QFile::exists(root() + "0130q002"));
}

}  // namespace
