#include "tape/tapestrip.h"

#include "line/fivebit.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kPitch = TTapeStrip::kPitch;
// Background above and below the tape.
constexpr int kMargin = 4;
// Five code tracks and the feed track.
constexpr int kRows = TTapeStrip::kTracks + 1;
constexpr int kFeedRow = 2;
constexpr qreal kCodeHoleRadius = 5.0;
constexpr qreal kFeedHoleRadius = 2.0;

const QColor kBackground(96, 96, 96);
const QColor kPaper(245, 236, 200);
const QColor kMarkedPaper(190, 215, 250);
const QColor kHole(24, 24, 24);

int rowOfTrack(int track) {
    if (track == TTapeStrip::kFeedTrack)
        return kFeedRow;
    return track < kFeedRow ? track : track + 1;
}

}  // namespace

TTapeStrip::TTapeStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TapeStrip"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TTapeStrip::SetText(QByteArrayView text) {
    codes_.clear();
    characterFrames_.clear();
    characterFrames_.reserve(text.size());
    uint8_t state = kRegisterNone;
    // One character at a time, to know where each one's frames begin; a
    // character takes two codes at most.
    uint8_t buffer[2];
    for (qsizetype i = 0; i < text.size() && text[i] != '\0'; ++i) {
        characterFrames_ << int(codes_.size());
        const int n = EncodeFiveBit(buffer, 2, text.sliced(i, 1), state);
        codes_.append(reinterpret_cast<const char*>(buffer), n);
    }
    current_ = 0;
    update();
}

void TTapeStrip::ShowCharacter(qsizetype index) {
    if (index < 0)
        index = 0;
    current_ = index < characterFrames_.size() ? characterFrames_[index]
                                               : std::max(0, int(codes_.size()) - 1);
    update();
}

void TTapeStrip::ShowEnd() {
    ShowCharacter(characterFrames_.size());
}

int TTapeStrip::VisibleFrames() const {
    return std::max(1, width() / kPitch);
}

int TTapeStrip::FirstFrame() const {
    // The mark stays in the middle while there is tape on both sides of it,
    // and the end of the text comes to the right edge.
    const int visible = VisibleFrames();
    const int last = std::max(0, int(codes_.size()) - visible);
    return std::clamp(CurrentFrame() - visible / 2, 0, last);
}

QPoint TTapeStrip::HoleCentre(int frame, int track) const {
    return QPoint((frame - FirstFrame()) * kPitch + kPitch / 2,
                  kMargin + rowOfTrack(track) * kPitch + kPitch / 2);
}

void TTapeStrip::Paint(QPainter& painter) const {
    painter.fillRect(rect(), kBackground);
    const QRect tape(0, kMargin, width(), kRows * kPitch);
    painter.fillRect(tape, kPaper);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const int first = FirstFrame();
    const int visible = VisibleFrames() + 1;  // a part frame at the right edge
    for (int frame = first; frame < first + visible && frame < codes_.size(); ++frame) {
        const QPoint feed = HoleCentre(frame, kFeedTrack);
        if (frame == current_)
            painter.fillRect(QRect(feed.x() - kPitch / 2, tape.top(), kPitch, tape.height()),
                             kMarkedPaper);
        painter.setBrush(kHole);
        painter.drawEllipse(QPointF(feed) + QPointF(0.5, 0.5), kFeedHoleRadius, kFeedHoleRadius);
        const auto code = uint8_t(codes_[frame]);
        for (int track = 0; track < kTracks; ++track)
            if (code & (1u << track))
                painter.drawEllipse(QPointF(HoleCentre(frame, track)) + QPointF(0.5, 0.5),
                                    kCodeHoleRadius, kCodeHoleRadius);
    }
}

QImage TTapeStrip::Render() const {
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    Paint(painter);
    return image;
}

QSize TTapeStrip::sizeHint() const {
    return QSize(40 * kPitch, 2 * kMargin + kRows * kPitch);
}

QSize TTapeStrip::minimumSizeHint() const {
    return QSize(8 * kPitch, 2 * kMargin + kRows * kPitch);
}

void TTapeStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter);
}
