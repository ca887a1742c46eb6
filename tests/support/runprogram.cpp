#include "support/runprogram.h"

#include <QProcess>

ProgramRun RunProgram(const QString& program, const QStringList& args, int ceilingMs) {
    ProgramRun run;
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(ceilingMs)) {
        process.kill();
        process.waitForFinished();
    } else if (process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
