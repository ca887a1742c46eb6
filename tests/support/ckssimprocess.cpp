#include "support/ckssimprocess.h"

#include "support/loopback.h"

CkssimProcess::~CkssimProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished();
    }
}

bool CkssimProcess::Start(const QStringList& args) {
    process_.start(QStringLiteral(CKSSIM_PATH), args);
    if (!process_.waitForStarted() || !WaitOutput("\n"))
        return false;
    const QByteArray first = out_.left(out_.indexOf('\n'));
    if (!first.startsWith("LISTENING 127.0.0.1:"))
        return false;
    port_ = first.mid(first.lastIndexOf(':') + 1).toInt();
    return port_ > 0;
}

void CkssimProcess::Command(const QString& line) {
    process_.write(line.toUtf8() + '\n');
}

void CkssimProcess::Read() {
    out_ += process_.readAllStandardOutput();
}

bool CkssimProcess::WaitOutput(const QByteArray& text, int ceilingMs) {
    return WaitUntil(
        [&] {
            Read();
            return out_.contains(text);
        },
        ceilingMs);
}

QByteArray CkssimProcess::Status() {
    Read();
    const qsizetype from = out_.size();
    Command(QStringLiteral("status"));
    const bool seen = WaitUntil([&] {
        Read();
        const qsizetype at = out_.indexOf("CENTRE channel=", from);
        return at >= 0 && out_.indexOf('\n', at) >= 0;
    });
    if (!seen)
        return QByteArray();
    const qsizetype at = out_.indexOf("CENTRE channel=", from);
    return out_.mid(at, out_.indexOf('\n', at) - at);
}

int CkssimProcess::WaitExit(int ceilingMs) {
    if (!WaitUntil([&] { return process_.state() == QProcess::NotRunning; }, ceilingMs))
        return -1;
    Read();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}
