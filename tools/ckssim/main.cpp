// ckssim: the switching centre's side of the TCP/IP line, for training and
// for tests of the workstation.

#include "centresession.h"
#include "commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

const char* const kDescription = R"(
ckssim plays the switching centre (ЦКС) for a TARVO/COM workstation over TCP/IP.
It listens on an IPv4 address, takes one workstation at a time (a new
connection replaces the old one), sends it the urgent keepalive byte, writes
everything it receives to a transcript and sends what it is told to.

Without --script it reads commands from standard input and ends at the end of
input. With --script it runs the script and ends after its last command
(or keeps serving with --stay, or goes on with standard input with
--interactive). At start it prints "LISTENING <address>:<port>" on the first
line of standard output; with port 0 that is the port it picked. Unless
--quiet it then prints the line's events: CONNECTED <peer>, DISCONNECTED
<reason>, RX <count>: <readable text>, OOB <hex byte>.
)";

const char* const kTail = R"(
Transcript (appended to, never truncated): a header line per event,
"yyyy-MM-dd hh:mm:ss.zzz KIND detail". KIND is LISTEN, CONNECT <peer>,
RX <count> (received), TX <count> (sent), URGENT <hex> (urgent byte sent),
OOB <hex> (urgent byte received), DROP <reason> (closed by the centre) or
CLOSED <reason> (closed by the workstation, or a failed send). After RX and TX
headers exactly <count> bytes of line code follow as they went over the line,
then a newline.

Exit codes: 0 done; 1 bad options, cannot listen or cannot write the
transcript; 2 a script command failed (unknown command, nothing connected to
send to, unreadable file); 3 a wait in a script timed out. In interactive use
failures are printed and the next command runs.

Example script:
  wait connect 60000
  send ЗЦЗЦ 001 <>ПРОВЕРКА СВЯЗИ<>НННН  
  wait bytes 10 60000
  show
  drop
)";

void PrintError(const QString& text) {
    std::fputs(("ckssim: " + text + "\n").toUtf8().constData(), stderr);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ckssim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption address(
        {QStringLiteral("a"), QStringLiteral("address")},
        QStringLiteral("IPv4 address to listen on (default 127.0.0.1)."), QStringLiteral("addr"),
        QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(
        {QStringLiteral("p"), QStringLiteral("port")},
        QStringLiteral("Port to listen on; 0 picks a free one (default)."), QStringLiteral("port"),
        QStringLiteral("0"));
    const QCommandLineOption transcript(
        {QStringLiteral("t"), QStringLiteral("transcript")},
        QStringLiteral("Transcript file (default ckssim-transcript.txt)."), QStringLiteral("file"),
        QStringLiteral("ckssim-transcript.txt"));
    const QCommandLineOption keepalive(
        {QStringLiteral("k"), QStringLiteral("keepalive")},
        QStringLiteral("Keepalive byte, the workstation's time-out in seconds: 1-127, 0 (sent "
                       "once: stops the countdown) or off (default 10)."),
        QStringLiteral("n"), QStringLiteral("10"));
    const QCommandLineOption every({QStringLiteral("e"), QStringLiteral("keepalive-every")},
                                   QStringLiteral("Period of the keepalive in ms (default 3000)."),
                                   QStringLiteral("ms"), QStringLiteral("3000"));
    const QCommandLineOption script({QStringLiteral("s"), QStringLiteral("script")},
                                    QStringLiteral("Run the commands of this file."),
                                    QStringLiteral("file"));
    const QCommandLineOption interactive(
        {QStringLiteral("i"), QStringLiteral("interactive")},
        QStringLiteral("After the script, read commands from standard input."));
    const QCommandLineOption stay(
        QStringLiteral("stay"),
        QStringLiteral("When the commands run out, keep serving until terminated."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Print no line events."));
    parser.addOptions(
        {help, address, port, transcript, keepalive, every, script, interactive, stay, quiet});

    if (!parser.parse(app.arguments())) {
        PrintError(parser.errorText());
        return 1;
    }
    if (parser.isSet(help)) {
        std::fputs((parser.helpText() + QString::fromUtf8(kTail) + QLatin1Char('\n') +
                    CommandHelp() + QLatin1Char('\n'))
                       .toUtf8()
                       .constData(),
                   stdout);
        return 0;
    }

    bool ok = false;
    const int portValue = parser.value(port).toInt(&ok);
    if (!ok || portValue < 0 || portValue > 65535) {
        PrintError(QStringLiteral("bad port: ") + parser.value(port));
        return 1;
    }
    int keepaliveValue = -1;
    if (parser.value(keepalive).toLower() != QLatin1String("off")) {
        keepaliveValue = parser.value(keepalive).toInt(&ok);
        if (!ok || keepaliveValue < 0 || keepaliveValue > 255) {
            PrintError(QStringLiteral("bad keepalive: ") + parser.value(keepalive));
            return 1;
        }
    }
    const int everyMs = parser.value(every).toInt(&ok);
    if (!ok || everyMs <= 0) {
        PrintError(QStringLiteral("bad keepalive period: ") + parser.value(every));
        return 1;
    }

    TCentreSession session;
    session.SetKeepalive(keepaliveValue, everyMs);
    if (!session.OpenTranscript(parser.value(transcript))) {
        PrintError(QStringLiteral("cannot write the transcript ") + parser.value(transcript));
        return 1;
    }
    if (!session.Listen(parser.value(address), portValue)) {
        PrintError(
            QStringLiteral("cannot listen on %1:%2").arg(parser.value(address)).arg(portValue));
        return 1;
    }
    std::printf("LISTENING %s:%d\n", qPrintable(session.Address()), session.Port());
    std::fflush(stdout);

    TCommandRunner runner(session);
    runner.SetQuiet(parser.isSet(quiet));
    runner.SetStay(parser.isSet(stay));
    if (parser.isSet(script)) {
        QString error;
        if (!runner.LoadScript(parser.value(script), &error)) {
            PrintError(error);
            return 1;
        }
        if (parser.isSet(interactive))
            runner.ReadStandardInput();
    } else if (!parser.isSet(stay)) {
        runner.ReadStandardInput();
    }
    QObject::connect(
        &runner, &TCommandRunner::Finished, &app, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
    runner.Start();
    return app.exec();
}
