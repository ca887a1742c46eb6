#include "protocol/TPrtWindow.h"

#include "viewsupport.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

// Counts the paint events of a widget and the rectangles they cover.
struct PaintCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            rects.append(static_cast<QPaintEvent*>(event)->rect());
        return false;
    }
    QList<QRect> rects;
};

class PrtWindowTest : public ViewTest {
protected:
    static constexpr int kRows = 20;

    PrtWindowTest() {
        protocol.SetTimeText(QStringLiteral("12:00:00"));
        view.SetFont(font);
        lh = view.LineHeight();
        view.resize(400, kRows * lh);
        view.show();
        QApplication::processEvents();
        box = view.findChild<QWidget*>(QStringLiteral("TntPaintBox_Protocol"));
        bar = view.findChild<QScrollBar*>(QStringLiteral("TntScrollBar_Protocol"));
    }

    // Each event adds two lines: the event and an empty one.
    void AddEvents(int count) {
        for (int i = 0; i < count; ++i)
            protocol.AddText("EVENT " + QByteArray::number(i), 3);
    }
    QImage Grab() { return box->grab().toImage(); }

    void Mouse(QEvent::Type type, int line, Qt::MouseButton button = Qt::LeftButton) {
        const QPointF at(10, (line - view.Position()) * lh + lh / 2);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, QPointF(box->mapToGlobal(at.toPoint())),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(box, &event);
    }
    void Wheel(QWidget* target, int angle) {
        QWheelEvent event(QPointF(5, 5), QPointF(target->mapToGlobal(QPoint(5, 5))), QPoint(),
                          QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }
    std::pair<int, int> Selection() const { return {protocol.SelFirst(), protocol.SelLast()}; }

    TProtocol protocol;
    TPrtWindow view{protocol};
    int lh = 1;
    QWidget* box = nullptr;
    QScrollBar* bar = nullptr;
};

TEST_F(PrtWindowTest, MadeOfThePaintBoxAndTheScrollBar) {
    ASSERT_TRUE(box);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->width(), 20);
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    EXPECT_EQ(protocol.View(), &view);
    EXPECT_EQ(view.Rows(), kRows);
    EXPECT_TRUE(box->testAttribute(Qt::WA_OpaquePaintEvent));
    {
        TProtocol other;
        auto* second = new TPrtWindow(other);
        EXPECT_EQ(other.View(), second);
        delete second;
        EXPECT_EQ(other.View(), nullptr) << "detached when destroyed";
    }
}

TEST_F(PrtWindowTest, FontSetsTheRowHeight) {
    const int small = view.LineHeight();
    view.SetFont(ViewFont(28));
    EXPECT_GE(view.LineHeight(), 2 * small - 2);
    EXPECT_EQ(view.Rows(), box->height() / view.LineHeight());
    EXPECT_GE(ProtocolLineHeight(ViewFont(1)), 1);
}

TEST_F(PrtWindowTest, LinesAddedFollowTheEndOnlyFromTheEnd) {
    PaintCounter paints;
    box->installEventFilter(&paints);
    AddEvents(15);  // 30 lines
    EXPECT_EQ(view.Maximum(), 30 - kRows);
    EXPECT_TRUE(view.AtEnd());
    AddEvents(1);
    EXPECT_EQ(view.Position(), 32 - kRows) << "followed the end";

    bar->setValue(3);
    QApplication::processEvents();
    paints.rects.clear();
    AddEvents(2);
    EXPECT_EQ(view.Maximum(), 36 - kRows);
    EXPECT_EQ(view.Position(), 3) << "stays where the operator scrolled";
    QApplication::processEvents();
    EXPECT_TRUE(paints.rects.isEmpty()) << "only the range changed";

    bar->setValue(bar->maximum());
    QApplication::processEvents();
    paints.rects.clear();
    AddEvents(1);
    QApplication::processEvents();
    EXPECT_TRUE(view.AtEnd());
    EXPECT_FALSE(paints.rects.isEmpty());
}

