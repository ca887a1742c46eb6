#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <utility>

// One of the project's simulators (the training centre, the adapters) as a
// program of its own, taking commands on its standard input. Each announces
// itself on its first line of output.
class SimulatorProcess {
public:
    SimulatorProcess() = default;
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts it; true once its first line begins with firstLinePrefix.
    bool Start(const QString& program, const QStringList& args, const QByteArray& firstLinePrefix);
    // The first line without its prefix.
    QByteArray FirstLine() const { return firstLine_; }

    void Command(const QString& line);
    // Waits until the commands given so far have run: an echo of a marker
    // comes back after them.
    bool Sync(int ceilingMs = 10000);
    // Waits until its output holds text; false when the ceiling passed.
    bool WaitOutput(const QByteArray& text, int ceilingMs = 10000);
    // The same, counting only output from offset `from` on (Output().size()
    // taken before the command that should cause it).
    bool WaitOutputFrom(qsizetype from, const QByteArray& text, int ceilingMs = 10000);
    // Waits for a whole line that starts with prefix, from offset `from`
    // on; returns it without its line end, empty when the ceiling passed.
    // `end`, when given, receives the offset just after it.
    QByteArray WaitLine(const QByteArray& prefix, qsizetype from, int ceilingMs = 10000,
                        qsizetype* end = nullptr);
    // The exit code, or -1 when it did not end normally within the ceiling.
    int WaitExit(int ceilingMs = 10000);
    // What it printed so far (as last read by a wait).
    const QByteArray& Output() const { return out_; }

protected:
    void Read();

private:
    QProcess process_;
    QByteArray out_;
    QByteArray firstLine_;
    int syncs_ = 0;
};

// An adapter simulator (lin9sim, lent9sim) at the given path: its first line
// names the pseudo-terminal the workstation opens, and each re-plug a new one.
class AdapterSimProcess : public SimulatorProcess {
public:
    explicit AdapterSimProcess(QString program) : program_(std::move(program)) {}

    // Starts it with the options; true once it has its pseudo-terminal.
    bool Start(const QStringList& args);
    // The slave path the workstation opens as its port.
    QString PtyPath() const { return ptyPath_; }

    // The "STATUS ..." line it prints now.
    QByteArray Status();
    // Waits for the pseudo-terminal of the next plug-in; true when it came
    // (PtyPath is then the new one).
    bool WaitReplug(int ceilingMs = 10000);

private:
    QString program_;
    QString ptyPath_;
    qsizetype ptyLineEnd_ = 0;
};
