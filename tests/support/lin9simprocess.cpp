#include "support/lin9simprocess.h"

bool Lin9simProcess::Start(const QStringList& args) {
    if (!SimulatorProcess::Start(QStringLiteral(LIN9SIM_PATH), args, "PTY "))
        return false;
    ptyPath_ = QString::fromLocal8Bit(FirstLine());
    ptyLineEnd_ = Output().indexOf('\n') + 1;
    return !ptyPath_.isEmpty();
}

QByteArray Lin9simProcess::Status() {
    Read();
    const qsizetype from = Output().size();
    Command(QStringLiteral("status"));
    return WaitLine("STATUS ", from);
}

bool Lin9simProcess::WaitReplug(int ceilingMs) {
    const QByteArray line = WaitLine("PTY ", ptyLineEnd_, ceilingMs, &ptyLineEnd_);
    if (line.isEmpty())
        return false;
    ptyPath_ = QString::fromLocal8Bit(line.mid(4));
    return true;
}
