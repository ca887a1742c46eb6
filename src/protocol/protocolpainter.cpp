#include "protocol/protocolpainter.h"

#include "util/linecode.h"
#include "util/textutil.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

struct RowPainter {
    QPainter& painter;
    QFontMetrics metrics;
    int lineHeight;

    // Draws text at x of the row at y on its own background; the x after it.
    int Text(int x, int y, const QString& text, const QColor& color, const QColor& background) {
        const int width = metrics.horizontalAdvance(text);
        painter.fillRect(QRect(x, y, width, lineHeight), background);
        painter.setPen(color);
        painter.drawText(QPoint(x, y + metrics.ascent()), text);
        return x + width;
    }

    int Line(const LineText& line, int x, int y, bool showMarks, const QColor& background) {
        for (const ProtocolRun& run : ProtocolLineRuns(line, showMarks)) {
            const QColor color = ProtocolLevelColor(run.level);
            if (run.mark)
                x = Text(x + kProtocolMarkGap, y, LineToWide(run.text), color,
                         ProtocolColor::MarkBox);
            else
                x = Text(x, y, LineToWide(run.text), color, background);
        }
        return x;
    }
};

// Text waiting to be sent holds real line ends; it is shown in the
// protocol's own notation, with its marks treated as the traffic's are.
QString PendingDisplay(const LineText& pending, bool showMarks) {
    LineText text = pending;
    text.replace('\r', '<');
    text.replace('\n', '>');
    if (!showMarks)
        text = StripVisibleMarks(text);
    return LineToWide(text);
}

void PaintSplit(RowPainter& rows, const QRect& area, const ProtocolPaintState& state,
                const QRect& dirty, const QColor& background) {
    const QList<LineText>& lines = *state.lines;
    const int lh = state.lineHeight;
    const int r = ProtocolRows(area.height(), lh);
    const int half = r / 2;
    const int y = area.top() + half * lh;
    rows.painter.setPen(ProtocolColor::Separator);
    rows.painter.drawLine(area.left(), y, area.right(), y);
    if (!state.received || !state.transmitted)
        return;

    const int n = int(lines.size());
    const int position = qBound(0, state.position, ProtocolMaximum(n, r));
    const int bottom = position <= 0 ? qMin(n - 1, r) : qMin(n - 1, position + r - 1);
    const int halfRows = half - 1;
    const int x = area.left() + kProtocolMargin;
    const struct {
        const TProtocolStream* stream;
        int bottomRow;
        QByteArrayView tail;
        int level;
    } halves[] = {
        {state.received, half - 1, {}, 1},
        {state.transmitted, r - 1, "_", 2},
    };
    for (const auto& h : halves) {
        const QList<LineText> texts =
            h.stream->BottomRows(lines, bottom, halfRows, state.showRegisters, h.tail);
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const int rowY = area.top() + (h.bottomRow - int(i)) * lh;
            if (!dirty.intersects(QRect(area.left(), rowY, area.width(), lh)))
                continue;
            rows.Text(x, rowY, LineToWide(texts[i]), ProtocolLevelColor(h.level), background);
        }
    }
}

}  // namespace

QColor ProtocolLevelColor(int level) {
    switch (level) {
        case 1:
            return QColor(255, 255, 255);
        case 2:
            return QColor(255, 255, 0);
        case 3:
            return QColor(0, 255, 0);
        case 4:
        case 5:
            return QColor(255, 0, 0);
        case 6:
            return QColor(192, 192, 192);
        case 7:
            return QColor(255, 0, 255);
        default:
            return QColor();
    }
}

int ProtocolLineHeight(const QFont& font, QPaintDevice* device) {
    const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    return qMax(1, metrics.size(Qt::TextSingleLine, QStringLiteral("Ag")).height());
}

int ProtocolRows(int height, int lineHeight) {
    return qMax(height, 0) / qMax(lineHeight, 1);
}

int ProtocolMaximum(int lines, int rows) {
    return qMax(lines - rows, 0);
}

int ProtocolLastLineRow(int lines, int position, int rows) {
    if (lines <= 0)
        return -1;
    if (position <= 0)
        return lines - 1 <= rows ? lines - 1 : -1;
    const int row = lines - 1 - position;
    return row < rows ? row : -1;
}

void PaintProtocol(QPainter& painter, const QRect& area, const ProtocolPaintState& state,
                   const QRect& dirtyArea) {
    const QRect dirty = dirtyArea.isEmpty() ? area : dirtyArea.intersected(area);
    if (dirty.isEmpty())
        return;
    painter.save();
    painter.setClipRect(dirty, Qt::IntersectClip);
    painter.setFont(state.font);
    const QColor background = state.failing ? ProtocolColor::Failing : ProtocolColor::Background;
    painter.fillRect(dirty, background);

    const int lh = qMax(state.lineHeight, 1);
    RowPainter rows{painter, painter.fontMetrics(), lh};
    if (state.lines && state.split) {
        ProtocolPaintState fixed = state;
        fixed.lineHeight = lh;
        PaintSplit(rows, area, fixed, dirty, background);
    } else if (state.lines && !state.lines->isEmpty()) {
        const QList<LineText>& lines = *state.lines;
        const int n = int(lines.size());
        const int r = ProtocolRows(area.height(), lh);
        const int position = qBound(0, state.position, ProtocolMaximum(n, r));
        // At the top every line that fits is drawn, the partial bottom row
        // too; scrolled down, the rows hold the lines from the position on.
        const int count = position <= 0 ? qMin(n - 1, r) + 1 : qMin(r, n - position);
        for (int row = count - 1; row >= 0; --row) {
            const int index = position + row;
            const int y = area.top() + row * lh;
            if (!dirty.intersects(QRect(area.left(), y, area.width(), lh)))
                continue;
            const bool selected =
                state.selFirst != -1 && state.selFirst <= index && index <= state.selLast;
            const int x =
                rows.Line(lines[index], area.left() + kProtocolMargin, y, state.showRegisters,
                          selected ? ProtocolColor::Selected : background);
            if (index != n - 1)
                continue;
            if (state.live && !state.pendingText.isEmpty())
                rows.Text(x + 1, y, PendingDisplay(state.pendingText, state.showRegisters),
                          ProtocolColor::Pending, background);
            else
                rows.Text(x + 1, y, QStringLiteral("_"), ProtocolColor::Cursor, background);
        }
    }
    painter.restore();
}
