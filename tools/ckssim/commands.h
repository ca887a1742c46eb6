#pragma once

#include "centrecommands.h"
#include "util/texttypes.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;
class TCentre;
class TCentreClock;
class TCentreSession;

// One command of the training centre's command language (see --help).
struct TCommand {
    enum Kind {
        None,  // blank line or comment
        Send,
        SendFile,
        SendText,
        SendHex,
        Urgent,
        Keepalive,
        Drop,
        Show,
        Status,
        Echo,
        Sleep,
        WaitConnect,
        WaitDisconnect,
        WaitBytes,
        WaitUrgent,
        WaitState,
        WaitAccepted,
        WaitSentTelegrams,
        WaitTime,
        Centre,
        Help,
        Quit,
    };
    Kind kind = None;
    QString text;       // send, echo: the text; sendfile, sendtext: the path;
                        // wait state: the state; wait time: the time
    LineText bytes;     // sendhex: the bytes
    qint64 number = 0;  // urgent, keepalive (-1 = off), sleep ms, wait counts
    int everyMs = 0;    // keepalive: period, 0 = unchanged
    int timeoutMs = 0;  // waits
    TCentreCommand centre;
};

inline constexpr int kDefaultWaitTimeoutMs = 30000;

// Parses one line. False, with a message in error, when it is malformed.
bool ParseCommand(const QString& line, TCommand& command, QString* error);

// The help text of the command language, for --help and "help".
QString CommandHelp();

// Runs commands from a script file and/or standard input against the session
// and the centre, one after the other: a wait holds the following commands
// back until its condition holds or its time-out passes.
class TCommandRunner : public QObject {
    Q_OBJECT

public:
    TCommandRunner(TCentreSession& session, TCentre& centre, TCentreClock& clock,
                   QObject* parent = nullptr);

    void SetQuiet(bool quiet) { quiet_ = quiet; }
    // Queues the lines of a script; a failing command or wait in it ends the
    // program with exit code 2 or 3.
    bool LoadScript(const QString& path, QString* error);
    // Reads further commands from standard input; end of input ends the program.
    void ReadStandardInput();
    // Keeps serving when the commands run out.
    void SetStay(bool stay) { stay_ = stay; }
    void Start();

    // Exit codes.
    static constexpr int kExitOk = 0;
    static constexpr int kExitCommandError = 2;
    static constexpr int kExitWaitTimeout = 3;

signals:
    void Finished(int exitCode);

private:
    struct Line {
        QString text;
        QString origin;
        int number = 0;
        bool fromScript = false;
    };

    void Pump();
    // False when the command set a wait.
    bool Execute(const TCommand& command, const Line& line);
    bool WaitSatisfied() const;
    void CheckWait();
    void Fail(const Line& line, const QString& message, int exitCode);
    void StdinReady();
    void Print(const QString& text) const;
    void PrintEvent(const QString& text) const;
    QString StatusText() const;

    TCentreSession& session_;
    TCentre& centre_;
    TCentreClock& clock_;
    QList<Line> queue_;
    bool quiet_ = false;
    bool stay_ = false;
    bool readingStdin_ = false;
    bool stdinEnded_ = false;
    bool finished_ = false;
    QByteArray stdinBuffer_;
    int stdinLineNumber_ = 0;
    QSocketNotifier* stdinNotifier_ = nullptr;

    TCommand::Kind waitKind_ = TCommand::None;
    qint64 waitTarget_ = 0;
    QString waitState_;
    QDateTime waitTime_;
    QDeadlineTimer waitDeadline_;
    Line waitLine_;
    QTimer waitTimer_;
};
