#include "util/codepages.h"

#include "support/testhome.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <optional>

namespace {

// One byte converted by glibc, or nothing when glibc has no counterpart.
std::optional<char> iconvByte(const char* from, const char* to, char byte) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) {
        ADD_FAILURE() << "iconv cannot convert " << from << " to " << to;
        return std::nullopt;
    }
    char in[1] = {byte};
    char out[8];
    char* inp = in;
    char* outp = out;
    size_t inLeft = 1, outLeft = sizeof out;
    const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1) || outp - out != 1)
        return std::nullopt;
    return out[0];
}

TEST(CodePages, AgreeWithGlibcOnEveryByteWithACounterpart) {
    int mapped866 = 0, mapped1251 = 0;
    for (int b = 1; b < 256; ++b) {
        const char byte = char(b);
        const QByteArray one(1, byte);
        if (auto expected = iconvByte("CP1251", "CP866", byte)) {
            EXPECT_EQ(Cp1251ToCp866(one), QByteArray(1, *expected)) << "1251 byte " << b;
            ++mapped866;
        } else {
            EXPECT_EQ(Cp1251ToCp866(one), QByteArray("?")) << "1251 byte " << b;
        }
        if (auto expected = iconvByte("CP866", "CP1251", byte)) {
            EXPECT_EQ(Cp866ToCp1251(one), QByteArray(1, *expected)) << "866 byte " << b;
            ++mapped1251;
        } else {
            EXPECT_EQ(Cp866ToCp1251(one), QByteArray("?")) << "866 byte " << b;
        }
    }
    // ASCII, the 64 Russian letters and a handful of signs at least.
    EXPECT_GE(mapped866, 127 + 64 + 4);
    EXPECT_GE(mapped1251, 127 + 64 + 4);
}

TEST(CodePages, WideConversionsAgreeWithGlibc) {
    for (int b = 0x80; b < 256; ++b) {
        const char byte = char(b);
        // UTF-16LE from glibc for the same byte.
        for (const char* cp : {"CP866", "CP1251"}) {
            iconv_t cd = iconv_open("UTF-16LE", cp);
            char in[1] = {byte};
            char out[4] = {};
            char* inp = in;
            char* outp = out;
            size_t inLeft = 1, outLeft = sizeof out;
            const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
            iconv_close(cd);
            if (rc == size_t(-1))
                continue;
            const char16_t expected = char16_t(uint8_t(out[0]) | uint8_t(out[1]) << 8);
            const QString wide = std::string_view(cp) == "CP866" ? Cp866ToWide(QByteArray(1, byte))
                                                                 : AnsiToWide(QByteArray(1, byte));
            EXPECT_EQ(wide, QString(QChar(expected))) << cp << " byte " << b;
        }
    }
}

TEST(CodePages, EveryCyrillicLetterRoundTrips) {
    for (int b = 0x80; b <= 0xAF; ++b) {
        const QByteArray one(1, char(b));
        EXPECT_EQ(Cp1251ToCp866(Cp866ToCp1251(one)), one) << b;
    }
    for (int b = 0xE0; b <= 0xF1; ++b) {  // р-я, Ё, ё
        const QByteArray one(1, char(b));
        EXPECT_EQ(Cp1251ToCp866(Cp866ToCp1251(one)), one) << b;
    }
    for (int b = 0xC0; b <= 0xFF; ++b) {
        const QByteArray one(1, char(b));
        EXPECT_EQ(Cp866ToCp1251(Cp1251ToCp866(one)), one) << b;
    }
}

TEST(CodePages, KeepLengthAndEndAtNul) {
    EXPECT_EQ(Cp1251ToCp866(QByteArray("AB\0CD", 5)), QByteArray("AB"));
    EXPECT_EQ(Cp866ToCp1251(QByteArray("\x80\x81\0\x82", 4)), QByteArray("\xC0\xC1"));
    EXPECT_EQ(Cp1251ToCp866("\xC0\xE0\xA8\xB8 ok"), QByteArray("\x80\xA0\xF0\xF1 ok"));
    // Box drawing has no counterpart in 1251, the euro sign none in 866.
    EXPECT_EQ(Cp866ToCp1251("\xB0\xC4"), QByteArray("??"));
    EXPECT_EQ(Cp1251ToCp866("\x88"), QByteArray("?"));
}

TEST(CodePages, AnsiTextSurvivesTheDisplayUnchanged) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(WideToAnsi(AnsiToWide(all)), all);
    EXPECT_EQ(AnsiToWide("\xCF\xF0\xE8\xE2\xE5\xF2"), QStringLiteral("Привет"));
    EXPECT_EQ(WideToAnsi(u"Привет €✓"), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2 \x88?"));
    EXPECT_EQ(WideToCp866(u"Ёж╬"), QByteArray("\xF0\xA6\xCE"));
}

}  // namespace
