#pragma once

#include "support/simulatorprocess.h"

// The training centre as a program of its own, on a free loopback port,
// taking commands on its standard input.
class CkssimProcess : public SimulatorProcess {
public:
    // Starts it with the options; true once it listens.
    bool Start(const QStringList& args);
    int Port() const { return port_; }

    // The "status" line it prints now.
    QByteArray Status();

private:
    int port_ = 0;
};
