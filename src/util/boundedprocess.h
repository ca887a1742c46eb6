#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// The outcome of a helper program run to its end, or given up on.
struct TProcessResult {
    bool started = false;      // the program could be started at all
    bool finished = false;     // it ended by itself within the time allowed
    bool interrupted = false;  // given up because the caller asked to stop
    int exitCode = -1;         // its exit code when it finished normally, else -1
    QByteArray out;            // standard output
    QByteArray err;            // standard error
    QString startError;        // why it could not be started
};

// Runs program with args in the C locale (messages in English, stable
// output), writing input to its standard input, and waits at most timeoutMs
// for it to end. stopRequested is asked every few milliseconds; when it
// turns true, or the time is up, the program is killed and the call returns
// at once. Must be called from one thread for each run; no event loop is
// needed.
TProcessResult RunBounded(const QString& program, const QStringList& args, int timeoutMs,
                          const std::function<bool()>& stopRequested = {},
                          const QByteArray& input = {});

// Starts program with args in the C locale without waiting for it (the
// program goes on after this one has ended). False when it could not start.
bool StartDetachedInCLocale(const QString& program, const QStringList& args);
