#pragma once

#include "support/simulatorprocess.h"

// The tape adapter simulator as a program of its own, on a pseudo-terminal
// of its own, taking commands on its standard input.
class Lent9simProcess : public SimulatorProcess {
public:
    // Starts it with the options; true once it has its pseudo-terminal.
    bool Start(const QStringList& args);
    // The slave path the workstation opens as its perforator port.
    QString PtyPath() const { return ptyPath_; }

    // The "STATUS ..." line it prints now.
    QByteArray Status();
    // Waits for the pseudo-terminal of the next plug-in; true when it came
    // (PtyPath is then the new one).
    bool WaitReplug(int ceilingMs = 10000);

    // What "lent9sim --show tapePath" prints.
    static QByteArray Show(const QString& tapePath);

private:
    QString ptyPath_;
    qsizetype ptyLineEnd_ = 0;
};
