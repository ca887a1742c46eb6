#include "adapter.h"

#include "adaptersim/console.h"
#include "line/fivebit.h"
#include "util/linecode.h"

#include <algorithm>

namespace {

constexpr uint8_t kEndOfWork = 0x60;
constexpr uint8_t kCreditReport = 0x20;
constexpr uint8_t kErrorFrame = 0x4F;
constexpr uint8_t kNoSignal = 0x5E;
constexpr uint8_t kLastCode = 0x1F;

// The line speed a speed byte asks for, 0 for a byte that is none.
int SpeedOf(uint8_t byte) {
    switch (byte) {
        case 0x65:
            return 50;
        case 0x66:
            return 100;
        case 0x67:
            return 200;
        case 0x64:  // any other speed: the adapter knows only these three
            return 50;
        default:
            return 0;
    }
}

int PlacesTaken(const LineText& text) {
    return int(std::count_if(text.begin(), text.end(), [](char c) { return !IsRegisterMark(c); }));
}

}  // namespace

TLineAdapter::TLineAdapter(bool fast, int baud)
    : TPtyAdapter(baud), fast_(fast), encoder_(kRegisterNone), decoder_(kRegisterLatin) {}

int TLineAdapter::WorkTimeoutMs(int64_t nowUs) const {
    int timeout = -1;
    auto due = [&](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
    if (!toWorkstation_.isEmpty() || !pendingCodes_.isEmpty())
        due(MsUntil(nextDeliverUs_, nowUs));
    if (!toLine_.isEmpty() && !stalled_)
        due(MsUntil(nextTransmitUs_, nowUs));
    return timeout;
}

void TLineAdapter::Work(int64_t nowUs) {
    Deliver(nowUs);
    Transmit(nowUs);
}

void TLineAdapter::Take(const QByteArray& batch) {
    QByteArray codes;
    for (const char c : batch) {
        const uint8_t byte = uint8_t(c);
        if (byte <= kLastCode) {
            codes.append(c);
        } else if (const int speed = SpeedOf(byte)) {
            TakeSpeed(speed, QString::number(speed));
        } else if (byte == kEndOfWork) {
            EndWork();
            PrintEvent(QStringLiteral("END"));
        }
    }
    if (codes.isEmpty())
        return;
    codesReceived_ += codes.size();
    const LineText text = DecodeFiveBit(codes, decoder_);
    PrintEvent(QStringLiteral("RX %1: ").arg(text.size()) + Readable(text));
    if (toLine_.isEmpty())
        nextTransmitUs_ = NowUs() + CharacterUs();
    bool overflow = false;
    int taken = PlacesTaken(toLine_);
    for (const char c : text) {
        if (!IsRegisterMark(c) && taken++ >= kPlaces)
            overflow = true;
        toLine_.append(c);
    }
    if (overflow)
        PrintEvent(QStringLiteral("OVERFLOW"));
}

void TLineAdapter::Deliver(int64_t nowUs) {
    QByteArray out;
    while ((!toWorkstation_.isEmpty() || !pendingCodes_.isEmpty()) && nowUs >= nextDeliverUs_) {
        nextDeliverUs_ += CharacterUs();
        // Whatever arrives while the port is closed, the adapter is silent or
        // has no input signal is lost, as on the real line.
        const bool lost = !IsOpen() || Silent() || noSignal_;
        if (pendingCodes_.isEmpty()) {
            const char c = toWorkstation_.front();
            toWorkstation_.remove(0, 1);
            if (lost)
                continue;
            pendingCodes_ = EncodeFiveBit(QByteArrayView(&c, 1), encoder_);
            if (pendingCodes_.isEmpty())
                continue;
        }
        uint8_t code = uint8_t(pendingCodes_.front());
        pendingCodes_.remove(0, 1);
        if (lost) {
            // A lost shift leaves the workstation's register unknown.
            if (code == kShiftLatin || code == kShiftRussian || code == kShiftFigures)
                encoder_ = kRegisterNone;
            continue;
        }
        if (errorFrames_ > 0) {
            --errorFrames_;
            code = kErrorFrame;
        }
        out.append(char(code));
    }
    if (!out.isEmpty()) {
        codesSent_ += out.size();
        Write(out);
    }
}

void TLineAdapter::Transmit(int64_t nowUs) {
    LineText sent;
    while (!toLine_.isEmpty() && !stalled_ && nowUs >= nextTransmitUs_) {
        const char c = toLine_.front();
        toLine_.remove(0, 1);
        nextTransmitUs_ += CharacterUs();
        sent.append(c);
        if (!IsRegisterMark(c))
            ReportSoon();
    }
    if (!sent.isEmpty() && lineSink_)
        lineSink_(sent);
}

void TLineAdapter::Report() {
    uint8_t byte = kNoSignal;
    if (!noSignal_)
        byte = kCreditReport | (CreditZero() ? 0 : FreePlaces());
    Write(QByteArray(1, char(byte)));
}

void TLineAdapter::Unplugged() {
    if (!toLine_.isEmpty())
        PrintEvent(QStringLiteral("LOST %1: ").arg(toLine_.size()) + Readable(toLine_));
    toLine_.clear();
    toWorkstation_.clear();
    pendingCodes_.clear();
    encoder_ = kRegisterNone;
    decoder_ = kRegisterLatin;
}

void TLineAdapter::FromLine(const LineText& text) {
    PrintEvent(QStringLiteral("TX %1: ").arg(text.size()) + Readable(text));
    if (toWorkstation_.isEmpty() && pendingCodes_.isEmpty())
        nextDeliverUs_ = NowUs() + CharacterUs();
    toWorkstation_.append(text);
}

void TLineAdapter::SetNoSignal(bool on) {
    // The change is reported at once: '^' when the signal goes, the credit
    // when it comes back.
    if (on != noSignal_)
        ReportSoon();
    noSignal_ = on;
}

void TLineAdapter::SetStalled(bool on) {
    // The line starts again from now, not with the characters it missed.
    if (stalled_ && !on)
        nextTransmitUs_ = std::max(nextTransmitUs_, NowUs() + CharacterUs());
    stalled_ = on;
}

void TLineAdapter::ClearFaults() {
    SetNoSignal(false);
    SetStalled(false);
    errorFrames_ = 0;
    TPtyAdapter::ClearFaults();
}

int TLineAdapter::FreePlaces() const {
    return std::max(0, kPlaces - PlacesTaken(toLine_));
}

int64_t TLineAdapter::CharacterUs() const {
    // A character is 7.5 units of 1/baud seconds.
    return fast_ ? 0 : 7500000 / Speed();
}
