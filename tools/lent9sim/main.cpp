// lent9sim: the paper-tape adapter "ЛЕНТ-9" on a pseudo-terminal, for
// training and for tests of the workstation's perforator.

#include "adaptersim/simmain.h"
#include "commands.h"
#include "line/fivebit.h"
#include "tapeadapter.h"
#include "util/linecode.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

const char* const kDescription = R"(
lent9sim plays the paper-tape adapter ЛЕНТ-9 of a TARVO/COM workstation: a
tape punch and a tape reader behind one serial port. It opens a
pseudo-terminal, prints "PTY /dev/pts/N" on the first line of standard
output, and serves the workstation that opens that path as its port: it
punches the five-bit codes the workstation sends into the punch file and, on
the workstation's command, reads the tape file back to it, paced as a tape
of 50, 100 or 400 (MAX) frames a second would pace them.

Commands come from --script, then from standard input; the program ends when
they run out (or keeps serving with --stay). Unless --quiet it prints the
events: OPENED and CLOSED (the workstation opened or closed the port),
SPEED <50|100|MAX>, PUNCH <n>: <text> (n codes taken for the punch, decoded
as the workstation's text), OVERFLOW (the workstation sent beyond its
credit), READ START, READ STOP, TAPE END, UNPLUGGED and, after a re-plug,
PTY <path> again. Texts show CR as '<' and LF as '>'.
)";

const char* const kTail = R"(
Example, beside the workstation:
  lent9sim --stay --tape telegram.tape     # prints PTY /dev/pts/N
and the workstation with PERFORATOR/Enable=1 and PERFORATOR/COM=/dev/pts/N
in korvel.ini. What it punches goes to lent9sim-punch.tape; to read that
back, give the command "tape lent9sim-punch.tape" and press the tape input
window's start button. To look at a tape:
  lent9sim --show lent9sim-punch.tape

A fault script (lent9sim --tape telegram.tape -s faults.script):
  wait open 60000
  wait punched 100
  fault credit0 on
  sleep 5000
  fault clear
  fault unplug 2000

Exit codes: 0 done (the commands ran out, or quit, or a signal); 1 bad
options, an unreadable script, tape or tape to show, or no pseudo-terminal.
)";

// The tape as text, as the workstation would read it from the start.
int ShowTape(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        PrintError(QStringLiteral("cannot read the tape ") + path);
        return 1;
    }
    uint8_t decoder = kRegisterLatin;
    QString text = LineToWide(DecodeFiveBit(file.readAll(), decoder));
    text.remove(QLatin1Char('\r'));
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    std::fputs(text.toUtf8().constData(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lent9sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const TSimulatorOptions common(
        QStringLiteral("No pacing: a batch is punched at once and a credit report of 31 follows "
                       "it; the tape is read as fast as the port takes it."));
    const QCommandLineOption punch(
        QStringLiteral("punch"),
        QStringLiteral("Punch into this file, appending (default lent9sim-punch.tape)."),
        QStringLiteral("file"), QStringLiteral("lent9sim-punch.tape"));
    const QCommandLineOption tape(QStringLiteral("tape"),
                                  QStringLiteral("The tape in the reader at the start."),
                                  QStringLiteral("file"));
    const QCommandLineOption show(
        QStringLiteral("show"),
        QStringLiteral("Print the tape in this file as text (CR left out, register marks "
                       "kept) and end."),
        QStringLiteral("file"));
    parser.addOptions(
        {common.help, common.fast, punch, tape, show, common.script, common.stay, common.quiet});
    const QString helpTail = QString::fromUtf8(kTail) + QLatin1Char('\n') + CommandHelp() +
                             QLatin1Char('\n') + ProtocolHelp();
    if (const int exitCode = ParseSimulatorOptions(parser, common, app.arguments(), helpTail);
        exitCode >= 0)
        return exitCode;
    if (parser.isSet(show))
        return ShowTape(parser.value(show));

    TTapeAdapter adapter(parser.isSet(common.fast), parser.value(punch));
    if (parser.isSet(tape) && !adapter.LoadTape(parser.value(tape))) {
        PrintError(QStringLiteral("cannot read the tape ") + parser.value(tape));
        return 1;
    }
    TTapeCommands runner(adapter);
    return RunSimulator(adapter, runner, parser, common);
}
