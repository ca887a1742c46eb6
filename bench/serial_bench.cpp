// The serial link's costs.
//
// BM_ReceiveLatency: a five-bit code written by the adapter (the master side
// of a pseudo-terminal) until the line thread's OnReceive has it; the median
// of all round trips is the counter median_us. The line thread's read waits
// at most 10 ms and an idle pass sleeps 5 ms, so a few milliseconds at most.
//
// BM_IdleCpu: the workstation as a program of its own (offscreen), on the
// simulated serial line (lin9sim at 50 baud, paced like the real line, in
// front of the training centre), connected and idle; the counter cpu_percent
// is its CPU time over the wall time, as a share of one core. The target is
// at most 0.5 %. Argument 0 is the same workstation on TCP/IP, for comparison.
// The counter wakeups_per_s counts the context switches of all its threads
// (the line thread's waits, the one-second tick, Qt's timers) per second,
// threads that ended meanwhile included; threads_started counts the threads
// that began while the workstation was idle.
// TARVO_BENCH_IDLE_SECONDS sets the measured time (default 60).

#include "line/tlgclient.h"
#include "support/ptypeer.h"
#include "util/datetimeformat.h"
#include "util/linecode.h"

#include <QCoreApplication>
#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

void BM_ReceiveLatency(benchmark::State& state) {
    PtyPeer adapter;
    CTlgClient line;
    TLinkTimings timings;
    timings.pauseMs = 1;
    line.SetTimings(timings);
    std::atomic<qint64> receivedAt{0};
    // Taken on the line thread itself: the time to the event, not to the
    // GUI thread's turn.
    QObject::connect(
        &line, &CTlgClient::OnReceive, &line,
        [&](CTlgClient* thread) {
            thread->TakeReceiveText();
            receivedAt = Clock::now().time_since_epoch().count();
        },
        Qt::DirectConnection);
    line.SetSerial(adapter.SlavePath(), 50, 1);
    if (adapter.ReadSome(5000).isEmpty()) {
        state.SkipWithError("the line thread did not open the port");
        return;
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        receivedAt = 0;
        const Clock::time_point sent = Clock::now();
        adapter.Write(QByteArray(1, char(0x04)));
        const QDeadlineTimer ceiling(1000);
        while (receivedAt == 0 && !ceiling.hasExpired())
            std::this_thread::yield();
        const double seconds = std::chrono::duration<double>(
                                   Clock::time_point(Clock::duration(receivedAt.load())) - sent)
                                   .count();
        state.SetIterationTime(seconds);
        latencies.push_back(seconds);
        // Now and then the code lands in the line thread's idle sleep.
        QThread::usleep(unsigned(latencies.size() % 7) * 700);
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_us"] = latencies[latencies.size() / 2] * 1e6;
    state.counters["max_us"] = latencies.back() * 1e6;
    line.Shutdown();
}
BENCHMARK(BM_ReceiveLatency)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

// CPU seconds (user and system) of a process so far.
double CpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which is in parentheses.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(::sysconf(_SC_CLK_TCK));
}

// Context switches of each of the process's threads now (thread id ->
// count): each is a wake-up (a sleep that ended) or a preemption.
QMap<QString, double> ContextSwitches(qint64 pid) {
    QMap<QString, double> counts;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks + u'/' + task + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        double total = 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:") ||
                line.startsWith("nonvoluntary_ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toDouble();
        counts.insert(task, total);
    }
    return counts;
}

// Watches the context switches over a stretch of time, looking often enough
// to count the threads that come and go meanwhile.
struct SwitchWatch {
    explicit SwitchWatch(qint64 pid) : pid_(pid), last_(ContextSwitches(pid)) {}
    void Look() {
        const QMap<QString, double> now = ContextSwitches(pid_);
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (!last_.contains(it.key()))
                ++threadsStarted;
            switches += it.value() - last_.value(it.key(), 0);
        }
        last_ = now;
    }
    double switches = 0;
    int threadsStarted = 0;

