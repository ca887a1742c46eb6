#include "workstation.h"

#include "support/loopback.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QDir>
#include <QFile>

TWorkstation::TWorkstation(const QDateTime& start) : clock(start) {
    config.Host = kLoopbackHost;
    config.Ccm = 1;
    // The next telegram follows its confirmation at once.
    config.ZZTimeOut = 0;
    status.Automatic = true;
    ticker.setInterval(kTickMs);
    connect(&ticker, &QTimer::timeout, this, [this] {
        if (advanceClock)
            clock.AdvanceSeconds(1);
        exchange.Tick();
        ++ticks;
        // What the main window's tick does for the line.
        if (line.IsConnected() && ticks % silenceEveryTicks == 0)
            line.TickSilence();
    });
}

TWorkstation::~TWorkstation() {
    ticker.stop();
    line.Shutdown();
    exchange.SetLine(nullptr);
}

void TWorkstation::Start(int port) {
    config.Port = port;
    StartExchange();
    line.SetTcp(config.Host, config.Port, QString(), 0);
    ticker.start();
}

void TWorkstation::StartSerial(const QString& port, int lineSpeed) {
    config.Tcp = false;
    config.Com = port;
    config.Baud = lineSpeed == 100 ? 1 : lineSpeed == 200 ? 2 : 0;
    StartExchange();
    line.SetSerial(port, lineSpeed, 1);
    ticker.start();
}

void TWorkstation::StartExchange() {
    status.FoldersReady = exchange.CheckFolders();
    exchange.StartWorkingDay();
    protocol.SetFileName(status.DayText + QStringLiteral(".prt"));

    // The line thread waits while these run here, as with the main window.
    connect(
        &line, &CTlgClient::OnReceive, this,
        [this](CTlgClient* thread) { exchange.OnLineReceive(thread->TakeReceiveText()); },
        Qt::BlockingQueuedConnection);
    connect(
        &line, &CTlgClient::OnSent, this,
        [this](CTlgClient* thread) { exchange.OnLineSent(thread->LastSent()); },
        Qt::BlockingQueuedConnection);
    connect(
        &line, &CTlgClient::OnStatus, this,
        [this](CTlgClient* thread) {
            exchange.LineStatusChanged(thread->IsConnected(), thread->StatusLine());
        },
        Qt::BlockingQueuedConnection);
    TLinkTimings timings;
    timings.pauseMs = 20;
    timings.idleSleepMs = 1;
    timings.secondMs = 50;
    line.SetTimings(timings);
    exchange.SetLine(&line);
}

void TWorkstation::Put(const QString& name, const QByteArray& bytes) const {
    // Written aside and renamed into place, as a careful writer does.
    QDir().mkpath(QStringLiteral("out"));
    const QString part = QStringLiteral("out/.") + name + QStringLiteral(".part");
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << part.toStdString();
    file.close();
    if (!QFile::rename(part, QStringLiteral("out/") + name))
        ADD_FAILURE() << "cannot rename " << part.toStdString();
}

void TWorkstation::Put(const QString& name, const QString& text) const {
    Put(name, WideToAnsi(text));
}

bool TWorkstation::WaitFor(const std::function<bool()>& pred, int ceilingMs) {
    return WaitUntil(pred, ceilingMs);
}

bool TWorkstation::WaitOpen() {
    return WaitFor([this] { return exchange.ChannelState() == TExchange::StateRB; });
}

bool TWorkstation::Filed(const QString& path) const {
    return QFile::exists(path);
}

bool TWorkstation::WaitFiled(const QString& path) {
    return WaitFor([&] { return Filed(path) && !exchange.Queue().IsSending(); });
}

void TWorkstation::RunTicks(int count) {
    const int until = ticks + count;
    WaitUntil([&] { return ticks >= until; });
}

QStringList TWorkstation::Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

std::string TWorkstation::Tail(int count) const {
    const QStringList events = Events();
    return events.mid(qMax<qsizetype>(0, events.size() - count)).join('\n').toStdString();
}
