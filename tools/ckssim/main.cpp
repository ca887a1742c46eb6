// ckssim: the switching centre's side of the TCP/IP line, for training and
// for tests of the workstation.

#include "centre.h"
#include "centreclock.h"
#include "centrecommands.h"
#include "centrehost.h"
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
everything it receives to a transcript, and plays the centre's side of the
exchange: it keeps its own daily counters, answers the workstation's service
groups and telegrams, numbers and sends telegrams of its own, changes the
numbering at its midnight and injects faults on command (see below). Its
clock is its own and can start at any time and run fast.

Without --script it reads commands from standard input and ends at the end of
input. With --script it runs the script and ends after its last command
(or keeps serving with --stay, or goes on with standard input with
--interactive). At start it prints "LISTENING <address>:<port>" on the first
line of standard output; with port 0 that is the port it picked. Unless
--quiet it then prints the line's events: CONNECTED <peer>, DISCONNECTED
<reason>, RX <count>: <readable text>, OOB <hex byte>, and the centre's
events, CENTRE <event>.
)";

const char* const kTail = R"(
Transcript (appended to, never truncated): a header line per event,
"yyyy-MM-dd hh:mm:ss.zzz KIND detail". KIND is LISTEN, CONNECT <peer>,
RX <count> (received), TX <count> (sent), URGENT <hex> (urgent byte sent),
OOB <hex> (urgent byte received), DROP <reason> (closed by the centre),
CLOSED <reason> (closed by the workstation, or a failed send) or
CENTRE <event> (what the centre's logic did). The stamps are real time; the
centre's own clock shows in "status". After RX and TX headers exactly <count>
bytes of line code follow as they went over the line, then a newline.

Exit codes: 0 done; 1 bad options, cannot listen, cannot write the
transcript, or no texts in the --texts folder; 2 a script command failed
(unknown command, nothing connected to send to, unreadable file); 3 a wait
in a script timed out. In interactive use failures are printed and the next
command runs.

Example script (a lively centre; ./run starts ckssim with demo.script):
  autoopen on
  telegram ОБ1 141911 2<>ДОБРЫЙ ДЕНЬ
  generate 1000 90

A working day in a few minutes (16 hours of the centre's clock in about
three minutes; --auto-open opens the channel, the workstation keeps it open):
  ckssim --start-time 07:55 --speed 300 --auto-open --generate 200 \
         --interval 280 -s day.script
with day.script
  wait connect 60000
  wait time 23:50 600000
  status
  wait time 00:08 600000
  status
The first status shows the day's counters, the second the new day's after
the numbering change at the centre's midnight.
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
    const QCommandLineOption ccm(QStringLiteral("ccm"),
                                 QStringLiteral("Centre type 0, 1 or 2 (default 1)."),
                                 QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption receipts(QStringLiteral("receipts"),
                                      QStringLiteral("Send a receipt after each telegram."));
    const QCommandLineOption stamps(
        QStringLiteral("clock-stamps"),
        QStringLiteral("Send a clock stamp after each centre message."));
    const QCommandLineOption speed(
        QStringLiteral("speed"),
        QStringLiteral("The centre's clock runs this many times as fast as real time (default 1)."),
        QStringLiteral("factor"), QStringLiteral("1"));
    const QCommandLineOption startTime(
        QStringLiteral("start-time"),
        QStringLiteral("The centre's clock starts at hh:mm[:ss] today or at yyyy-MM-dd "
                       "hh:mm[:ss] (default: the computer's time)."),
        QStringLiteral("time"));
    const QCommandLineOption autoOpen(
        QStringLiteral("auto-open"),
        QStringLiteral("Send \"ОТКРОЙТЕ СВЯЗЬ\" as soon as a workstation connects."));
    const QCommandLineOption texts(
        QStringLiteral("texts"),
        QStringLiteral("Take telegram texts from the files of this folder, in name order."),
        QStringLiteral("folder"));
    const QCommandLineOption generate(
        QStringLiteral("generate"),
        QStringLiteral("Send this many telegrams, one every --interval seconds of the centre's "
                       "clock, while the channel is open."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        QStringLiteral("Seconds of the centre's clock between generated telegrams (default 60)."),
        QStringLiteral("s"), QStringLiteral("60"));
    parser.addOptions({help, address, port, transcript, keepalive, every, script, interactive, stay,
                       quiet, ccm, receipts, stamps, speed, startTime, autoOpen, texts, generate,
                       interval});

    if (!parser.parse(app.arguments())) {
        PrintError(parser.errorText());
        return 1;
    }
    if (parser.isSet(help)) {
        std::fputs((parser.helpText() + QString::fromUtf8(kTail) + QLatin1Char('\n') +
                    CommandHelp() + QLatin1Char('\n') + CentreBehaviourHelp())
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

    const int ccmValue = parser.value(ccm).toInt(&ok);
    if (!ok || ccmValue < 0 || ccmValue > 2) {
        PrintError(QStringLiteral("bad centre type: ") + parser.value(ccm));
        return 1;
    }
    const double speedValue = parser.value(speed).toDouble(&ok);
    if (!ok || !(speedValue > 0.0) || speedValue > 1e6) {
        PrintError(QStringLiteral("bad speed: ") + parser.value(speed));
        return 1;
    }
    const int generateValue = parser.value(generate).toInt(&ok);
    if (!ok || generateValue < 0) {
        PrintError(QStringLiteral("bad telegram count: ") + parser.value(generate));
        return 1;
    }
    const int intervalValue = parser.value(interval).toInt(&ok);
    if (!ok || intervalValue < 0) {
        PrintError(QStringLiteral("bad interval: ") + parser.value(interval));
        return 1;
    }
    TCentreClock clock;
    clock.SetSpeed(speedValue);
    if (parser.isSet(startTime)) {
        QDateTime start;
        if (!ParseCentreTime(parser.value(startTime), clock.LocalTime().date(), start)) {
            PrintError(QStringLiteral("bad start time: ") + parser.value(startTime));
            return 1;
        }
        clock.SetLocalTime(start);
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

    TCentreHost host(session, clock);
    TCentre& centre = host.Centre();
    centre.SetCcm(ccmValue);
    centre.SetReceipts(parser.isSet(receipts));
    centre.SetClockStamps(parser.isSet(stamps));
    centre.SetAutoOpen(parser.isSet(autoOpen));
    if (parser.isSet(texts)) {
        QString error;
        if (!centre.SetTextFolder(parser.value(texts), &error)) {
            PrintError(error);
            return 1;
        }
    }

    // The runner first, so that a received block is printed before what the
    // centre makes of it.
    TCommandRunner runner(session, centre, clock);
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
    host.Start();
    if (generateValue > 0)
        centre.Generate(generateValue, intervalValue);
    runner.Start();
    return app.exec();
}
