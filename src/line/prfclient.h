#pragma once

#include "line/cmutex.h"
#include "line/comport.h"
#include "line/perforator.h"
#include "util/texttypes.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <memory>

// The lengths of the perforator thread's waits. Only tests shorten them.
struct TTapeTimings {
    int secondMs = 1000;  // a second of a countdown, and the pauses around open and close
    int lingerMs = 100;   // an idle pass while the port is about to be released
    int idleWaitMs = 20;  // the longest an idle pass waits for the adapter
};

// The worker thread of the paper-tape adapter "ЛЕНТ-9": it punches the line
// code appended to it, hands over what the reader reads, and reports the
// state of the port. With NoBlock ("Не занимать") it keeps the port closed
// while it has nothing to do, so that other programs may use it.
//
// Events: OnReceive, OnSent, OnStatus and OnTapeEnd are raised on the
// perforator thread; connect them with Qt::BlockingQueuedConnection to the
// GUI thread, where ReceiveText, LastSent, UnpunchedLength and StatusText may
// be read inside a handler. OnReceive's handler must take the text
// (TakeReceiveText). OnSent also comes when a job breaks off because the
// adapter did not take a batch; LastSent then holds what it did take.
class CPrfClient : public QThread, public IPerforator {
    Q_OBJECT

public:
    explicit CPrfClient(QObject* parent = nullptr);
    ~CPrfClient() override;

    // --- Configuration (GUI thread). The first SetPerforator starts the thread.
    void SetPerforator(const QString& comPort, int speedIndex, int mode, bool noBlock);
    void Disable();
    // Before the first SetPerforator only.
    void SetTimings(const TTapeTimings& timings);
    void SetPortControl(std::shared_ptr<IPortControl> control);

    // --- IPerforator.
    bool IsActive() const override { return active_ > 0; }
    bool IsOpen() const override { return portOpen_; }
    void AppendSend(QByteArrayView text) override;
    void ClearSend() override;
    int PendingLength() const override;
    int UnpunchedLength() const override { return unpunched_; }
    void StartReading() override;
    void StopReading() override;
    void HoldPort() override;
    void ArmRelease() override;
    void SetNoBlock(bool on) override;

    bool IsSendPending() const { return sendPending_; }
    // "ЛЕНТ-9: " + the port while in use, otherwise empty.
    QString PerforatorLabel() const;
    // StatusText, followed by " ОЖИДАНИЕ <n> сек" while a wait is set.
    QString StatusLine() const;
    int Mode() const { return mode_; }
    int WaitSeconds() const { return waitSeconds_; }

    // --- Texts of the events: read them inside a handler only.
    LineText TakeReceiveText();
    const LineText& LastSent() const { return lastSent_; }
    const QString& StatusText() const { return statusText_; }

    // --- Ending: disconnects the events, asks the thread to stop and waits
    // at most timeoutMs while running queued events. True when it has ended.
    void Terminate();
    bool Shutdown(int timeoutMs = kShutdownWaitMs);
    static constexpr int kShutdownWaitMs = 1000;

signals:
    void OnReceive(CPrfClient* thread);
    void OnSent(CPrfClient* thread);
    void OnStatus(CPrfClient* thread);
    void OnTapeEnd(CPrfClient* thread);
    // A warning of the serial port for the operator; not waited for.
    void OnPortWarning(const QString& text);

protected:
    void run() override;

private:
    void TapeCycle();
    // Reads until the adapter has nothing more; false on a read error.
    bool ReadBatch(uint8_t speedByte, int& credit);
    void SendCommandAndBatch(int& credit);
    // A batch the port did not take whole: ends the job (under sendLock_).
    void BreakOffJob(const LineText& batch, int codesWritten, uint8_t encoderBefore);
    bool Terminated() const;
    // Sleeps up to ms; a stop (and with `restart` a new configuration) or a
    // nudge ends it early.
    void Pause(int ms, bool restart = true);
    void Wake();
    void Report(const QString& text);
    void RaiseStatus();
    void RaiseReceive();

    // Configuration, under settingsLock_; the thread's copy for a cycle.
    mutable QMutex settingsLock_;
    QString comPort_;
    int speedIndex_ = 0;
    QString workPort_;
    int workSpeed_ = 0;
    TTapeTimings timings_;
    bool started_ = false;
    std::shared_ptr<IPortControl> portControl_;
    std::unique_ptr<CComPort> serial_;

    // Under sendLock_.
    mutable CMutex sendLock_;
    LineText sendText_;
    int command_ = 0;  // 1 start reading, 2 stop reading

    std::atomic<int> mode_{0};
    std::atomic<bool> noBlock_{false};
    std::atomic<bool> releaseArmed_{false};
    std::atomic<int> lingerTicks_{0};
    std::atomic<bool> sendPending_{false};
    std::atomic<bool> restart_{false};
    std::atomic<bool> stop_{false};
    std::atomic<int> active_{0};
    std::atomic<bool> portOpen_{false};
    std::atomic<int> waitSeconds_{0};
    std::atomic<int> unpunched_{0};

    // The register states of the tape, kept for the life of the program.
    uint8_t decoder_ = 0;
    uint8_t encoder_ = 255;

    // Written by the thread, read by handlers while it waits.
    LineText receiveText_;
    LineText lastSent_;
    QString statusText_;

    QMutex wakeLock_;
    QWaitCondition wake_;
    int wakeFd_ = -1;
};
