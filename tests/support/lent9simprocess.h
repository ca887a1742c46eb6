#pragma once

#include "support/simulatorprocess.h"

// The tape adapter simulator as a program of its own, on a pseudo-terminal
// of its own, taking commands on its standard input.
class Lent9simProcess : public AdapterSimProcess {
public:
    Lent9simProcess();

    // What "lent9sim --show tapePath" prints.
    static QByteArray Show(const QString& tapePath);
};
