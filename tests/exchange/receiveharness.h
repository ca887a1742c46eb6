#pragma once

#include "util/qtcompat.h"

#include <QString>

// Runs the exchange's receiving side over arbitrary input, for the fuzz
// target and for the random-input test that runs in every build. The first
// bytes of the input choose the settings, the chunk sizes and the ticks; the
// rest is the stream. Checks after each input: nothing was written outside
// the inp folder (besides the settings and protocol files), and the receive
// buffer stayed within its bounds.
class TReceiveHarness {
public:
    // folder: an existing, empty folder that becomes the current folder.
    explicit TReceiveHarness(const QString& folder);
    ~TReceiveHarness();

    // Empty when all went well, else what went wrong.
    QString Run(QByteArrayView input);

private:
    QString folder_;
    QString saved_;
};

// A random input for the harness: a centre's stream with telegrams, receipts
// and centre messages, cut, repeated and sprinkled with noise.
QByteArray RandomReceiveInput(quint32 seed);
