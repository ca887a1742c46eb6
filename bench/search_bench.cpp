// The search of the received telegrams against grep over the same folder.
//
// The archive: 240 day folders of 500 received telegrams each (120 000 files,
// about 60 MB) in inp/, code page 1251 text with CR LF lines as the store
// writes it, every file last written within its day. Every 100th telegram
// (the first one chosen by a seeded generator) holds the word
// "ПРОВЕРКАПОИСКА"; the headers of every other hundred telegrams carry the
// index 270305 instead of 141911, so that the index halves the hits.
//
// BM_SearchText runs RunSearch over the 240 days for the word (1 200 hits),
// BM_SearchTextAndIndex for the word and the index 141911 (600 hits);
// first_result_ms is the time to the first hits handed over, as the search
// page shows them. BM_GrepText and BM_GrepTextAndIndex do the same with
// grep, and program_per_grep divides the program's time by grep's (the
// search benchmarks run first). Warm cache: each runs once before it is
// timed. The target: the program at most 1.0 times grep's time.
//
// The archive is made once in $TMPDIR/tarvo-bench-search (it takes a few
// minutes, each file flushed to the disk) and kept for later runs; its days
// are the 240 up to the day before it was made.

#include "archive/daylist.h"
#include "archive/search.h"
#include "exchange/telegramstore.h"
#include "util/codepages.h"
#include "util/datetimeformat.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <atomic>
#include <random>

namespace {

constexpr int kDays = 240;
constexpr int kFilesPerDay = 500;
constexpr int kMarkEvery = 100;
constexpr int kTextHits = kDays * kFilesPerDay / kMarkEvery;
constexpr int kTextAndIndexHits = kTextHits / 2;
constexpr std::uint32_t kSeed = 20240130;

// Written into the marker; a change in the layout of the archive makes a new one.
constexpr char kArchiveVersion[] = "search-archive 1";

const QString kMark = QStringLiteral("ПРОВЕРКАПОИСКА");
const QString kIndex = QStringLiteral("141911");
const QString kOtherIndex = QStringLiteral("270305");

// Words of the text; "ПРОВЕРКА ПОИСКА" on its own is no hit.
const std::array kWords = {
    u"ПРИБЫВАЮ",    u"ПОЕЗДОМ",    u"ВСТРЕЧАЙТЕ", u"СРОЧНО",     u"СООБЩИТЕ",     u"ПОЛУЧЕНИЕ",
    u"ГРУЗА",       u"СКЛАД",      u"ОТПРАВЛЕН",  u"ВАГОН",      u"НАКЛАДНАЯ",    u"ПОДТВЕРДИТЕ",
    u"ОПЛАТУ",      u"СЧЕТ",       u"ДОГОВОР",    u"ПОДПИСАН",   u"ЗАВТРА",       u"СЕГОДНЯ",
    u"УТРОМ",       u"ВЕЧЕРОМ",    u"ДИРЕКТОР",   u"ИНЖЕНЕР",    u"КОМАНДИРОВКА", u"ПРОДЛЕНА",
    u"ОТЧЕТ",       u"НАПРАВЛЕН",  u"ПОЧТОЙ",     u"ТЧК",        u"ЗПТ",          u"ПРОШУ",
    u"СРОК",        u"ПОСТАВКИ",   u"ПЕРЕНЕСЕН",  u"ЗАЯВКА",     u"ПРИНЯТА",      u"ИСПОЛНЕНИЮ",
    u"ПОЗДРАВЛЯЕМ", u"ЮБИЛЕЕМ",    u"ЖЕЛАЕМ",     u"СЧАСТЬЯ",    u"ОБНИМАЕМ",     u"ПРОВЕРКА",
    u"ПОИСКА",      u"ТЕЛЕГРАММУ", u"ПОВТОРИТЕ",  u"НЕМЕДЛЕННО", u"РАСПОРЯЖЕНИЕ", u"ВЫПОЛНЕНО",
};
const std::array kAddresses = {
    u"МОСКВА ТВЕРСКАЯ ИВАНОВУ", u"КАЗАНЬ БАУМАНА ПЕТРОВОЙ", u"ТУЛА ЛЕНИНА СИДОРОВУ",
    u"ОМСК МИРА КУЗНЕЦОВУ",     u"ПСКОВ СОВЕТСКАЯ ОРЛОВУ",  u"САМАРА ВОЛЖСКАЯ ЗАЙЦЕВОЙ",
};

QString archiveFolder() {
    return QDir::tempPath() + QStringLiteral("/tarvo-bench-search");
}

QString inpFolder() {
    return archiveFolder() + QStringLiteral("/inp/");
}

// One telegram as the store leaves it on disk: the header, the address, the
// text, the end mark, about 400 to 500 bytes.
QString telegramText(int number, const QString& index, bool marked, std::mt19937& rng) {
    QString text = QStringLiteral("ЗЦЗЦ %1 ПМ12 %2 7 12 1430\r\n")
                       .arg(number % 1000, 3, 10, QLatin1Char('0'))
                       .arg(index);
    text += QString::fromUtf16(kAddresses[rng() % kAddresses.size()]) + QStringLiteral("\r\n");
    const qsizetype size = 400 + qsizetype(rng() % 101) - 6;  // room for "НННН\r\n"
    QStringList words;
    qsizetype length = text.size();
    while (length < size) {
        words.append(QString::fromUtf16(kWords[rng() % kWords.size()]));
        length += words.last().size() + 1;
    }
    if (marked)
        words[qsizetype(rng() % words.size())] = kMark;
    QString line;
    for (const QString& word : words) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > 64) {
            text += line + QStringLiteral("\r\n");
            line.clear();
        }
        if (!line.isEmpty())
            line += u' ';
        line += word;
    }
    if (!line.isEmpty())
        text += line + QStringLiteral("\r\n");
    return text + QStringLiteral("НННН\r\n");
}

