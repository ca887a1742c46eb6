#pragma once

#include "support/simulatorprocess.h"

// The line adapter simulator as a program of its own, on a pseudo-terminal
// of its own, taking commands on its standard input.
class Lin9simProcess : public AdapterSimProcess {
public:
    Lin9simProcess();
};
