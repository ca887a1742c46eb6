#include "exchange/matchpattern.h"

#include "support/lineliterals.h"
#include "support/testhome.h"
#include "util/linecode.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(MatchPattern, HeaderFormWithLenientLettersAndWidths) {
    QByteArray letters, digits;
    int a = -1, b = -1;
    EXPECT_EQ(MatchPattern("%.3A%d %06D %d", L(u"ПМ12 141911 7 ТЕКСТ"), &letters, &a, &digits, &b),
              4);
    EXPECT_EQ(letters, L(u"ПМ"));
    EXPECT_EQ(a, 12);
    EXPECT_EQ(digits, QByteArray("141911"));
    EXPECT_EQ(b, 7);
}

TEST(MatchPattern, CounterReport) {
    int yours = -1, ours = -1;
    QByteArray w1, w2;
    const QByteArray format = "%3d " + L(u"НАШ") + " %3d " + L(u"ПОСЛЕДНИЕ") + " %s %s";
    EXPECT_EQ(
        MatchPattern(format, L(u"012 НАШ 013 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА"), &yours, &ours, &w1, &w2),
        4);
    EXPECT_EQ(yours, 12);
    EXPECT_EQ(ours, 13);
    EXPECT_EQ(w1, L(u"СВЯЗЬ"));
    EXPECT_EQ(w2, L(u"ОТКРЫТА"));
    // A line end after the last word does not become part of it.
    EXPECT_EQ(MatchPattern(format, L(u"012 НАШ 013 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА\r\n"), &yours, &ours,
                           &w1, &w2),
              4);
    EXPECT_EQ(w2, L(u"ОТКРЫТА"));
}

struct NumberCase {
    const char* name;
    QByteArray format;
    QByteArray subject;
    int expected;
};

TEST(MatchPattern, NumberConversionTable) {
    const NumberCase cases[] = {
        {"fixed width needs every digit", "%04d", "123 ", 0},
        {"fixed width takes exactly w digits", "%02d%d", "12345", 2},
        {"open %d needs one digit", "%d", "x", 0},
        {"stops at the first failing %d, keeps the count", "%d %d", "12 x", 1},
        {"ordinary characters must match", "AB%d", "AC1", 0},
        {"the subject need not be used up", "%d", "12 trailing", 1},
        {"lone percent at the end", "%d%", "1", 1},
        {"unknown conversion letter stops", "%d%x", "12", 1},
        {"three digits are not a width", "%123d", "123", 0},
        {"two-digit width", "%10d", "12345678901", 1},
        {"percent percent", "%d%%", "5%", 1},
        {"percent percent mismatch", "%d%%%d", "5#6", 1},
        {"subject ends inside a fixed width", "%d %03d", "1 12", 1},
        {"empty format", "", "123", 0},
    };
    for (const NumberCase& c : cases) {
        int n1 = 0, n2 = 0, n3 = 0;
        EXPECT_EQ(MatchPattern(c.format, c.subject, &n1, &n2, &n3), c.expected) << c.name;
    }
    int a = 0, b = 0;
    ASSERT_EQ(MatchPattern("%02d%d", "12345", &a, &b), 2);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 345);
}

TEST(MatchPattern, LenientLettersCompleteEmptyAndMatchingGoesOn) {
    QByteArray letters = "old";
    int n = -1;
    EXPECT_EQ(MatchPattern("%.3A%d", "5", &letters, &n), 2);
    EXPECT_EQ(letters, QByteArray());
    EXPECT_EQ(n, 5);
    // Without the flag a short run of letters fails.
    EXPECT_EQ(MatchPattern("%3A%d", L(u"ПМ5"), &letters, &n), 0);
    EXPECT_EQ(letters, L(u"ПМ"));
    // With the flag, at most w letters are taken.
    EXPECT_EQ(MatchPattern("%.3A%d", L(u"ПМКЛ5"), &letters, &n), 1);
    EXPECT_EQ(letters, L(u"ПМК"));
    // The end of the subject ends a lenient run too.
    EXPECT_EQ(MatchPattern("%.3A", "AB", &letters), 1);
    EXPECT_EQ(letters, QByteArray("AB"));
}

TEST(MatchPattern, TextConversionsWithAndWithoutWidth) {
    QByteArray t;
    EXPECT_EQ(MatchPattern("%D", "x", &t), 1) << "zero digits are accepted";
    EXPECT_EQ(t, QByteArray());
    EXPECT_EQ(MatchPattern("%03D", "12x", &t), 0);
    EXPECT_EQ(MatchPattern("%03D=%03D", "123=456", &t, &t), 2);
    EXPECT_EQ(t, QByteArray("456"));
    EXPECT_EQ(MatchPattern("%s", "ABC DEF", &t), 1);
    EXPECT_EQ(t, QByteArray("ABC"));
    EXPECT_EQ(MatchPattern("%2s%s", "ABC DEF", &t, &t), 2);
    EXPECT_EQ(t, QByteArray("C"));
    EXPECT_EQ(MatchPattern("%4s", "ABC DEF", &t), 0);
    EXPECT_EQ(MatchPattern("%A%d", "ABC1", &t, nullptr), 1) << "a null target stops";
    int n = 0;
    EXPECT_EQ(MatchPattern("%A", "ABC", &n), 0) << "a number target cannot take text";
    EXPECT_EQ(MatchPattern("%d", "1", &t), 0) << "a text target cannot take a number";
    EXPECT_EQ(MatchPattern("%d%d", "1 2"), 0) << "a missing target stops";
}

