// The received stream: how fast a day of centre traffic is taken apart and
// stored, and what storing one telegram costs.

#include "config/tlgconfig.h"
#include "exchange/centrestream.h"
#include "exchange/exchange.h"
#include "protocol/protocol.h"
#include "support/fakeclock.h"
#include "support/recordingline.h"
#include "util/linecode.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A working folder on the disk (argument 0) or in memory (argument 1).
QString benchFolder(int64_t memory) {
    return memory ? QStringLiteral("/dev/shm/tarvo-bench-XXXXXX")
                  : QDir::tempPath() + QStringLiteral("/tarvo-bench-XXXXXX");
}

constexpr int kDayTelegrams = 500;

// A working day of a centre: 500 telegrams with trailers, a link message
// after every tenth and a counter report after every 25th.
const LineText& day() {
    static const LineText stream = CentreDay(1, kDayTelegrams, 0, false, 20260130);
    return stream;
}

// Feeds the stream in blocks of 1024 bytes, as the line thread reads them.
void receive(TExchange& exchange, const LineText& stream) {
    for (qsizetype at = 0; at < stream.size(); at += 1024)
        exchange.OnLineReceive(stream.mid(at, 1024));
    for (int i = 0; i < 20; ++i)
        exchange.OnLineReceive(LineText());
}

void runDay(benchmark::State& state, const LineText& stream, int telegrams) {
    QTemporaryDir dir(benchFolder(state.range(0)));
    const QString saved = QDir::currentPath();
    QDir::setCurrent(dir.path());
    _tlg_config config;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(QStringLiteral("inp")).removeRecursively();
        QDir().mkpath(QStringLiteral("inp/0130"));
        _tlg_status status;
        status.FoldersReady = true;
        status.DayText = QStringLiteral("0130");
        FakeClock clock;
        TProtocol protocol;
        RecordingLine line;
        TExchange exchange(config, status, protocol, clock, QStringLiteral("korvel.ini"));
        exchange.SetLine(&line);
        state.ResumeTiming();
        receive(exchange, stream);
        if (status.NumberInput != telegrams % 1000)
            state.SkipWithError("not every telegram was counted");
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
    state.counters["telegrams/s"] =
        benchmark::Counter(double(state.iterations()) * telegrams, benchmark::Counter::kIsRate);
    QDir::setCurrent(saved);
}

