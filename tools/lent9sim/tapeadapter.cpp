#include "tapeadapter.h"

#include "adaptersim/console.h"
#include "line/fivebit.h"

#include <algorithm>

namespace {

constexpr uint8_t kLastCode = 0x1F;
constexpr uint8_t kCreditReport = 0x20;
// What the reader gives for a frame that is no code.
constexpr uint8_t kUnreadable = 0x20;
constexpr uint8_t kStartReading = 0x51;
constexpr uint8_t kStopReading = 0x50;
constexpr uint8_t kTapeEnd = 0x50;

constexpr int kMaxSpeed = 400;
// Freed places are reported at most this often.
constexpr int64_t kFreedReportGapUs = 50000;
// Without pacing the reader writes this much at a time, as the port takes it.
constexpr qsizetype kReadChunk = 4096;

// The tape speed (frames a second) a speed byte asks for, 0 for a byte
// that is none.
int SpeedOf(uint8_t byte) {
    switch (byte) {
        case 0x61:
            return 50;
        case 0x62:
            return 100;
        case 0x63:
        case 0x60:  // the fourth speed of the program's setting: the fastest
            return kMaxSpeed;
        default:
            return 0;
    }
}

int PlacesTaken(const QByteArray& codes) {
    return int(std::count_if(codes.begin(), codes.end(), [](char c) {
        const uint8_t code = uint8_t(c);
        return code != kShiftLatin && code != kShiftRussian && code != kShiftFigures;
    }));
}

}  // namespace

TTapeAdapter::TTapeAdapter(bool fast, const QString& punchPath)
    : TPtyAdapter(50), fast_(fast), punchFile_(punchPath), decoder_(kRegisterLatin) {}

QString TTapeAdapter::SpeedName(int framesPerSecond) {
    return framesPerSecond >= kMaxSpeed ? QStringLiteral("MAX") : QString::number(framesPerSecond);
}

bool TTapeAdapter::LoadTape(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    tape_ = file.readAll();
    position_ = 0;
    return true;
}

int TTapeAdapter::FreePlaces() const {
    return std::max(0, kPlaces - PlacesTaken(punchQueue_));
}

int64_t TTapeAdapter::FrameUs() const {
    return fast_ ? 0 : 1000000 / Speed();
}

void TTapeAdapter::Take(const QByteArray& batch) {
    QByteArray codes;
    for (const char c : batch) {
        const uint8_t byte = uint8_t(c);
        if (byte <= kLastCode)
            codes.append(c);
        else if (const int speed = SpeedOf(byte))
            TakeSpeed(speed, SpeedName(speed));
        else if (byte == kStartReading)
            StartReading();
        else if (byte == kStopReading)
            StopReading();
    }
    if (codes.isEmpty())
        return;
    PrintEvent(QStringLiteral("PUNCH %1: ").arg(codes.size()) +
               Readable(DecodeFiveBit(codes, decoder_)));
    if (PlacesTaken(punchQueue_) + PlacesTaken(codes) > kPlaces)
        PrintEvent(QStringLiteral("OVERFLOW"));
    if (punchQueue_.isEmpty())
        nextPunchUs_ = NowUs() + FrameUs();
    punchQueue_.append(codes);
    // Unpaced, the batch is punched at once and its places are free again.
    if (fast_)
        ReportSoon();
}

void TTapeAdapter::Work(int64_t nowUs) {
    Punch(nowUs);
    ReadTape(nowUs);
    if (freed_ && nowUs >= lastReportUs_ + kFreedReportGapUs) {
        freed_ = false;
        ReportSoon();
    }
}

int TTapeAdapter::WorkTimeoutMs(int64_t nowUs) const {
    int timeout = -1;
    auto due = [&](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
    if (!punchQueue_.isEmpty())
        due(MsUntil(nextPunchUs_, nowUs));
    if (freed_)
        due(MsUntil(lastReportUs_ + kFreedReportGapUs, nowUs));
    // Unpaced, the reader waits for room in the port instead.
    if (reading_ && !fast_)
        due(MsUntil(nextReadUs_, nowUs));
    return timeout;
}

void TTapeAdapter::Report() {
    freed_ = false;
    lastReportUs_ = NowUs();
    // A credit of 0 has no report byte: 0x20 reads as a code.
    const int free = FreePlaces();
    if (!CreditZero() && free > 0)
        Write(QByteArray(1, char(kCreditReport | free)));
}

void TTapeAdapter::Disconnected() {
    StopReading();
}

void TTapeAdapter::StartReading() {
    if (reading_)
        return;
    reading_ = true;
    nextReadUs_ = NowUs() + FrameUs();
    PrintEvent(QStringLiteral("READ START"));
}

void TTapeAdapter::StopReading() {
    if (!reading_)
        return;
    reading_ = false;
    PrintEvent(QStringLiteral("READ STOP"));
}

void TTapeAdapter::Punch(int64_t nowUs) {
    qsizetype count = 0;
    if (fast_) {
        count = punchQueue_.size();
    } else {
        while (count < punchQueue_.size() && nowUs >= nextPunchUs_) {
            ++count;
            nextPunchUs_ += FrameUs();
        }
    }
    if (count == 0)
        return;
    const QByteArray frames = punchQueue_.left(count);
    punchQueue_.remove(0, count);
    punched_ += count;
    if (!fast_ && PlacesTaken(frames) > 0)
        freed_ = true;
    WritePunchFile(frames);
}

void TTapeAdapter::WritePunchFile(const QByteArray& frames) {
    // Opened with the first frame, so that a reading session leaves no file.
    if (!punchFile_.isOpen() && !punchFileFailed_ &&
        !punchFile_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        punchFileFailed_ = true;
        PrintLine(QStringLiteral("ERROR cannot write the punch file ") + punchFile_.fileName());
    }
    if (!punchFile_.isOpen())
        return;
    punchFile_.write(frames);
    punchFile_.flush();
}

void TTapeAdapter::ReadTape(int64_t nowUs) {
    if (!reading_)
        return;
    if (Silent()) {
        // The tape stands still while the adapter is silent.
        nextReadUs_ = nowUs + FrameUs();
        return;
    }
    const qsizetype left = TapeLeft();
    qsizetype count = 0;
    if (fast_) {
        count = std::min(left, kReadChunk);
    } else {
        while (count < left && nowUs >= nextReadUs_) {
            ++count;
            nextReadUs_ += FrameUs();
        }
        if (count == 0 && left > 0)
            return;
    }
    QByteArray out;
    out.reserve(count + 1);
    for (qsizetype i = 0; i < count; ++i) {
        const uint8_t frame = uint8_t(tape_.at(position_ + i));
        out.append(char(frame <= kLastCode ? frame : kUnreadable));
    }
    const bool end = count == left;
    if (end)
        out.append(char(kTapeEnd));
    const qsizetype written = Write(out);
    position_ += std::min(written, count);
    read_ += std::min(written, count);
    if (written == out.size() && end) {
        reading_ = false;
        position_ = 0;
        PrintEvent(QStringLiteral("TAPE END"));
    } else if (written < out.size() && !fast_) {
        // The port is full: the frames left over go with the next frame time.
        nextReadUs_ = nowUs + FrameUs();
    }
}
