#pragma once

#include <QString>

#include <functional>
#include <memory>

// The dial-up connection that the TCP/IP link to the centre may go through.
// The line thread owns at most one and calls it only from its own thread;
// destroying it hangs up a connection it holds.
class IDialUpControl {
public:
    virtual ~IDialUpControl() = default;

    // The connection profile to dial and the credentials handed to it.
    virtual void SetCredentials(const QString& entry, const QString& user,
                                const QString& password) = 0;
    // A connection for the entry exists (possibly still coming up).
    virtual bool IsUp() = 0;
    // Some other dial-up connection is active.
    virtual bool OtherActive() = 0;
    // Dials and waits for the outcome. It must give up and return false soon
    // after stopRequested() turns true, so that the line thread can end.
    virtual bool Dial(const std::function<bool()>& stopRequested) = 0;
    // Hangs up the connection this object holds.
    virtual void HangUp() = 0;
    // The text of the last failure, for "Error RAS DIAL. " + text.
    virtual QString ErrorText() = 0;

    // Every call that may take a while gives up soon after this turns true
    // (the line thread's stop), not only Dial.
    virtual void SetInterruption(std::function<bool()> stopRequested) {
        (void)stopRequested;
    }
    // Empty when the service behind the control can be used; otherwise why
    // not, in the protocol's words ("NMCLI НЕ НАЙДЕН"). Asked once after the
    // control is made.
    virtual QString Unavailable() { return {}; }
};

// Makes the dial-up control when the settings ask for one.
using DialUpFactory = std::function<std::unique_ptr<IDialUpControl>()>;
