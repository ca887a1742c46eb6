#pragma once

#include "exchange/exchangesupport.h"
#include "line/tlgclient.h"

#include <QObject>
#include <QTimer>

#include <functional>

// The workstation's exchange as the main window runs it, without the
// window: the real line thread handing its events over to this (GUI) thread,
// and a one-second tick driven fast by a timer, each tick one second of a
// fake clock. The program folder is the current folder.
class TWorkstation : public QObject {
public:
    explicit TWorkstation(const QDateTime& start = QDateTime(QDate(2026, 1, 30), QTime(12, 0)));
    ~TWorkstation() override;

    // Folders, the working day, the line to the centre on 127.0.0.1:port,
    // and the tick.
    void Start(int port);
    // The same on the serial line, through the adapter on port.
    void StartSerial(const QString& port, int lineSpeed = 200);
    // A telegram file dropped into out/ (code page 1251).
    void Put(const QString& name, const QByteArray& bytes) const;
    void Put(const QString& name, const QString& text) const;
    // Runs events and ticks until pred holds; false after the ceiling.
    bool WaitFor(const std::function<bool()>& pred, int ceilingMs = 20000);
    // WaitFor the channel to be open (РБ).
    bool WaitOpen();
    // Whether a file below the program folder exists.
    bool Filed(const QString& path) const;
    // WaitFor the file, with nothing left on its way to the centre.
    bool WaitFiled(const QString& path);
    // Runs events until count more ticks have passed.
    void RunTicks(int count);
    // Files (not folders) of a folder below the program folder.
    static QStringList Files(const QString& folder);
    QStringList Events() const { return ProtocolEvents(protocol); }
    // The last events, for a failing test's message.
    std::string Tail(int count = 15) const;

    // Whether each tick moves the clock on by a second.
    bool advanceClock = true;
    // Milliseconds between ticks.
    static constexpr int kTickMs = 5;
    // The adapter's silence is counted in real seconds, as the adapter
    // reports in real time: once in so many ticks.
    int silenceEveryTicks = 1000 / kTickMs;
    int ticks = 0;

    FakeClock clock;
    _tlg_config config;
    _tlg_status status;
    TProtocol protocol;
    RecordingHost host;
    TExchange exchange{config, status, protocol, clock, QStringLiteral("korvel.ini"), &host};
    CTlgClient line;
    QTimer ticker;

private:
    void StartExchange();
};
