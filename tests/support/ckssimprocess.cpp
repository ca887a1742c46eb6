#include "support/ckssimprocess.h"

bool CkssimProcess::Start(const QStringList& args) {
    if (!SimulatorProcess::Start(QStringLiteral(CKSSIM_PATH), args, "LISTENING 127.0.0.1:"))
        return false;
    port_ = FirstLine().toInt();
    return port_ > 0;
}

QByteArray CkssimProcess::Status() {
    Read();
    const qsizetype from = Output().size();
    Command(QStringLiteral("status"));
    return WaitLine("CENTRE channel=", from);
}
