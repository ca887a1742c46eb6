#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The workstation as an operator runs it: the real tarvo binary, a process
// of its own on a program folder (TARVO_HOME), without a display. The
// campaign kills it as a power cut would and starts it again.
class TarvoProcess {
public:
    explicit TarvoProcess(QString home);
    ~TarvoProcess();
    TarvoProcess(const TarvoProcess&) = delete;
    TarvoProcess& operator=(const TarvoProcess&) = delete;

    // True once the process runs.
    bool Start(const QStringList& args = {});
    bool Running() const { return process_.state() != QProcess::NotRunning; }
    qint64 Pid() const { return process_.processId(); }
    // SIGKILL, and waits for the end; false when it outlived the ceiling.
    bool Kill(int ceilingMs = 10000);
    // SIGTERM, the session's end: true when it ended by itself with status 0.
    bool Terminate(int ceilingMs = 15000);

    // The day's protocol as text (code page 866), empty before it exists.
    QString Protocol() const;

private:
    QString home_;
    QProcess process_;
};
