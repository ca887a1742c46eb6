#pragma once

#include "util/texttypes.h"

#include "util/qtcompat.h"

// What the tape windows and the exchange panel ask of the paper-tape
// adapter: the perforator thread in the program, a recorder in tests. Every
// call is made on the GUI thread and returns at once; the thread reports
// back through its events (OnReceive, OnSent, OnStatus, OnTapeEnd).
class IPerforator {
public:
    virtual ~IPerforator() = default;
    // The port is open and the adapter has answered since it was opened.
    virtual bool IsActive() const = 0;
    virtual bool IsOpen() const = 0;
    // Line code to punch, after what is already waiting.
    virtual void AppendSend(QByteArrayView text) = 0;
    virtual void ClearSend() = 0;
    // Characters still waiting to be punched.
    virtual int PendingLength() const = 0;
    // Read in the handler of a sent batch: when the adapter did not take the
    // batch (unplugged mid-punch), the characters of the job that were not
    // punched; the job is then over and none of them is punched later.
    // 0 after a batch that went through.
    virtual int UnpunchedLength() const = 0;
    // Reader commands; each waits until the port is open.
    virtual void StartReading() = 0;
    virtual void StopReading() = 0;
    // Keep the port open (a tape window is up), or let it go after a while
    // when the port is not to be held (PERFORATOR/NoBlock).
    virtual void HoldPort() = 0;
    virtual void ArmRelease() = 0;
    virtual void SetNoBlock(bool on) = 0;
};