TEST_F(PrtWindowTest, ALastLineChangeRedrawsOneRow) {
    PaintCounter paints;
    box->installEventFilter(&paints);
    protocol.AddText("AB", 1);
    AddEvents(15);
    protocol.AddText("CD", 1);
    QApplication::processEvents();
    ASSERT_TRUE(view.AtEnd());
    const int lastRow = int(protocol.Lines().size()) - 1 - view.Position();

    paints.rects.clear();
    protocol.AddText("EF", 1);
    QApplication::processEvents();
    ASSERT_EQ(paints.rects.size(), 1);
    EXPECT_EQ(paints.rects[0], QRect(0, lastRow * lh, box->width(), lh));

    // Not at the end: nothing to redraw.
    bar->setValue(0);
    QApplication::processEvents();
    paints.rects.clear();
    protocol.AddText("GH", 1);
    QApplication::processEvents();
    EXPECT_TRUE(paints.rects.isEmpty());
}

TEST_F(PrtWindowTest, BackgroundShowsWriteFailures) {
    ASSERT_TRUE(protocol.SetFolder(QStringLiteral("prt")));
    protocol.SetFileName(QStringLiteral("0130.prt"));
    protocol.AddText("A", 1);
    const QPoint corner(box->width() - 1, box->height() - 1);
    EXPECT_EQ(Grab().pixelColor(corner), ProtocolColor::Background);

    QDir(home.file("prt")).removeRecursively();
    protocol.AddText("B", 1);
    ASSERT_EQ(protocol.WriteFailures(), 1);
    EXPECT_EQ(Grab().pixelColor(corner), ProtocolColor::Failing);

    QDir().mkpath(home.file("prt"));
    protocol.AddText("C", 1);
    ASSERT_EQ(protocol.WriteFailures(), 0);
    EXPECT_EQ(Grab().pixelColor(corner), ProtocolColor::Background) << "navy after the recovery";
}

TEST_F(PrtWindowTest, MouseSelection) {
    AddEvents(20);  // 40 lines, 20 rows
    bar->setValue(0);
    using Sel = std::pair<int, int>;

    Mouse(QEvent::MouseButtonPress, 10);
    EXPECT_EQ(Selection(), Sel(10, 10));
    Mouse(QEvent::MouseMove, 14);
    EXPECT_EQ(Selection(), Sel(10, 14));
    Mouse(QEvent::MouseMove, 12);
    EXPECT_EQ(Selection(), Sel(10, 12)) << "moving back shrinks it";
    Mouse(QEvent::MouseMove, 10);
    Mouse(QEvent::MouseMove, 7);
    EXPECT_EQ(Selection(), Sel(10, 12)) << "above the start leaves it";
    Mouse(QEvent::MouseButtonRelease, 7);
    EXPECT_EQ(Selection(), Sel(-1, -1)) << "released above the start";

    Mouse(QEvent::MouseButtonPress, 10);
    Mouse(QEvent::MouseMove, 14);
    Mouse(QEvent::MouseButtonRelease, 14);
    EXPECT_EQ(Selection(), Sel(10, 14));
    EXPECT_GT(CountColor(Grab(), Row(Grab(), 12, lh), ProtocolColor::Selected), 0);

    Mouse(QEvent::MouseButtonPress, 5);
    Mouse(QEvent::MouseButtonRelease, 5);
    EXPECT_EQ(Selection(), Sel(-1, -1)) << "a plain click clears";

    // Scrolled, the lines under the mouse count from the position.
    bar->setValue(8);
    Mouse(QEvent::MouseButtonPress, 9);
    Mouse(QEvent::MouseMove, 20);
    Mouse(QEvent::MouseButtonRelease, 21);
    EXPECT_EQ(Selection(), Sel(9, 21));

    // A drag above the view reaches the lines above the top row.
    Mouse(QEvent::MouseButtonPress, 8);
    Mouse(QEvent::MouseMove, 12);
    Mouse(QEvent::MouseButtonRelease, 7);
    EXPECT_EQ(Selection(), Sel(-1, -1));

    // Other buttons and the split display do not select.
    Mouse(QEvent::MouseButtonPress, 10, Qt::RightButton);
    EXPECT_EQ(Selection(), Sel(-1, -1));
    view.SetSplit(true);
    Mouse(QEvent::MouseButtonPress, 10);
    Mouse(QEvent::MouseButtonRelease, 12);
    EXPECT_EQ(Selection(), Sel(-1, -1));
}

