#include "line/fivebit.h"

#include "support/lineliterals.h"
#include "support/testhome.h"
#include "util/linecode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<int> encode(const QByteArray& text, uint8_t& state, int capacity = 64,
                        int* consumed = nullptr) {
    std::vector<uint8_t> codes(capacity + 8, 0xEE);
    const int n = EncodeFiveBit(codes.data(), capacity, text, state, consumed);
    for (size_t i = capacity; i < codes.size(); ++i)
        EXPECT_EQ(codes[i], 0xEE) << "wrote past the capacity";
    return std::vector<int>(codes.begin(), codes.begin() + n);
}

QByteArray decode(const std::vector<int>& values, uint8_t& state) {
    return DecodeFiveBit(Bytes(values), state);
}

// The code as the adapters' documentation gives it: by code, the character
// in the Latin, Russian and figures registers (ENQ is 0x05).
const struct {
    int code;
    char16_t latin, russian, figures;
} kCodeTable[] = {
    {0, u'|', u'|', u'|'},  {1, u'E', u'Е', u'3'},  {2, u'\n', u'\n', u'\n'},
    {3, u'A', u'А', u'-'},  {4, u' ', u' ', u' '},  {5, u'S', u'С', u'\''},
    {6, u'I', u'И', u'8'},  {7, u'U', u'У', u'7'},  {8, u'\r', u'\r', u'\r'},
    {9, u'D', u'Д', 0x05},  {10, u'R', u'Р', u'4'}, {11, u'J', u'Й', u'Ю'},
    {12, u'N', u'Н', u','}, {13, u'F', u'Ф', u'Э'}, {14, u'C', u'Ц', u':'},
    {15, u'K', u'К', u'('}, {16, u'T', u'Т', u'5'}, {17, u'Z', u'З', u'+'},
    {18, u'L', u'Л', u')'}, {19, u'W', u'В', u'2'}, {20, u'H', u'Х', u'Щ'},
    {21, u'Y', u'Ы', u'6'}, {22, u'P', u'П', u'0'}, {23, u'Q', u'Я', u'1'},
    {24, u'O', u'О', u'9'}, {25, u'B', u'Б', u'?'}, {26, u'G', u'Г', u'Ш'},
    {27, u'#', u'#', u'#'}, {28, u'M', u'М', u'.'}, {29, u'X', u'Ь', u'/'},
    {30, u'V', u'Ж', u'='}, {31, u'&', u'&', u'&'},
};

// Code page 866 of a character of the table: А = 0x80 ... Я = 0x9F, а = 0xA0
// ... п = 0xAF, р = 0xE0 ... я = 0xEF; ASCII as it is.
uint8_t Cp866(char16_t c) {
    if (c >= u'А' && c <= u'Я')
        return uint8_t(0x80 + (c - u'А'));
    if (c >= u'а' && c <= u'п')
        return uint8_t(0xA0 + (c - u'а'));
    if (c >= u'р' && c <= u'я')
        return uint8_t(0xE0 + (c - u'р'));
    return uint8_t(c);
}

TEST(FiveBitCode, EveryCodeDecodesAsTheTableSays) {
    for (const auto& row : kCodeTable) {
        const char16_t byRegister[] = {row.latin, row.russian, row.figures};
        for (uint8_t reg : {kRegisterLatin, kRegisterRussian, kRegisterFigures}) {
            uint8_t state = reg;
            EXPECT_EQ(decode({row.code}, state), QByteArray(1, char(Cp866(byRegister[reg]))))
                << "code " << row.code << " in register " << int(reg);
        }
    }
}

