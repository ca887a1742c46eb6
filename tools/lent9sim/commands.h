#pragma once

#include "adaptersim/commandrunner.h"

#include <QString>

class TTapeAdapter;

// The command language and the adapter's byte protocol, for --help and "help".
QString CommandHelp();
QString ProtocolHelp();

// The tape adapter's own commands: tape and wait punched, over the ones
// every adapter simulator has.
class TTapeCommands : public TCommandRunner {
public:
    explicit TTapeCommands(TTapeAdapter& adapter);

private:
    bool Run(const TCommandWords& words, const Line& line) override;
    QString Help() const override { return CommandHelp(); }
    QString StatusText() const override;

    TTapeAdapter& adapter_;
};
