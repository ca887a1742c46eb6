// The day's register over a full archive: 240 days, each with 1 000
// received telegrams (and their raw copies) and 1 000 sent ones, and a last
// day of 5 000 each way with real texts (a fifth of them UTF-16). The
// targets: that day reaches the window's tables in at most 200 ms, the
// strip of its 30 days in at most 1 s, both with the archive in the page
// cache (warm). The archive is made once in $TMPDIR/tarvo-bench-register
// (about 730 000 files; a minute or two).

#include "config/tlgconfig.h"
#include "register/TForm_Register.h"
#include "register/register.h"
#include "util/codepages.h"
#include "util/datetimeformat.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kDays = 240;
constexpr int kPerDay = 1000;
constexpr int kLastDay = 5000;
const QDate kLast(2025, 12, 8);

QString archiveFolder() {
    return QDir::tempPath() + QStringLiteral("/tarvo-bench-register");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0744);
    if (fd < 0)
        return false;
    const bool written = bytes.isEmpty() || ::write(fd, bytes.constData(), size_t(bytes.size())) ==
                                                ssize_t(bytes.size());
    ::close(fd);
    return written;
}

QByteArray textBytes(const QString& text, bool unicode) {
    if (!unicode)
        return WideToAnsi(text);
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), int(text.size() * 2));
    return bytes;
}

bool makeArchive() {
    const QString root = archiveFolder();
    const QString done = root + QStringLiteral("/made");
    if (QFile::exists(done))
        return true;
    QDir(root).removeRecursively();
    for (int k = 0; k < kDays; ++k) {
        const QDate date = kLast.addDays(-k);
        const QString day = FormatDelphiDate(date, u"mmdd");
        const QString inp = root + QStringLiteral("/inp/") + day + u'/';
        const QString out = root + QStringLiteral("/out/") + day + u'/';
        if (!QDir().mkpath(inp) || !QDir().mkpath(out))
            return false;
        const int count = k == 0 ? kLastDay : kPerDay;
        for (int i = 0; i < count; ++i) {
            const int n = i % 1000 + 1;
            const QString number = QStringLiteral("%1").arg(n % 1000, 3, 10, QLatin1Char('0'));
            const QString unique = i < 1000 ? QString() : u'.' + QString::number(i / 1000);
            const QString name = day +
                                 QStringLiteral("q%1.").arg(i % 1000, 3, 10, QLatin1Char('0')) +
                                 number + unique;
            QByteArray received, sent;
            if (k == 0) {
                received = textBytes(
                    QStringLiteral("ЗЦЗЦ %1 СР12 141911 7 12 1430\r\n\r\nМОСКВА 12 08/12 1430=\r\n"
                                   "\r\nМОСКВА ЦЕНТР ИВАНОВУ И П=\r\nПРОСИМ ПОДТВЕРДИТЬ ПОЛУЧЕНИЕ "
                                   "ДОКУМЕНТОВ ПО СПИСКУ НОМЕР %2 ОТ ВОСЬМОГО ДЕКАБРЯ=\r\n"
                                   "ПЕТРОВ=\r\nНННН  1208 14.30 %3\r\n")
                        .arg(number)
                        .arg(i)
                        .arg(i, 4, 10, QLatin1Char('0')),
                    i % 5 == 0);
                sent = textBytes(
                    QStringLiteral("ПМ141911\r\nКИЕВ ЦЕНТР СИДОРОВУ=\r\nТЕКСТ %1\r\n").arg(i),
                    i % 5 == 1);
            }
            if (!writeFile(inp + name, received) ||
                !writeFile(inp + name + QStringLiteral(".tlg"), {}) ||
                !writeFile(out + day +
                               QStringLiteral("q%1.").arg(i % 1000, 3, 10, QLatin1Char('0')) +
                               number + unique,
                           sent))
                return false;
        }
    }
    return writeFile(done, {});
}

TRegisterSources archiveSources() {
    TRegisterSources sources;
    sources.inpPath = archiveFolder() + QStringLiteral("/inp/");
    sources.outPath = archiveFolder() + QStringLiteral("/out/");
    return sources;
}

void BM_ReadDay(benchmark::State& state) {
    if (!makeArchive()) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    const bool warmCache = state.range(0) == 1;
    TRegisterCache cache;
    ReadRegisterDay(archiveSources(), kLast, &cache);
    for (auto _ : state) {
        TRegisterCache fresh;
        const TRegisterDay day =
            ReadRegisterDay(archiveSources(), kLast, warmCache ? &cache : &fresh);
        if (day.received.size() != kLastDay || day.sent.size() != kLastDay)
            state.SkipWithError("wrong count");
    }
    state.SetLabel(warmCache ? "read again (the window's live refresh)" : "first reading");
}
BENCHMARK(BM_ReadDay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Strip(benchmark::State& state) {
    if (!makeArchive()) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    ReadRegisterStrip(archiveSources(), kLast, 30);
    for (auto _ : state) {
        const QList<TRegisterDayTotal> strip = ReadRegisterStrip(archiveSources(), kLast, 30);
        if (strip.last().received != kLastDay || strip.first().sent != kPerDay)
            state.SkipWithError("wrong count");
    }
    state.SetLabel("30 days of a 240-day archive, first reading");
}
BENCHMARK(BM_Strip)->Unit(benchmark::kMillisecond);

// The operator's wait: the window opened on the day until its tables,
// totals and the day's chart are painted (the strip of 30 days follows).
void BM_DayToWindow(benchmark::State& state) {
    if (!makeArchive()) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    _tlg_config config;
    config.InpPath = archiveFolder() + QStringLiteral("/inp/");
    config.OutPath = archiveFolder() + QStringLiteral("/out/");
    for (auto _ : state) {
        auto form = std::make_unique<TForm_Register>(config, QStringLiteral("TARVO/COM"),
                                                     [] { return kLast; });
        QEventLoop shown;
        QObject::connect(form->ListView_Received->model(), &QAbstractItemModel::modelReset, &shown,
                         &QEventLoop::quit);
        form->show();
        shown.exec();
        QApplication::processEvents();  // the repaint the operator waits for
        state.PauseTiming();
        if (form->ListView_Received->model()->rowCount() != kLastDay)
            state.SkipWithError("wrong count");
        // The strip and the list of days come after; not the operator's wait.
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DayToWindow)->Unit(benchmark::kMillisecond);

}  // namespace