// The whole path: extraction, headers, storage with its flushes, counters.
void BM_ReceiveDay(benchmark::State& state) {
    runDay(state, day(), kDayTelegrams);
}
BENCHMARK(BM_ReceiveDay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same stream with every telegram turned into a centre message that
// nothing answers: the parser alone.
void BM_ParseDayWithoutStorage(benchmark::State& state) {
    static const LineText stream = [] {
        LineText s = day();
        s.replace(LineLiteral(u"ЗЦЗЦ "), LineLiteral(u"ЗЦЗЦ ПОВТОР ОКОНЧЕН "));
        return s;
    }();
    runDay(state, stream, 0);
}
BENCHMARK(BM_ParseDayWithoutStorage)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

struct StoreHost : ITelegramStoreHost {
    void StoreFailed(const QString&) override { ++failures; }
    void ReceivedFileChanged() override {}
    void PrintStoredTelegram(const QStringList&) override {}
    int failures = 0;
};

// Save and completion of one telegram of about 600 characters: argument 0
// disk or memory, argument 1 code page 1251 (1) or UTF-16 (0).
void BM_StoreTelegram(benchmark::State& state) {
    QTemporaryDir dir(benchFolder(state.range(0)));
    _tlg_config config;
    config.SaveTlgAnsi = state.range(1) != 0;
    config.OutputInAppendMode = false;
    TProtocol protocol;
    protocol.SetFileName(QString());
    StoreHost host;
    TTelegramStore store(config, protocol, host);
    const LineText one = CentreDay(1, 1, 0, false, 7);
    const qsizetype start = one.indexOf(LineLiteral(u"ЗЦЗЦ ")) + 5;
    const LineText body = one.mid(start, one.indexOf(LineLiteral(u"НННН  ")) - start);
    const LineText trailer = LineLiteral(u"НННН  0130 14.30 0001");
    int n = 0;
    for (auto _ : state) {
        const QString base = dir.path() + QStringLiteral("/0130q215.") + QString::number(++n);
        store.SaveTelegram(base + QStringLiteral(".rcv"), body, false);
        store.CompleteTelegram(base, trailer);
    }
    if (host.failures)
        state.SkipWithError("a save failed");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoreTelegram)
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace

namespace {

// A whole heavy day: 5 000 telegrams received and 5 000 filed as sent, the
// day's protocol at 200 000 lines by its end. The cost per received telegram
// of one block of 500 (the first argument: the block's place in the day, 0
// to 9; the blocks before it are on disk each way and in the protocol
// first); the second argument puts the folder on the disk (0) or in memory
// (1). The target: the last block (9) at most 1.2 times the first (0).
//
// The numbers go round at 1 000, so from block 2 on every telegram meets
// its name from an earlier round and is appended to it (PATH/
// OutputInAppendMode): more writes than the first round's renames. Block 3,
// the first appending block of the same numbers as block 9, shows what the
// day's size itself costs.
constexpr int kHeavyTelegrams = 5000;
constexpr int kHeavyBlock = 500;
constexpr int kHeavyProtocolLines = 200000;

qsizetype ReadLines(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
}

LineText heavyBlock(int block) {
    // Numbers go round at 1 000, as the centre's do.
    return CentreDay((block * kHeavyBlock) % 1000 + 1, kHeavyBlock, 0, false, 7000u + block);
}

void BM_HeavyDayPerTelegram(benchmark::State& state) {
    const int measured = int(state.range(0));
    const int blocks = kHeavyTelegrams / kHeavyBlock;
    QList<LineText> stream;
    for (int b = 0; b < blocks; ++b)
        stream << heavyBlock(b);
    const QString saved = QDir::currentPath();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir(benchFolder(state.range(1)));
        QDir::setCurrent(dir.path());
        QDir().mkpath(QStringLiteral("inp/0130"));
        QDir().mkpath(QStringLiteral("out/0130"));
        _tlg_config config;
        _tlg_status status;
        status.FoldersReady = true;
        status.DayText = QStringLiteral("0130");
        FakeClock clock;
        TProtocol protocol;
        protocol.SetFileName(QStringLiteral("0130.prt"));
        RecordingLine line;
        TExchange exchange(config, status, protocol, clock, QStringLiteral("korvel.ini"));
        exchange.SetLine(&line);
        for (int b = 0; b < measured; ++b)
            receive(exchange, stream[b]);
        for (int n = 0; n < measured * kHeavyBlock; ++n) {
            QFile sent(QStringLiteral("out/0130/0130q%1.%2")
                           .arg(n % 1000, 3, 10, QLatin1Char('0'))
                           .arg(n % 1000 + 1, 3, 10, QLatin1Char('0')) +
                       (n >= 1000 ? QStringLiteral(".%1").arg(n / 1000) : QString()));
            sent.open(QIODevice::WriteOnly);
            sent.write("TELEGRAM");
        }
        // The protocol so far: what the day wrote, padded up to its share
        // of the day's lines.
        const int target = kHeavyProtocolLines / blocks * measured;
        const int lines = int(ReadLines(QStringLiteral("0130.prt")));
        for (int n = lines; n < target; n += 2)
            protocol.AddMessage(QStringLiteral("ОТПРАВКА ТЛГ out/0130q%1").arg(n % 1000),
                                kProtocolEvent);
        const int before = status.NumberInput;
        state.ResumeTiming();
        receive(exchange, stream[measured]);
        state.PauseTiming();
        if (status.NumberInput == before)
            state.SkipWithError("nothing was received");
        state.counters["protocol_lines"] = double(ReadLines(QStringLiteral("0130.prt")));
        QDir::setCurrent(saved);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kHeavyBlock);
    state.SetLabel(QStringLiteral("telegrams %1 to %2 of the day")
                       .arg(measured * kHeavyBlock + 1)
                       .arg((measured + 1) * kHeavyBlock)
                       .toStdString());
}
BENCHMARK(BM_HeavyDayPerTelegram)
    ->ArgsProduct({{0, 3, 9}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
