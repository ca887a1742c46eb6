#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The workstation as an operator runs it: the real tarvo binary, a process
// of its own on a program folder (TARVO_HOME), without a display. Tests end
// it as the session does, or kill it as a power cut would and start it again.
class TarvoProcess {
public:
    // runtime is the session's runtime folder (XDG_RUNTIME_DIR), where the
    // instances meet; the program folder when empty.
    explicit TarvoProcess(QString home, QString runtime = {});
    ~TarvoProcess();
    TarvoProcess(const TarvoProcess&) = delete;
    TarvoProcess& operator=(const TarvoProcess&) = delete;

    // Instead of the built program with TARVO_HOME: command (a program and
    // its arguments, such as an account's launcher, an installed copy and its
    // options) in exactly environment, so that the program finds its folder
    // itself; home stays the folder it is expected to use. Standard error is
    // kept for Errors().
    void Launch(QStringList command, QProcessEnvironment environment);
    // What the program has said on standard error (a launched one only).
    QString Errors();

    // True once the process runs.
    bool Start(const QStringList& args = {});
    bool Running() const { return process_.state() != QProcess::NotRunning; }
    qint64 Pid() const { return process_.processId(); }
    // SIGKILL, and waits for the end; false when it outlived the ceiling.
    bool Kill(int ceilingMs = 10000);
    // SIGTERM, the session's end: true when it ended by itself with status 0.
    bool Terminate(int ceilingMs = 15000);

    // How it ended ("exit status 1", "crashed"), for a failure line; empty
    // while it runs.
    QString HowItEnded() const;

    // The day's protocol as text (code page 866), empty before it exists.
    QString Protocol() const;
    // Whether the day's protocol comes to hold text within ceilingMs.
    bool WaitForProtocol(const QString& text, int ceilingMs = 20000) const;

private:
    QString home_;
    QString runtime_;
    QStringList command_;
    QProcessEnvironment environment_;
    QByteArray errors_;
    QProcess process_;
};