bool setWriteTime(const QString& path, const QDateTime& time) {
    const timespec t{time_t(time.toSecsSinceEpoch()), 0};
    const timespec times[2] = {t, t};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// The days of the archive, made when there is none: the 240 up to yesterday.
// Returns the first and last day, invalid dates when it cannot be made.
std::pair<QDate, QDate> archiveDays() {
    const QString folder = archiveFolder();
    const QString marker = folder + QStringLiteral("/.complete");
    {
        QFile done(marker);
        if (done.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> fields = done.readAll().trimmed().split('\n');
            const QDate last = fields.size() == 2 && fields[0] == kArchiveVersion
                                   ? QDate::fromString(QString::fromLatin1(fields[1]), Qt::ISODate)
                                   : QDate();
            if (last.isValid())
                return {last.addDays(1 - kDays), last};
        }
    }
    QDir(folder).removeRecursively();
    const QDate last = QDate::currentDate().addDays(-1);
    const QDate first = last.addDays(1 - kDays);
    std::mt19937 rng(kSeed);
    const int markAt = int(rng() % kMarkEvery);
    int k = 0;  // the telegram's place in the whole archive, oldest first
    for (QDate d = first; d <= last; d = d.addDays(1)) {
        const QString day = DayFolderPath(inpFolder(), d, QStringLiteral("mmdd"));
        const QString dayText = FormatDelphiDate(d, u"mmdd");
        if (!QDir().mkpath(day))
            return {};
        const QDateTime morning(d, QTime(8, 0));
        for (int n = 0; n < kFilesPerDay; ++n, ++k) {
            const bool marked = k % kMarkEvery == markAt;
            const QString& index = (k / kMarkEvery) % 2 == 0 ? kIndex : kOtherIndex;
            const QChar category = rng() % 4 == 0 ? u'u' : u'q';
            const QString path = day + dayText + category + index.right(3) + u'.' +
                                 QStringLiteral("%1").arg(n + 1, 3, 10, QLatin1Char('0'));
            // The store's own writer: all bytes written and flushed, as a
            // received telegram is saved.
            TTelegramStore::AppendRaw(path, WideToAnsi(telegramText(n + 1, index, marked, rng)));
            if (!setWriteTime(path, morning.addSecs(n * 60)))
                return {};
        }
    }
    QFile done(marker);
    if (!done.open(QIODevice::WriteOnly))
        return {};
    done.write(QByteArray(kArchiveVersion) + '\n' + last.toString(Qt::ISODate).toLatin1() + '\n');
    return {first, last};
}

// The mean seconds of the program's search, for the ratio in the grep runs.
std::array<double, 2> programSeconds{};

struct TSearchRun {
    int hits = 0;
    double seconds = 0;
    double firstResultSeconds = -1;
};

TSearchRun runSearch(const TSearchQuery& query) {
    const std::atomic<bool> stop{false};
    TSearchRun run;
    QElapsedTimer timer;
    timer.start();
    RunSearch(query, stop, [&](const QList<TSearchHit>& hits) {
        if (run.firstResultSeconds < 0)
            run.firstResultSeconds = timer.nsecsElapsed() / 1e9;
        run.hits += int(hits.size());
    });
    run.seconds = timer.nsecsElapsed() / 1e9;
    return run;
}

void searchBench(benchmark::State& state, bool withIndex) {
    const auto [first, last] = archiveDays();
    if (!first.isValid()) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    TSearchQuery query;
    query.input = true;
    query.output = false;
    query.from = first;
    query.to = last;
    query.timeFrom = QTime(0, 0, 0);
    query.timeTo = QTime(23, 59, 59);
    query.category = u'?';
    query.indexPattern = QStringLiteral("???");
    query.indexText = withIndex ? kIndex : QString();
    query.searchText = kMark;
    query.inpPath = inpFolder();
    query.dayFormat = QStringLiteral("mmdd");
    query.ansi = true;
    const int expected = withIndex ? kTextAndIndexHits : kTextHits;
    runSearch(query);  // the cache warm
    double total = 0;
    double firstResult = 0;
    for (auto _ : state) {
        const TSearchRun run = runSearch(query);
        if (run.hits != expected) {
            state.SkipWithError(
                QStringLiteral("%1 hits, not %2").arg(run.hits).arg(expected).toUtf8().constData());
            return;
        }
        state.SetIterationTime(run.seconds);
        total += run.seconds;
        firstResult += run.firstResultSeconds;
    }
    programSeconds[withIndex] = total / double(state.iterations());
    state.counters["first_result_ms"] =
        benchmark::Counter(firstResult * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["hits"] = expected;
    state.SetItemsProcessed(state.iterations() * kDays * kFilesPerDay);
}

void BM_SearchText(benchmark::State& state) {
    searchBench(state, false);
}
void BM_SearchTextAndIndex(benchmark::State& state) {
    searchBench(state, true);
}

// grep with the patterns in code page 1251 bytes (a file, as QProcess passes
// its arguments as text) and in the C locale, so that it compares bytes. For
// the index it takes its fastest pipeline: the files with the word, then
// those of them with the index anywhere in the file (in these telegrams it
// is only on the first line, as the program requires).
void grepBench(benchmark::State& state, bool withIndex) {
    const auto [first, last] = archiveDays();
    if (!first.isValid()) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    QTemporaryDir patterns;
    const QString textFile = patterns.filePath(QStringLiteral("text"));
    const QString indexFile = patterns.filePath(QStringLiteral("index"));
    for (const auto& [path, pattern] : {std::pair{textFile, kMark}, std::pair{indexFile, kIndex}}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(WideToAnsi(pattern) + '\n') < 0) {
            state.SkipWithError("cannot write the pattern files");
            return;
        }
    }
    const QStringList arguments =
        withIndex
            ? QStringList{QStringLiteral("-c"),
                          QStringLiteral("grep -rlZF -f \"$1\" \"$3\" | "
                                         "xargs -0 -r grep -lF -f \"$2\""),
                          QStringLiteral("sh"),
                          textFile,
                          indexFile,
                          inpFolder()}
            : QStringList{QStringLiteral("-rlF"), QStringLiteral("-f"), textFile, inpFolder()};
    const QString program = withIndex ? QStringLiteral("/bin/sh") : QStringLiteral("grep");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    const auto grep = [&](int& lines) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        if (!process.waitForFinished(120000))
            return -1.0;
        const double seconds = timer.nsecsElapsed() / 1e9;
        lines = int(process.readAllStandardOutput().count('\n'));
        return process.exitStatus() == QProcess::NormalExit ? seconds : -1.0;
    };
    const int expected = withIndex ? kTextAndIndexHits : kTextHits;
    int lines = 0;
    grep(lines);  // the cache warm
    double total = 0;
    for (auto _ : state) {
        const double seconds = grep(lines);
        if (seconds < 0 || lines != expected) {
            state.SkipWithError(QStringLiteral("grep: %1 files, not %2")
                                    .arg(lines)
                                    .arg(expected)
                                    .toUtf8()
                                    .constData());
            return;
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    const double mean = total / double(state.iterations());
    if (programSeconds[withIndex] > 0)
        state.counters["program_per_grep"] = programSeconds[withIndex] / mean;
    state.counters["hits"] = expected;
    state.SetItemsProcessed(state.iterations() * kDays * kFilesPerDay);
}

void BM_GrepText(benchmark::State& state) {
    grepBench(state, false);
}
void BM_GrepTextAndIndex(benchmark::State& state) {
    grepBench(state, true);
}

BENCHMARK(BM_SearchText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GrepText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SearchTextAndIndex)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GrepTextAndIndex)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