TEST(MatchPattern, SpaceConversionTakesOneOrMoreBlanks) {
    int a = 0, b = 0;
    EXPECT_EQ(MatchPattern("%d% %d", "1    2", &a, &b), 2);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(MatchPattern("%d% %d", "1\r\n2", &a, &b), 2);
    EXPECT_EQ(MatchPattern("%d% %d", "12", &a, &b), 1);
    // An ordinary blank in the format matches exactly one blank.
    EXPECT_EQ(MatchPattern("%d %d", "1  2", &a, &b), 1);
}

TEST(MatchPattern, CapacityLimitsOpenConversions) {
    QByteArray t;
    int n = 0;
    EXPECT_EQ(MatchPattern("%AD", "ABCDE", MatchTarget(&t, 3)), 1);
    EXPECT_EQ(t, QByteArray("ABC"));
    EXPECT_EQ(MatchPattern("%AD%d", "ABCD5", MatchTarget(&t, 3), &n), 2);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(MatchPattern("%A%s", "ABC", MatchTarget(&t, 0), &t), 2) << "capacity 0 takes nothing";
    EXPECT_EQ(t, QByteArray("ABC"));
    EXPECT_EQ(MatchPattern("%D", "123", MatchTarget(&t, -4)), 1);
    EXPECT_EQ(t, QByteArray());
    // The default is 64 characters.
    const QByteArray long_(100, 'A');
    EXPECT_EQ(MatchPattern("%A", long_, &t), 1);
    EXPECT_EQ(t.size(), 64);
    // A width beyond the capacity consumes the width but keeps only what fits.
    EXPECT_EQ(MatchPattern("%5D%d", "123456", MatchTarget(&t, 2), &n), 2);
    EXPECT_EQ(t, QByteArray("12"));
    EXPECT_EQ(n, 6);
}

TEST(MatchPattern, HugeNumberDoesNotOverflow) {
    int n = 0;
    EXPECT_EQ(MatchPattern("%d", QByteArray(80, '9'), &n), 1);
}

// Random formats and subjects, each matched twice: once as a view into a
// buffer followed by more matching material, once as an exact copy. A read
// past either end would make the two results differ; no target may ever hold
// more than its capacity.
TEST(MatchPattern, NeverReadsPastItsInputsOrWritesPastCapacity) {
    std::mt19937 rng(20261209);
    const char* pieces[] = {"%d", "%3d", "%D", "%02D", "%A", "%.3A", "%2A", "%s", "%4s", "% ",
                            "%%", "%",   "%.", "%9",   "A",  " ",    "1",   "=",  "%x",  "%05d"};
    const char alphabet[] = "0123456789 ABZ%=\r\n\x80\x9F\xE0\xB1|#&";
    for (int round = 0; round < 20000; ++round) {
        QByteArray format;
        const int nPieces = int(rng() % 6);
        for (int i = 0; i < nPieces; ++i)
            format += pieces[rng() % std::size(pieces)];
        QByteArray subject;
        const int nSubject = int(rng() % 12);
        for (int i = 0; i < nSubject; ++i)
            subject += alphabet[rng() % (sizeof alphabet - 1)];

        const QByteArray padded = subject + "1234567890ABCDEFGHIJ";
        const QByteArray paddedFormat = format + "%d%s%A";
        int capacity = int(rng() % 6) - 1;
        auto run = [&](QByteArrayView f, QByteArrayView s, QByteArray* texts, int* nums) {
            return MatchPattern(f, s, MatchTarget(&texts[0], capacity), &nums[0],
                                MatchTarget(&texts[1], capacity), &nums[1],
                                MatchTarget(&texts[2], capacity));
        };
        QByteArray textsA[3], textsB[3];
        int numsA[2] = {}, numsB[2] = {};
        const int a = run(QByteArrayView(paddedFormat).first(format.size()),
                          QByteArrayView(padded).first(subject.size()), textsA, numsA);
        const int b = run(QByteArray(format), QByteArray(subject), textsB, numsB);
        ASSERT_EQ(a, b) << "format [" << format.toStdString() << "] subject [" << HexBytes(subject)
                        << "]";
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(textsA[i], textsB[i]);
            ASSERT_LE(textsA[i].size(), qMax(capacity, 0))
                << "capacity " << capacity << " format " << format.toStdString();
        }
        ASSERT_LE(a, 5);
    }
}

}  // namespace
