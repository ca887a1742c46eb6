// Telegrams per minute from the output folder to the training centre and
// back into the day folder, over loopback, with КГ0 right after each
// telegram (OTHER/ZZTimeOut 0): scan, frame, line thread, the centre's count,
// its report, the confirmation and the next scan.
//
// The argument is the line thread's idle sleep in milliseconds: 50 is the
// program's own, 1 shows what the exchange itself could do.

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "line/tlgclient.h"
#include "protocol/protocol.h"
#include "util/clock.h"
#include "util/codepages.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

// The operator's side, with nobody watching.
class SilentHost : public IExchangeHost {
public:
    void ShowErrorBox(const QString&, const QString&) override {}
    void ModeChanged(bool) override {}
    void ShowToday() override {}
    void DayStarted() override {}
    void CloseMainWindow() override {}
    void LineActivity(bool) override {}
    void ShowStatusText(const QString&) override {}
    void ShowChannelState(const QString&) override {}
    void EnableServiceButtons(std::optional<bool>, std::optional<bool>,
                              std::optional<bool>) override {}
    void ShowCategoryAlert() override {}
    void CloseCategoryAlert() override {}
    void OpenConfirmation(const LineText&) override {}
    void ShowOperatorMessage(const LineText&) override {}
    void Beep() override {}
    void PlaySound(const QString&) override {}
    void PrintTelegram(const QStringList&) override {}
    void PrintCentreMessage(const LineText&) override {}
    void ForwardTelegram(const QString&) override {}
    void RefreshInListIfToday() override {}
    void ManualExchangeFromLine(const LineText&) override {}
    void RefreshQueueList() override {}
    void ShowScanCountdown(int) override {}
    void ShowQueueCount(int) override {}
    void RefreshOutListIfToday() override {}
};

bool WaitFor(const std::function<bool()>& pred, int ceilingMs) {
    const QDeadlineTimer deadline(ceilingMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

// A name of three characters for every telegram of a run.
QString FileCode(int n) {
    return QString::number(n, 36).rightJustified(3, u'0');
}

void BM_TelegramsEndToEnd(benchmark::State& state) {
    constexpr int kBatch = 200;
    QTemporaryDir home;
    const QString saved = QDir::currentPath();
    QDir::setCurrent(home.path());

    QProcess centre;
    centre.start(QStringLiteral(CKSSIM_PATH),
                 {"-q", "-k", "off", "--auto-open", "-t", home.filePath("centre.txt")});
    QByteArray out;
    if (!centre.waitForStarted() || !WaitFor(
                                        [&] {
                                            out += centre.readAllStandardOutput();
                                            return out.contains('\n');
                                        },
                                        10000)) {
        state.SkipWithError("the training centre did not start");
        return;
    }
    const int port = out.mid(out.lastIndexOf(':', out.indexOf('\n')) + 1).trimmed().toInt();

    SystemClock clock;
    _tlg_config config;
    config.Port = port;
    config.ZZTimeOut = 0;
    _tlg_status status;
    status.Automatic = true;
    TProtocol protocol;
    SilentHost host;
    TExchange exchange(config, status, protocol, clock, QStringLiteral("korvel.ini"), &host);
    CTlgClient line;
    QObject context;
    QObject::connect(
        &line, &CTlgClient::OnReceive, &context,
        [&](CTlgClient* thread) { exchange.OnLineReceive(thread->TakeReceiveText()); },
        Qt::BlockingQueuedConnection);
    QObject::connect(
        &line, &CTlgClient::OnSent, &context,
        [&](CTlgClient* thread) { exchange.OnLineSent(thread->LastSent()); },
        Qt::BlockingQueuedConnection);
    QObject::connect(
        &line, &CTlgClient::OnStatus, &context,
        [&](CTlgClient* thread) {
            exchange.LineStatusChanged(thread->IsConnected(), thread->StatusLine());
        },
        Qt::BlockingQueuedConnection);
    status.FoldersReady = exchange.CheckFolders();
    exchange.StartWorkingDay();
    TLinkTimings timings;
    timings.idleSleepMs = int(state.range(0));
    line.SetTimings(timings);
    exchange.SetLine(&line);
    line.SetTcp(config.Host, port, QString(), 0);
    QTimer tick;
    tick.setInterval(1000);
    QObject::connect(&tick, &QTimer::timeout, &context, [&] { exchange.Tick(); });
    tick.start();
    if (!WaitFor([&] { return exchange.ChannelState() == TExchange::StateRB; }, 20000)) {
        state.SkipWithError("the channel did not open");
        return;
    }

    int next = 0;
    qint64 telegrams = 0;
    const QString text = QStringLiteral("ОБ1 141911 7 12 1430\r\nТЕКСТ ДЛЯ ИЗМЕРЕНИЯ СКОРОСТИ");
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kBatch; ++i) {
            QFile file(QStringLiteral("out/") + status.DayText + u'q' + FileCode(next++));
            file.open(QIODevice::WriteOnly);
            file.write(WideToAnsi(text));
        }
        // As the editor does after writing a file.
        exchange.Queue().SetScanCountdown(0);
        state.ResumeTiming();
        const int target = (status.NumberOutput + kBatch) % 1000;
        if (!WaitFor([&] { return status.NumberOutput == target && !exchange.Queue().IsSending(); },
                     300000)) {
            state.SkipWithError("the telegrams were not all confirmed");
            break;
        }
        telegrams += kBatch;
    }
    state.SetItemsProcessed(telegrams);
    state.counters["telegrams_per_minute"] =
        benchmark::Counter(double(telegrams) * 60, benchmark::Counter::kIsRate);

    tick.stop();
    line.Shutdown();
    exchange.SetLine(nullptr);
    centre.kill();
    centre.waitForFinished();
    QDir::setCurrent(saved);
}

BENCHMARK(BM_TelegramsEndToEnd)
    ->Arg(50)
    ->Arg(1)
    ->Iterations(2)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
