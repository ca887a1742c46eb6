#include "tarvoprocess.h"

#include "support/loopback.h"
#include "support/testhome.h"
#include "util/codepages.h"

#include <QDate>
#include <QDir>
#include <QProcessEnvironment>

#include <csignal>

TarvoProcess::TarvoProcess(QString home, QString runtime)
    : home_(std::move(home)), runtime_(runtime.isEmpty() ? home_ : std::move(runtime)) {}

TarvoProcess::~TarvoProcess() {
    if (Running())
        Kill();
}

void TarvoProcess::Launch(QStringList command, QProcessEnvironment environment) {
    command_ = std::move(command);
    environment_ = std::move(environment);
}

QString TarvoProcess::Errors() {
    errors_ += process_.readAllStandardError();
    return QString::fromLocal8Bit(errors_);
}

bool TarvoProcess::Start(const QStringList& args) {
    QString program = QStringLiteral(TARVO_PATH);
    QStringList arguments = args;
    if (command_.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARVO_HOME"), home_);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    } else {
        errors_.clear();
        process_.setProcessEnvironment(environment_);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        program = command_.first();
        arguments = command_.mid(1) + args;
    }
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.start(program, arguments);
    if (process_.waitForStarted(10000))
        return true;
    // Nothing of a failed start stays behind, so that it can be tried again.
    process_.kill();
    process_.waitForFinished();
    return false;
}

bool TarvoProcess::Kill(int ceilingMs) {
    if (!Running())
        return true;
    ::kill(pid_t(process_.processId()), SIGKILL);
    return process_.waitForFinished(ceilingMs);
}

bool TarvoProcess::Terminate(int ceilingMs) {
    if (!Running())
        return false;
    ::kill(pid_t(process_.processId()), SIGTERM);
    return process_.waitForFinished(ceilingMs) && process_.exitStatus() == QProcess::NormalExit &&
           process_.exitCode() == 0;
}

QString TarvoProcess::HowItEnded() const {
    if (Running())
        return {};
    if (process_.exitStatus() == QProcess::CrashExit)
        return QStringLiteral("crashed (%1)").arg(process_.errorString());
    return QStringLiteral("exit status %1").arg(process_.exitCode());
}

QString TarvoProcess::Protocol() const {
    const QString path = home_ + QStringLiteral("/prt/") +
                         QDate::currentDate().toString(QStringLiteral("MMdd")) +
                         QStringLiteral(".prt");
    return Cp866ToWide(ReadFileBytes(path));
}

bool TarvoProcess::WaitForProtocol(const QString& text, int ceilingMs) const {
    return WaitUntil([&] { return Protocol().contains(text); }, ceilingMs);
}
