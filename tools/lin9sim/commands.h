#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

class TCentreLink;
class TLineAdapter;

// One command of the simulator's command language (see CommandHelp).
struct TCommand {
    enum Kind {
        None,  // blank line or comment
        Send,
        SendHex,
        FaultError,
        FaultNoSignal,
        FaultSilence,
        FaultUnplug,
        FaultCreditZero,
        FaultClear,
        Plug,
        Status,
        Echo,
        Sleep,
        WaitOpen,
        WaitRx,
        Help,
        Quit,
    };
    Kind kind = None;
    QString text;        // send, echo
    QByteArray bytes;    // sendhex
    int64_t number = 0;  // fault error, fault unplug, sleep, wait rx
    bool on = false;     // on|off faults
    int timeoutMs = 0;   // waits
};

inline constexpr int kDefaultWaitTimeoutMs = 30000;

// Parses one line. False, with a message in error, when it is malformed.
bool ParseCommand(const QString& line, TCommand& command, QString* error);

// The command language and the adapter's byte protocol, for --help and "help".
QString CommandHelp();
QString ProtocolHelp();

// Runs the commands of a script and then of standard input, one after the
// other; a sleep or a wait holds the following ones back. A failing command
// prints "ERROR ..." and the next one runs.
class TCommandRunner {
public:
    TCommandRunner(TLineAdapter& adapter, TCentreLink* centre);

    bool LoadScript(const QString& path, QString* error);
    // Bytes read from standard input; an empty read is its end.
    void Feed(const char* data, int size);
    bool InputEnded() const { return inputEnded_; }
    // Keeps the program running when the commands run out.
    void SetStay(bool stay) { stay_ = stay; }

    // Runs what can run now. Returns false once the program should end.
    bool Pump();
    // Milliseconds until a sleep or a wait's time-out falls due, -1 for none.
    int TimeoutMs(int64_t nowUs) const;

private:
    struct Line {
        QString text;
        QString origin;
        int number = 0;
    };

    // False when the command started a wait (or ended the program).
    bool Execute(const TCommand& command, const Line& line);
    bool WaitSatisfied() const;
    void Fail(const Line& line, const QString& message) const;
    QString StatusText() const;

    TLineAdapter& adapter_;
    TCentreLink* centre_;
    QList<Line> queue_;
    QByteArray input_;
    int inputLines_ = 0;
    bool inputEnded_ = false;
    bool stay_ = false;
    bool quit_ = false;

    TCommand wait_;
    Line waitLine_;
    int64_t waitUntilUs_ = 0;
};
