#pragma once

#include "util/qtcompat.h"
#include "util/texttypes.h"

#include <QList>

#include <vector>

// How the protocol view lays out protocol lines, apart from any drawing, so
// that the rules can be checked without a display.

// A stretch of a protocol line drawn in one colour.
struct ProtocolRun {
    int level = 1;      // level marker 1..7, which gives the colour
    LineText text;      // line code
    bool mark = false;  // a register or line-end mark, drawn apart on black

    bool operator==(const ProtocolRun&) const = default;
};

// The runs of one line, left to right. The level starts at 1; a byte below
// 0x20 ends a run and becomes the level, and text under a level outside
// 1..7 is not drawn. Traffic marks ('&', '|', '#', '<', '>' under levels 1,
// 2, 6 and 7) become runs of their own when showMarks is on and are left out
// otherwise; under other levels they are ordinary text.
QList<ProtocolRun> ProtocolLineRuns(QByteArrayView line, bool showMarks);

// The text bytes (0x20 and above) of a line's segments of one level, the
// level starting at 1 as in ProtocolLineRuns.
LineText ProtocolLevelText(QByteArrayView line, int level);

// Width, in characters, of a row of the split display.
inline constexpr int kSplitRowWidth = 69;

// One traffic direction of a protocol list read as one continuous text, as
// the split display shows it: the direction's text of every line in order,
// cut into stream lines after each '>' and each stream line into rows of
// kSplitRowWidth characters counted from its start.
//
// The split display shows only the end of a stream, but a stream line can
// run over thousands of protocol lines (service groups are sent without a
// line end), and where its rows start depends on where it starts. So the
// stream keeps an index of where its text and its line ends lie; a view
// then costs binary searches and the rows it shows, not the day's size.
class TProtocolStream {
public:
    explicit TProtocolStream(int level) : level_(level) {}

    // Forgets the index, for a list that was replaced.
    void Reset();
    // Brings the index up to date with lines, which since the last Sync or
    // Reset have only been appended to or had their last line changed (as
    // the store changes them). Costs the lines added.
    void Sync(const QList<LineText>& lines);

    // The last rows of the stream as it stands after protocol line bottom,
    // lowest row first, at most rows of them. tail (the cursor) is added to
    // the end of the stream's last line. Without showMarks the five mark
    // characters are left out before the lines are cut into rows. An empty
    // stream line takes one row. lines must be the list last synced.
    QList<LineText> BottomRows(const QList<LineText>& lines, int bottom, int rows, bool showMarks,
                               QByteArrayView tail = {}) const;

private:
    LineText extract(const QList<LineText>& lines, const std::vector<qint64>& ends, qint64 from,
                     qint64 to, bool showMarks) const;

    int level_;
    int synced_ = 0;                 // lines before this one are indexed for good
    std::vector<int> lines_;         // protocol lines that hold text of the stream
    std::vector<qint64> raw_;        // stream characters up to the end of each
    std::vector<qint64> kept_;       // the same without the mark characters
    std::vector<qint64> breakRaw_;   // stream offsets just after each '>'
    std::vector<qint64> breakKept_;  // the same, counted without marks
};
