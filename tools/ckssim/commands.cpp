#include "commands.h"

#include "centre.h"
#include "centreclock.h"
#include "centresession.h"
#include "transcript.h"
#include "util/linecode.h"

#include <QFile>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdio>

namespace {

// Decimal, or hexadecimal with a 0x prefix.
bool ParseNumber(const QString& text, qint64& value) {
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    return ok;
}

bool ParseHexBytes(const QString& text, LineText& bytes) {
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    if (digits.isEmpty() || digits.size() % 2 != 0)
        return false;
    for (QChar c : digits)
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            return false;
    bytes = QByteArray::fromHex(digits.toLatin1());
    return true;
}

QString ConsoleText(const LineText& bytes) {
    QString text = LineToWide(bytes, true);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QString HexByte(uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

bool ParseCommand(const QString& rawLine, TCommand& command, QString* error) {
    command = TCommand();
    QString line = rawLine;
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    qsizetype start = 0;
    while (start < line.size() && line.at(start).isSpace())
        ++start;
    line = line.mid(start);
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return true;

    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QString verb = (space < 0 ? line : line.left(space)).toLower();
    // The rest as written: trailing blanks of a text to send are part of it.
    const QString rest = space < 0 ? QString() : line.mid(space + 1);
    const QStringList args = rest.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    auto number = [&](int index, qint64& value) {
        return index < args.size() && ParseNumber(args[index], value);
    };
    auto optionalTimeout = [&](int index) {
        qint64 value = kDefaultWaitTimeoutMs;
        if (index < args.size() && (!ParseNumber(args[index], value) || value < 0))
            return false;
        if (index + 1 < args.size())
            return false;
        command.timeoutMs = int(qMin<qint64>(value, INT_MAX));
        return true;
    };

    if (verb == QLatin1String("send")) {
        command.kind = TCommand::Send;
        command.text = rest;
        return true;
    }
    if (verb == QLatin1String("echo")) {
        command.kind = TCommand::Echo;
        command.text = rest;
        return true;
    }
    if (verb == QLatin1String("sendfile") || verb == QLatin1String("sendtext")) {
        command.kind = verb == QLatin1String("sendfile") ? TCommand::SendFile : TCommand::SendText;
        command.text = rest.trimmed();
        if (command.text.isEmpty())
            return fail(verb + QStringLiteral(": a file name is needed"));
        return true;
    }
    if (verb == QLatin1String("sendhex")) {
        command.kind = TCommand::SendHex;
        if (!ParseHexBytes(rest, command.bytes))
            return fail(QStringLiteral("sendhex: pairs of hexadecimal digits are needed"));
        return true;
    }
    if (verb == QLatin1String("urgent")) {
        command.kind = TCommand::Urgent;
        if (args.size() != 1 || !number(0, command.number) || command.number < 0 ||
            command.number > 255)
            return fail(QStringLiteral("urgent: a byte value 0-255 is needed"));
        return true;
    }
    if (verb == QLatin1String("keepalive")) {
        command.kind = TCommand::Keepalive;
        if (args.size() == 1 && args[0].toLower() == QLatin1String("off")) {
            command.number = -1;
            return true;
        }
        qint64 every = 0;
        if (args.isEmpty() || args.size() > 2 || !number(0, command.number) || command.number < 0 ||
            command.number > 255 ||
            (args.size() == 2 && (!number(1, every) || every <= 0 || every > INT_MAX)))
            return fail(
                QStringLiteral("keepalive: \"off\" or a byte value 0-255 and a period in ms"));
        command.everyMs = int(every);
        return true;
    }
    if (verb == QLatin1String("sleep")) {
        command.kind = TCommand::Sleep;
        if (args.size() != 1 || !number(0, command.number) || command.number < 0)
            return fail(QStringLiteral("sleep: milliseconds are needed"));
        return true;
    }
    if (verb == QLatin1String("wait")) {
        const QString what = args.value(0).toLower();
        if (what == QLatin1String("connect") || what == QLatin1String("disconnect")) {
            command.kind =
                what == QLatin1String("connect") ? TCommand::WaitConnect : TCommand::WaitDisconnect;
            if (!optionalTimeout(1))
                return fail(QStringLiteral("wait %1: an optional time-out in ms only").arg(what));
            return true;
        }
        if (what == QLatin1String("bytes") || what == QLatin1String("urgent")) {
            command.kind =
                what == QLatin1String("bytes") ? TCommand::WaitBytes : TCommand::WaitUrgent;
            if (!number(1, command.number) || command.number < 0 || !optionalTimeout(2))
                return fail(
                    QStringLiteral("wait %1: a count and an optional time-out in ms").arg(what));
            return true;
        }
        if (what == QLatin1String("accepted") || what == QLatin1String("sent")) {
            command.kind = what == QLatin1String("accepted") ? TCommand::WaitAccepted
                                                             : TCommand::WaitSentTelegrams;
            if (!number(1, command.number) || command.number < 0 || !optionalTimeout(2))
                return fail(
                    QStringLiteral("wait %1: a count and an optional time-out in ms").arg(what));
            return true;
        }
        if (what == QLatin1String("state")) {
            command.kind = TCommand::WaitState;
            command.text = args.value(1).toUpper();
            TChannelState state;
            bool known = false;
            for (auto s : {TChannelState::Closed, TChannelState::Open, TChannelState::Stopped,
                           TChannelState::Schedule, TChannelState::Confirm})
                known = known || TCentre::StateCode(s) == command.text;
            if (!known && TCentre::StateOfWord(command.text, state)) {
                command.text = TCentre::StateCode(state);
                known = true;
            }
            if (!known || !optionalTimeout(2))
                return fail(QStringLiteral(
                    "wait state: РБ, БА, БД, БВ or БР and an optional time-out in ms"));
            return true;
        }
        if (what == QLatin1String("time")) {
            command.kind = TCommand::WaitTime;
            command.text = args.value(1);
            QDateTime probe;
            if (!ParseCentreTime(command.text, QDate(2000, 1, 1), probe) || !optionalTimeout(2))
                return fail(QStringLiteral(
                    "wait time: hh:mm[:ss] or yyyy-MM-ddThh:mm[:ss] and an optional time-out"));
            return true;
        }
        return fail(QStringLiteral(
            "wait: connect, disconnect, bytes, urgent, state, accepted, sent or time"));
    }
    const struct {
        const char* name;
        TCommand::Kind kind;
    } plain[] = {{"drop", TCommand::Drop}, {"show", TCommand::Show}, {"status", TCommand::Status},
                 {"help", TCommand::Help}, {"quit", TCommand::Quit}, {"exit", TCommand::Quit}};
    for (const auto& p : plain) {
        if (verb == QLatin1String(p.name)) {
            if (!args.isEmpty())
                return fail(verb + QStringLiteral(": takes no arguments"));
            command.kind = p.kind;
            return true;
        }
    }
    switch (ParseCentreCommand(verb, rest, args, command.centre, error)) {
        case TCentreParse::Ok:
            command.kind = TCommand::Centre;
            return true;
        case TCentreParse::Error:
            return false;
        case TCentreParse::NotCentre:
            break;
    }
    return fail(QStringLiteral("unknown command: ") + verb);
}

QString CommandHelp() {
    return QStringLiteral(
               R"(Commands (one per line; blank lines and lines starting with # are skipped):
  send TEXT            send TEXT (UTF-8) converted to line code; '<' stands for CR
                       and '>' for LF, e.g.  send ЗЦЗЦ 001<>  ; blanks at the end count
  sendtext FILE        send a UTF-8 text file converted to line code; its line ends
                       (LF or CR LF) become CR LF
  sendfile FILE        send a file of line code (code page 866) exactly as it is
  sendhex HH HH ...    send raw bytes given in hexadecimal
  urgent N             send one urgent (out-of-band) byte now, 0-255 or 0xNN
  keepalive N [MS]     send the urgent keepalive byte N at every connect and then
                       every MS milliseconds (MS unchanged when left out); the
                       workstation takes N as its time-out in seconds
  keepalive 0          send a single 0, which stops the workstation's countdown
  keepalive off        send no keepalive at all
  drop                 close the connection to the workstation
  show                 print the transcript as readable text
  status               print the connection state and the counters
  echo TEXT            print TEXT
  sleep MS             pause the commands for MS milliseconds
  wait connect [T]     until a workstation is connected
  wait disconnect [T]  until no workstation is connected
  wait bytes N [T]     until N bytes in all were received since the start
  wait urgent N [T]    until N urgent bytes (keepalive echoes) in all were received
                       (T: time-out in ms, default 30000)
  help                 print this list
  quit, exit           end the program
)") + CentreCommandHelp();
}

// ------------------------------------------------------------ TCommandRunner

TCommandRunner::TCommandRunner(TCentreSession& session, TCentre& centre, TCentreClock& clock,
                               QObject* parent)
    : QObject(parent), session_(session), centre_(centre), clock_(clock) {
    centre_.AddListener(
        [this](const QString& event) { PrintEvent(QStringLiteral("CENTRE ") + event); });
    waitTimer_.setInterval(20);
    connect(&waitTimer_, &QTimer::timeout, this, &TCommandRunner::CheckWait);
    connect(&session_, &TCentreSession::Connected, this, [this](const QString& peer) {
        PrintEvent(QStringLiteral("CONNECTED ") + peer);
        CheckWait();
    });
    connect(&session_, &TCentreSession::Disconnected, this, [this](const QString& reason) {
        PrintEvent(QStringLiteral("DISCONNECTED ") + reason);
        CheckWait();
    });
    connect(&session_, &TCentreSession::Received, this, [this](const LineText& block) {
        PrintEvent(QStringLiteral("RX %1: ").arg(block.size()) + ConsoleText(block));
        CheckWait();
    });
    connect(&session_, &TCentreSession::UrgentArrived, this, [this](uint8_t byte) {
        PrintEvent(QStringLiteral("OOB ") + HexByte(byte));
        CheckWait();
    });
}

bool TCommandRunner::LoadScript(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read the script ") + path;
        return false;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (int i = 0; i < lines.size(); ++i)
        queue_.append({QString::fromUtf8(lines[i]), path, i + 1, true});
    return true;
}

void TCommandRunner::ReadStandardInput() {
    readingStdin_ = true;
    stdinNotifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(stdinNotifier_, &QSocketNotifier::activated, this, &TCommandRunner::StdinReady);
}

void TCommandRunner::Start() {
    QTimer::singleShot(0, this, &TCommandRunner::Pump);
}

void TCommandRunner::StdinReady() {
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n > 0) {
        stdinBuffer_.append(buffer, n);
    } else {
        stdinEnded_ = true;
        stdinNotifier_->setEnabled(false);
        if (!stdinBuffer_.isEmpty())
            stdinBuffer_.append('\n');
    }
    qsizetype end;
    while ((end = stdinBuffer_.indexOf('\n')) >= 0) {
        queue_.append({QString::fromUtf8(stdinBuffer_.left(end)), QStringLiteral("stdin"),
                       ++stdinLineNumber_, false});
        stdinBuffer_.remove(0, end + 1);
    }
    Pump();
}

void TCommandRunner::Pump() {
    while (!finished_ && waitKind_ == TCommand::None && !queue_.isEmpty()) {
        const Line line = queue_.takeFirst();
        TCommand command;
        QString error;
        if (!ParseCommand(line.text, command, &error)) {
            Fail(line, error, kExitCommandError);
            continue;
        }
        if (!Execute(command, line))
            break;
    }
    if (finished_ || waitKind_ != TCommand::None || !queue_.isEmpty())
        return;
    if ((readingStdin_ && !stdinEnded_) || stay_)
        return;
    finished_ = true;
    emit Finished(kExitOk);
}

bool TCommandRunner::Execute(const TCommand& command, const Line& line) {
    auto send = [&](const LineText& bytes) {
        if (!session_.IsConnected())
            Fail(line, QStringLiteral("no workstation is connected"), kExitCommandError);
        else if (!session_.Send(bytes))
            Fail(line, QStringLiteral("the send failed"), kExitCommandError);
    };
    auto readFile = [&](QByteArray& bytes) {
        QFile file(command.text);
        if (!file.open(QIODevice::ReadOnly)) {
            Fail(line, QStringLiteral("cannot read ") + command.text, kExitCommandError);
            return false;
        }
        bytes = file.readAll();
        return true;
    };
    auto startWait = [&](qint64 target, int timeoutMs) {
        waitKind_ = command.kind;
        waitTarget_ = target;
        waitDeadline_ = QDeadlineTimer(timeoutMs);
        waitLine_ = line;
        if (WaitSatisfied()) {
            waitKind_ = TCommand::None;
            return true;
        }
        waitTimer_.start();
        return false;
    };

    switch (command.kind) {
        case TCommand::None:
            return true;
        case TCommand::Send:
            send(WideToLine(command.text, true));
            return true;
        case TCommand::SendFile: {
            QByteArray bytes;
            if (readFile(bytes))
                send(bytes);
            return true;
        }
        case TCommand::SendText: {
            QByteArray bytes;
            if (readFile(bytes)) {
                QString text = QString::fromUtf8(bytes);
                text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
                text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
                send(WideToLine(text));
            }
            return true;
        }
        case TCommand::SendHex:
            send(command.bytes);
            return true;
        case TCommand::Urgent:
            if (!session_.SendUrgent(uint8_t(command.number)))
                Fail(line, QStringLiteral("no workstation is connected"), kExitCommandError);
            return true;
        case TCommand::Keepalive:
            session_.SetKeepalive(int(command.number), command.everyMs);
            return true;
        case TCommand::Drop:
            session_.Drop();
            return true;
        case TCommand::Show: {
            QFile file(session_.TranscriptPath());
            if (file.open(QIODevice::ReadOnly))
                Print(TTranscript::Readable(file.readAll())
                          .replace(QLatin1String("\r\n"), QLatin1String("\n")));
            return true;
        }
        case TCommand::Status:
            Print(StatusText());
            return true;
        case TCommand::Echo:
            Print(command.text);
            return true;
        case TCommand::Help:
            Print(CommandHelp());
            return true;
        case TCommand::Sleep:
            return startWait(0, int(qMin<qint64>(command.number, INT_MAX)));
        case TCommand::WaitConnect:
        case TCommand::WaitDisconnect:
        case TCommand::WaitBytes:
        case TCommand::WaitUrgent:
        case TCommand::WaitAccepted:
        case TCommand::WaitSentTelegrams:
            return startWait(command.number, command.timeoutMs);
        case TCommand::WaitState:
            waitState_ = command.text;
            return startWait(0, command.timeoutMs);
        case TCommand::WaitTime: {
            const QDateTime now = clock_.LocalTime();
            ParseCentreTime(command.text, now.date(), waitTime_);
            // A time of day alone means its next coming.
            if (!command.text.contains(QLatin1Char('-')) && waitTime_ <= now)
                waitTime_ = waitTime_.addDays(1);
            return startWait(0, command.timeoutMs);
        }
        case TCommand::Centre: {
            QString error;
            if (!RunCentreCommand(centre_, clock_, command.centre, &error))
                Fail(line, error, kExitCommandError);
            return true;
        }
        case TCommand::Quit:
            finished_ = true;
            emit Finished(kExitOk);
            return false;
    }
    return true;
}

bool TCommandRunner::WaitSatisfied() const {
    switch (waitKind_) {
        case TCommand::Sleep:
            return waitDeadline_.hasExpired();
        case TCommand::WaitConnect:
            return session_.IsConnected();
        case TCommand::WaitDisconnect:
            return !session_.IsConnected();
        case TCommand::WaitBytes:
            return session_.BytesReceived() >= waitTarget_;
        case TCommand::WaitUrgent:
            return session_.UrgentReceived() >= waitTarget_;
        case TCommand::WaitAccepted:
            return centre_.AcceptedTotal() >= waitTarget_;
        case TCommand::WaitSentTelegrams:
            return centre_.SentTotal() >= waitTarget_;
        case TCommand::WaitState:
            return TCentre::StateCode(centre_.State()) == waitState_;
        case TCommand::WaitTime:
            return clock_.LocalTime() >= waitTime_;
        default:
            return true;
    }
}

void TCommandRunner::CheckWait() {
    if (waitKind_ == TCommand::None)
        return;
    if (!WaitSatisfied()) {
        if (!waitDeadline_.hasExpired())
            return;
        waitTimer_.stop();
        waitKind_ = TCommand::None;
        Fail(waitLine_, QStringLiteral("the wait timed out: ") + waitLine_.text.trimmed(),
             kExitWaitTimeout);
    } else {
        waitTimer_.stop();
        waitKind_ = TCommand::None;
    }
    Pump();
}

void TCommandRunner::Fail(const Line& line, const QString& message, int exitCode) {
    const QString text =
        QStringLiteral("ckssim: %1:%2: %3\n").arg(line.origin).arg(line.number).arg(message);
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
    if (line.fromScript && !finished_) {
        finished_ = true;
        queue_.clear();
        emit Finished(exitCode);
    }
}

void TCommandRunner::Print(const QString& text) const {
    QByteArray bytes = text.toUtf8();
    if (!bytes.endsWith('\n'))
        bytes.append('\n');
    std::fputs(bytes.constData(), stdout);
    std::fflush(stdout);
}

void TCommandRunner::PrintEvent(const QString& text) const {
    if (!quiet_)
        Print(text);
}

QString TCommandRunner::StatusText() const {
    QString text = session_.IsConnected() ? QStringLiteral("CONNECTED ") + session_.Peer()
                                          : QStringLiteral("WAITING");
    text += QStringLiteral(" connections=%1 received=%2 sent=%3 urgent=%4 keepalive=")
                .arg(session_.Connections())
                .arg(session_.BytesReceived())
                .arg(session_.BytesSent())
                .arg(session_.UrgentReceived());
    text += session_.KeepaliveValue() < 0 ? QStringLiteral("off")
                                          : QStringLiteral("%1/%2ms")
                                                .arg(session_.KeepaliveValue())
                                                .arg(session_.KeepaliveEveryMs());
    return text + QLatin1Char('\n') + centre_.StatusText() +
           QStringLiteral(" speed=%1").arg(clock_.Speed());
}
