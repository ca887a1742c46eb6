#include "print/printer.h"

#include "config/tlgconfig.h"
#include "print/pageprint.h"
#include "util/clock.h"

#include <QLocale>
#include <QPrinter>

namespace {

// Runs the jobs on the printer thread, one after the other.
class TPrintWorker : public QObject {
    Q_OBJECT
public:
    void Run(const TPrintJob& job) {
        if (job.raw) {
            const TPrintOutcome outcome = SendRawPrint(
                RawPrintText(job.lines, job.rawSettings, job.dateTime), job.rawSettings);
            emit ended(int(outcome.kind), outcome.detail);
            return;
        }
        QPrinter printer(QPrinter::HighResolution);
        QString error;
        if (SelectPagePrinter(printer, job.pagePrinter, &error)) {
            TPagePrintSettings settings;
            settings.printRegisters = job.printRegisters;
            settings.autoWordWrap = job.autoWordWrap;
            settings.font = job.font;
            error = PrintPages(printer, job.lines, settings, job.dateTime);
        }
        emit ended(error.isEmpty() ? int(TPrintOutcome::Printed) : kPageError, error);
    }

signals:
    void ended(int kind, const QString& detail);
};

}  // namespace

TTelegramPrinter::TTelegramPrinter(const _tlg_config& config, const _tlg_controls& controls,
                                   const IClock& clock, QObject* parent)
    : QObject(parent), config_(config), controls_(controls), clock_(clock) {
    qRegisterMetaType<TPrintJob>("TPrintJob");
    auto* worker = new TPrintWorker;
    worker->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker, &QObject::deleteLater);
    connect(this, &TTelegramPrinter::run, worker, &TPrintWorker::Run, Qt::QueuedConnection);
    connect(
        worker, &TPrintWorker::ended, this,
        [this](int kind, const QString& detail) {
            ++jobsDone_;
            emit jobEnded(kind, detail);
        },
        Qt::QueuedConnection);
    thread_.setObjectName(QStringLiteral("TelegramPrinter"));
    thread_.start();
}

TTelegramPrinter::~TTelegramPrinter() {
    thread_.quit();
    // A printer that does not take its bytes must not hold the program's end.
    if (!thread_.wait(2000))
        qWarning("TTelegramPrinter: a print job is still running at the end");
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
    job.dateTime = DateTimeText(clock_.LocalTime());
    job.raw = config_.MatrixRaw;
    job.rawSettings.prn = config_.Prn;
    job.rawSettings.ip = config_.PrinterIp;
    job.rawSettings.port = networkPort_;
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
    ++jobsAsked_;
    emit run(job);
}

#include "printer.moc"
