// Throughput of the conversions every received and sent byte goes through.

#include "line/fivebit.h"
#include "util/linecode.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kMiB = 1 << 20;

// A mebibyte of telegram-like display text: Russian and Latin words, digits, line ends.
QString sampleWide() {
    const QString line =
        QStringLiteral("ЗЦЗЦ 001 ПМ12 141911 7 МОСКВА ТЕКСТ telegram 0123456789\r\n");
    QString text;
    text.reserve(kMiB + line.size());
    while (text.size() < kMiB)
        text += line;
    text.truncate(kMiB);
    return text;
}

void BM_WideToLine(benchmark::State& state) {
    const QString text = sampleWide();
    for (auto _ : state)
        benchmark::DoNotOptimize(WideToLine(text));
    state.SetBytesProcessed(state.iterations() * kMiB);
}
BENCHMARK(BM_WideToLine)->Unit(benchmark::kMillisecond);

void BM_LineToWide(benchmark::State& state) {
    const LineText text = WideToLine(sampleWide());
    for (auto _ : state)
        benchmark::DoNotOptimize(LineToWide(text));
    state.SetBytesProcessed(state.iterations() * kMiB);
}
BENCHMARK(BM_LineToWide)->Unit(benchmark::kMillisecond);

// As the adapters use it: blocks of at most 64 codes into a caller buffer.
void BM_EncodeFiveBit(benchmark::State& state) {
    const LineText text = WideToLine(sampleWide());
    uint8_t codes[64];
    for (auto _ : state) {
        uint8_t reg = kRegisterNone;
        QByteArrayView rest(text);
        while (!rest.isEmpty()) {
            int consumed = 0;
            benchmark::DoNotOptimize(EncodeFiveBit(codes, 64, rest, reg, &consumed));
            rest = rest.sliced(consumed);
        }
    }
    state.SetBytesProcessed(state.iterations() * kMiB);
}
BENCHMARK(BM_EncodeFiveBit)->Unit(benchmark::kMillisecond);

}  // namespace
