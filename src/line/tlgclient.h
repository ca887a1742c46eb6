#pragma once

#include "exchange/linesink.h"
#include "line/cmutex.h"
#include "line/comport.h"
#include "line/dialup.h"
#include "line/tcpip.h"
#include "util/qtcompat.h"
#include "util/texttypes.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

// The lengths of the line thread's waits. Only tests shorten them.
struct TLinkTimings {
    int secondMs = 1000;   // one second of a WaitSeconds countdown
    int pauseMs = 1000;    // the fixed pauses before a connect, between dial-up tests and
                           // around opening and closing the serial port
    int idleSleepMs = 50;  // the sleep of a poll pass without received data
    int connectTimeoutMs = CTcpIpBase::kDefaultConnectTimeoutMs;
    int sendTimeoutMs = CTcpIpBase::kDefaultSendTimeoutMs;
};

// The worker thread that keeps the link to the switching centre: it connects,
// hands every received block to the GUI thread, sends what the exchange
// appended, answers the centre's urgent keepalive and reports every change of
// the link as a status text.
//
// Events: OnReceive, OnSent and OnStatus are raised on the line thread and are
// meant to be connected with Qt::BlockingQueuedConnection to an object of the
// GUI thread, so that the line thread waits while the handler runs. Inside a
// handler ReceiveText, LastSent, StatusText and StatusLine may be read without
// a lock; the OnReceive handler must take the received text (TakeReceiveText).
// Do not connect them with a plain queued connection, and do not destroy the
// thread from inside one of its handlers (use deleteLater).
//
// Ending: the destructor (or Shutdown) disconnects the events, asks the thread
// to stop and waits at most about two seconds while still running the GUI
// thread's queued events, so a handler the thread is waiting for can finish.
class CTlgClient : public QThread, public ILineSink, public IDialPermission {
    Q_OBJECT

public:
    // The repeatable failures of the "once per run" rule.
    enum StatusCode {
        kStatusNone = 0,
        kStatusOtherDialUp = 1,
        kStatusDialError = 2,
        kStatusTcpConnect = 11,
    };

    explicit CTlgClient(QObject* parent = nullptr);
    ~CTlgClient() override;

    // --- Configuration (GUI thread). The first SetTcp or SetSerial starts the
    // thread; every setter ends the current link cycle so that the next one
    // uses the new values, and cuts a pending wait short.
    void SetTcp(const QString& host, int port, const QString& host2, int port2);
    void SetSerial(const QString& comPort, int lineSpeed, int serialMode);
    void SetVpn(bool enabled, const QString& entry, const QString& user, const QString& password,
                bool noDisturb);
    // Stored whatever the link; it ends the link cycle only where the
    // dial-up connection is in use (DialUpInUse).
    void SetDialEnabled(bool on) override;
    bool IsDialEnabled() const override { return dialEnabled_; }
    // The link is TCP/IP through a working dial-up control.
    bool DialUpInUse() const override;
    // Where the dial-up control plugs in; without a factory a VPN setting is
    // reported once and the link connects directly.
    void SetDialUpFactory(DialUpFactory factory);
    // Before the first SetTcp/SetSerial only.
    void SetTimings(const TLinkTimings& timings);
    // The break and output-queue controls of the serial port (a fake in
    // tests). Before the first SetSerial only.
    void SetPortControl(std::shared_ptr<IPortControl> control);
    const TLinkTimings& Timings() const { return timings_; }

    // --- Send text (any thread).
    SendPosition AppendSend(QByteArrayView text) override;
    void ClearSend() override;
    bool IsSendPending() const override { return sendPending_; }
    // The text waiting for transmission, cut to 199 bytes when it holds 200 or more.
    LineText PeekSend() const override;
    SendFate FateOf(SendPosition from, SendPosition to) const override;

    // --- Link state (any thread).
    bool IsConnected() const override;
    bool TcpMode() const;
    // A dial-up stage is configured and available.
    bool HasVpn() const;
    // "TCP/IP 127.0.0.1:3333", "VPN:TCP/IP ..." or "ЛИН-9: ttyS0:50", for the
    // configured (first) server.
    QString ConnectionLabel() const;
    int OobSecondsLeft() const { return oobTicks_ / 20; }
    void TickSilence() { ++silenceSeconds_; }
    int SilenceSeconds() const { return silenceSeconds_; }
    int WaitSeconds() const { return waitSeconds_; }
    int AdapterFlags() const { return adapterFlags_; }

    // --- Texts of the events: read them inside a handler only.
    const LineText& ReceiveText() const { return receiveText_; }
    // The received text, leaving it empty.
    LineText TakeReceiveText();
    const LineText& LastSent() const { return lastSent_; }
    const QString& StatusText() const { return statusText_; }
    // StatusText, followed by " ОЖИДАНИЕ <n> сек" while a wait is set.
    QString StatusLine() const;

    // --- Counters of the line thread, for diagnostics and tests.
    int LastStatusCode() const { return lastStatusCode_; }
    int RetryCycle() const { return retryCycle_; }
    int OobTicks() const { return oobTicks_; }
    quint64 IdlePasses() const { return idlePasses_; }

