#include "print/printer.h"

#include "config/tlgconfig.h"
#include "print/pageprint.h"
#include "util/clock.h"
#include "util/linecode.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocale>
#include <QPrinter>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

struct TPrintShared {
    // The program is ending: what runs gives up, what waits is dropped.
    std::atomic<bool> stop{false};
    // Jobs that ran to their end, printed or not.
    std::atomic<int> finished{0};

    // A job has run to its end.
    void Finished() {
        {
            std::lock_guard lock(mutex);
            ++finished;
        }
        jobDone.notify_all();
    }
    // Waits until count jobs have run to their end; false when the deadline
    // came first.
    bool WaitFinished(int count, QDeadlineTimer deadline) {
        std::unique_lock lock(mutex);
        return jobDone.wait_for(lock, std::chrono::milliseconds(deadline.remainingTime()),
                                [&] { return finished >= count; });
    }

    // The window has stopped waiting for the thread.
    void Abandon() {
        std::lock_guard lock(mutex);
        abandoned = true;
    }
    // Called by the thread each time a call that may block returns: once the
    // window has stopped waiting, the thread stays here until the process
    // ends (its locals never destroyed), so that it never runs into the
    // program's own teardown.
    void ParkIfAbandoned() {
        std::unique_lock lock(mutex);
        parked.wait(lock, [this] { return !abandoned; });
    }

private:
    std::mutex mutex;
    std::condition_variable jobDone;
    std::condition_variable parked;
    bool abandoned = false;
};

namespace {

// Runs the jobs on the printer thread, one after the other. It holds only
// what it shares with the window, so that it may outlive the window.
class TPrintWorker : public QObject {
    Q_OBJECT
public:
    explicit TPrintWorker(std::shared_ptr<TPrintShared> shared) : shared_(std::move(shared)) {}

    void Run(const TPrintJob& job) {
        if (shared_->stop)
            return;
        const auto stopRequested = [shared = shared_] { return shared->stop.load(); };
        int kind = int(TPrintOutcome::Printed);
        QString detail;
        if (job.raw) {
            const QByteArray text = job.message
                                        ? RawMessageText(job.messageText, job.rawSettings)
                                        : RawPrintText(job.lines, job.rawSettings, job.dateTime);
            const TPrintOutcome outcome = SendRawPrint(text, job.rawSettings, stopRequested);
            shared_->ParkIfAbandoned();
            if (outcome.kind == TPrintOutcome::Interrupted)
                return;
            kind = int(outcome.kind);
            detail = outcome.detail;
        } else {
            detail = PrintOnPage(job);
            if (!detail.isEmpty())
                kind = kPageError;
        }
        shared_->Finished();
        emit ended(kind, detail);
    }

signals:
    void ended(int kind, const QString& detail);

private:
    QString PrintOnPage(const TPrintJob& job) {
        QPrinter printer(QPrinter::HighResolution);
        QString error;
        const bool selected = SelectPagePrinter(printer, job.pagePrinter, &error);
        shared_->ParkIfAbandoned();
        if (!selected)
            return error;
        if (job.message)
            printer.setPageOrientation(QPageLayout::Portrait);
        TPagePrintSettings settings;
        settings.printRegisters = job.printRegisters;
        settings.autoWordWrap = job.autoWordWrap;
        settings.font = job.font;
        settings.banner = !job.message;
        error = PrintPages(printer, job.lines, settings, job.dateTime);
        shared_->ParkIfAbandoned();
        return error;
    }

    std::shared_ptr<TPrintShared> shared_;
};

// Threads left running at the program's end. Kept where they can be found,
// never destroyed: destroying a thread under its job aborts the program.
std::vector<QThread*>& AbandonedThreads() {
    static auto* threads = new std::vector<QThread*>;
    return *threads;
}

}  // namespace

TTelegramPrinter::TTelegramPrinter(const _tlg_config& config, const _tlg_controls& controls,
                                   const IClock& clock, QObject* parent)
    : QObject(parent),
      config_(config),
      controls_(controls),
      clock_(clock),
      shared_(std::make_shared<TPrintShared>()) {
    qRegisterMetaType<TPrintJob>("TPrintJob");
    // Without a parent: it may have to outlive this object.
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("TelegramPrinter"));
    auto* worker = new TPrintWorker(shared_);
    worker->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker, &QObject::deleteLater);
    connect(this, &TTelegramPrinter::run, worker, &TPrintWorker::Run, Qt::QueuedConnection);
    ended_ = connect(
        worker, &TPrintWorker::ended, this,
        [this](int kind, const QString& detail) {
            ++jobsDone_;
            if (JobsWaiting() > 0)
                headStarted();
            else
                heldTimer_->stop();
            emit jobEnded(kind, detail);
        },
        Qt::QueuedConnection);
    heldTimer_ = new QTimer(this);
    heldTimer_->setInterval(1000);
    connect(heldTimer_, &QTimer::timeout, this, &TTelegramPrinter::CheckHeld);
    thread_->start();
}

