#include "support/lin9simprocess.h"

Lin9simProcess::Lin9simProcess() : AdapterSimProcess(QStringLiteral(LIN9SIM_PATH)) {}
