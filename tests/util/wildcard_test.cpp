#include "util/wildcard.h"

#include "support/testhome.h"

#include <gtest/gtest.h>

namespace {

TEST(MatchesMask, FinderSemantics) {
    const struct {
        const char16_t* mask;
        const char16_t* name;
        bool matches;
    } cases[] = {
        // Waiting outgoing files: no extension, up to three digits.
        {u"????q???.", u"0130q1", true},
        {u"????q???.", u"0130q12", true},
        {u"????q???.", u"0130q123", true},
        {u"????q???.", u"0130q123.", true},
        {u"????q???.", u"0130q123.b01", false},
        {u"????q???.", u"0130q1234", false},
        {u"????q???.", u"013q1", false},
        {u"????q???.", u"0130Q001", true},
        // Every name, with or without an extension.
        {u"*.?*", u"0130q001", true},
        {u"*.?*", u"0130q001.045", true},
        {u"*.?*", u"a.b.c", true},
        {u"*.*", u"noext", true},
        // Cleanup masks.
        {u"????????.???", u"0130q215.045", true},
        {u"????????.???", u"0130q215", true},
        {u"????????.???", u"0130q2155.045", false},
        {u"*.tlg", u"1208u911.001.tlg", true},
        {u"*.tlg", u"1208u911.001", false},
        {u"*.TLG", u"a.tlg", true},
        {u"arc????????.???", u"ARC12081999.001", true},
        {u"arc????????.???", u"arc1208.001", true},
        {u"????.prt", u"0130.prt", true},
        {u"????.prt", u"startup.prt", false},
        {u"????.prt", u"012.prt", true},
        // Lists.
        {u"ARC*.?*", u"arc0001.txt", true},
        {u"ARC*.?*", u"1208q001.001", false},
        {u"q???", u"q1", true},
        {u"q???", u"q", true},
        {u"q???", u"q1234", false},
        {u"a?b", u"axb", true},
        {u"a?b", u"ab", false},
        {u"*", u"anything.at.all", true},
        {u"*q*", u"0130q001", true},
        {u"*x", u"0130q001", false},
        {u"abc", u"ABC", true},
        {u"abc", u"abcd", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesMask(QStringView(c.name), QStringView(c.mask)), c.matches)
            << QString::fromUtf16(c.mask).toStdString() << " vs "
            << QString::fromUtf16(c.name).toStdString();
}

TEST(ListMatching, ListsMatchingFilesInNameOrder) {
    TestHome home;
    home.write("out/0130q2", "x");
    home.write("out/0130q10", "x");
    home.write("out/0130q001.045", "x");
    home.write("out/0130Q003", "x");
    home.write("out/0130/0130q001.001", "x");
    EXPECT_EQ(ListMatching(home.file("out"), u"????q???."),
              (QStringList{"0130Q003", "0130q10", "0130q2"}));
    EXPECT_EQ(ListMatching(home.file("out"), u"*.?*"),
              (QStringList{"0130q001.045", "0130Q003", "0130q10", "0130q2"}));
    EXPECT_EQ(ListMatching(home.file("out"), u"????", false), (QStringList{"0130"}));
}

}  // namespace
