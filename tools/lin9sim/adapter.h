#pragma once

#include "util/texttypes.h"

#include <QString>

#include <cstdint>
#include <functional>

// The line adapter on a pseudo-terminal: the workstation opens the slave as
// its serial port, the adapter holds the master. Towards the workstation it
// passes the codes received from the line and reports its credit; from the
// workstation it takes speed and end-of-work commands and the codes to
// transmit, which wait in a buffer of 15 characters until the line has sent
// them.
//
// The adapter is driven by the program's poll loop: PollFd and TimeoutMs say
// what to wait for, Service does whatever is due.
class TLineAdapter {
public:
    // Characters the transmit buffer holds.
    static constexpr int kPlaces = 15;

    // fast: no pacing; codes pass as soon as they come. baud: the line speed
    // until the workstation sets one.
    TLineAdapter(bool fast, int baud);
    ~TLineAdapter();
    TLineAdapter(const TLineAdapter&) = delete;
    TLineAdapter& operator=(const TLineAdapter&) = delete;

    // Where the characters the line has transmitted go (the centre).
    void SetLineSink(std::function<void(const LineText&)> sink) { lineSink_ = std::move(sink); }

    // Opens a new pseudo-terminal and prints "PTY <slave path>". False when
    // none can be had or one is plugged in already.
    bool Plug();
    // Closes the master: the workstation sees a hang-up. After ms the adapter
    // plugs itself in again; 0 leaves it out until Plug.
    void Unplug(int ms);

    // The master while the workstation has the port open, else -1.
    int PollFd() const { return open_ ? master_ : -1; }
    // Milliseconds until something falls due, -1 for nothing.
    int TimeoutMs(int64_t nowUs) const;
    // Reads what the workstation wrote (revents of the master), notices the
    // port being opened and closed, and runs the line's clock.
    void Service(short revents, int64_t nowUs);

    // Line code received from the line, for the workstation.
    void FromLine(const LineText& text);
    // Bytes for the workstation as they are, at once. False when the port
    // is not open.
    bool SendRaw(const QByteArray& bytes);

    // Faults.
    void SetErrorFrames(int count) { errorFrames_ = count; }
    void SetNoSignal(bool on);
    void SetSilence(bool on) { silence_ = on; }
    void SetCreditZero(bool on) { creditZero_ = on; }
    void ClearFaults();

    bool IsPlugged() const { return master_ >= 0; }
    bool IsOpen() const { return open_; }
    QString PtyPath() const { return path_; }
    int Speed() const { return baud_; }
    int FreePlaces() const;
    // Characters from the line still on their way to the workstation.
    int Queued() const { return int(toWorkstation_.size()) + (pendingCodes_.isEmpty() ? 0 : 1); }
    // Codes received from the workstation, codes written to it from the line.
    int64_t CodesReceived() const { return codesReceived_; }
    int64_t CodesSent() const { return codesSent_; }

private:
    int64_t CharacterUs() const;
    void CheckOpen();
    void Closed();
    void ReadWorkstation();
    void Take(const QByteArray& batch);
    void Deliver(int64_t nowUs);
    void Transmit(int64_t nowUs);
    void Report();
    void Write(const QByteArray& bytes);

    const bool fast_;
    int baud_;
    int master_ = -1;
    QString path_;
    bool open_ = false;
    // Work has started: a speed byte came since the port was opened.
    bool started_ = false;
    int64_t replugAtUs_ = -1;
    int64_t lastWriteUs_ = 0;
    bool reportDue_ = false;

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
    bool silence_ = false;
    bool creditZero_ = false;

    int64_t codesReceived_ = 0;
    int64_t codesSent_ = 0;
    std::function<void(const LineText&)> lineSink_;
};
