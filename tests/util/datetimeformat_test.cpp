#include "util/datetimeformat.h"

#include <gtest/gtest.h>

namespace {

TEST(DateTimeFormat, DelphiFormats) {
    const QDateTime morning(QDate(2026, 1, 30), QTime(9, 5, 7, 45));
    const QDateTime afternoon(QDate(2026, 12, 8), QTime(15, 0, 0));
    const struct {
        QDateTime time;
        const char16_t* format;
        const char16_t* expected;
    } cases[] = {
        {morning, u"mmdd", u"0130"},
        {morning, u"yymmdd", u"260130"},
        {morning, u"MMDD", u"0130"},
        {afternoon, u"mmdd", u"1208"},
        {morning, u"yyyy", u"2026"},
        {morning, u"y", u"26"},
        {morning, u"d/m/yyyy", u"30.1.2026"},
        {morning, u"hh:nn:ss", u"09:05:07"},
        {morning, u"hhnn", u"0905"},
        {morning, u"h:n:s", u"9:5:7"},
        {morning, u"hh:mm", u"09:05"},
        {morning, u"hh dd mm", u"09 30 01"},
        {morning, u"zzz z", u"045 45"},
        {morning, u"'mm' \"dd\"mm", u"mm dd01"},
        {morning, u"tt", u"09:05:07"},
        {morning, u"t", u"09:05"},
        {morning, u"c", u"30.01.2026 09:05:07"},
        {QDateTime(QDate(2026, 1, 30), QTime(0, 0)), u"c", u"30.01.2026"},
        {afternoon, u"h am/pm", u"3 pm"},
        {afternoon, u"hh a/p", u"03 p"},
        {morning, u"dd_mm", u"30_01"},
        {morning, u"ddmm.prt", u"3001.pr09:05"},
        {morning, u"mmmm", u"январь"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDelphiDateTime(c.time, c.format), QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.format).toStdString();
}

TEST(DateTimeFormat, DateAlone) {
    EXPECT_EQ(FormatDelphiDate(QDate(2026, 1, 30), u"mmdd"), QStringLiteral("0130"));
    EXPECT_EQ(FormatDelphiDate(QDate(2027, 3, 4), u"yymmdd"), QStringLiteral("270304"));
}

}  // namespace
