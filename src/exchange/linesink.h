#pragma once

#include "util/texttypes.h"

#include <QByteArrayView>

// Where the exchange's outgoing text goes: the line thread in the program, a
// recorder in tests. Every byte the exchange puts on the line passes here.
class ILineSink {
public:
    virtual ~ILineSink() = default;
    virtual void AppendSend(QByteArrayView text) = 0;
    virtual void ClearSend() = 0;
    virtual bool IsConnected() const = 0;
    virtual bool IsSendPending() const = 0;
    // The text still waiting, cut to 199 bytes when it holds 200 or more.
    virtual LineText PeekSend() const = 0;
};