TEST_F(PrtWindowTest, AClickGivesTheScrollBarTheFocus) {
    view.window()->activateWindow();
    box->setFocusPolicy(Qt::NoFocus);
    Mouse(QEvent::MouseButtonPress, 0, Qt::RightButton);
    EXPECT_EQ(view.window()->focusWidget(), bar);
}

TEST_F(PrtWindowTest, PopupOnlyOutsideTheSplitDisplay) {
    int popups = 0;
    QObject::connect(&view, &TPrtWindow::popupRequested, &view, [&] { ++popups; });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box, &event);
    EXPECT_EQ(popups, 1);
    view.SetSplit(true);
    QApplication::sendEvent(box, &event);
    EXPECT_EQ(popups, 1);
}

TEST_F(PrtWindowTest, WheelTurnsThreeLines) {
    AddEvents(20);  // 40 lines: maximum 20
    const struct {
        int from, angle, to;
    } cases[] = {
        {0, -120, 3}, {3, 120, 0}, {19, -120, 20}, {20, -120, 20}, {1, 120, 0}, {10, -240, 16},
    };
    for (QWidget* target : {static_cast<QWidget*>(bar), box}) {
        for (const auto& c : cases) {
            bar->setValue(c.from);
            Wheel(target, c.angle);
            EXPECT_EQ(view.Position(), c.to) << c.from << " " << c.angle;
        }
    }
    // A fine wheel moves once its turns add up to a notch.
    bar->setValue(5);
    Wheel(box, -60);
    EXPECT_EQ(view.Position(), 5);
    Wheel(box, -60);
    EXPECT_EQ(view.Position(), 8);
}

TEST_F(PrtWindowTest, FindText) {
    for (int i = 0; i < 20; ++i)
        protocol.AddText(i == 2 || i == 6 || i == 16 ? L(u"ИГЛА") : "HAY", 3);
    // Lines 4, 12 and 32 hold the text; the maximum is 20.
    bar->setValue(10);
    EXPECT_TRUE(view.FindText(L(u"ИГЛА")));
    EXPECT_EQ(Selection(), std::make_pair(12, 12)) << "from the top row's line";
    EXPECT_EQ(view.Position(), 12);
    EXPECT_TRUE(view.FindText(L(u"ИГЛА")));
    EXPECT_EQ(Selection(), std::make_pair(32, 32)) << "continues below the found line";
    EXPECT_EQ(view.Position(), 20);
    EXPECT_FALSE(view.FindText(L(u"ИГЛА")));
    EXPECT_EQ(Selection(), std::make_pair(32, 32));
    EXPECT_FALSE(view.FindText(""));
}

TEST_F(PrtWindowTest, CopyTextEndsTheSelectionAtTheLastLine) {
    protocol.AddText("AB\r\nCD", 1);
    protocol.SetSelFirst(0);
    protocol.SetSelLast(9);
    EXPECT_EQ(view.CopyText(0, false), "AB\r\nCD");
    EXPECT_EQ(protocol.SelLast(), 1);
    protocol.SetSelFirst(-1);
    EXPECT_EQ(view.CopyText(0, true), "AB<>\r\nCD\r\n");
}

TEST_F(PrtWindowTest, SplitDisplayFollowsTheTraffic) {
    view.SetSplit(true);
    const QColor white(255, 255, 255), yellow(255, 255, 0), lime(0, 255, 0);
    EXPECT_EQ(CountColor(Grab(), QRect(0, (kRows / 2) * lh, 400, 1), lime), box->width());
    protocol.AddText("RX\r\n", 1);
    protocol.AddText("TX", 2);
    QImage image = Grab();
    EXPECT_GT(CountColor(image, Row(image, kRows / 2 - 2, lh), white), 0);
    EXPECT_GT(CountColor(image, Row(image, kRows - 1, lh), yellow), 0);
    // A replaced list is indexed afresh.
    protocol.SetFolder(QStringLiteral("elsewhere"));
    image = Grab();
    EXPECT_EQ(CountColor(image, image.rect(), white), 0);
}

}  // namespace
