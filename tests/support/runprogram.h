#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A program run to its end, with what it printed.
struct ProgramRun {
    int exitCode = -1;  // -1 when it did not start, crashed or outlived the ceiling
    QByteArray out;
    QByteArray err;
};

ProgramRun RunProgram(const QString& program, const QStringList& args, int ceilingMs = 30000);
// The same in an environment of the caller's making.
ProgramRun RunProgram(const QString& program, const QStringList& args,
                      const QProcessEnvironment& environment, int ceilingMs = 30000);
