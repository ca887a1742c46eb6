#include "support/runprogram.h"

#include <QProcess>

ProgramRun RunProgram(const QString& program, const QStringList& args, int ceilingMs) {
    return RunProgram(program, args, QProcessEnvironment::systemEnvironment(), ceilingMs);
}

ProgramRun RunProgram(const QString& program, const QStringList& args,
                      const QProcessEnvironment& environment, int ceilingMs) {
    ProgramRun run;
    QProcess process;
    process.setProcessEnvironment(environment);
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