    // --- Ending.
    // Asks the thread to stop; returns at once.
    void Terminate();
    // Disconnects the events, asks the thread to stop and waits at most
    // timeoutMs while running queued events. True when the thread has ended.
    bool Shutdown(int timeoutMs = kShutdownWaitMs);
    static constexpr int kShutdownWaitMs = 1500;

signals:
    void OnReceive(CTlgClient* thread);
    void OnSent(CTlgClient* thread);
    void OnStatus(CTlgClient* thread);
    // A warning of the serial port for the operator. Raised on the line
    // thread, which does not wait for it: connect it queued.
    void OnPortWarning(const QString& text);

protected:
    void run() override;

private:
    // Configuration handed from the GUI thread to the line thread.
    struct TLinkSettings {
        bool tcpMode = true;
        QString host;
        int port = 0;
        QString host2;
        int port2 = 0;
        QString comPort;
        int lineSpeed = 50;
        int serialMode = 1;
        bool vpnEnabled = false;
        QString vpnEntry;
        QString vpnUser;
        QString vpnPassword;
        bool noDisturb = false;
    };

    void StartOnce();
    void RequestRestart();
    void Wake();
    // Ends the serial link's wait on its port.
    void Nudge();
    bool Terminated() const;
    bool Interrupted() const { return Terminated() || restart_; }
    // Sleeps up to ms; returns early (false) when a stop or restart is asked.
    bool Pause(int ms);
    void CountDownWait();

    // Line thread. TakeSettings is true when the settings changed.
    bool TakeSettings();
    void SyncDialUp(const DialUpFactory& factory);
    void TcpLinkCycle();
    bool DialUpStage();
    bool ConnectStage();
    void PollPass();
    void SendPass();
    void AdapterCycle();
    // One pass of reads until the adapter has nothing more, the batch is
    // full or the thread is asked to end; false on a read error.
    bool AdapterReadBatch(uint8_t speedByte, int& credit);
    // The cycle ends on a read error or a silent adapter.
    void AdapterLost();
    void AdapterSendBatch(int& credit);
    // Sleeps up to ms unless the thread is asked to end.
    void Hold(int ms);
    void LinkFailure(const QString& text);
    void Report(const QString& text);
    void ReportOnce(int code, const QString& text);
    void RaiseStatus();
    void RaiseReceive();
    QString WorkLabel() const;
    int FailureWait() const { return dialEnabled_ ? 60 : 10; }

    // Configuration as set by the GUI thread, and the line thread's copy.
    mutable QMutex settingsLock_;
    TLinkSettings settings_;
    quint64 settingsVersion_ = 0;
    DialUpFactory dialUpFactory_;
    TLinkSettings work_;
    quint64 workVersion_ = 0;
    TLinkTimings timings_;
    bool started_ = false;

    std::unique_ptr<CTcpIpClient> tcpClient_;
    std::shared_ptr<IPortControl> portControl_;
    std::unique_ptr<CComPort> serial_;
    // The register states of the line adapter's two directions, kept across
    // link cycles.
    uint8_t lineDecoder_ = 0;
    uint8_t lineEncoder_ = 255;
    std::unique_ptr<IDialUpControl> vpn_;

    // Under sendLock_: the bytes from [from, to) were thrown away.
    void NoteLoss(SendPosition from, SendPosition to);

    // Send text, shared by both threads under sendLock_.
    mutable CMutex sendLock_;
    LineText sendText_;
    quint64 sendGeneration_ = 0;
    std::atomic<bool> sendPending_{false};
    // The ledger of the send text, under sendLock_: the position of its first
    // byte, the end of what the socket has taken, the end of the block on its
    // way (0 when none; ClearSend leaves that block to its send), and the
    // stretches thrown away, newest last.
    SendPosition sendFront_ = 0;
    SendPosition writtenTo_ = 0;
    SendPosition inFlightEnd_ = 0;
    std::vector<std::pair<SendPosition, SendPosition>> losses_;

    // Single words that both threads touch; a stale read only delays a reaction.
    std::atomic<bool> stop_{false};
    std::atomic<bool> restart_{false};
    std::atomic<bool> dialEnabled_{false};
    // The line thread's settings have a dial-up control in TCP/IP mode.
    std::atomic<bool> dialUpInUse_{false};
    std::atomic<bool> connecting_{false};
    std::atomic<bool> serialOpen_{false};
    std::atomic<int> waitSeconds_{0};
    std::atomic<int> oobTicks_{0};
    std::atomic<int> silenceSeconds_{0};
    std::atomic<int> adapterFlags_{0};
    std::atomic<int> lastStatusCode_{0};
    std::atomic<int> retryCycle_{0};
    std::atomic<quint64> idlePasses_{0};

    // Written by the line thread, read by handlers while it waits.
    LineText receiveText_;
    LineText lastSent_;
    QString statusText_;

    QMutex wakeLock_;
    QWaitCondition wake_;
    // An eventfd the serial link's port wait also watches.
    int wakeFd_ = -1;
};
