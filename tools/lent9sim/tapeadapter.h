#pragma once

#include "adaptersim/ptyadapter.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

// The paper-tape adapter on a pseudo-terminal: a punch and a reader behind
// one port. The codes the workstation sends wait in a buffer of 31
// characters and are punched one frame per frame time into the punch file,
// one byte a frame, as they came; on 'Q' the reader sends the frames of the
// tape file one per frame time until 'P' or the end of the tape.
class TTapeAdapter : public TPtyAdapter {
public:
    // Characters the punch buffer holds; the shift codes take no place.
    static constexpr int kPlaces = 31;

    // fast: no pacing; frames are punched and read as fast as they come.
    TTapeAdapter(bool fast, const QString& punchPath);

    // Puts a tape in the reader, rewound. False when the file cannot be read.
    bool LoadTape(const QString& path);

    int FreePlaces() const;
    // Codes waiting to be punched.
    int Queued() const { return int(punchQueue_.size()); }
    bool IsReading() const { return reading_; }
    int64_t FramesPunched() const { return punched_; }
    int64_t FramesRead() const { return read_; }
    qsizetype TapeLeft() const { return tape_.size() - position_; }

    // "50", "100" or "MAX" for a speed in frames a second.
    static QString SpeedName(int framesPerSecond);

private:
    void Take(const QByteArray& batch) override;
    void Report() override;
    void Work(int64_t nowUs) override;
    int WorkTimeoutMs(int64_t nowUs) const override;
    void Disconnected() override;
    bool WantsWrite() const override { return reading_ && fast_ && !Silent(); }

    int64_t FrameUs() const;
    void StartReading();
    void StopReading();
    void Punch(int64_t nowUs);
    void ReadTape(int64_t nowUs);
    void WritePunchFile(const QByteArray& frames);

    const bool fast_;

    // The punch: the codes not punched yet and the time the next one is.
    QFile punchFile_;
    bool punchFileFailed_ = false;
    QByteArray punchQueue_;
    int64_t nextPunchUs_ = 0;
    uint8_t decoder_;
    // Places have freed since the last report; they are reported at most
    // every so often, so that a slow punch does not drown the port.
    bool freed_ = false;
    int64_t lastReportUs_ = 0;

    // The reader: the tape, where it stands and when the next frame is read.
    QByteArray tape_;
    qsizetype position_ = 0;
    bool reading_ = false;
    int64_t nextReadUs_ = 0;

    int64_t punched_ = 0;
    int64_t read_ = 0;
};
