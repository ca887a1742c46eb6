#include "support/lent9simprocess.h"

#include "support/loopback.h"

#include <QProcess>

Lent9simProcess::Lent9simProcess() : AdapterSimProcess(QStringLiteral(LENT9SIM_PATH)) {}

QByteArray Lent9simProcess::Show(const QString& tapePath) {
    QProcess process;
    process.start(QStringLiteral(LENT9SIM_PATH), {QStringLiteral("--show"), tapePath});
    if (!process.waitForFinished(kCeilingMs) || process.exitCode() != 0)
        return "<failed>";
    return process.readAllStandardOutput();
}
