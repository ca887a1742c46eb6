// The tape strip: the frames of a text's five-bit codes, each with its holes
// where the code's bits are, and the marked frame kept in view.

#include "tape/tapestrip.h"

#include "support/lineliterals.h"

#include <QColor>
#include <QImage>
#include <QList>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

bool dark(const QImage& image, QPoint at) {
    return QColor(image.pixel(at)).lightness() < 80;
}

QByteArray codes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}

TEST(TapeStripTest, CodesOfTheTextFromNoRegister) {
    const struct {
        std::u16string_view text;
        QByteArray codes;
    } cases[] = {
        // The first character always comes with its shift; a mark in the
        // text is the shift code itself.
        {u"АБ1", codes({0, 3, 25, 27, 23})},
        {u"A|Б", codes({31, 3, 0, 25})},
        {u"||", codes({0, 0})},
        {u"", {}},
    };
    TTapeStrip strip;
    for (const auto& c : cases) {
        strip.SetText(L(c.text));
        EXPECT_EQ(strip.Codes(), c.codes)
            << QString::fromStdU16String(std::u16string(c.text)).toStdString();
    }
}

TEST(TapeStripTest, HolesExactlyWhereTheBitsAre) {
    // Every code 0..31 at least once: the Latin row, then the three marks.
    const std::u16string_view text = u"E\nA SIU\rDRJNFCKTZLWHYPQOBGMXV#|&";
    TTapeStrip strip;
    strip.SetText(L(text));
    QVector<bool> seen(32, false);
    for (char code : strip.Codes())
        seen[uint8_t(code)] = true;
    ASSERT_EQ(seen.count(true), 32);
    strip.resize((int(strip.Codes().size()) + 1) * TTapeStrip::kPitch, strip.sizeHint().height());
    ASSERT_EQ(strip.FirstFrame(), 0);
    // Across the tape from the top: tracks 1 and 2, the feed, tracks 3 to 5.
    const int rows[] = {strip.HoleCentre(0, 0).y(),
                        strip.HoleCentre(0, 1).y(),
                        strip.HoleCentre(0, TTapeStrip::kFeedTrack).y(),
                        strip.HoleCentre(0, 2).y(),
                        strip.HoleCentre(0, 3).y(),
                        strip.HoleCentre(0, 4).y()};
    ASSERT_TRUE(std::is_sorted(std::begin(rows), std::end(rows)));
    ASSERT_LT(rows[5], strip.height());
    const QImage image = strip.Render();
    for (int frame = 0; frame < strip.Codes().size(); ++frame) {
        const int code = uint8_t(strip.Codes()[frame]);
        const QPoint feed = strip.HoleCentre(frame, TTapeStrip::kFeedTrack);
        EXPECT_TRUE(dark(image, feed)) << "feed hole of frame " << frame;
        // Smaller than a code hole: paper where a code hole would still be.
        EXPECT_FALSE(dark(image, feed + QPoint(0, 4))) << "frame " << frame;
        for (int track = 0; track < TTapeStrip::kTracks; ++track) {
            const QPoint hole = strip.HoleCentre(frame, track);
            const bool punched = code & (1 << track);
            EXPECT_EQ(dark(image, hole), punched)
                << "frame " << frame << " code " << code << " track " << track + 1;
            if (punched) {
                EXPECT_TRUE(dark(image, hole + QPoint(0, 4))) << "frame " << frame;
            }
        }
    }
    // Beyond the text the tape is blank, without feed holes.
    const int after = int(strip.Codes().size());
    EXPECT_FALSE(dark(image, strip.HoleCentre(after, TTapeStrip::kFeedTrack)));
}

TEST(TapeStripTest, TheMarkedFrameStaysInView) {
    // 200 Latin letters: the shift, then one frame each.
    const LineText text(200, 'E');
    TTapeStrip strip;
    strip.resize(20 * TTapeStrip::kPitch, strip.sizeHint().height());
    strip.SetText(text);
    ASSERT_EQ(strip.Codes().size(), 201);
    ASSERT_EQ(strip.VisibleFrames(), 20);
    const struct {
        qsizetype character;  // -1: the end
        int frame;
        int first;
    } cases[] = {
        {0, 0, 0},  // the shift before the first letter
        {5, 6, 0}, {100, 101, 91}, {195, 196, 181}, {-1, 200, 181}, {400, 200, 181},
    };
    for (const auto& c : cases) {
        if (c.character < 0)
            strip.ShowEnd();
        else
            strip.ShowCharacter(c.character);
        EXPECT_EQ(strip.CurrentFrame(), c.frame) << c.character;
        EXPECT_EQ(strip.FirstFrame(), c.first) << c.character;
        EXPECT_GE(strip.CurrentFrame(), strip.FirstFrame());
        EXPECT_LT(strip.CurrentFrame(), strip.FirstFrame() + strip.VisibleFrames());
    }
    // The marked frame is drawn on paper of its own colour.
    strip.ShowCharacter(100);
    const QImage image = strip.Render();
    const auto paperAt = [&](int frame) {
        return image.pixel(strip.HoleCentre(frame, 4) + QPoint(0, TTapeStrip::kPitch / 2 - 1));
    };
    EXPECT_NE(paperAt(101), paperAt(100));
    EXPECT_EQ(paperAt(99), paperAt(100));
}

}  // namespace
