#pragma once

#include "util/texttypes.h"

#include <QString>

#include <cstdint>

// What the adapter simulators print: one line at a time on standard output,
// flushed at once, so that a program reading it sees every event as it
// happens.

// A line that is always printed (the pty path, command output, errors).
void PrintLine(const QString& text);
// An event, left out with --quiet.
void PrintEvent(const QString& text);
void SetQuietEvents(bool quiet);

// Line code on one console line: '<' for CR, '>' for LF.
QString Readable(const LineText& text);

// Monotonic time in microseconds, the clock of all pacing and waits.
int64_t NowUs();
