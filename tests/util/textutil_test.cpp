#include "util/textutil.h"

#include "support/testhome.h"
#include "util/linecode.h"

#include <gtest/gtest.h>

namespace {

TEST(CountWords, Table) {
    const struct {
        std::u16string_view text;
        int words;
    } cases[] = {
        {u"", 0},           {u"  \t\r\n ", 0},
        {u"#", 0},          {u"-", 1},
        {u"ПРИВЕТ МИР", 2}, {u"  ПРИВЕТ   МИР  ", 2},
        {u"А-Б", 2},        {u"А - Б", 3},
        {u"А -- Б", 3},     {u"А -Б", 2},
        {u"А- Б", 2},       {u"А=Б", 2},
        {u"А = Б", 3},      {u"А= Б", 2},
        {u"А==Б", 3},       {u"=А", 1},
        {u"12#34", 1},      {u"12 #34", 2},
        {u"А#=#Б", 2},      {u"#=А", 1},
        {u"- - -", 3},      {u"ЗЦЗЦ 001 ПМ12 141911 7\r\nТЕКСТ", 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CountWords(LineLiteral(c.text)), c.words)
            << QString::fromUtf16(c.text.data(), c.text.size()).toStdString();
}

TEST(LooksLikeCp866, CountsOemLettersAgainstAnsiLetters) {
    EXPECT_EQ(LooksLikeCp866("\x80\x81\xAF"), 3);
    EXPECT_EQ(LooksLikeCp866("\x80\xC0"), 0) << "a tie is not code page 866";
    EXPECT_EQ(LooksLikeCp866("\xCF\xF0\xE8\xE2\xE5\xF2"), 0);
    EXPECT_EQ(LooksLikeCp866("plain ascii"), 0);
    EXPECT_EQ(LooksLikeCp866("\x80\x81\xC0"), 2);
}

TEST(StripVisibleMarks, RemovesMarksAndVisibleLineEnds) {
    const QByteArray text = "&" + LineLiteral(u"АБВ") + "<>|123";
    EXPECT_EQ(StripVisibleMarks(text), LineLiteral(u"АБВ") + "123");
    EXPECT_EQ(StripVisibleMarks(text, 4), LineLiteral(u"АБВ"));
    EXPECT_EQ(StripVisibleMarks(text, 1), QByteArray());
    EXPECT_EQ(StripVisibleMarks(text, 0), QByteArray());
    EXPECT_EQ(StripVisibleMarks("a\r\nb#"), QByteArray("a\r\nb"));
}

TEST(ReadSmallFile, ReadsTheHeadOfAFile) {
    TestHome home;
    EXPECT_EQ(ReadSmallFile(home.file("missing.tlg")), QByteArray());

    QByteArray big(20000, 'x');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char('a' + i % 26);
    home.write("big.tlg", big);
    EXPECT_EQ(ReadSmallFile(home.file("big.tlg")), big.left(10239));

    home.write("nul.tlg", QByteArray("AB\0CD", 5));
    EXPECT_EQ(ReadSmallFile(home.file("nul.tlg")), QByteArray("AB"));

    home.write("empty.tlg", QByteArray());
    EXPECT_EQ(ReadSmallFile(home.file("empty.tlg")), QByteArray());
}

}  // namespace
