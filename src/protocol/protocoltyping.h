#pragma once

#include "util/texttypes.h"

// What the protocol page needs from the exchange for the operator's typing:
// in manual mode, characters typed into the protocol view go to the line.
class IProtocolTyping {
public:
    virtual ~IProtocolTyping() = default;
    virtual bool IsManualMode() const = 0;
    // Appends text (line code) to the line's send text, sets the protocol's
    // pending text to what waits there and tells the view LastLineChanged.
    virtual void SendToLine(const LineText& text) = 0;
};
