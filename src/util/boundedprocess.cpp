#include "util/boundedprocess.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

constexpr int kStepMs = 20;

QProcessEnvironment CLocaleEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.remove(QStringLiteral("LANGUAGE"));
    return env;
}

}  // namespace

TProcessResult RunBounded(const QString& program, const QStringList& args, int timeoutMs,
                          const std::function<bool()>& stopRequested, const QByteArray& input) {
    TProcessResult result;
    QProcess process;
    process.setProcessEnvironment(CLocaleEnvironment());
    process.start(program, args);
    if (!process.waitForStarted(5000)) {
        result.startError = process.errorString();
        return result;
    }
    result.started = true;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();

    const QDeadlineTimer deadline(timeoutMs);
    while (process.state() != QProcess::NotRunning) {
        if ((stopRequested && stopRequested()) || deadline.hasExpired()) {
            result.interrupted = !deadline.hasExpired();
            process.kill();
            process.waitForFinished(1000);
            result.out = process.readAllStandardOutput();
            result.err = process.readAllStandardError();
            return result;
        }
        process.waitForFinished(kStepMs);
    }
    result.finished = true;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

bool StartDetachedInCLocale(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setProcessEnvironment(CLocaleEnvironment());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}
