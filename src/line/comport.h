#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// The controls of a serial port that pseudo-terminals ignore (they carry data
// both ways but have no break and always report an empty output queue), kept
// apart so that the adapter cycle's use of them can be checked on a fake.
class IPortControl {
public:
    virtual ~IPortControl() = default;
    virtual bool SetBreak(int fd) = 0;
    virtual bool ClearBreak(int fd) = 0;
    // Bytes still waiting in the output queue.
    virtual int OutQueue(int fd) = 0;
    // A running count of the line errors the port has seen (framing, parity,
    // overrun, break); a change between two reads is a port error.
    virtual quint64 LineErrors(int fd) = 0;
};

// The ioctls of a real serial device.
std::shared_ptr<IPortControl> TermiosPortControl();

// A serial port for one thread: raw, non-blocking, with a bounded read.
class CComPort {
public:
    explicit CComPort(std::shared_ptr<IPortControl> control = nullptr);
    ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // Opens the device of a port setting (config/portname.h) exclusively,
    // raw, with the given speed and framing (parity 'N', 'E' or 'O'), and
    // empties both queues. False when any step fails; the port stays closed.
    bool Open(const QString& setting, int speed, int dataBits, char parity, int stopBits,
              int readTimeoutMs);
    void Close();
    bool IsOpen() const { return Handle != -1; }

    // At most size bytes: 0 when nothing came within the read time-out,
    // kReadError when the port reports an error or is gone (unplugged).
    uint16_t Read(uint8_t* buffer, int size) { return Read(buffer, size, readTimeoutMs_); }
    // The same with a time-out of its own; a wake-up descriptor (an eventfd)
    // that becomes readable ends the wait early with 0, and is emptied.
    uint16_t Read(uint8_t* buffer, int size, int timeoutMs, int wakeFd = -1);
    // The number of bytes written, 0 for a count of 0 or a failed write. When
    // the output queue would hold 4096 bytes or more, the warning handler is
    // told first; the write goes ahead all the same.
    int Write(const uint8_t* bytes, int count);
    int OutQueue();
    bool SetBreak();
    bool ClearBreak();

    // Called from the port's own thread; it must not wait.
    void SetWarningHandler(std::function<void(const QString&)> handler) {
        warning_ = std::move(handler);
    }
    // errno of the last failing call, for diagnostics.
    int LastError() const { return lastError_; }

    static constexpr uint16_t kReadError = 0xFFFF;
    static constexpr int kQueueSize = 4096;

    int Handle = -1;

private:
    bool Fail();

    std::shared_ptr<IPortControl> control_;
    std::function<void(const QString&)> warning_;
    int readTimeoutMs_ = 10;
    quint64 lineErrors_ = 0;
    int lastError_ = 0;
};
