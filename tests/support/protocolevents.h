#pragma once

#include <QStringList>

class TProtocol;

// The event and error lines of a protocol (levels 3 and 4), oldest first, as
// display text without their time stamps.
QStringList ProtocolEvents(const TProtocol& protocol);
// The same lines, each behind its level digit ("3..." or "4..."), for the
// tests that tell an event from an error.
QStringList ProtocolEventsWithLevel(const TProtocol& protocol);
