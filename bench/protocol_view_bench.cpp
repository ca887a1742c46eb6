// Painting the protocol view must cost the rows it shows, not the size of
// the day: a day of a million lines paints as fast as a short one, at the
// top as at the end, in the normal and in the split display.

#include "protocol/protocol.h"
#include "protocol/protocollayout.h"
#include "protocol/protocolpainter.h"
#include "util/linecode.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <map>

namespace {

constexpr int kDayLines = 1000000;
constexpr int kRows = 1000;

LineText Marker(int level) {
    return LineText(1, char(level));
}

// A working day as the store keeps it: telegram lines received with their
// line ends, an event (and its empty line) now and then, and the service
// group КГ0 sent between them without a line end, so that the transmitted
// stream is one line running through the whole day.
QList<LineText> MakeDay(bool transmitted, int dayLines) {
    const LineText received =
        Marker(1) + LineLiteral(u"ЗЦЗЦ 123 ПМ12 141911 7 МОСКВА ТЕКСТ |0123456789 &ABC<>");
    const LineText event = Marker(3) + "12:00:00 " + LineLiteral(u"ТЕЛЕГРАММА СОХРАНЕНА 0130Q123");
    const LineText group = Marker(2) + LineLiteral(u"|ЗЗ ");
    QList<LineText> lines;
    lines.reserve(dayLines);
    while (lines.size() < dayLines) {
        const qsizetype i = lines.size();
        if (i % 50 == 0) {
            lines.append(event);
            lines.append(LineText());
        } else if (transmitted && i % 7 == 0) {
            lines.append(group + received);
        } else {
            lines.append(received);
        }
    }
    lines.erase(lines.begin() + dayLines, lines.end());
    return lines;
}

const QList<LineText>& Day(bool transmitted, int dayLines = kDayLines) {
    static std::map<std::pair<bool, int>, QList<LineText>> days;
    auto& day = days[{transmitted, dayLines}];
    if (day.isEmpty())
        day = MakeDay(transmitted, dayLines);
    return day;
}

QFont BenchFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return font;
}

struct Scene {
    explicit Scene(bool transmitted = true, int dayLines = kDayLines)
        : lines(Day(transmitted, dayLines)) {
        state.lines = &lines;
        state.font = BenchFont();
        state.lineHeight = ProtocolLineHeight(state.font);
        received.Sync(lines);
        sent.Sync(lines);
        state.received = &received;
        state.transmitted = &sent;
        image = QImage(800, kRows * state.lineHeight, QImage::Format_RGB32);
    }
    int End() const { return ProtocolMaximum(int(lines.size()), kRows); }

    const QList<LineText>& lines;
    ProtocolPaintState state;
    TProtocolStream received{1};
    TProtocolStream sent{2};
    QImage image;
};

void Paint(benchmark::State& bench, Scene& scene, QRect dirty = {}) {
    for (auto _ : bench) {
        QPainter painter(&scene.image);
        PaintProtocol(painter, scene.image.rect(), scene.state, dirty);
    }
    bench.counters["day_lines"] = double(scene.lines.size());
    bench.counters["rows"] = kRows;
}

void BM_PaintNormal_End(benchmark::State& bench) {
    Scene scene(true, int(bench.range(0)));
    scene.state.position = scene.End();
    scene.state.pendingText = LineLiteral(u"|ЗЦЗЦ КС ТЕКСТ НННН  ");
    Paint(bench, scene);
}
BENCHMARK(BM_PaintNormal_End)->Arg(2000)->Arg(kDayLines)->Unit(benchmark::kMillisecond);

void BM_PaintNormal_Top(benchmark::State& bench) {
    Scene scene;
    scene.state.position = 0;
    Paint(bench, scene);
}
BENCHMARK(BM_PaintNormal_Top)->Unit(benchmark::kMillisecond);

void BM_PaintNormal_Marks(benchmark::State& bench) {
    Scene scene;
    scene.state.position = scene.End() / 2;
    scene.state.showRegisters = true;
    scene.state.selFirst = scene.state.position;
    scene.state.selLast = scene.state.position + kRows / 2;
    Paint(bench, scene);
}
BENCHMARK(BM_PaintNormal_Marks)->Unit(benchmark::kMillisecond);

void BM_PaintSplit_End(benchmark::State& bench) {
    Scene scene(true, int(bench.range(0)));
    scene.state.split = true;
    scene.state.position = scene.End();
    Paint(bench, scene);
}
BENCHMARK(BM_PaintSplit_End)->Arg(2000)->Arg(kDayLines)->Unit(benchmark::kMillisecond);

void BM_PaintSplit_Middle_Marks(benchmark::State& bench) {
    Scene scene;
    scene.state.split = true;
    scene.state.showRegisters = true;
    scene.state.position = scene.End() / 2;
    Paint(bench, scene);
}
BENCHMARK(BM_PaintSplit_Middle_Marks)->Unit(benchmark::kMillisecond);

// Nothing was sent all day: the transmitted half never fills up.
void BM_PaintSplit_ReceiveOnlyDay(benchmark::State& bench) {
    Scene scene(false);
    scene.state.split = true;
    scene.state.position = scene.End();
    Paint(bench, scene);
}
BENCHMARK(BM_PaintSplit_ReceiveOnlyDay)->Unit(benchmark::kMillisecond);

// What a block that only extends the last line costs to show: one row.
void BM_PaintLastRow(benchmark::State& bench) {
    Scene scene;
    scene.state.position = scene.End();
    const int lh = scene.state.lineHeight;
    Paint(bench, scene, QRect(0, (kRows - 1) * lh, scene.image.width(), lh));
}
BENCHMARK(BM_PaintLastRow)->Unit(benchmark::kMicrosecond);

// Keeping the split display's index up to date as a block extends the last
// line and another ends it.
void BM_SplitSyncPerBlock(benchmark::State& bench) {
    QList<LineText> lines = Day(true);
    TProtocolStream received(1), sent(2);
    received.Sync(lines);
    sent.Sync(lines);
    const LineText block = LineLiteral(u"ТЕКСТ ");
    qint64 blocks = 0;
    for (auto _ : bench) {
        if (++blocks % 10 == 0) {
            lines.last() += "<>";
            lines.append(Marker(1));
        } else {
            lines.last() += block;
        }
        received.Sync(lines);
        sent.Sync(lines);
    }
    bench.SetItemsProcessed(bench.iterations());
}
BENCHMARK(BM_SplitSyncPerBlock)->Unit(benchmark::kMicrosecond);

// The one-off cost of indexing a whole day, paid when the split display is
// first shown or the shown list is replaced.
void BM_SplitIndexWholeDay(benchmark::State& bench) {
    const QList<LineText>& lines = Day(true);
    for (auto _ : bench) {
        TProtocolStream received(1), sent(2);
        received.Sync(lines);
        sent.Sync(lines);
        benchmark::DoNotOptimize(received);
    }
}
BENCHMARK(BM_SplitIndexWholeDay)->Unit(benchmark::kMillisecond);

}  // namespace
