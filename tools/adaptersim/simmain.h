#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class TCommandRunner;
class TPtyAdapter;

// The options every adapter simulator takes; each adds them to its parser
// in the order its help shows them.
struct TSimulatorOptions {
    // fastHelp: what --fast means for this adapter.
    explicit TSimulatorOptions(const QString& fastHelp);
    QCommandLineOption help;
    QCommandLineOption fast;
    QCommandLineOption script;
    QCommandLineOption stay;
    QCommandLineOption quiet;
};

// "<program>: text" on standard error.
void PrintError(const QString& text);

// Parses the arguments. With --help prints the parser's help followed by
// helpTail. Returns -1 to go on, otherwise the exit code.
int ParseSimulatorOptions(QCommandLineParser& parser, const TSimulatorOptions& options,
                          const QStringList& arguments, const QString& helpTail);

// Something else the loop waits on beside standard input and the adapter.
struct TPollSource {
    std::function<int()> fd;  // -1 for none now
    short events = 0;
    std::function<int(int64_t nowUs)> timeoutMs;
    std::function<void(short revents, int64_t nowUs)> service;
};

// Loads the script, plugs the adapter in and serves it, the commands and the
// other sources until the commands end the program or a signal (SIGTERM,
// SIGINT) does. Returns the exit code.
int RunSimulator(TPtyAdapter& adapter, TCommandRunner& runner, const QCommandLineParser& parser,
                 const TSimulatorOptions& options, const std::vector<TPollSource>& others = {});
