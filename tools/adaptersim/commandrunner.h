#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class TPtyAdapter;

inline constexpr int kDefaultWaitTimeoutMs = 30000;

// One command line taken apart.
struct TCommandWords {
    QString verb;      // in lower case; empty for a blank line or a comment
    QString rest;      // what follows the verb's blank, as written
    QStringList args;  // the words of rest
};
TCommandWords SplitCommand(const QString& line);

// A decimal number of at least 0.
bool ParseNumber(const QString& text, int64_t& value);
// An optional number at args[index] (fallback when it is missing) and
// nothing after it.
bool ParseOptionalNumber(const QStringList& args, int index, int64_t fallback, int64_t& value);
// An optional time-out in ms at args[index] and nothing after it.
bool ParseTimeout(const QStringList& args, int index, int& ms);
// "on" or "off" as args[1], and nothing after it (the switch faults).
bool ParseOnOff(const QStringList& args, bool& on);

// Runs the commands of a script and then of standard input, one after the
// other; a sleep or a wait holds the following ones back. A failing command
// prints "ERROR <origin>:<line>: <why>" and the next one runs.
//
// The commands every adapter simulator has are run here: echo, sleep, help,
// status, quit (exit), plug, fault unplug|silence|credit0|clear and wait
// open. The rest belong to the simulator, which derives from this class.
class TCommandRunner {
public:
    explicit TCommandRunner(TPtyAdapter& adapter) : adapter_(adapter) {}
    virtual ~TCommandRunner() = default;
    TCommandRunner(const TCommandRunner&) = delete;
    TCommandRunner& operator=(const TCommandRunner&) = delete;

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

protected:
    struct Line {
        QString text;
        QString origin;
        int number = 0;
    };

    // A command of the simulator's own, or an unknown one. Returns false
    // when it started a wait that does not hold yet.
    virtual bool Run(const TCommandWords& words, const Line& line) = 0;
    // The text of "help" and the line of "status".
    virtual QString Help() const = 0;
    virtual QString StatusText() const = 0;

    // Holds the following commands back until done() holds; after ms the
    // wait fails. Returns what Run returns.
    bool StartWait(const Line& line, std::function<bool()> done, int64_t ms);
    void Fail(const Line& line, const QString& message) const;

private:
    bool Execute(const TCommandWords& words, const Line& line);
    bool Fault(const TCommandWords& words, const Line& line);
    bool WaitSatisfied() const;

    TPtyAdapter& adapter_;
    QList<Line> queue_;
    QByteArray input_;
    int inputLines_ = 0;
    bool inputEnded_ = false;
    bool stay_ = false;
    bool quit_ = false;

    // The sleep or wait in progress; a sleep has no condition.
    bool waiting_ = false;
    std::function<bool()> waitDone_;
    Line waitLine_;
    int64_t waitUntilUs_ = 0;
};
