// The cost of logging one received block must not depend on how much of the
// day is already in the protocol: the day's file is extended, not rewritten.

#include "protocol/protocol.h"
#include "util/linecode.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kBlocks = 100000;

// A block as the centre sends it: one line of a telegram with its line end.
const LineText& Block() {
    static const LineText block =
        LineLiteral(u"ЗЦЗЦ 123 ПМ12 141911 7 МОСКВА ТЕКСТ 0123456789\r\n");
    return block;
}

// Runs the benchmark in a program folder of its own, with the day's file
// already holding dayLines lines (each block ends a line).
void AddTraffic(benchmark::State& state, int dayLines) {
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tarvo-bench-XXXXXX"));
    const QString saved = QDir::currentPath();
    QDir::setCurrent(home.path());
    {
        TProtocol protocol;
        protocol.SetFolder(QStringLiteral("prt"));
        protocol.SetFileName(QStringLiteral("0130.prt"));
        for (int i = 0; i < dayLines; ++i)
            protocol.AddText(Block(), kProtocolReceived);
        for (auto _ : state)
            protocol.AddText(Block(), kProtocolReceived);
        state.counters["day_lines"] = double(protocol.Lines().size());
        state.SetItemsProcessed(state.iterations());
    }
    QDir::setCurrent(saved);
}

void BM_AddTraffic_EmptyDay(benchmark::State& state) {
    AddTraffic(state, 0);
}
BENCHMARK(BM_AddTraffic_EmptyDay)->Iterations(kBlocks)->Unit(benchmark::kMicrosecond);

void BM_AddTraffic_FullDay(benchmark::State& state) {
    AddTraffic(state, kBlocks);
}
BENCHMARK(BM_AddTraffic_FullDay)->Iterations(kBlocks)->Unit(benchmark::kMicrosecond);

// For comparison: what each block would cost if the day's file were rewritten
// whole, as it is after a failed write or when a day's file is taken over.
void BM_RewriteWholeDay(benchmark::State& state) {
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tarvo-bench-XXXXXX"));
    const LineText line = char(kProtocolReceived) + Block();
    QList<LineText> lines;
    for (int i = 0; i < kBlocks; ++i)
        lines.append(line.chopped(2) + "<>");
    ProtocolFileWriter writer;
    for (auto _ : state) {
        writer.Invalidate();
        benchmark::DoNotOptimize(writer.Write(home.filePath(QStringLiteral("0130.prt")), lines));
    }
    state.SetBytesProcessed(state.iterations() * writer.LastWrite().bytes);
}
BENCHMARK(BM_RewriteWholeDay)->Unit(benchmark::kMillisecond);

}  // namespace
