#include "protocol/protocolpainter.h"

#include "util/linecode.h"
#include "viewsupport.h"

#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kYellow(255, 255, 0);
const QColor kLime(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);
// What the image holds before painting, to tell painted pixels from others.
const QColor kUnpainted(1, 2, 3);

class ProtocolPainter : public ViewTest {
protected:
    int lh = ProtocolLineHeight(font);
    QFontMetrics metrics{font};

    QImage Render(const QList<LineText>& lines, ProtocolPaintState state = {}, int rows = 10,
                  QRect dirty = {}) {
        state.lines = &lines;
        state.font = font;
        state.lineHeight = lh;
        TProtocolStream received(1), transmitted(2);
        received.Sync(lines);
        transmitted.Sync(lines);
        state.received = &received;
        state.transmitted = &transmitted;
        QImage image(400, rows * lh, QImage::Format_RGB32);
        image.fill(kUnpainted);
        QPainter painter(&image);
        PaintProtocol(painter, image.rect(), state, dirty);
        return image;
    }
    QRect RowRect(const QImage& image, int row) const { return Row(image, row, lh); }
    int Width(const char* text) const { return metrics.horizontalAdvance(QLatin1String(text)); }
};

TEST_F(ProtocolPainter, AnEmptyListIsOnlyBackground) {
    for (bool failing : {false, true}) {
        ProtocolPaintState state;
        state.failing = failing;
        const QImage image = Render({}, state);
        const QColor background = failing ? ProtocolColor::Failing : ProtocolColor::Background;
        EXPECT_EQ(CountColor(image, image.rect(), background), image.width() * image.height())
            << "no cursor, nothing but the background; failing " << failing;
    }
}

TEST_F(ProtocolPainter, ColoursByLevel) {
    const QList<LineText> lines{
        M(1) + "RECEIVED" + M(2) + "SENT",
        M(3) + "12:00:00 EVENT",
        M(4) + "12:00:00 ERROR",
        M(5) + "FATAL",
        M(6) + "SIX",
        M(7) + "SEVEN",
        "",
    };
    const QImage image = Render(lines);
    const QRect first = RowRect(image, 0);
    ASSERT_GT(CountColor(image, first, kWhite), 0);
    ASSERT_GT(CountColor(image, first, kYellow), 0);
    EXPECT_GT(FirstX(image, first, kYellow), LastX(image, first, kWhite))
        << "received text first, then transmitted on the same row";
    EXPECT_GE(FirstX(image, first, kWhite), kProtocolMargin);
    EXPECT_LE(FirstX(image, first, kWhite), kProtocolMargin + 2);

    const struct {
        int row;
        QColor color;
    } rows[] = {
        {1, kLime}, {2, kRed}, {3, kRed}, {4, QColor(192, 192, 192)}, {5, QColor(255, 0, 255)}};
    for (const auto& r : rows) {
        EXPECT_GT(CountColor(image, RowRect(image, r.row), r.color), 0) << "row " << r.row;
        EXPECT_EQ(CountColor(image, RowRect(image, r.row), kWhite), 0) << "row " << r.row;
    }
    // The cursor after the last, empty line; the background everywhere else.
    const QRect last = RowRect(image, 6);
    EXPECT_GT(CountColor(image, last, kYellow), 0);
    EXPECT_GE(FirstX(image, last, kYellow), kProtocolMargin + 1);
    EXPECT_EQ(CountColor(image, image.rect(), kUnpainted), 0);
    EXPECT_EQ(CountColor(image, RowRect(image, 8), ProtocolColor::Background), image.width() * lh);
}

TEST_F(ProtocolPainter, PendingTextOrCursorAfterTheLastLine) {
    const QList<LineText> lines{M(1) + "AB"};
    const int textEnd = kProtocolMargin + Width("AB");
    ProtocolPaintState state;
    state.pendingText = "|ZZ\r\n";
    const QImage live = Render(lines, state);
    EXPECT_GT(CountColor(live, RowRect(live, 0), ProtocolColor::Pending), 0);
    EXPECT_GE(FirstX(live, RowRect(live, 0), ProtocolColor::Pending), textEnd + 1);
    EXPECT_EQ(CountColor(live, RowRect(live, 0), kYellow), 0) << "no cursor beside pending text";

    state.live = false;  // another day: its list has no pending text
    const QImage other = Render(lines, state);
    EXPECT_EQ(CountColor(other, other.rect(), ProtocolColor::Pending), 0);
    EXPECT_GE(FirstX(other, RowRect(other, 0), kYellow), textEnd + 1);

    state.live = true;
    state.pendingText.clear();
    const QImage idle = Render(lines, state);
    EXPECT_GT(CountColor(idle, RowRect(idle, 0), kYellow), 0);
}

TEST_F(ProtocolPainter, PendingTextShowsMarksLikeTheTraffic) {
    const QList<LineText> lines{M(1) + "A"};
    ProtocolPaintState state;
    state.pendingText = "|||||||||||||";
    EXPECT_EQ(CountColor(Render(lines, state), QRect(0, 0, 400, lh), ProtocolColor::Pending), 0)
        << "register marks hidden while Регистры is off";
    state.showRegisters = true;
    EXPECT_GT(CountColor(Render(lines, state), QRect(0, 0, 400, lh), ProtocolColor::Pending), 0);
}

TEST_F(ProtocolPainter, SelectedLinesOnGrey) {
    const QList<LineText> lines{M(1) + "L0", M(1) + "L1", M(1) + "L2", M(1) + "L3"};
    ProtocolPaintState state;
    state.selFirst = 1;
    state.selLast = 2;
    const QImage image = Render(lines, state);
    for (int row = 0; row < 4; ++row) {
        const bool selected = row == 1 || row == 2;
        EXPECT_EQ(CountColor(image, RowRect(image, row), ProtocolColor::Selected) > 0, selected)
            << "row " << row;
    }
    // Grey only behind the text, not across the row.
    EXPECT_LE(LastX(image, RowRect(image, 1), ProtocolColor::Selected),
              kProtocolMargin + Width("L1"));
}

