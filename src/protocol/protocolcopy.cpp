#include "protocol/protocolcopy.h"

#include "util/textutil.h"

namespace {

// A line with its traffic's '<' and '>' turned into CR and LF (when convert)
// and its remaining traffic marks left out (when drop). Event text keeps its '<', '>' and '|': a
// rename logged as "A -> B" must not come out of the copy broken in two.
LineText TrafficMarks(QByteArrayView line, bool convert, bool drop) {
    LineText out;
    out.reserve(line.size());
    int level = 1;
    for (char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20) {
            level = b;
        } else if (IsVisibleMark(c) && IsMarkLevel(level)) {
            if (convert && c == '>')
                c = '\n';
            else if (convert && c == '<')
                c = '\r';
            else if (drop)
                continue;
        }
        out += c;
    }
    return out;
}

bool IsSegmentMarker(char c) {
    return static_cast<unsigned char>(c) <= 8;
}

}  // namespace

bool IsMarkLevel(int level) {
    return level == 1 || level == 2 || level == 6 || level == 7;
}

LineText ProtocolCopyText(const QList<LineText>& lines, int selFirst, int selLast, int mode,
                          bool keepMarks) {
    LineText text;
    if (selFirst < 0) {
        for (const LineText& line : lines)
            text += TrafficMarks(line, false, !keepMarks) + "\r\n";
    } else {
        const qsizetype last = qMin<qsizetype>(selLast, lines.size() - 1);
        for (qsizetype i = selFirst; i <= last; ++i) {
            const LineText line = TrafficMarks(lines[i], true, !keepMarks);
            if (line.startsWith(char(3)))
                text += "\r\n" + line + "\r\n";
            else
                text += line;
        }
    }

    LineText out;
    out.reserve(text.size());
    if (mode == kCopyAll) {
        for (char c : text) {
            if (c == 0 || !IsSegmentMarker(c))
                out += c;
        }
        return out;
    }
    char segment = 0;
    for (char c : text) {
        if (IsSegmentMarker(c))
            segment = c;
        else if (segment == char(mode))
            out += c;
    }
    return out;
}
