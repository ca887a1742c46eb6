#pragma once

#include "util/qtcompat.h"
#include "util/texttypes.h"

#include <QtGlobal>

// Every byte ever appended to the line's send text has a position in one
// stream that starts at 0 when the line is made; AppendSend returns the
// position just after what it appended. Whatever happens to the text, each
// byte ends up written to the line or thrown away (ClearSend, a new
// connection, a send that failed).
using SendPosition = quint64;

// What became of a stretch of the send text.
enum class SendFate {
    Waiting,    // some of it has not left yet
    Written,    // the line has taken all of it
    Discarded,  // some of it was thrown away: it never went out whole
};

// Where the exchange's outgoing text goes: the line thread in the program, a
// recorder in tests. Every byte the exchange puts on the line passes here.
class ILineSink {
public:
    virtual ~ILineSink() = default;
    virtual SendPosition AppendSend(QByteArrayView text) = 0;
    virtual void ClearSend() = 0;
    virtual bool IsConnected() const = 0;
    virtual bool IsSendPending() const = 0;
    // The text still waiting, cut to 199 bytes when it holds 200 or more.
    virtual LineText PeekSend() const = 0;
    // The fate of the bytes [from, to). Discarded as soon as one of them was
    // thrown away, even while others are still on their way.
    virtual SendFate FateOf(SendPosition from, SendPosition to) const = 0;
};

// The permission of the line to bring its dial-up connection up; withdrawing
// it hangs the connection up.
class IDialPermission {
public:
    virtual ~IDialPermission() = default;
    virtual bool IsDialEnabled() const = 0;
    virtual void SetDialEnabled(bool on) = 0;
    // The line goes through a dial-up connection at all: otherwise the
    // permission means nothing and is left alone.
    virtual bool DialUpInUse() const = 0;
};
