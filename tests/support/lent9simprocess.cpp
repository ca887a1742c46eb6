#include "support/lent9simprocess.h"

#include "support/loopback.h"

#include <QProcess>

bool Lent9simProcess::Start(const QStringList& args) {
    if (!SimulatorProcess::Start(QStringLiteral(LENT9SIM_PATH), args, "PTY "))
        return false;
    ptyPath_ = QString::fromLocal8Bit(FirstLine());
    ptyLineEnd_ = Output().indexOf('\n') + 1;
    return !ptyPath_.isEmpty();
}

QByteArray Lent9simProcess::Status() {
    Read();
    const qsizetype from = Output().size();
    Command(QStringLiteral("status"));
    return WaitLine("STATUS ", from);
}

bool Lent9simProcess::WaitReplug(int ceilingMs) {
    const QByteArray line = WaitLine("PTY ", ptyLineEnd_, ceilingMs, &ptyLineEnd_);
    if (line.isEmpty())
        return false;
    ptyPath_ = QString::fromLocal8Bit(line.mid(4));
    return true;
}

QByteArray Lent9simProcess::Show(const QString& tapePath) {
    QProcess process;
    process.start(QStringLiteral(LENT9SIM_PATH), {QStringLiteral("--show"), tapePath});
    if (!process.waitForFinished(kCeilingMs) || process.exitCode() != 0)
        return "<failed>";
    return process.readAllStandardOutput();
}
