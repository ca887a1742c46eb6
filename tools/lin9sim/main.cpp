// lin9sim: the line adapter "ЛИН-9" on a pseudo-terminal, for training and
// for tests of the workstation's serial line.

#include "adapter.h"
#include "centrelink.h"
#include "commands.h"
#include "console.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const char* const kDescription = R"(
lin9sim plays the line adapter ЛИН-9 between a TARVO/COM workstation and a
telegraph line. It opens a pseudo-terminal, prints "PTY /dev/pts/N" on the
first line of standard output, and serves the workstation that opens that
path as its serial port: it takes the speed and end-of-work bytes and the
five-bit codes to transmit, and sends the codes received from the line and
its credit reports, paced as a line of 50, 100 or 200 baud would pace them.

The line leads to the training centre with --centre: the centre's line code
goes to the workstation as five-bit codes, and what the workstation
transmits goes to the centre as line code. Without --centre the line is the
command input: "send" puts text on it, and RX events show what the
workstation sent.

Commands come from --script, then from standard input; the program ends when
they run out (or keeps serving with --stay). Unless --quiet it prints the
events: OPENED and CLOSED (the workstation opened or closed the port),
SPEED <baud>, END (end of work), RX <n>: <text> (decoded from the
workstation's codes), TX <n>: <text> (sent towards the workstation),
OVERFLOW (the workstation sent beyond its credit), CENTRE CONNECTED
<host:port>, CENTRE DISCONNECTED, UNPLUGGED and, after a re-plug, PTY
<path> again. Texts show CR as '<' and LF as '>'.
)";

const char* const kTail = R"(
Example, with the training centre:
  ckssim -p 0 --auto-open                 # prints LISTENING 127.0.0.1:PORT
  lin9sim --centre 127.0.0.1:PORT --stay  # prints PTY /dev/pts/N
and the workstation with SERVER/TCP=0 and SERVER/COM=/dev/pts/N in
korvel.ini. The centre's keepalive is answered by lin9sim itself.

A fault script (lin9sim --centre 127.0.0.1:PORT -s faults.script):
  wait open 60000
  sleep 5000
  fault error 3
  sleep 5000
  fault nosignal on
  sleep 3000
  fault clear
  fault unplug 2000

Exit codes: 0 done (the commands ran out, or quit, or a signal); 1 bad
options, an unreadable script or no pseudo-terminal.
)";

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

void PrintError(const QString& text) {
    std::fputs(("lin9sim: " + text + "\n").toUtf8().constData(), stderr);
}

bool ParseCentre(const QString& text, QString& host, int& port) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    bool ok = false;
    host = text.left(colon);
    port = text.mid(colon + 1).toInt(&ok);
    return ok && port > 0 && port <= 65535;
}

int Earliest(std::initializer_list<int> timeouts) {
    int result = -1;
    for (const int t : timeouts)
        if (t >= 0 && (result < 0 || t < result))
            result = t;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lin9sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption baud(
        QStringLiteral("baud"),
        QStringLiteral("Line speed 50, 100 or 200 until the workstation sets one (default 50)."),
        QStringLiteral("baud"), QStringLiteral("50"));
    const QCommandLineOption fast(
        QStringLiteral("fast"),
        QStringLiteral("No pacing: codes pass at once, a credit report of 15 after each batch."));
    const QCommandLineOption centre(
        QStringLiteral("centre"),
        QStringLiteral("The line leads to the training centre at host:port (IPv4), connected "
                       "again every second while it is not."),
        QStringLiteral("host:port"));
    const QCommandLineOption script({QStringLiteral("s"), QStringLiteral("script")},
                                    QStringLiteral("Run the commands of this file first."),
                                    QStringLiteral("file"));
    const QCommandLineOption stay(
        QStringLiteral("stay"),
        QStringLiteral("When the commands run out, keep serving until terminated."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Print no events."));
    parser.addOptions({help, baud, fast, centre, script, stay, quiet});

    if (!parser.parse(app.arguments())) {
        PrintError(parser.errorText());
        return 1;
    }
    if (parser.isSet(help)) {
        std::fputs((parser.helpText() + QString::fromUtf8(kTail) + QLatin1Char('\n') +
                    CommandHelp() + QLatin1Char('\n') + ProtocolHelp())
                       .toUtf8()
                       .constData(),
                   stdout);
        return 0;
    }
    const int baudValue = parser.value(baud).toInt();
    if (baudValue != 50 && baudValue != 100 && baudValue != 200) {
        PrintError(QStringLiteral("bad line speed: ") + parser.value(baud));
        return 1;
    }
    std::unique_ptr<TCentreLink> link;
    if (parser.isSet(centre)) {
        QString host;
        int port = 0;
        if (!ParseCentre(parser.value(centre), host, port)) {
            PrintError(QStringLiteral("bad centre address: ") + parser.value(centre));
            return 1;
        }
        link = std::make_unique<TCentreLink>(host, port);
    }
    SetQuietEvents(parser.isSet(quiet));

    TLineAdapter adapter(parser.isSet(fast), baudValue);
    TCommandRunner runner(adapter, link.get());
    runner.SetStay(parser.isSet(stay));
    if (parser.isSet(script)) {
        QString error;
        if (!runner.LoadScript(parser.value(script), &error)) {
            PrintError(error);
            return 1;
        }
    }
    if (link) {
        adapter.SetLineSink([&](const LineText& text) { link->Send(text); });
        link->SetReceiver([&](const LineText& text) { adapter.FromLine(text); });
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
            fds.push_back({adapter.PollFd(), POLLIN, 0});
        const int socketAt = link && link->PollFd() >= 0 ? int(fds.size()) : -1;
        if (socketAt >= 0)
            fds.push_back({link->PollFd(), POLLIN | POLLPRI, 0});

        const int64_t now = NowUs();
        const int timeout = Earliest(
            {adapter.TimeoutMs(now), runner.TimeoutMs(now), link ? link->TimeoutMs(now) : -1});
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
        if (link)
            link->Service(socketAt >= 0 ? fds[socketAt].revents : 0, served);
        // A wait may be over now.
        running = running && runner.Pump();
    }
    return 0;
}
