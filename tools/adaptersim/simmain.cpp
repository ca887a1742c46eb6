#include "adaptersim/simmain.h"

#include "adaptersim/commandrunner.h"
#include "adaptersim/console.h"
#include "adaptersim/ptyadapter.h"

#include <QCoreApplication>

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace {

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

int Earliest(int a, int b) {
    if (a < 0)
        return b;
    return b < 0 ? a : std::min(a, b);
}

}  // namespace

TSimulatorOptions::TSimulatorOptions(const QString& fastHelp)
    : help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
      fast(QStringLiteral("fast"), fastHelp),
      script({QStringLiteral("s"), QStringLiteral("script")},
             QStringLiteral("Run the commands of this file first."), QStringLiteral("file")),
      stay(QStringLiteral("stay"),
           QStringLiteral("When the commands run out, keep serving until terminated.")),
      quiet({QStringLiteral("q"), QStringLiteral("quiet")}, QStringLiteral("Print no events.")) {}

void PrintError(const QString& text) {
    std::fputs((QCoreApplication::applicationName() + QStringLiteral(": ") + text + "\n")
                   .toUtf8()
                   .constData(),
               stderr);
}

int ParseSimulatorOptions(QCommandLineParser& parser, const TSimulatorOptions& options,
                          const QStringList& arguments, const QString& helpTail) {
    if (!parser.parse(arguments)) {
        PrintError(parser.errorText());
        return 1;
    }
    if (parser.isSet(options.help)) {
        std::fputs((parser.helpText() + helpTail).toUtf8().constData(), stdout);
        return 0;
    }
    SetQuietEvents(parser.isSet(options.quiet));
    return -1;
}

int RunSimulator(TPtyAdapter& adapter, TCommandRunner& runner, const QCommandLineParser& parser,
                 const TSimulatorOptions& options, const std::vector<TPollSource>& others) {
    runner.SetStay(parser.isSet(options.stay));
    if (parser.isSet(options.script)) {
        QString error;
        if (!runner.LoadScript(parser.value(options.script), &error)) {
            PrintError(error);
            return 1;
        }
    }

    // The signals are let through only while the loop waits, so that one
    // cannot slip in between the check and the wait.
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t blocked, waiting;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigprocmask(SIG_BLOCK, &blocked, &waiting);

    if (!adapter.Plug()) {
        PrintError(QStringLiteral("cannot open a pseudo-terminal"));
        return 1;
    }

    bool running = runner.Pump();
    while (running && !stopRequested) {
        std::vector<pollfd> fds;
        const int stdinAt = runner.InputEnded() ? -1 : int(fds.size());
        if (stdinAt >= 0)
            fds.push_back({STDIN_FILENO, POLLIN, 0});
        const int masterAt = adapter.PollFd() >= 0 ? int(fds.size()) : -1;
        if (masterAt >= 0)
            fds.push_back({adapter.PollFd(), adapter.PollEvents(), 0});
        std::vector<int> otherAt;
        for (const TPollSource& other : others) {
            const int fd = other.fd();
            otherAt.push_back(fd >= 0 ? int(fds.size()) : -1);
            if (fd >= 0)
                fds.push_back({fd, other.events, 0});
        }

        const int64_t now = NowUs();
        int timeout = Earliest(adapter.TimeoutMs(now), runner.TimeoutMs(now));
        for (const TPollSource& other : others)
            timeout = Earliest(timeout, other.timeoutMs(now));
        timespec ts{timeout / 1000, (timeout % 1000) * 1000000L};
        if (::ppoll(fds.data(), fds.size(), timeout < 0 ? nullptr : &ts, &waiting) < 0)
            for (pollfd& p : fds)
                p.revents = 0;
        if (stopRequested)
            break;

        if (stdinAt >= 0 && fds[stdinAt].revents) {
            char buffer[4096];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n >= 0 || (errno != EINTR && errno != EAGAIN))
                runner.Feed(buffer, n > 0 ? int(n) : 0);
        }
        // Commands first: a fault set now holds for the bytes of this round.
        running = runner.Pump();
        const int64_t served = NowUs();
        adapter.Service(masterAt >= 0 ? fds[masterAt].revents : 0, served);
        for (size_t i = 0; i < others.size(); ++i)
            others[i].service(otherAt[i] >= 0 ? fds[otherAt[i]].revents : 0, served);
        // A wait may be over now.
        running = running && runner.Pump();
    }
    return 0;
}
