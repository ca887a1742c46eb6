#pragma once

#include "util/qtcompat.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QWidget>

class QImage;
class QPainter;

// A piece of five-track paper tape as it is punched or read: the tape runs
// from left to right, one frame per five-bit code. Across the tape, from the
// top, lie tracks 1 and 2, the smaller feed hole that every frame has, then
// tracks 3, 4 and 5. Bit 0 of a code is track 1 and bit 4 track 5, so "A"
// (code 3) has holes in tracks 1 and 2 and the Russian shift (code 0), blank
// tape, only its feed hole.
//
// The codes are those of the text, encoded from "no register sent yet" with
// a register state of the strip's own: the drawing never touches the state
// of the tape thread, whose tape may therefore differ in a first shift.
class TTapeStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTracks = 5;
    // Pixels from one frame (or track) to the next.
    static constexpr int kPitch = 14;

    explicit TTapeStrip(QWidget* parent = nullptr);

    // Line code; the mark goes back to the first frame.
    void SetText(QByteArrayView text);
    // Marks the first frame of the character at index (a shift that goes out
    // before it included) and brings it into view; an index past the end
    // marks the last frame.
    void ShowCharacter(qsizetype index);
    void ShowEnd();

    const QByteArray& Codes() const { return codes_; }
    // The marked frame, -1 without codes.
    int CurrentFrame() const { return codes_.isEmpty() ? -1 : current_; }
    // The leftmost frame in view at the strip's present width.
    int FirstFrame() const;
    int VisibleFrames() const;
    // Centre of a hole position of a frame in view, in widget coordinates;
    // track 0..4 are the code tracks, kFeedTrack the feed hole.
    static constexpr int kFeedTrack = -1;
    QPoint HoleCentre(int frame, int track) const;

    void Paint(QPainter& painter) const;
    // The strip as painted at its present size.
    QImage Render() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QByteArray codes_;
    // The first frame of each character of the text.
    QList<int> characterFrames_;
    int current_ = 0;
};
