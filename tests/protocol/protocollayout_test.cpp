#include "protocol/protocollayout.h"

#include "protocol/protocol.h"
#include "protocolsupport.h"
#include "util/textutil.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

// Found by GoogleTest next to the type, for readable failures.
void PrintTo(const ProtocolRun& run, std::ostream* os);
void PrintTo(const ProtocolRun& run, std::ostream* os) {
    *os << "{" << run.level << ", \"" << run.text.toStdString() << "\""
        << (run.mark ? ", mark" : "") << "}";
}

namespace {

ProtocolRun Text(int level, const LineText& text) {
    return {level, text, false};
}
ProtocolRun Mark(int level, char mark) {
    return {level, LineText(1, mark), true};
}

TEST(ProtocolLayout, LineRuns) {
    using Runs = QList<ProtocolRun>;
    const struct {
        const char* name;
        LineText line;
        bool marks;
        Runs runs;
    } cases[] = {
        {"empty line", "", true, {}},
        {"two directions on one line",
         M(1) + "AB" + M(2) + "CD",
         false,
         {Text(1, "AB"), Text(2, "CD")}},
        {"marks hidden", M(1) + "AB|CD<>", false, {Text(1, "ABCD")}},
        {"marks shown apart",
         M(1) + "AB|CD<>",
         true,
         {Text(1, "AB"), Mark(1, '|'), Text(1, "CD"), Mark(1, '<'), Mark(1, '>')}},
        {"event text keeps its marks", M(3) + "12:00 A -> B|", false, {Text(3, "12:00 A -> B|")}},
        {"fatal text keeps its marks", M(5) + "#X", true, {Text(5, "#X")}},
        {"level 6 has marks", M(6) + "#1", true, {Mark(6, '#'), Text(6, "1")}},
        {"text before any marker is received", "XY", false, {Text(1, "XY")}},
        {"text under a byte that is no level is not drawn",
         M(1) + "A" + "\t" + "B" + M(2) + "C",
         false,
         {Text(1, "A"), Text(2, "C")}},
        {"an event's own line feed ends what is drawn", M(3) + "X\nY", false, {Text(3, "X")}},
        {"code page 866 letters are text", M(1) + L(u"ЖЯ"), false, {Text(1, L(u"ЖЯ"))}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProtocolLineRuns(c.line, c.marks), c.runs) << c.name;
}

TEST(ProtocolLayout, LevelText) {
    const LineText line = M(1) + "AB" + M(2) + "|ZZ " + M(1) + "C<>";
    EXPECT_EQ(ProtocolLevelText(line, 1), "ABC<>");
    EXPECT_EQ(ProtocolLevelText(line, 2), "|ZZ ");
    EXPECT_EQ(ProtocolLevelText("XY", 1), "XY");
    EXPECT_EQ(ProtocolLevelText(M(3) + "EVENT", 1), "");
}

// The split display's rows computed the plain way: the whole stream up to
// the bottom line, cut at every '>', every stream line cut into rows.
QList<LineText> Reference(const QList<LineText>& lines, int level, int bottom, int rows, bool marks,
                          const LineText& tail) {
    LineText stream;
    for (int i = 0; i <= bottom && i < lines.size(); ++i)
        stream += ProtocolLevelText(lines[i], level);
    QList<LineText> streamLines;
    LineText current;
    for (char c : stream) {
        current += c;
        if (c == '>')
            streamLines.append(std::exchange(current, {}));
    }
    streamLines.append(current + tail);
    QList<LineText> out;
    for (qsizetype i = streamLines.size(); i-- > 0 && out.size() < rows;) {
        const LineText text = marks ? streamLines[i] : StripVisibleMarks(streamLines[i]);
        QList<LineText> pieces;
        for (qsizetype p = 0; p < text.size(); p += kSplitRowWidth)
            pieces.append(text.mid(p, kSplitRowWidth));
        if (pieces.isEmpty())
            pieces.append(LineText());
        for (qsizetype p = pieces.size(); p-- > 0 && out.size() < rows;)
            out.append(pieces[p]);
    }
    return out;
}

TEST(ProtocolStream, RowsOfBothDirections) {
    const QList<LineText> lines{
        M(1) + "AB<>",
        M(1) + "CD" + M(2) + "|ZZ " + M(1) + "EF<>",
        M(3) + "12:00:00 EVENT",
        "",
    };
    TProtocolStream received(1), transmitted(2);
    received.Sync(lines);
    transmitted.Sync(lines);
    using Rows = QList<LineText>;
    EXPECT_EQ(received.BottomRows(lines, 3, 5, true), Rows({"", "CDEF<>", "AB<>"}));
    EXPECT_EQ(received.BottomRows(lines, 3, 5, false), Rows({"", "CDEF", "AB"}));
    EXPECT_EQ(received.BottomRows(lines, 3, 2, true), Rows({"", "CDEF<>"}));
    EXPECT_EQ(received.BottomRows(lines, 0, 5, true), Rows({"", "AB<>"}));
    EXPECT_EQ(received.BottomRows(lines, -1, 5, true), Rows({""}));
    EXPECT_EQ(received.BottomRows(lines, 3, 0, true), Rows());
    EXPECT_EQ(transmitted.BottomRows(lines, 3, 5, true, "_"), Rows({"|ZZ _"}));
    EXPECT_EQ(transmitted.BottomRows(lines, 3, 5, false, "_"), Rows({"ZZ _"}));
    EXPECT_EQ(transmitted.BottomRows(lines, 0, 5, false, "_"), Rows({"_"}));
}

TEST(ProtocolStream, LongLinesAreCutFromTheirStart) {
    const QList<LineText> lines{
        M(1) + LineText(50, 'A'),
        M(1) + LineText(50, 'B'),
        M(1) + LineText(50, 'C') + "<>",
    };
    TProtocolStream stream(1);
    stream.Sync(lines);
    using Rows = QList<LineText>;
    const LineText first = LineText(50, 'A') + LineText(19, 'B');
    const LineText second = LineText(31, 'B') + LineText(38, 'C');
    EXPECT_EQ(stream.BottomRows(lines, 2, 9, false), Rows({"", LineText(12, 'C'), second, first}));
    EXPECT_EQ(stream.BottomRows(lines, 2, 3, true), Rows({"", LineText(12, 'C') + "<>", second}));
    EXPECT_EQ(stream.BottomRows(lines, 1, 2, false), Rows({LineText(31, 'B'), first}));
}

// A random protocol list as the store builds it, with all that shapes the
// streams: both directions, events, marks, line ends, empty lines, wrapping.
void Feed(TProtocol& protocol, QRandomGenerator& random, int calls) {
    static const char* const pieces[] = {
        "AB", "|ZZ ", "#12", "\r\n", "\n", "&X\r", "123456789 123456789 123456789 "};
    for (int i = 0; i < calls; ++i) {
        const int level = int(random.bounded(5)) == 0 ? 3 : 1 + int(random.bounded(2));
        LineText text;
        for (int k = int(random.bounded(1, 4)); k > 0; --k)
            text += pieces[random.bounded(int(std::size(pieces)))];
        protocol.AddText(text, level);
    }
}

TEST_F(ProtocolTest, StreamRowsMatchThePlainComputation) {
    for (quint32 seed = 1; seed <= 12; ++seed) {
        QRandomGenerator random(seed);
        TProtocol protocol;
        protocol.SetWrapWidth(seed % 2 == 0);
        TProtocolStream received(1), transmitted(2);
        // Synced after every addition, as the view syncs while the day grows.
        for (int step = 0; step < 40; ++step) {
            Feed(protocol, random, 3);
            received.Sync(protocol.Lines());
            transmitted.Sync(protocol.Lines());
        }
        const QList<LineText>& lines = protocol.Lines();
        TProtocolStream fresh(2);
        fresh.Sync(lines);
        for (int bottom = -1; bottom < lines.size(); bottom += 1 + bottom / 8) {
            for (int rows : {1, 3, 7, 40}) {
                for (bool marks : {false, true}) {
                    const auto where = ::testing::Message()
                                       << "seed " << seed << " bottom " << bottom << " rows "
                                       << rows << " marks " << marks;
                    EXPECT_EQ(received.BottomRows(lines, bottom, rows, marks),
                              Reference(lines, 1, bottom, rows, marks, {}))
                        << where;
                    EXPECT_EQ(transmitted.BottomRows(lines, bottom, rows, marks, "_"),
                              Reference(lines, 2, bottom, rows, marks, "_"))
                        << where;
                    EXPECT_EQ(fresh.BottomRows(lines, bottom, rows, marks, "_"),
                              transmitted.BottomRows(lines, bottom, rows, marks, "_"))
                        << where;
                }
            }
        }
    }
}

TEST(ProtocolStream, ResetForgetsAReplacedList) {
    TProtocolStream stream(1);
    QList<LineText> lines{M(1) + "OLD<>", M(1) + "OLDER<>", ""};
    stream.Sync(lines);
    lines = {M(1) + "NEW"};
    stream.Reset();
    stream.Sync(lines);
    EXPECT_EQ(stream.BottomRows(lines, 0, 5, true), QList<LineText>({"NEW"}));
    // A list that shrank is taken as replaced even without a reset.
    QList<LineText> shorter;
    stream.Sync(shorter);
    EXPECT_EQ(stream.BottomRows(shorter, 0, 5, true), QList<LineText>({""}));
}

}  // namespace
