#include "support/simulatorprocess.h"

#include "support/loopback.h"

SimulatorProcess::~SimulatorProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished();
    }
}

bool SimulatorProcess::Start(const QString& program, const QStringList& args,
                             const QByteArray& firstLinePrefix) {
    out_.clear();
    firstLine_.clear();
    process_.start(program, args);
    if (process_.waitForStarted() && WaitOutput("\n")) {
        const QByteArray first = out_.left(out_.indexOf('\n'));
        if (first.startsWith(firstLinePrefix)) {
            firstLine_ = first.mid(firstLinePrefix.size());
            return true;
        }
    }
    // Nothing of a failed start stays behind, so that it can be tried again.
    process_.kill();
    process_.waitForFinished();
    return false;
}

void SimulatorProcess::Command(const QString& line) {
    process_.write(line.toUtf8() + '\n');
    // Out at once: a test may wait on a pseudo-terminal rather than on
    // this thread's events, which would otherwise carry the write.
    process_.waitForBytesWritten(kCeilingMs);
}

bool SimulatorProcess::Sync(int ceilingMs) {
    Read();
    const qsizetype from = Output().size();
    const QByteArray marker = "SYNC " + QByteArray::number(++syncs_);
    Command(QStringLiteral("echo ") + QString::fromLatin1(marker));
    return !WaitLine(marker, from, ceilingMs).isEmpty();
}

void SimulatorProcess::Read() {
    out_ += process_.readAllStandardOutput();
}

bool SimulatorProcess::WaitOutput(const QByteArray& text, int ceilingMs) {
    return WaitOutputFrom(0, text, ceilingMs);
}

bool SimulatorProcess::WaitOutputFrom(qsizetype from, const QByteArray& text, int ceilingMs) {
    return WaitUntil(
        [&] {
            Read();
            return out_.indexOf(text, from) >= 0;
        },
        ceilingMs);
}

QByteArray SimulatorProcess::WaitLine(const QByteArray& prefix, qsizetype from, int ceilingMs,
                                      qsizetype* end) {
    qsizetype at = -1;
    qsizetype lineEnd = -1;
    const bool seen = WaitUntil(
        [&] {
            Read();
            for (at = out_.indexOf(prefix, from); at >= 0; at = out_.indexOf(prefix, at + 1)) {
                if (at > 0 && out_.at(at - 1) != '\n')
                    continue;
                lineEnd = out_.indexOf('\n', at);
                return lineEnd >= 0;
            }
            return false;
        },
        ceilingMs);
    if (!seen)
        return QByteArray();
    if (end)
        *end = lineEnd + 1;
    return out_.mid(at, lineEnd - at);
}

int SimulatorProcess::WaitExit(int ceilingMs) {
    if (!WaitUntil([&] { return process_.state() == QProcess::NotRunning; }, ceilingMs))
        return -1;
    Read();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

bool AdapterSimProcess::Start(const QStringList& args) {
    if (!SimulatorProcess::Start(program_, args, "PTY "))
        return false;
    ptyPath_ = QString::fromLocal8Bit(FirstLine());
    ptyLineEnd_ = Output().indexOf('\n') + 1;
    return !ptyPath_.isEmpty();
}

QByteArray AdapterSimProcess::Status() {
    Read();
    const qsizetype from = Output().size();
    Command(QStringLiteral("status"));
    return WaitLine("STATUS ", from);
}

bool AdapterSimProcess::WaitReplug(int ceilingMs) {
    const QByteArray line = WaitLine("PTY ", ptyLineEnd_, ceilingMs, &ptyLineEnd_);
    if (line.isEmpty())
        return false;
    ptyPath_ = QString::fromLocal8Bit(line.mid(4));
    return true;
}
