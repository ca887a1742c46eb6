// lin9sim: the line adapter "ЛИН-9" on a pseudo-terminal, for training and
// for tests of the workstation's serial line.

#include "adapter.h"
#include "adaptersim/simmain.h"
#include "centrelink.h"
#include "commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <poll.h>

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
<host:port>, CENTRE DISCONNECTED, UNPLUGGED, LOST <n>: <text> (what the
adapter held for the line when it was pulled out) and, after a re-plug, PTY
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

bool ParseCentre(const QString& text, QString& host, int& port) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    bool ok = false;
    host = text.left(colon);
    port = text.mid(colon + 1).toInt(&ok);
    return ok && port > 0 && port <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lin9sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const TSimulatorOptions common(
        QStringLiteral("No pacing: codes pass at once, a credit report of 15 after each batch."));
    const QCommandLineOption baud(
        QStringLiteral("baud"),
        QStringLiteral("Line speed 50, 100 or 200 until the workstation sets one (default 50)."),
        QStringLiteral("baud"), QStringLiteral("50"));
    const QCommandLineOption centre(
        QStringLiteral("centre"),
        QStringLiteral("The line leads to the training centre at host:port (IPv4), connected "
                       "again every second while it is not."),
        QStringLiteral("host:port"));
    parser.addOptions(
        {common.help, baud, common.fast, centre, common.script, common.stay, common.quiet});
    const QString helpTail = QString::fromUtf8(kTail) + QLatin1Char('\n') + CommandHelp() +
                             QLatin1Char('\n') + ProtocolHelp();
    if (const int exitCode = ParseSimulatorOptions(parser, common, app.arguments(), helpTail);
        exitCode >= 0)
        return exitCode;

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

    TLineAdapter adapter(parser.isSet(common.fast), baudValue);
    TLineCommands runner(adapter, link.get());
    std::vector<TPollSource> others;
    if (link) {
        adapter.SetLineSink([&](const LineText& text) { link->Send(text); });
        link->SetReceiver([&](const LineText& text) { adapter.FromLine(text); });
        others.push_back({[&] { return link->PollFd(); }, short(POLLIN | POLLPRI),
                          [&](int64_t now) { return link->TimeoutMs(now); },
                          [&](short revents, int64_t now) { link->Service(revents, now); }});
    }
    return RunSimulator(adapter, runner, parser, common, others);
}
