#pragma once

#include "adaptersim/ptyadapter.h"
#include "util/texttypes.h"

#include <cstdint>
#include <functional>

// The line adapter on a pseudo-terminal: towards the workstation it passes
// the codes received from the line and reports its credit; from the
// workstation it takes speed and end-of-work commands and the codes to
// transmit, which wait in a buffer of 15 characters until the line has sent
// them.
class TLineAdapter : public TPtyAdapter {
public:
    // Characters the transmit buffer holds.
    static constexpr int kPlaces = 15;

    // fast: no pacing; codes pass as soon as they come. baud: the line speed
    // until the workstation sets one.
    TLineAdapter(bool fast, int baud);

    // Where the characters the line has transmitted go (the centre).
    void SetLineSink(std::function<void(const LineText&)> sink) { lineSink_ = std::move(sink); }

    // Line code received from the line, for the workstation.
    void FromLine(const LineText& text);

    // Faults.
    void SetErrorFrames(int count) { errorFrames_ = count; }
    void SetNoSignal(bool on);
    // The line takes nothing: what the workstation sends stays in the buffer.
    void SetStalled(bool on);
    void ClearFaults() override;

    int FreePlaces() const;
    // Characters from the line still on their way to the workstation.
    int Queued() const { return int(toWorkstation_.size()) + (pendingCodes_.isEmpty() ? 0 : 1); }
    // Codes received from the workstation, codes written to it from the line.
    int64_t CodesReceived() const { return codesReceived_; }
    int64_t CodesSent() const { return codesSent_; }

private:
    void Take(const QByteArray& batch) override;
    void Report() override;
    // The buffer and both registers start afresh, as after power-up.
    void Unplugged() override;
    // Runs the line's clock.
    void Work(int64_t nowUs) override;
    int WorkTimeoutMs(int64_t nowUs) const override;

    int64_t CharacterUs() const;
    void Deliver(int64_t nowUs);
    void Transmit(int64_t nowUs);

    const bool fast_;

    // Towards the workstation: the line's text, the codes of the character
    // on its way, and the time the next code is through. A character is
    // encoded only as it goes out, so that the encoder's register is the one
    // the workstation last received, whatever was lost before.
    LineText toWorkstation_;
    QByteArray pendingCodes_;
    int64_t nextDeliverUs_ = 0;
    // Towards the line: the workstation's characters, decoded, not yet sent.
    LineText toLine_;
    int64_t nextTransmitUs_ = 0;
    uint8_t encoder_;
    uint8_t decoder_;

    int errorFrames_ = 0;
    bool noSignal_ = false;
    bool stalled_ = false;

    int64_t codesReceived_ = 0;
    int64_t codesSent_ = 0;
    std::function<void(const LineText&)> lineSink_;
};
