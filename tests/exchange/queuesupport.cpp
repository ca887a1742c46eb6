#include "queuesupport.h"

#include "centrestream.h"
#include "config/inifile.h"
#include "config/settings.h"
#include "util/codepages.h"

#include <QDir>

QueueFixture::QueueFixture() {
    config.ZZTimeOut = 4;
    exchange.SetChannelState(L(u"РБ"));
    host.calls.clear();
}

void QueueFixture::Put(const QString& name, const QString& text) const {
    PutBytes(name, WideToAnsi(text));
}

void QueueFixture::PutBytes(const QString& name, const QByteArray& bytes) const {
    home.write("out/" + name, bytes);
}

LineText QueueFixture::Drain() {
    const LineText block = line.sent;
    line.sent.clear();
    if (!block.isEmpty())
        exchange.OnLineSent(block);
    return block;
}

void QueueFixture::Tick(int count) {
    for (int i = 0; i < count; ++i) {
        clock.AdvanceSeconds(1);
        exchange.Tick();
    }
}

LineText QueueFixture::TickUntilSent(int limit) {
    for (int i = 0; i < limit && line.sent.isEmpty(); ++i)
        Tick();
    return line.sent;
}

void QueueFixture::Report(int yours, int ours, const QString& words) {
    Receive(CentreMessage(QStringLiteral("ВАШ %1 НАШ %2 ПОСЛЕДНИЕ ")
                              .arg(yours, 3, 10, QLatin1Char('0'))
                              .arg(ours, 3, 10, QLatin1Char('0')) +
                          words));
}

QStringList QueueFixture::OutRoot() const {
    return QDir(home.file("out")).entryList(QDir::Files | QDir::System, QDir::Name);
}

QStringList QueueFixture::OutDay() const {
    return QDir(home.file("out/0130")).entryList(QDir::Files, QDir::Name);
}

int QueueFixture::StoredNumberOutput() const {
    CIniFile ini;
    ini.Load(home.file("korvel.ini"));
    return ini.ReadInteger("STATUS", "NumberOutput", -1);
}

LineText QueueFixture::Frame(int number, const QString& text) {
    return WideToLine(QStringLiteral("\r\nЗЦЗЦ %1 ").arg(number, 3, 10, QLatin1Char('0')) + text +
                      QStringLiteral("\r\nНННН  \r\n"));
}

QByteArray QueueFixture::OutFile(const QString& name) const {
    return ReadFileBytes(home.file("out/" + name));
}

std::unique_ptr<QueueFixture::NextRun> QueueFixture::StartNextRun() {
    auto run = std::make_unique<NextRun>();
    run->config = config;
    SchemaCopyTable copies{};
    _tlg_controls controls;
    LoadSettings(home.file("korvel.ini"), home.path(), run->config, run->status, copies, controls);
    run->exchange = std::make_unique<TExchange>(run->config, run->status, protocol, clock,
                                                home.file("korvel.ini"), &host);
    run->exchange->SetLine(&run->line);
    return run;
}
