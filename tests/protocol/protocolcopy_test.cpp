#include "protocol/protocolcopy.h"

#include "protocolsupport.h"

#include <gtest/gtest.h>

namespace {

const QList<LineText>& Day() {
    static const QList<LineText> lines{
        M(1) + "AB<>", M(3) + "12:00:00 RENAME A -> B|", "", M(1) + "|CD" + M(2) + "#12<>",
        M(2) + "EF",   M(4) + "12:00:01 ERROR",
    };
    return lines;
}

TEST(ProtocolCopy, Text) {
    const struct {
        const char* name;
        int selFirst, selLast, mode;
        bool keepMarks;
        LineText expected;
    } cases[] = {
        {"all lines keep their marks as characters", -1, -1, kCopyAll, true,
         "AB<>\r\n12:00:00 RENAME A -> B|\r\n\r\n|CD#12<>\r\nEF\r\n12:00:01 ERROR\r\n"},
        {"all lines without marks; event text untouched", -1, -1, kCopyAll, false,
         "AB\r\n12:00:00 RENAME A -> B|\r\n\r\nCD12\r\nEF\r\n12:00:01 ERROR\r\n"},
        {"a selection turns line-end marks into line ends, events between CR LFs", 0, 3, kCopyAll,
         true, "AB\r\n\r\n12:00:00 RENAME A -> B|\r\n|CD#12\r\n"},
        {"a selection without register marks", 0, 3, kCopyAll, false,
         "AB\r\n\r\n12:00:00 RENAME A -> B|\r\nCD12\r\n"},
        {"an error line is joined like traffic", 4, 5, kCopyAll, true, "EF12:00:01 ERROR"},
        {"a selection beyond the last line ends there", 3, 99, kCopyAll, true,
         "|CD#12\r\nEF12:00:01 ERROR"},
        {"received only, whole list", -1, -1, kCopyReceived, true, "AB<>\r\n|CD"},
        {"transmitted only, whole list", -1, -1, kCopyTransmitted, true, "#12<>\r\nEF\r\n"},
        {"transmitted only, selection", 0, 4, kCopyTransmitted, true, "#12\r\nEF"},
        {"received only, selection, no marks", 0, 4, kCopyReceived, false, "AB\r\n\r\nCD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProtocolCopyText(Day(), c.selFirst, c.selLast, c.mode, c.keepMarks), c.expected)
            << c.name;
}

TEST(ProtocolCopy, EmptyCases) {
    EXPECT_EQ(ProtocolCopyText({}, -1, -1, kCopyAll, true), LineText());
    EXPECT_EQ(ProtocolCopyText({}, 0, 0, kCopyAll, true), LineText());
    EXPECT_EQ(ProtocolCopyText(Day(), 7, 9, kCopyAll, true), LineText())
        << "selection past the end";
}

}  // namespace
