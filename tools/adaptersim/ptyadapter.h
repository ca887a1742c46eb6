#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// An adapter on a pseudo-terminal: the workstation opens the slave as its
// serial port, the adapter holds the master. This part knows the terminal's
// life (plugged in, opened, closed, unplugged), the speed byte that starts
// the work, the rhythm of the credit reports (on demand, and a heartbeat a
// second after the last write) and the faults every adapter has; the
// adapter's own bytes are the business of the class deriving from it.
//
// The adapter is driven by the program's poll loop: PollFd, PollEvents and
// TimeoutMs say what to wait for, Service does whatever is due.
class TPtyAdapter {
public:
    // speed: the adapter's speed until the workstation sets one.
    explicit TPtyAdapter(int speed) : speed_(speed) {}
    virtual ~TPtyAdapter();
    TPtyAdapter(const TPtyAdapter&) = delete;
    TPtyAdapter& operator=(const TPtyAdapter&) = delete;

    // Opens a new pseudo-terminal and prints "PTY <slave path>". False when
    // none can be had or one is plugged in already.
    bool Plug();
    // Closes the master: the workstation sees a hang-up. After ms the adapter
    // plugs itself in again; 0 leaves it out until Plug.
    void Unplug(int ms);

    // The master while the workstation has the port open, else -1.
    int PollFd() const { return open_ ? master_ : -1; }
    short PollEvents() const;
    // Milliseconds until something falls due, -1 for nothing.
    int TimeoutMs(int64_t nowUs) const;
    // Reads what the workstation wrote (revents of the master), notices the
    // port being opened and closed, does the adapter's work and reports.
    void Service(short revents, int64_t nowUs);

    // Bytes for the workstation as they are, at once. False when the port
    // is not open.
    bool SendRaw(const QByteArray& bytes);

    // Faults.
    void SetSilence(bool on) { silence_ = on; }
    void SetCreditZero(bool on) { creditZero_ = on; }
    virtual void ClearFaults();

    bool IsPlugged() const { return master_ >= 0; }
    bool IsOpen() const { return open_; }
    QString PtyPath() const { return path_; }
    int Speed() const { return speed_; }

protected:
    // A batch the workstation wrote; never called while silent.
    virtual void Take(const QByteArray& batch) = 0;
    // A credit report is due (asked for, or the heartbeat); never called
    // while the port is closed or the adapter silent. The next heartbeat
    // counts from now whether it writes or not.
    virtual void Report() = 0;
    // The adapter's own timed work, after the reading and before the report.
    virtual void Work(int64_t /*nowUs*/) {}
    virtual int WorkTimeoutMs(int64_t /*nowUs*/) const { return -1; }
    // The workstation has let go of the port (closed or unplugged).
    virtual void Disconnected() {}
    // Pulled out (after Disconnected): the adapter has lost its power, and
    // with it whatever it held.
    virtual void Unplugged() {}
    // Bytes are waiting for room in the terminal.
    virtual bool WantsWrite() const { return false; }

    // A speed byte. The workstation repeats its speed byte after every batch
    // of reports: only the first one since the port was opened (the start of
    // work) or a change is answered, or the two would keep each other busy.
    void TakeSpeed(int speed, const QString& shown);
    // The workstation ended the work: its next speed byte starts it again.
    void EndWork() { started_ = false; }
    void ReportSoon() { reportDue_ = true; }
    bool Silent() const { return silence_; }
    bool CreditZero() const { return creditZero_; }
    // Writes as much as the terminal takes and returns how much that was; a
    // workstation that does not read loses the rest unless the caller keeps
    // it. Nothing goes out while the port is closed or the adapter silent.
    qsizetype Write(const QByteArray& bytes);

private:
    void CheckOpen();
    void Closed();
    void ReadWorkstation();

    int master_ = -1;
    QString path_;
    bool open_ = false;
    // Work has started: a speed byte came since the port was opened.
    bool started_ = false;
    int speed_;
    int64_t replugAtUs_ = -1;
    int64_t lastWriteUs_ = 0;
    bool reportDue_ = false;
    bool silence_ = false;
    bool creditZero_ = false;
};

// Milliseconds from now until atUs, rounded up; 0 when it has passed.
int MsUntil(int64_t atUs, int64_t nowUs);
