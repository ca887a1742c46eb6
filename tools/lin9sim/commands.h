#pragma once

#include "adaptersim/commandrunner.h"

#include <QString>

class TCentreLink;
class TLineAdapter;

// The command language and the adapter's byte protocol, for --help and "help".
QString CommandHelp();
QString ProtocolHelp();

// The line adapter's own commands: send, sendhex, fault error, fault
// nosignal, fault stall and wait rx, over the ones every adapter simulator
// has.
class TLineCommands : public TCommandRunner {
public:
    TLineCommands(TLineAdapter& adapter, TCentreLink* centre);

private:
    bool Run(const TCommandWords& words, const Line& line) override;
    QString Help() const override { return CommandHelp(); }
    QString StatusText() const override;

    TLineAdapter& adapter_;
    TCentreLink* centre_;
};
