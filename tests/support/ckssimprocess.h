#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The training centre as a program of its own, on a free loopback port,
// taking commands on its standard input.
class CkssimProcess {
public:
    CkssimProcess() = default;
    ~CkssimProcess();
    CkssimProcess(const CkssimProcess&) = delete;
    CkssimProcess& operator=(const CkssimProcess&) = delete;

    // Starts it with the options; true once it listens.
    bool Start(const QStringList& args);
    int Port() const { return port_; }

    void Command(const QString& line);
    // Waits until its output holds text; false when the ceiling passed.
    bool WaitOutput(const QByteArray& text, int ceilingMs = 10000);
    // The "status" line it prints now.
    QByteArray Status();
    // The exit code, or -1 when it did not end normally within the ceiling.
    int WaitExit(int ceilingMs = 10000);
    const QByteArray& Output() const { return out_; }

private:
    void Read();

    QProcess process_;
    QByteArray out_;
    int port_ = 0;
};
