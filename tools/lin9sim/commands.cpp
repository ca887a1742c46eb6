#include "commands.h"

#include "adapter.h"
#include "adaptersim/console.h"
#include "centrelink.h"
#include "util/linecode.h"

#include <QStringList>

#include <algorithm>
#include <climits>

namespace {

bool ParseHexBytes(const QString& text, QByteArray& bytes) {
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    if (digits.isEmpty() || digits.size() % 2 != 0)
        return false;
    for (const QChar c : digits)
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            return false;
    bytes = QByteArray::fromHex(digits.toLatin1());
    return true;
}

}  // namespace

QString CommandHelp() {
    return QStringLiteral(
        R"(Commands (one per line; blank lines and lines starting with # are skipped):
  send TEXT            send TEXT (UTF-8) from the line to the workstation, as
                       five-bit codes with the register shifts it needs; '<'
                       stands for CR and '>' for LF:  send ЗЦЗЦ 001<>
  sendhex HH HH ...    write raw bytes to the workstation at once, unpaced
  fault error [N]      the next N characters (default 1) reach the workstation
                       as error frames 'O'
  fault nosignal on|off
                       no input signal: '^' instead of every credit report
                       (sent at once when it changes), and nothing from the
                       line reaches the workstation
  fault silence on|off the adapter sends nothing at all and ignores what comes
  fault stall on|off   the line takes nothing: the workstation's characters
                       stay in the buffer, and its credit runs down to 0
  fault credit0 on|off credit reports say 0
  fault unplug [MS]    pull the adapter out: the workstation's port hangs up,
                       what the adapter held is lost and its registers start
                       afresh; after MS ms (default 1000) a new
                       pseudo-terminal is opened and its path printed as
                       "PTY ..."; 0 stays unplugged until "plug"
  plug                 plug the adapter in again (a new pseudo-terminal)
  fault clear          end every fault (an unplugged adapter stays out)
  status               print STATUS open=0|1 speed=<baud> credit=<free places>
                       queued=<characters on their way to the workstation>
                       centre=0|1 rx=<codes received from the workstation>
                       tx=<codes sent to it from the line>
  echo TEXT            print TEXT
  sleep MS             pause the commands for MS milliseconds
  wait open [T]        until the workstation has the port open
  wait rx N [T]        until N codes in all came from the workstation
                       (T: time-out in ms, default 30000)
  help                 print this list
  quit, exit           end the program
A command that fails prints "ERROR <where>: <why>" and the next one runs.
)");
}

QString ProtocolHelp() {
    return QStringLiteral(
        R"(The adapter's bytes (the workstation's port runs at 9600 baud, 8N1):
  from the workstation
    0x65 'e'           line speed 50 baud
    0x66 'f'           line speed 100 baud
    0x67 'g'           line speed 200 baud
    0x64 'd'           any other speed (the adapter takes 50 baud)
    0x60 '`'           end of work
    0x00-0x1F          a five-bit code to transmit on the line
    anything else      ignored
  to the workstation
    0x00-0x1F          a five-bit code received from the line
    0x20-0x2F          credit report: the low four bits are the characters the
                       workstation may send next (0-15)
    0x4F 'O'           error frame, in place of one character
    0x5E '^'           no input signal

Credit: the adapter buffers 15 characters for the line; the shift codes 0, 27
and 31 take no place. It reports its free places when work starts (the first
speed byte after the port was opened) or the speed changes, whenever places
have freed as the line transmitted the workstation's characters, and once a
second when nothing else was sent. A repeated speed byte of the same speed is
not answered: the workstation sends one after every batch of reports. What
comes beyond the free places is buffered all the same and prints OVERFLOW.

Pacing: a character takes 7.5 units of 1/baud seconds on the line (150 ms at
50 baud, 75 ms at 100, 37.5 ms at 200) in both directions: the codes from the
line reach the workstation one per character time, and the workstation's
characters leave the buffer one per character time. With --fast there is no
pacing: codes pass at once and a report of 15 follows each batch of codes.
While the workstation has the port closed, what comes from the line is lost.
)");
}

TLineCommands::TLineCommands(TLineAdapter& adapter, TCentreLink* centre)
    : TCommandRunner(adapter), adapter_(adapter), centre_(centre) {}

bool TLineCommands::Run(const TCommandWords& words, const Line& line) {
    const QString& verb = words.verb;
    const QStringList& args = words.args;
    const QString what = args.value(0).toLower();
    const QString closed = QStringLiteral("the workstation has the port closed");
    if (verb == QLatin1String("send")) {
        if (!adapter_.IsOpen())
            Fail(line, closed);
        else
            adapter_.FromLine(WideToLine(words.rest, true));
    } else if (verb == QLatin1String("sendhex")) {
        QByteArray bytes;
        if (!ParseHexBytes(words.rest, bytes))
            Fail(line, QStringLiteral("sendhex: pairs of hexadecimal digits are needed"));
        else if (!adapter_.SendRaw(bytes))
            Fail(line, closed);
    } else if (verb == QLatin1String("fault") && what == QLatin1String("error")) {
        int64_t count = 0;
        if (!ParseOptionalNumber(args, 1, 1, count))
            Fail(line, QStringLiteral("fault error: an optional count of characters"));
        else
            adapter_.SetErrorFrames(int(std::min<int64_t>(count, INT_MAX)));
    } else if (verb == QLatin1String("fault") && what == QLatin1String("nosignal")) {
        bool on = false;
        if (!ParseOnOff(args, on))
            Fail(line, QStringLiteral("fault nosignal: on or off"));
        else
            adapter_.SetNoSignal(on);
    } else if (verb == QLatin1String("fault") && what == QLatin1String("stall")) {
        bool on = false;
        if (!ParseOnOff(args, on))
            Fail(line, QStringLiteral("fault stall: on or off"));
        else
            adapter_.SetStalled(on);
    } else if (verb == QLatin1String("fault")) {
        Fail(line,
             QStringLiteral("fault: error, nosignal, stall, silence, unplug, credit0 or clear"));
    } else if (verb == QLatin1String("wait") && what == QLatin1String("rx")) {
        int64_t count = 0;
        int ms = 0;
        if (args.size() < 2 || !ParseNumber(args[1], count) || !ParseTimeout(args, 2, ms)) {
            Fail(line, QStringLiteral("wait rx: a count and an optional time-out in ms"));
            return true;
        }
        return StartWait(
            line, [this, count] { return adapter_.CodesReceived() >= count; }, ms);
    } else if (verb == QLatin1String("wait")) {
        Fail(line, QStringLiteral("wait: open or rx"));
    } else {
        Fail(line, QStringLiteral("unknown command: ") + verb);
    }
    return true;
}

QString TLineCommands::StatusText() const {
    return QStringLiteral("STATUS open=%1 speed=%2 credit=%3 queued=%4 centre=%5 rx=%6 tx=%7")
        .arg(adapter_.IsOpen() ? 1 : 0)
        .arg(adapter_.Speed())
        .arg(adapter_.FreePlaces())
        .arg(adapter_.Queued())
        .arg(centre_ && centre_->IsConnected() ? 1 : 0)
        .arg(adapter_.CodesReceived())
        .arg(adapter_.CodesSent());
}