TEST_F(ProtocolPainter, RegisterMarksOnBlackBoxes) {
    const QList<LineText> lines{M(1) + "AB|CD<>", ""};
    ProtocolPaintState state;
    const QImage hidden = Render(lines, state);
    const QRect row = RowRect(hidden, 0);
    EXPECT_EQ(CountColor(hidden, row, kBlack), 0);
    EXPECT_LE(LastX(hidden, row, kWhite), kProtocolMargin + Width("ABCD"));
    EXPECT_GE(LastX(hidden, row, kWhite), kProtocolMargin + Width("ABC"));

    state.showRegisters = true;
    const QImage shown = Render(lines, state);
    // Each mark: a black box 2 pixels after the preceding text, the mark in
    // white on it.
    int x = kProtocolMargin + Width("AB");
    const struct {
        const char* mark;
        const char* after;
    } marks[] = {{"|", "CD"}, {"<", ""}, {">", ""}};
    for (const auto& m : marks) {
        const QRect gap(x, 0, kProtocolMarkGap, lh);
        EXPECT_EQ(CountColor(shown, gap, kBlack), 0) << m.mark;
        const QRect box(x + kProtocolMarkGap, 0, Width(m.mark), lh);
        EXPECT_EQ(CountColor(shown, box, kBlack) + CountColor(shown, box, kWhite),
                  box.width() * box.height())
            << m.mark;
        EXPECT_GT(CountColor(shown, box, kWhite), 0) << m.mark;
        x = box.right() + 1 + Width(m.after);
    }
    EXPECT_EQ(FirstX(shown, row, kBlack), kProtocolMargin + Width("AB") + kProtocolMarkGap);
    EXPECT_EQ(LastX(shown, row, kBlack), x - 1);
}

TEST_F(ProtocolPainter, RowsFollowThePosition) {
    QList<LineText> lines;
    for (int i = 0; i < 30; ++i)
        lines.append(i == 15 ? M(4) + "ERROR" : M(1) + "LINE");
    const struct {
        int position;
        int redRow;  // -1: not shown
    } cases[] = {{0, -1}, {10, 5}, {15, 0}, {20, -1}, {6, 9}, {99, -1}};
    for (const auto& c : cases) {
        ProtocolPaintState state;
        state.position = c.position;
        const QImage image = Render(lines, state);
        for (int row = 0; row < 10; ++row)
            EXPECT_EQ(CountColor(image, RowRect(image, row), kRed) > 0, row == c.redRow)
                << "position " << c.position << " row " << row;
    }
    // At the top the partial row below the last whole one is drawn too.
    ProtocolPaintState state;
    QImage image(400, 10 * lh + lh / 2, QImage::Format_RGB32);
    state.lines = &lines;
    state.font = font;
    state.lineHeight = lh;
    QPainter painter(&image);
    PaintProtocol(painter, image.rect(), state);
    EXPECT_GT(CountColor(image, QRect(0, 10 * lh, 400, lh / 2), kWhite), 0);
}

TEST_F(ProtocolPainter, OnlyTheDirtyRowsArePainted) {
    const QList<LineText> lines{M(1) + "L0", M(1) + "L1", M(1) + "L2"};
    const QImage image = Render(lines, {}, 10, QRect(0, 2 * lh, 400, lh));
    EXPECT_EQ(CountColor(image, RowRect(image, 2), kUnpainted), 0);
    EXPECT_GT(CountColor(image, RowRect(image, 2), kWhite), 0);
    EXPECT_EQ(CountColor(image, image.rect(), kUnpainted), 9 * lh * 400);
}

TEST_F(ProtocolPainter, SplitDisplay) {
    const QList<LineText> lines{
        M(1) + "RX1<>",
        M(2) + "TX1<>",
        M(3) + "12:00:00 EVENT",
        "",
        M(1) + LineText(100, 'I') + "<>",
        "",
    };
    ProtocolPaintState state;
    state.split = true;
    const QImage image = Render(lines, state);  // 10 rows: halves of 4 rows
    // The lime separator across the view at row 5, and nothing else lime:
    // events are not shown.
    EXPECT_EQ(CountColor(image, QRect(0, 5 * lh, 400, 1), kLime), 400);
    EXPECT_EQ(CountColor(image, image.rect(), kLime), 400);
    // Received above: "RX1", the 100 I's as 69 + 31, an empty last line.
    const int expectWhite[] = {0, 1, 1, 1, 0};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(CountColor(image, RowRect(image, row), kWhite) > 0, expectWhite[row] == 1)
            << "row " << row;
    EXPECT_GT(LastX(image, RowRect(image, 2), kWhite), LastX(image, RowRect(image, 3), kWhite))
        << "69 characters above the 31 that end the line";
    EXPECT_EQ(CountColor(image, QRect(0, 0, 400, 5 * lh), kYellow), 0);
    // Transmitted below: "TX1", then the cursor on its own row.
    EXPECT_GT(CountColor(image, RowRect(image, 8), kYellow), 0);
    EXPECT_GT(CountColor(image, RowRect(image, 9), kYellow), 0);
    EXPECT_EQ(CountColor(image, QRect(0, 5 * lh + 1, 400, 5 * lh), kWhite), 0);
    EXPECT_EQ(CountColor(image, RowRect(image, 6), kYellow) +
                  CountColor(image, RowRect(image, 7), kYellow),
              0);
}

}  // namespace
