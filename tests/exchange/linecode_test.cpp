#include "util/linecode.h"

#include "support/testhome.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

TEST(WideToLine, FoldsSmallCyrillicToCapitals) {
    EXPECT_EQ(WideToLine(u"абв"), bytes({0x80, 0x81, 0x82}));
    EXPECT_EQ(WideToLine(u"АБВ"), bytes({0x80, 0x81, 0x82}));
    EXPECT_EQ(WideToLine(u"яЯ"), bytes({0x9F, 0x9F}));
}

TEST(WideToLine, VisibleLineEndsTurnMarksIntoControlsAndDropRealOnes) {
    EXPECT_EQ(WideToLine(u"A<B>C\r\n", true), QByteArray("A\rB\nC"));
    EXPECT_EQ(WideToLine(u"A<B>C\r\n", false), QByteArray("A<B>C\r\n"));
}

TEST(WideToLine, CharactersWithoutPlaceBecomeSpaces) {
    EXPECT_EQ(WideToLine(u"Ёё€"), QByteArray("   "));
    EXPECT_EQ(WideToLine(QStringView(u"A\0B", 3)), QByteArray("A B"));
    EXPECT_EQ(WideToLine(u"±"), bytes({0xB1}));
}

TEST(WideToLine, NationalLettersGoThroughTheirTable) {
    // First and last Armenian capital and small letter, and Georgian letters.
    EXPECT_EQ(WideToLine(u"\u0531\u0561\u0556\u0586"), bytes({0xA1, 0xA1, 0xFE, 0xFE}));
    EXPECT_EQ(WideToLine(u"\u10D0\u10DD\u10E9\u10F0"), bytes({0xA1, 0xE2, 0xF0, 0xF7}));
    // One past each range is not a national letter.
    EXPECT_EQ(WideToLine(u"\u0557\u10F1"), QByteArray("  "));
}

TEST(LineToWide, VisibleLineEndsShowControlsAndKeepLineBreaks) {
    EXPECT_EQ(LineToWide("A\r\nB", true), QStringLiteral("A<>\r\nB"));
    EXPECT_EQ(LineToWide("A\r\nB", false), QStringLiteral("A\r\nB"));
}

TEST(LineToWide, MapsEveryRangeOfTheCodePage) {
    EXPECT_EQ(LineToWide(bytes({0x80, 0x9F, 0xA0, 0xAF, 0xE0, 0xEF})), QStringLiteral("АЯапря"));
    EXPECT_EQ(LineToWide(bytes({0xB1})), QStringLiteral("±"));
    // Ё in code page 866, box drawing, NUL: spaces.
    EXPECT_EQ(LineToWide(bytes({0xF0, 0xB0, 0xDF, 0xFF, 0x00})), QStringLiteral("     "));
}

TEST(LineCodeRoundTrip, IsIdentityOnAsciiAndCapitalCyrillic) {
    for (bool visible : {false, true}) {
        for (int b = 1; b <= 0x9F; ++b) {
            if (visible && (b == '<' || b == '>'))
                continue;  // these stand for CR and LF in visible text
            const QByteArray one(1, char(b));
            EXPECT_EQ(WideToLine(LineToWide(one, visible), visible), one)
                << "byte " << b << " visible " << visible;
        }
        const QByteArray plus(1, char(0xB1));
        EXPECT_EQ(WideToLine(LineToWide(plus, visible), visible), plus);
    }
}

TEST(LineCodeRoundTrip, SmallLettersComeBackAsCapitals) {
    EXPECT_EQ(WideToLine(LineToWide(bytes({0xA0, 0xE0}))), bytes({0x80, 0x90}));
}

TEST(LineLiteral, WritesRussianTextAsLineCode) {
    EXPECT_EQ(LineLiteral(u"ЗЦЗЦ "), bytes({0x87, 0x96, 0x87, 0x96, 0x20}));
    EXPECT_EQ(LineLiteral(u"|ЗЗ "), bytes({'|', 0x87, 0x87, ' '}));
}

TEST(IsPatternLetter, AcceptsLatinAndCyrillicOnly) {
    for (int b = 0; b < 256; ++b) {
        const bool expected = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                              (b >= 0x80 && b <= 0xAF) || (b >= 0xE0 && b <= 0xEF);
        EXPECT_EQ(IsPatternLetter(char(b)), expected) << "byte " << b;
    }
}

TEST(StripRegisterMarks, RemovesTheThreeMarks) {
    const QByteArray text = "|" + LineLiteral(u"ЗЦЗЦ ") + "#123&A";
    EXPECT_EQ(StripRegisterMarks(text), LineLiteral(u"ЗЦЗЦ ") + "123A");
}

TEST(StripRegisterMarks, BoundedFormCopiesCapacityLessOne) {
    const QByteArray text = "|" + LineLiteral(u"ЗЦЗЦ ") + "#123";
    qsizetype stopped = -1;
    EXPECT_EQ(StripRegisterMarks(text, 4, &stopped), LineLiteral(u"ЗЦЗ"));
    EXPECT_EQ(stopped, 4);
    EXPECT_EQ(StripRegisterMarks(text, 128, &stopped), StripRegisterMarks(text));
    EXPECT_EQ(stopped, text.size());
    EXPECT_EQ(StripRegisterMarks(text, 1, &stopped), QByteArray());
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(StripRegisterMarks(text, -5), QByteArray());
}

TEST(FindFrom, ReturnsOneBasedPositionsAtOrAfterStart) {
    const QByteArray text = "ABCABC";
    EXPECT_EQ(FindFrom(text, "BC", 1), 2);
    EXPECT_EQ(FindFrom(text, "BC", 2), 2);
    EXPECT_EQ(FindFrom(text, "BC", 3), 5);
    EXPECT_EQ(FindFrom(text, "BC", 6), 0);
    EXPECT_EQ(FindFrom(text, "BC", 7), 0);
    EXPECT_EQ(FindFrom(text, "BC", 100), 0);
    EXPECT_EQ(FindFrom(text, "X", 1), 0);
}

TEST(LeadingDigitCount, CountsDigitsBeforeTheFirstOther) {
    EXPECT_EQ(LeadingDigitCount(QByteArrayView("141911")), 6);
    EXPECT_EQ(LeadingDigitCount(QByteArrayView("12A3")), 2);
    EXPECT_EQ(LeadingDigitCount(QByteArrayView("")), 0);
    EXPECT_EQ(LeadingDigitCount(QStringView(u"12345 ")), 5);
    EXPECT_EQ(LeadingDigitCount(QStringView(u"А1")), 0);
}

TEST(ThreeDigits, PadsToThreeAndKeepsLongerNumbers) {
    EXPECT_EQ(ThreeDigits(7), QByteArray("007"));
    EXPECT_EQ(ThreeDigits(0), QByteArray("000"));
    EXPECT_EQ(ThreeDigits(999), QByteArray("999"));
    EXPECT_EQ(ThreeDigits(1234), QByteArray("1234"));
}

TEST(CountWordsWide, CountsDisplayText) {
    EXPECT_EQ(CountWordsWide(u"привет мир"), 2);
    EXPECT_EQ(CountWordsWide(u"А = Б"), 3);
    // Characters with no line code become blanks and split words.
    EXPECT_EQ(CountWordsWide(u"АЁБ"), 2);
}

}  // namespace