TTelegramPrinter::~TTelegramPrinter() {
    if (!shutDown_)
        Shutdown();
}

int TTelegramPrinter::Shutdown(int timeoutMs) {
    if (shutDown_)
        return 0;
    shutDown_ = true;
    heldTimer_->stop();
    // Jobs that can still finish within the bound do; then what runs is
    // asked to give up and what waits is dropped.
    shared_->WaitFinished(jobsAsked_, QDeadlineTimer(timeoutMs));
    shared_->stop = true;
    thread_->quit();
    const bool ended = thread_->wait(QDeadlineTimer(kStopWaitMs));
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    // The worker may be gone already: the connection knows.
    QObject::disconnect(ended_);
    if (ended) {
        delete thread_;
    } else {
        shared_->Abandon();
        qWarning("TTelegramPrinter: a print job is still running at the end and is left to itself");
        AbandonedThreads().push_back(thread_);
    }
    thread_ = nullptr;
    return jobsAsked_ - shared_->finished;
}

QString TTelegramPrinter::DateTimeText(const QDateTime& time) {
    const QLocale locale = QLocale::system();
    return locale.toString(time.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(time.time(), QLocale::LongFormat);
}

void TTelegramPrinter::Print(const QStringList& lines) {
    bool empty = true;
    for (const QString& line : lines)
        empty = empty && line.isEmpty();
    if (empty)
        return;
    TPrintJob job;
    job.lines = lines;
    queue(std::move(job));
}

void TTelegramPrinter::PrintMessage(const LineText& text) {
    if (text.isEmpty())
        return;
    TPrintJob job;
    job.message = true;
    job.messageText = text;
    job.lines = LineToWide(text).split(QStringLiteral("\r\n"));
    // The CR LF that ends the last line starts no line of its own.
    if (job.lines.size() > 1 && job.lines.last().isEmpty())
        job.lines.removeLast();
    queue(std::move(job));
}

void TTelegramPrinter::queue(TPrintJob job) {
    if (shutDown_)
        return;
    job.dateTime = DateTimeText(clock_.LocalTime());
    job.raw = config_.MatrixRaw;
    job.rawSettings.prn = config_.Prn;
    job.rawSettings.ip = config_.PrinterIp;
    job.rawSettings.port = networkPort_;
    job.rawSettings.writeTimeoutMs = writeTimeoutMs_;
    job.rawSettings.skipLines = config_.SkipLines;
    job.rawSettings.printRegisters = config_.PrintRegisters;
    job.rawSettings.graphics = config_.LoadFont;
    job.rawSettings.font = config_.PrinterFont;
    job.pagePrinter = config_.WindowsPrinterN;
    job.printRegisters = config_.PrintRegisters;
    job.autoWordWrap = config_.AutoWordWrap;
    const _tlg_font& f = controls_.WindowsPrinterFont;
    job.font = QFont(f.Name);
    job.font.setPointSize(f.Size > 0 ? f.Size : 14);
    job.font.setBold(f.Bold);
    if (JobsWaiting() == 0)
        headStarted();
    ++jobsAsked_;
    heldTimer_->start();
    emit run(job);
    if (headHeldSaid_)
        emit jobHeld(int(headSince_.secsTo(clock_.LocalTime())), JobsWaiting() - 1);
    else
        CheckHeld();
}

void TTelegramPrinter::headStarted() {
    headSince_ = clock_.LocalTime();
    headHeldSaid_ = false;
}

void TTelegramPrinter::CheckHeld() {
    if (JobsWaiting() == 0 || headHeldSaid_ || shutDown_)
        return;
    const qint64 seconds = headSince_.secsTo(clock_.LocalTime());
    // The clock set back: counted again from now.
    if (seconds < 0)
        headSince_ = clock_.LocalTime();
    if (seconds < kHeldSeconds)
        return;
    headHeldSaid_ = true;
    emit jobHeld(int(seconds), JobsWaiting() - 1);
}

#include "printer.moc"