// Every byte of line code: the register and code the table gives it (small
// letters as their capitals; Ч and Ъ as '4' and the apostrophe, the quote and
// the grave accent as the apostrophe, '>' and '<' as LF and CR), anything else
// the full stop of the figures.
TEST(FiveBitCode, EveryByteEncodesAsTheTableSays) {
    constexpr int kAny = -1;
    struct Place {
        int reg = kRegisterFigures;
        int code = 28;
    };
    Place expected[256];
    for (const auto& row : kCodeTable) {
        const char16_t byRegister[] = {row.latin, row.russian, row.figures};
        for (int reg = 0; reg < 3; ++reg) {
            const char16_t c = byRegister[reg];
            const bool shared = row.latin == row.russian && row.russian == row.figures;
            expected[Cp866(c)] = {shared ? kAny : reg, row.code};
            if (c >= u'A' && c <= u'Z')
                expected[c - u'A' + 'a'] = {reg, row.code};
            if (c >= u'А' && c <= u'Я')
                expected[Cp866(c - u'А' + u'а')] = {reg, row.code};
        }
    }
    for (const char16_t c : {u'Ч', u'ч'})
        expected[Cp866(c)] = {kRegisterFigures, 10};
    for (const char16_t c : {u'Ъ', u'ъ', u'"', u'`'})
        expected[Cp866(c)] = {kRegisterFigures, 5};
    expected[uint8_t('>')] = {kAny, 2};
    expected[uint8_t('<')] = {kAny, 8};

    const int shift[] = {kShiftLatin, kShiftRussian, kShiftFigures};
    for (int b = 1; b < 256; ++b) {
        const Place& place = expected[b];
        for (uint8_t from : {kRegisterNone, kRegisterLatin, kRegisterRussian, kRegisterFigures}) {
            uint8_t state = from;
            std::vector<int> codes{place.code};
            if (place.reg != kAny && place.reg != from)
                codes.insert(codes.begin(), shift[place.reg]);
            EXPECT_EQ(encode(QByteArray(1, char(b)), state), codes)
                << "byte " << HexBytes(QByteArray(1, char(b))) << " from " << int(from);
        }
    }
}

TEST(EncodeFiveBit, ShiftsOnlyWhenTheRegisterChanges) {
    uint8_t state = kRegisterNone;
    EXPECT_EQ(encode(LineLiteral(u"АБ1"), state), (std::vector<int>{0, 3, 25, 27, 23}));
    EXPECT_EQ(state, kRegisterFigures);

    state = kRegisterFigures;
    EXPECT_EQ(encode("1", state), (std::vector<int>{23}));

    // A register mark in the text is the shift itself.
    state = kRegisterLatin;
    EXPECT_EQ(encode("A|" + LineLiteral(u"Б"), state), (std::vector<int>{3, 0, 25}));
    EXPECT_EQ(state, kRegisterRussian);

    // The first character from the initial state is always shifted, even Latin.
    state = kRegisterNone;
    EXPECT_EQ(encode("A", state), (std::vector<int>{31, 3}));
}

TEST(EncodeFiveBit, LettersOutsideTheRussianRowGoInFigures) {
    uint8_t state = kRegisterRussian;
    EXPECT_EQ(encode(LineLiteral(u"ч"), state), (std::vector<int>{27, 10}));
    uint8_t decoder = kRegisterRussian;
    EXPECT_EQ(decode({27, 10}, decoder), QByteArray("#4"));
    state = kRegisterFigures;
    EXPECT_EQ(encode(LineLiteral(u"ЧШЩЪЭЮчшщъэю"), state),
              (std::vector<int>{10, 26, 20, 5, 13, 11, 10, 26, 20, 5, 13, 11}));
}

TEST(EncodeFiveBit, UnsendableCharactersGoAsFullStop) {
    uint8_t state = kRegisterLatin;
    // Ё has no code: a full stop in figures; then x needs the Latin shift.
    EXPECT_EQ(encode("\xF0x", state), (std::vector<int>{27, 28, 31, 29}));
    state = kRegisterFigures;
    EXPECT_EQ(encode("!$%*;@[\\]^_{}~\x7F\xB0\xDF\xF1\xFF\x01", state), std::vector<int>(20, 28));
    // Quote and grave accent go as the apostrophe.
    EXPECT_EQ(encode("\"`'", state), (std::vector<int>{5, 5, 5}));
}

TEST(EncodeFiveBit, LineEndsAndSpaceNeedNoShift) {
    uint8_t state = kRegisterRussian;
    EXPECT_EQ(encode("\r\n <> ", state), (std::vector<int>{8, 2, 4, 8, 2, 4}));
    EXPECT_EQ(state, kRegisterRussian);
}

TEST(EncodeFiveBit, ShiftFillingTheLastPlaceLeavesTheCharacter) {
    uint8_t state = kRegisterLatin;
    int consumed = -1;
    EXPECT_EQ(encode("1", state, 1, &consumed), (std::vector<int>{27}));
    EXPECT_EQ(consumed, 0);
    EXPECT_EQ(state, kRegisterFigures);
    EXPECT_EQ(encode("1", state, 1, &consumed), (std::vector<int>{23}));
    EXPECT_EQ(consumed, 1);
}

TEST(EncodeFiveBit, StopsAtNulAndAtCapacity) {
    uint8_t state = kRegisterLatin;
    int consumed = -1;
    EXPECT_EQ(encode(QByteArray("AB\0CD", 5), state, 64, &consumed), (std::vector<int>{3, 25}));
    EXPECT_EQ(consumed, 2);
    EXPECT_EQ(encode("ABCDEF", state, 4, &consumed).size(), 4u);
    EXPECT_EQ(consumed, 4);
    EXPECT_EQ(encode("ABC", state, 0, &consumed).size(), 0u);
    EXPECT_EQ(consumed, 0);
}

