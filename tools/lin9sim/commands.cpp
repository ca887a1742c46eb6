#include "commands.h"

#include "adapter.h"
#include "centrelink.h"
#include "console.h"
#include "util/linecode.h"

#include <QFile>
#include <QStringList>

#include <climits>

namespace {

bool ParseNumber(const QString& text, int64_t& value) {
    bool ok = false;
    value = text.toLongLong(&ok, 10);
    return ok && value >= 0;
}

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

bool ParseCommand(const QString& rawLine, TCommand& command, QString* error) {
    command = TCommand();
    QString line = rawLine;
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    qsizetype start = 0;
    while (start < line.size() && line[start].isSpace())
        ++start;
    line = line.mid(start);
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return true;

    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QString verb = (space < 0 ? line : line.left(space)).toLower();
    // The rest as written: blanks at the end of a text to send are part of it.
    const QString rest = space < 0 ? QString() : line.mid(space + 1);
    const QStringList args = rest.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    auto set = [&](TCommand::Kind kind) {
        command.kind = kind;
        return true;
    };
    // An optional number at args[index] and nothing after it.
    auto optional = [&](int index, int64_t fallback, int64_t& value) {
        value = fallback;
        if (index < args.size() && !ParseNumber(args[index], value))
            return false;
        return index + 1 >= args.size();
    };
    auto timeout = [&](int index) {
        int64_t value = 0;
        if (!optional(index, kDefaultWaitTimeoutMs, value))
            return false;
        command.timeoutMs = int(std::min<int64_t>(value, INT_MAX));
        return true;
    };

    if (verb == QLatin1String("send") || verb == QLatin1String("echo")) {
        command.text = rest;
        return set(verb == QLatin1String("send") ? TCommand::Send : TCommand::Echo);
    }
    if (verb == QLatin1String("sendhex")) {
        if (!ParseHexBytes(rest, command.bytes))
            return fail(QStringLiteral("sendhex: pairs of hexadecimal digits are needed"));
        return set(TCommand::SendHex);
    }
    if (verb == QLatin1String("fault")) {
        const QString what = args.value(0).toLower();
        if (what == QLatin1String("error")) {
            if (!optional(1, 1, command.number))
                return fail(QStringLiteral("fault error: an optional count of characters"));
            return set(TCommand::FaultError);
        }
        if (what == QLatin1String("unplug")) {
            if (!optional(1, 1000, command.number))
                return fail(QStringLiteral("fault unplug: an optional time in ms"));
            return set(TCommand::FaultUnplug);
        }
        if (what == QLatin1String("clear")) {
            if (args.size() != 1)
                return fail(QStringLiteral("fault clear: takes no arguments"));
            return set(TCommand::FaultClear);
        }
        const struct {
            const char* name;
            TCommand::Kind kind;
        } switches[] = {{"nosignal", TCommand::FaultNoSignal},
                        {"silence", TCommand::FaultSilence},
                        {"credit0", TCommand::FaultCreditZero}};
        for (const auto& s : switches) {
            if (what != QLatin1String(s.name))
                continue;
            const QString state = args.value(1).toLower();
            if (args.size() != 2 || (state != QLatin1String("on") && state != QLatin1String("off")))
                return fail(QStringLiteral("fault %1: on or off").arg(what));
            command.on = state == QLatin1String("on");
            return set(s.kind);
        }
        return fail(QStringLiteral("fault: error, nosignal, silence, unplug, credit0 or clear"));
    }
    if (verb == QLatin1String("sleep")) {
        if (args.size() != 1 || !ParseNumber(args[0], command.number))
            return fail(QStringLiteral("sleep: milliseconds are needed"));
        return set(TCommand::Sleep);
    }
    if (verb == QLatin1String("wait")) {
        const QString what = args.value(0).toLower();
        if (what == QLatin1String("open")) {
            if (!timeout(1))
                return fail(QStringLiteral("wait open: an optional time-out in ms only"));
            return set(TCommand::WaitOpen);
        }
        if (what == QLatin1String("rx")) {
            if (args.size() < 2 || !ParseNumber(args[1], command.number) || !timeout(2))
                return fail(QStringLiteral("wait rx: a count and an optional time-out in ms"));
            return set(TCommand::WaitRx);
        }
        return fail(QStringLiteral("wait: open or rx"));
    }
    const struct {
        const char* name;
        TCommand::Kind kind;
    } plain[] = {{"plug", TCommand::Plug},
                 {"status", TCommand::Status},
                 {"help", TCommand::Help},
                 {"quit", TCommand::Quit},
                 {"exit", TCommand::Quit}};
    for (const auto& p : plain) {
        if (verb == QLatin1String(p.name)) {
            if (!args.isEmpty())
                return fail(verb + QStringLiteral(": takes no arguments"));
            return set(p.kind);
        }
    }
    return fail(QStringLiteral("unknown command: ") + verb);
}

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
  fault credit0 on|off credit reports say 0
  fault unplug [MS]    pull the adapter out: the workstation's port hangs up;
                       after MS ms (default 1000) a new pseudo-terminal is
                       opened and its path printed as "PTY ..."; 0 stays
                       unplugged until "plug"
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

// ------------------------------------------------------------ TCommandRunner

TCommandRunner::TCommandRunner(TLineAdapter& adapter, TCentreLink* centre)
    : adapter_(adapter), centre_(centre) {}

bool TCommandRunner::LoadScript(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read the script ") + path;
        return false;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (int i = 0; i < lines.size(); ++i)
        queue_.append({QString::fromUtf8(lines[i]), path, i + 1});
    return true;
}

void TCommandRunner::Feed(const char* data, int size) {
    if (size <= 0) {
        inputEnded_ = true;
        if (!input_.isEmpty())
            input_.append('\n');
    } else {
        input_.append(data, size);
    }
    qsizetype end;
    while ((end = input_.indexOf('\n')) >= 0) {
        queue_.append(
            {QString::fromUtf8(input_.left(end)), QStringLiteral("stdin"), ++inputLines_});
        input_.remove(0, end + 1);
    }
}

bool TCommandRunner::Pump() {
    if (wait_.kind != TCommand::None) {
        if (WaitSatisfied()) {
            wait_.kind = TCommand::None;
        } else if (wait_.kind != TCommand::Sleep && NowUs() >= waitUntilUs_) {
            Fail(waitLine_, QStringLiteral("the wait timed out: ") + waitLine_.text.trimmed());
            wait_.kind = TCommand::None;
        }
    }
    while (!quit_ && wait_.kind == TCommand::None && !queue_.isEmpty()) {
        const Line line = queue_.takeFirst();
        TCommand command;
        QString error;
        if (!ParseCommand(line.text, command, &error))
            Fail(line, error);
        else if (!Execute(command, line))
            break;
    }
    if (quit_)
        return false;
    return wait_.kind != TCommand::None || !queue_.isEmpty() || !inputEnded_ || stay_;
}

int TCommandRunner::TimeoutMs(int64_t nowUs) const {
    if (wait_.kind == TCommand::None)
        return -1;
    return waitUntilUs_ <= nowUs ? 0 : int((waitUntilUs_ - nowUs + 999) / 1000);
}

bool TCommandRunner::Execute(const TCommand& command, const Line& line) {
    auto startWait = [&](int64_t ms) {
        wait_ = command;
        waitLine_ = line;
        waitUntilUs_ = NowUs() + ms * 1000;
        if (!WaitSatisfied())
            return false;
        wait_.kind = TCommand::None;
        return true;
    };
    switch (command.kind) {
        case TCommand::None:
            return true;
        case TCommand::Send:
            if (!adapter_.IsOpen())
                Fail(line, QStringLiteral("the workstation has the port closed"));
            else
                adapter_.FromLine(WideToLine(command.text, true));
            return true;
        case TCommand::SendHex:
            if (!adapter_.SendRaw(command.bytes))
                Fail(line, QStringLiteral("the workstation has the port closed"));
            return true;
        case TCommand::FaultError:
            adapter_.SetErrorFrames(int(std::min<int64_t>(command.number, INT_MAX)));
            return true;
        case TCommand::FaultNoSignal:
            adapter_.SetNoSignal(command.on);
            return true;
        case TCommand::FaultSilence:
            adapter_.SetSilence(command.on);
            return true;
        case TCommand::FaultCreditZero:
            adapter_.SetCreditZero(command.on);
            return true;
        case TCommand::FaultClear:
            adapter_.ClearFaults();
            return true;
        case TCommand::FaultUnplug:
            adapter_.Unplug(int(std::min<int64_t>(command.number, INT_MAX)));
            return true;
        case TCommand::Plug:
            if (adapter_.IsPlugged())
                Fail(line, QStringLiteral("the adapter is plugged in"));
            else if (!adapter_.Plug())
                Fail(line, QStringLiteral("cannot open a pseudo-terminal"));
            return true;
        case TCommand::Status:
            PrintLine(StatusText());
            return true;
        case TCommand::Echo:
            PrintLine(command.text);
            return true;
        case TCommand::Help:
            PrintLine(CommandHelp());
            return true;
        case TCommand::Sleep:
            return startWait(command.number);
        case TCommand::WaitOpen:
        case TCommand::WaitRx:
            return startWait(command.timeoutMs);
        case TCommand::Quit:
            quit_ = true;
            return false;
    }
    return true;
}

bool TCommandRunner::WaitSatisfied() const {
    switch (wait_.kind) {
        case TCommand::Sleep:
            return NowUs() >= waitUntilUs_;
        case TCommand::WaitOpen:
            return adapter_.IsOpen();
        case TCommand::WaitRx:
            return adapter_.CodesReceived() >= wait_.number;
        default:
            return true;
    }
}

void TCommandRunner::Fail(const Line& line, const QString& message) const {
    PrintLine(QStringLiteral("ERROR %1:%2: %3").arg(line.origin).arg(line.number).arg(message));
}

QString TCommandRunner::StatusText() const {
    return QStringLiteral("STATUS open=%1 speed=%2 credit=%3 queued=%4 centre=%5 rx=%6 tx=%7")
        .arg(adapter_.IsOpen() ? 1 : 0)
        .arg(adapter_.Speed())
        .arg(adapter_.FreePlaces())
        .arg(adapter_.Queued())
        .arg(centre_ && centre_->IsConnected() ? 1 : 0)
        .arg(adapter_.CodesReceived())
        .arg(adapter_.CodesSent());
}
