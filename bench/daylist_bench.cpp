// A day folder of 5 000 received telegrams (each with its raw copy, so
// 10 000 files) must fill the "Входящие" list without a visible stall: the
// listing in the core, and the whole fill of the list page with read marks.

#include "archive/TDayListPage.h"
#include "archive/daylist.h"
#include "config/tlgconfig.h"
#include "util/fileops.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

namespace {

constexpr int kTelegrams = 5000;

// The program folder with inp/1208 full of telegrams; made once.
QString ProgramFolder() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tarvo-bench-XXXXXX"));
    static const bool made = [] {
        const QString day = dir.filePath(QStringLiteral("inp/1208/"));
        QDir().mkpath(day);
        for (int i = 0; i < kTelegrams; ++i) {
            const QString name = QStringLiteral("1208q%1.%2")
                                     .arg(i % 1000, 3, 10, QLatin1Char('0'))
                                     .arg(i % 1000, 3, 10, QLatin1Char('0'));
            const QString unique = i < 1000 ? name : name + u'.' + QString::number(i / 1000);
            QFile text(day + unique);
            if (!text.open(QIODevice::WriteOnly) || text.write("ZCZC 001 TEXT\r\n") <= 0)
                return false;
            text.close();
            SetArchiveMark(day + unique, i % 2 == 0);
            QFile raw(day + unique + QStringLiteral(".tlg"));
            if (!raw.open(QIODevice::WriteOnly))
                return false;
        }
        return true;
    }();
    if (!made)
        std::abort();
    return dir.path();
}

void BM_DayListItems(benchmark::State& state) {
    const QString folder = ProgramFolder() + QStringLiteral("/inp/1208/");
    for (auto _ : state) {
        const QList<TDayListItem> items = DayListItems(folder);
        if (items.size() != kTelegrams)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(items);
    }
}
BENCHMARK(BM_DayListItems)->Unit(benchmark::kMillisecond);

void BM_FillDayList(benchmark::State& state) {
    QDir::setCurrent(ProgramFolder());
    _tlg_config config;
    config.MarkFilesInList = true;
    _tlg_status status;
    status.DayText = QStringLiteral("1208");
    TDayListPage page(TDayListPage::Kind::Received, config, status);
    page.resize(800, 500);
    page.show();
    page.SetDate(QDate(2025, 12, 8));
    for (auto _ : state) {
        page.DateTimePickerChange();
        QApplication::processEvents();  // the repaint the operator waits for
        if (page.ListView->topLevelItemCount() != kTelegrams)
            state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_FillDayList)->Unit(benchmark::kMillisecond);

}  // namespace
