#include "archive/daylist.h"
#include "util/telegramtext.h"

#include "support/testhome.h"
#include "util/codepages.h"
#include "util/fileops.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TEST(DayListNumber, FromNumberExtensionOrBeforeFourCharacterExtension) {
    struct Case {
        const char16_t* name;
        const char16_t* number;
    } cases[] = {
        {u"1208u911.001", u"001"},   {u"1208q001.brd", u"001"},
        {u"1208q001.b045", u"045"},  {u"1208q001.b04", u"b04"},
        {u"1208q007.SSS", u"007"},   {u"1208c123.SSS", u"123"},
        {u"1208q215.045.0", u"5.0"}, {u"1.x", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DayListNumber(c.name), QString::fromUtf16(c.number))
            << QString::fromUtf16(c.name).toStdString();
}

TEST(DayListName, CompanionAndOpenFilesAreNeverListed) {
    EXPECT_TRUE(IsDayListName(u"1208u911.001"));
    EXPECT_TRUE(IsDayListName(u"1208q001.brd"));
    EXPECT_TRUE(IsDayListName(u"1208q001")) << "\"*.?*\" takes names without extension";
    EXPECT_FALSE(IsDayListName(u"1208u911.001.tlg"));
    EXPECT_FALSE(IsDayListName(u"1208u911.001.TLG"));
    EXPECT_FALSE(IsDayListName(u"1208u911.001.rcv"));
    EXPECT_FALSE(IsDayListName(u"1208u911.001.rcvtlg"));
    EXPECT_FALSE(IsDayListName(u"1208c001.SSStlg")) << "the raw copy of a centre message";
    EXPECT_FALSE(IsDayListName(u"notes.txt"));
    EXPECT_TRUE(IsArcName(u"ARC12080001.001"));
    EXPECT_TRUE(IsArcName(u"arc1208.zip"));
    EXPECT_FALSE(IsArcName(u"1208ARC.001"));
}

class DayListTest : public ProgramFolderTest {};

TEST_F(DayListTest, ItemsSortedByNumberWithMarksAndArchiveFiles) {
    home.write("inp/1208/1208u911.003", "c");
    home.write("inp/1208/1208q215.001", "a");
    home.write("inp/1208/1208q215.001.tlg", "raw");
    home.write("inp/1208/1208q216.002.rcv", "open");
    home.write("inp/1208/1208q216.002.rcvtlg", "open raw");
    home.write("inp/1208/ARC1208.002", "arc");
    home.write("inp/1208/readme.txt", "other");
    QDir().mkpath(home.file("inp/1208/1208sub.001"));
    SetArchiveMark(home.file("inp/1208/1208q215.001"), false);
    SetArchiveMark(home.file("inp/1208/1208u911.003"), true);

    const QList<TDayListItem> items = DayListItems(home.file("inp/1208"));
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].FileName, "1208q215.001");
    EXPECT_EQ(items[0].Number, "001");
    EXPECT_TRUE(items[0].HasMark);
    EXPECT_TRUE(items[0].Marked) << "no archive mark: read";
    EXPECT_EQ(items[1].FileName, "ARC1208.002");
    EXPECT_FALSE(items[1].HasMark);
    EXPECT_EQ(items[2].FileName, "1208u911.003");
    EXPECT_FALSE(items[2].Marked);
    EXPECT_FALSE(DayListTimeText(items[0].Time).isEmpty());

    EXPECT_TRUE(DayListItems(home.file("inp/0101")).isEmpty()) << "a missing day folder";
}

TEST_F(DayListTest, DayFolderOfTheDateInTheDayFormat) {
    EXPECT_EQ(DayFolderPath("inp/", QDate(2025, 12, 8), "mmdd"), home.path() + "/inp/1208/");
    EXPECT_EQ(DayFolderPath("inp/", QDate(2024, 12, 8), "mmdd"), home.path() + "/inp/1208/")
        << "the same day of another year is this year's folder";
    EXPECT_EQ(DayFolderPath("/data/out", QDate(2025, 12, 8), "yymmdd"), "/data/out/251208/");
}

TEST_F(DayListTest, TelegramTextInBothEncodings) {
    home.write("ansi", WideToAnsi(u"ЗЦЗЦ 001\r\nТЕКСТ\r\n"));
    EXPECT_EQ(LoadTelegramText(home.file("ansi")), "ЗЦЗЦ 001\r\nТЕКСТ\r\n");
    QByteArray be("\xFE\xFF", 2);
    for (QChar c : QStringLiteral("ЁЖ\r\n")) {
        be += char(c.unicode() >> 8);
        be += char(c.unicode() & 0xFF);
    }
    home.write("le", Utf16FileBytes("ЁЖ\r\n"));
    home.write("be", be);
    EXPECT_EQ(LoadTelegramText(home.file("le")), "ЁЖ\r\n");
    EXPECT_EQ(LoadTelegramText(home.file("be")), "ЁЖ\r\n");
    EXPECT_FALSE(LoadTelegramText(home.file("missing")).has_value());
}

}  // namespace
