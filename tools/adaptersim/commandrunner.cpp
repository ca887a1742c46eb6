#include "adaptersim/commandrunner.h"

#include "adaptersim/console.h"
#include "adaptersim/ptyadapter.h"

#include <QFile>

#include <algorithm>
#include <climits>

TCommandWords SplitCommand(const QString& rawLine) {
    TCommandWords words;
    QString line = rawLine;
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    qsizetype start = 0;
    while (start < line.size() && line.at(start).isSpace())
        ++start;
    line = line.mid(start);
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return words;
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    words.verb = (space < 0 ? line : line.left(space)).toLower();
    // The rest as written: blanks at the end of a text to send are part of it.
    words.rest = space < 0 ? QString() : line.mid(space + 1);
    words.args = words.rest.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words;
}

bool ParseNumber(const QString& text, int64_t& value) {
    bool ok = false;
    value = text.toLongLong(&ok, 10);
    return ok && value >= 0;
}

bool ParseOptionalNumber(const QStringList& args, int index, int64_t fallback, int64_t& value) {
    value = fallback;
    if (index < args.size() && !ParseNumber(args[index], value))
        return false;
    return index + 1 >= args.size();
}

bool ParseTimeout(const QStringList& args, int index, int& ms) {
    int64_t value = 0;
    if (!ParseOptionalNumber(args, index, kDefaultWaitTimeoutMs, value))
        return false;
    ms = int(std::min<int64_t>(value, INT_MAX));
    return true;
}

bool ParseOnOff(const QStringList& args, bool& on) {
    const QString state = args.value(1).toLower();
    on = state == QLatin1String("on");
    return args.size() == 2 && (on || state == QLatin1String("off"));
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
    if (waiting_) {
        if (WaitSatisfied()) {
            waiting_ = false;
        } else if (waitDone_ && NowUs() >= waitUntilUs_) {
            Fail(waitLine_, QStringLiteral("the wait timed out: ") + waitLine_.text.trimmed());
            waiting_ = false;
        }
    }
    while (!quit_ && !waiting_ && !queue_.isEmpty()) {
        const Line line = queue_.takeFirst();
        if (!Execute(SplitCommand(line.text), line))
            break;
    }
    if (quit_)
        return false;
    return waiting_ || !queue_.isEmpty() || !inputEnded_ || stay_;
}

int TCommandRunner::TimeoutMs(int64_t nowUs) const {
    return waiting_ ? MsUntil(waitUntilUs_, nowUs) : -1;
}

bool TCommandRunner::StartWait(const Line& line, std::function<bool()> done, int64_t ms) {
    waiting_ = true;
    waitDone_ = std::move(done);
    waitLine_ = line;
    waitUntilUs_ = NowUs() + ms * 1000;
    if (!WaitSatisfied())
        return false;
    waiting_ = false;
    return true;
}

bool TCommandRunner::WaitSatisfied() const {
    return waitDone_ ? waitDone_() : NowUs() >= waitUntilUs_;
}

void TCommandRunner::Fail(const Line& line, const QString& message) const {
    PrintLine(QStringLiteral("ERROR %1:%2: %3").arg(line.origin).arg(line.number).arg(message));
}

bool TCommandRunner::Execute(const TCommandWords& words, const Line& line) {
    const QString& verb = words.verb;
    if (verb.isEmpty())
        return true;
    if (verb == QLatin1String("echo")) {
        PrintLine(words.rest);
        return true;
    }
    if (verb == QLatin1String("sleep")) {
        int64_t ms = 0;
        if (words.args.size() != 1 || !ParseNumber(words.args[0], ms)) {
            Fail(line, QStringLiteral("sleep: milliseconds are needed"));
            return true;
        }
        return StartWait(line, nullptr, ms);
    }
    if (verb == QLatin1String("fault"))
        return Fault(words, line);
    if (verb == QLatin1String("wait") && words.args.value(0).toLower() == QLatin1String("open")) {
        int ms = 0;
        if (!ParseTimeout(words.args, 1, ms)) {
            Fail(line, QStringLiteral("wait open: an optional time-out in ms only"));
            return true;
        }
        return StartWait(
            line, [this] { return adapter_.IsOpen(); }, ms);
    }
    for (const char* plain : {"plug", "status", "help", "quit", "exit"}) {
        if (verb != QLatin1String(plain))
            continue;
        if (!words.args.isEmpty()) {
            Fail(line, verb + QStringLiteral(": takes no arguments"));
        } else if (verb == QLatin1String("plug")) {
            if (adapter_.IsPlugged())
                Fail(line, QStringLiteral("the adapter is plugged in"));
            else if (!adapter_.Plug())
                Fail(line, QStringLiteral("cannot open a pseudo-terminal"));
        } else if (verb == QLatin1String("status")) {
            PrintLine(StatusText());
        } else if (verb == QLatin1String("help")) {
            PrintLine(Help());
        } else {
            quit_ = true;
            return false;
        }
        return true;
    }
    return Run(words, line);
}

bool TCommandRunner::Fault(const TCommandWords& words, const Line& line) {
    const QStringList& args = words.args;
    const QString what = args.value(0).toLower();
    if (what == QLatin1String("unplug")) {
        int64_t ms = 0;
        if (!ParseOptionalNumber(args, 1, 1000, ms))
            Fail(line, QStringLiteral("fault unplug: an optional time in ms"));
        else
            adapter_.Unplug(int(std::min<int64_t>(ms, INT_MAX)));
        return true;
    }
    if (what == QLatin1String("clear")) {
        if (args.size() != 1)
            Fail(line, QStringLiteral("fault clear: takes no arguments"));
        else
            adapter_.ClearFaults();
        return true;
    }
    if (what == QLatin1String("silence") || what == QLatin1String("credit0")) {
        bool on = false;
        if (!ParseOnOff(args, on))
            Fail(line, QStringLiteral("fault %1: on or off").arg(what));
        else if (what == QLatin1String("silence"))
            adapter_.SetSilence(on);
        else
            adapter_.SetCreditZero(on);
        return true;
    }
    return Run(words, line);
}