private:
    qint64 pid_;
    QMap<QString, double> last_;
};

// Starts a simulator and reads the value its first line gives after prefix.
QString StartTool(QProcess& process, const QString& program, const QStringList& args,
                  const QByteArray& prefix) {
    process.start(program, args);
    if (!process.waitForStarted())
        return QString();
    QByteArray out;
    const QDeadlineTimer ceiling(10000);
    while (!out.contains('\n') && !ceiling.hasExpired()) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput();
    }
    const QByteArray first = out.left(out.indexOf('\n'));
    return first.startsWith(prefix) ? QString::fromUtf8(first.mid(prefix.size())) : QString();
}

void BM_IdleCpu(benchmark::State& state) {
    const int seconds = qEnvironmentVariableIntValue("TARVO_BENCH_IDLE_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("TARVO_BENCH_IDLE_SECONDS")
                            : 60;
    QTemporaryDir home;
    QTemporaryDir runtime;
    QProcess centre;
    QProcess adapter;
    const QString endpoint =
        StartTool(centre, QStringLiteral(CKSSIM_PATH),
                  {"-p", "0", "-q", "--auto-open", "--stay", "-t", home.filePath("centre.txt")},
                  "LISTENING ");
    const bool serial = state.range(0) == 1;
    const QString pty = endpoint.isEmpty() || !serial
                            ? QString()
                            : StartTool(adapter, QStringLiteral(LIN9SIM_PATH),
                                        {"--centre", endpoint, "--stay", "-q"}, "PTY ");
    if (endpoint.isEmpty() || (serial && pty.isEmpty())) {
        state.SkipWithError("the simulators did not start");
        return;
    }
    QFile ini(home.filePath("korvel.ini"));
    if (ini.open(QIODevice::WriteOnly)) {
        if (serial)
            ini.write("[SERVER]\r\nTCP=0\r\nbaud=0\r\nCOM=" + pty.toUtf8() + "\r\n");
        else
            ini.write("[SERVER]\r\nTCP=1\r\nhost=127.0.0.1\r\nport=" +
                      endpoint.section(u':', 1).toUtf8() + "\r\n");
    }
    ini.close();
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARVO_HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(TARVO_BINARY), QStringList());
    const QString protocol =
        home.filePath(QStringLiteral("prt/") + FormatDelphiDate(QDate::currentDate(), u"mmdd") +
                      QStringLiteral(".prt"));
    // Connected: then idle.
    const LineText opened = LineLiteral(serial ? u"ПОРТ ОТКРЫТ" : u"Connect ");
    const QDeadlineTimer ceiling(30000);
    bool up = false;
    while (!up && !ceiling.hasExpired()) {
        QFile file(protocol);
        up = file.open(QIODevice::ReadOnly) && file.readAll().contains(opened);
        QThread::msleep(50);
    }
    if (!up) {
        state.SkipWithError("the workstation did not open the port");
    } else {
        QThread::sleep(5);
        for (auto _ : state) {
            const double before = CpuSeconds(program.processId());
            SwitchWatch watch(program.processId());
            const Clock::time_point start = Clock::now();
            while (Clock::now() - start < std::chrono::seconds(seconds)) {
                QThread::msleep(100);
                watch.Look();
            }
            const double wall = std::chrono::duration<double>(Clock::now() - start).count();
            const double used = CpuSeconds(program.processId()) - before;
            state.SetIterationTime(wall);
            state.counters["cpu_percent"] = 100.0 * used / wall;
            state.counters["wakeups_per_s"] = watch.switches / wall;
            state.counters["threads_started"] = watch.threadsStarted;
        }
        state.SetLabel(serial ? "serial line through lin9sim" : "TCP/IP to the centre");
    }
    program.terminate();
    if (!program.waitForFinished(10000))
        program.kill();
    adapter.terminate();
    centre.terminate();
    adapter.waitForFinished(5000);
    centre.waitForFinished(5000);
}
BENCHMARK(BM_IdleCpu)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
