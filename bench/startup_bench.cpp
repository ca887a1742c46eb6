// Start-up with a full archive: 240 day folders of 1 000 files each in inp/
// and in out/ (the default 240 days kept), against an empty program folder.
//
// BM_StartUp runs the workstation as a program of its own, offscreen, and
// times it from the process start to the first protocol lines ("ПРОГРАММА
// ЗАПУЩЕНА" in the day's file), as an operator sees it; argument 0 is the
// empty folder, 1 the archive with a day's protocol of 100 000 lines. The target: the archive costs at most 1.5
// times the empty start. BM_DayStart times what a day start (at start-up and
// at every midnight) keeps the GUI thread busy with, BM_Cleanup the whole
// cleanup of the archive, which runs on a thread of its own.
//
// The archive is made once in $TMPDIR/tarvo-bench-archive (about half a
// million empty files; it takes a minute) and kept for later runs.
// TARVO_BENCH_BINARY names another build of the program to start instead.

#include "archive/folders.h"
#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "util/clock.h"
#include "util/datetimeformat.h"
#include "util/linecode.h"

#include <QCoreApplication>
#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kDays = 240;
constexpr int kFilesPerDay = 1000;

QString archiveFolder() {
    return QDir::tempPath() + QStringLiteral("/tarvo-bench-archive");
}

void touch(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

// inp/<day>/: 500 telegrams and their raw copies; out/<day>/: 1 000 filed
// telegrams; for the 240 days up to yesterday.
bool makeArchive(const QString& folder) {
    const QString done = folder + QStringLiteral("/.complete");
    if (QFile::exists(done))
        return true;
    QDir(folder).removeRecursively();
    const QDate today = QDate::currentDate();
    for (int d = 1; d <= kDays; ++d) {
        const QString day = FormatDelphiDate(today.addDays(-d), u"mmdd");
        const QString inp = folder + QStringLiteral("/inp/") + day;
        const QString out = folder + QStringLiteral("/out/") + day;
        if (!QDir().mkpath(inp) || !QDir().mkpath(out))
            return false;
        for (int n = 0; n < kFilesPerDay / 2; ++n) {
            const QByteArray name = QFile::encodeName(inp + u'/' + day +
                                                      QStringLiteral("q%1.%2")
                                                          .arg(n % 1000, 3, 10, QLatin1Char('0'))
                                                          .arg(n + 1, 3, 10, QLatin1Char('0')));
            touch(name);
            touch(name + ".tlg");
        }
        for (int n = 0; n < kFilesPerDay; ++n)
            touch(QFile::encodeName(out + u'/' + day +
                                    QStringLiteral("q%1.%2")
                                        .arg(n, 3, 10, QLatin1Char('0'))
                                        .arg((n + 1) % 1000, 3, 10, QLatin1Char('0'))));
    }
    touch(QFile::encodeName(done));
    return true;
}

// Today's protocol of a busy day so far: kProtocolLines events, as the
// protocol writes them (the level mark, the time, the text, CR LF CR LF).
constexpr int kProtocolLines = 100000;
qint64 writeDayProtocol(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    QByteArray chunk;
    for (int n = 0; n < kProtocolLines; ++n) {
        chunk += "\x03" "3" + QTime(8, 0).addSecs(n / 4).toString("hh:mm:ss").toLatin1() + ' ' +
                 LineLiteral(u"ТЕЛЕГРАММА СОХРАНЕНА inp/0101/0101q911.") +
                 QByteArray::number(n % 1000) + "\r\n\r\n";
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return file.size();
}

// One start of the program in folder, until its first protocol lines. With
// fullProtocol the day's protocol already holds kProtocolLines events.
double timedStart(const QString& folder, benchmark::State& state, bool fullProtocol) {
    // What the previous run left: its protocol and settings (the protocol of
    // the day would already hold the line waited for).
    QDir(folder + QStringLiteral("/prt")).removeRecursively();
    QFile::remove(folder + QStringLiteral("/korvel.ini"));
    QFile ini(folder + QStringLiteral("/korvel.ini"));
    // No centre: the line's connects fail at once and keep nothing waiting.
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[SERVER]\r\nhost=127.0.0.1\r\nport=1\r\n");
    ini.close();
    QTemporaryDir runtime;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARVO_HOME"), folder);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString protocol = folder + QStringLiteral("/prt/") +
                             FormatDelphiDate(QDate::currentDate(), u"mmdd") +
                             QStringLiteral(".prt");
    const qint64 before = fullProtocol ? writeDayProtocol(protocol) : 0;
    if (before < 0)
        state.SkipWithError("cannot write the day's protocol");
    QElapsedTimer timer;
    timer.start();
    program.start(qEnvironmentVariable("TARVO_BENCH_BINARY", QStringLiteral(TARVO_BINARY)), QStringList());
    const QDeadlineTimer ceiling(60000);
    double seconds = -1;
    static const LineText started = LineLiteral(u"ПРОГРАММА ЗАПУЩЕНА");
    while (!ceiling.hasExpired()) {
        QFile file(protocol);
        if (file.open(QIODevice::ReadOnly) && file.size() > before && file.seek(before) &&
            file.readAll().contains(started)) {
            seconds = timer.nsecsElapsed() / 1e9;
            break;
        }
        QThread::msleep(2);
    }
    program.terminate();
    if (!program.waitForFinished(10000))
        program.kill();
    program.waitForFinished(5000);
    if (seconds < 0)
        state.SkipWithError("the program did not start");
    return seconds;
}

void BM_StartUp(benchmark::State& state) {
    const bool archive = state.range(0) == 1;
    QTemporaryDir empty;
    const QString folder = archive ? archiveFolder() : empty.path();
    if (archive && !makeArchive(folder)) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    for (auto _ : state) {
        const double seconds = timedStart(folder, state, archive);
        if (seconds < 0)
            break;
        state.SetIterationTime(seconds);
    }
    state.SetLabel(archive ? "240 days x 1000 files in inp/ and out/, 100 000 protocol lines today"
                           : "empty program folder");
}
BENCHMARK(BM_StartUp)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The GUI thread's share of a day start, and the cleanup it hands off.
struct ArchiveFolders {
    explicit ArchiveFolders(const QString& folder) : cwd(QDir::currentPath()) {
        QDir::setCurrent(folder);
        protocol.SetFileName(QStringLiteral("bench.prt"));
    }
    ~ArchiveFolders() { QDir::setCurrent(cwd); }
    QString cwd;
    SystemClock clock;
    _tlg_config config;
    _tlg_status status;
    TProtocol protocol;
    TArchiveFolders folders{config, status, protocol, clock};
};

void BM_DayStart(benchmark::State& state) {
    if (!makeArchive(archiveFolder())) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    ArchiveFolders a(archiveFolder());
    const QDate today = QDate::currentDate();
    const QString day = FormatDelphiDate(today, u"mmdd");
    for (auto _ : state) {
        a.folders.StartDay(day, today);
        state.PauseTiming();
        a.folders.StopCleanup();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DayStart)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Cleanup(benchmark::State& state) {
    if (!makeArchive(archiveFolder())) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    ArchiveFolders a(archiveFolder());
    for (auto _ : state)
        a.folders.CleanupOldFiles();
    state.SetItemsProcessed(state.iterations() * 2 * kDays * kFilesPerDay);
}
BENCHMARK(BM_Cleanup)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