TEST(DecodeFiveBit, ShiftCodesBecomeRegisterMarks) {
    uint8_t state = kRegisterLatin;
    EXPECT_EQ(decode({27, 1, 31, 1}, state), QByteArray("#3&E"));
    EXPECT_EQ(state, kRegisterLatin);
    EXPECT_EQ(decode({0, 1, 3}, state), "|" + LineLiteral(u"ЕА"));
    EXPECT_EQ(state, kRegisterRussian);
}

TEST(DecodeFiveBit, ValuesAbove31AreMarkedAndKeepTheState) {
    for (uint8_t reg : {kRegisterLatin, kRegisterRussian, kRegisterFigures}) {
        uint8_t state = reg;
        EXPECT_EQ(decode({32, 200, 255}, state), QByteArray("\xB1\xB1\xB1"));
        EXPECT_EQ(state, reg);
    }
}

TEST(DecodeFiveBit, WritesExactlyCountAndANul) {
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    const uint8_t codes[] = {3, 3, 3};
    uint8_t state = kRegisterLatin;
    EXPECT_EQ(DecodeFiveBit(buf, codes, 3, state), 3);
    EXPECT_EQ(QByteArray(buf, 5), QByteArray("AAA\0x", 5));
    // No codes, no text (and nothing written into a shared empty array).
    EXPECT_TRUE(DecodeFiveBit(QByteArray(), state).isEmpty());
    EXPECT_EQ(state, kRegisterLatin);
}

// Every byte that the code can carry comes back, after any other such byte,
// from every starting register; the only additions are the register marks
// of the shifts, and both ends agree on the register afterwards.
TEST(FiveBitRoundTrip, EveryEncodableByteFromEveryState) {
    QByteArray encodable;
    for (int b = 1; b < 256; ++b) {
        const QByteArray one(1, char(b));
        uint8_t enc = kRegisterNone;
        uint8_t dec = kRegisterLatin;
        if (DecodeFiveBit(EncodeFiveBit(one, enc), dec).endsWith(one))
            encodable.append(char(b));
    }
    // Latin and Russian capitals, digits, the figures row, the marks, CR, LF, space.
    EXPECT_EQ(encodable.size(), 26 + 26 + 10 + 16 + 3 + 3);
    EXPECT_TRUE(encodable.contains(LineLiteral(u"Ю")));
    EXPECT_FALSE(encodable.contains(LineLiteral(u"Ч")));

    for (uint8_t start : {kRegisterLatin, kRegisterRussian, kRegisterFigures, kRegisterNone}) {
        for (char first : encodable) {
            for (char second : encodable) {
                const QByteArray text = QByteArray(1, first) + second;
                uint8_t enc = start;
                uint8_t dec = start == kRegisterNone ? kRegisterLatin : start;
                const QByteArray back = DecodeFiveBit(EncodeFiveBit(text, enc), dec);
                // An encoder that has sent no shift yet still knows no register.
                if (enc != kRegisterNone) {
                    ASSERT_EQ(dec, enc) << HexBytes(text) << " from " << int(start);
                }
                ASSERT_EQ(StripRegisterMarks(back), StripRegisterMarks(text))
                    << HexBytes(text) << " from " << int(start) << " gave " << HexBytes(back);
            }
        }
    }
}

TEST(FiveBitRoundTrip, BatchesOfAnyCapacityGiveTheSameCodes) {
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray text;
        const int len = 1 + int(rng() % 40);
        for (int i = 0; i < len; ++i)
            text.append(char(1 + rng() % 255));
        uint8_t whole = kRegisterNone;
        const QByteArray expected = EncodeFiveBit(text, whole);

        const int capacity = 1 + int(rng() % 5);
        uint8_t state = kRegisterNone;
        QByteArray codes;
        qsizetype pos = 0;
        for (int calls = 0; pos < text.size(); ++calls) {
            ASSERT_LT(calls, 1000) << "no progress";
            int consumed = 0;
            const std::vector<int> part = encode(text.mid(pos), state, capacity, &consumed);
            ASSERT_FALSE(part.empty());
            codes += Bytes(part);
            pos += consumed;
        }
        ASSERT_EQ(codes, expected) << HexBytes(text) << " capacity " << capacity;
        ASSERT_EQ(state, whole);
    }
}

}  // namespace
