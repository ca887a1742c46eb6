#include "archive/folders.h"

#include "archive/cleanup.h"

#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "util/clock.h"
#include "util/datetimeformat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

struct TArchiveFolders::TCleanupRun {
    QList<TCleanupLine> lines;
    bool logged = false;
};

TArchiveFolders::TArchiveFolders(const _tlg_config& config, _tlg_status& status,
                                 TProtocol& protocol, IClock& clock, IFolderHost* host)
    : config_(config), status_(status), protocol_(protocol), clock_(clock), host_(host) {}

QString TArchiveFolders::AbsoluteFolder(const QString& configured) {
    QString path = configured;
    if (!path.startsWith(u'/'))
        path = QDir::currentPath() + u'/' + path;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

QString TArchiveFolders::EnsureFolder(const QString& configured, const QString& purpose) {
    const QString path = AbsoluteFolder(configured);
    const QFileInfo info(path);
    if (info.isDir() || QDir().mkpath(path))
        return {};
    return QStringLiteral("Folder not found: ") + path + purpose;
}

bool TArchiveFolders::CheckFolders() {
    QString error = EnsureFolder(config_.InpPath, QStringLiteral(" ДЛЯ СОХРАНЕНИЯ ПРИНЯТЫХ ТЛГ"));
    if (error.isEmpty())
        error = EnsureFolder(config_.OutPath, QStringLiteral(" ДЛЯ СОХРАНЕНИЯ ПЕРЕДАННЫХ ТЛГ"));
    if (error.isEmpty())
        error = EnsureFolder(config_.PrtPath, QStringLiteral(" ДЛЯ СОХРАНЕНИЯ ПРОТОКОЛА ТЛГ"));
    if (error.isEmpty())
        return true;
    protocol_.AddMessage(error, kProtocolError);
    if (host_) {
        host_->ShowFolderError(error);
        host_->FoldersUnavailable();
    }
    return false;
}

void TArchiveFolders::MakeDayFolders() const {
    QDir().mkdir(AbsoluteFolder(config_.InpPath) + status_.DayText);
    QDir().mkdir(AbsoluteFolder(config_.OutPath) + status_.DayText);
}

void TArchiveFolders::StartDay(const QString& dayText, QDate workingDay) {
    status_.DayText = dayText;
    MakeDayFolders();
    // "/" in a Delphi pattern is the locale's date separator: joined by hand.
    status_.CurrentDateText =
        FormatDelphiDate(workingDay, u"dd") + u'/' + FormatDelphiDate(workingDay, u"mm");
    if (host_)
        host_->DayPickersToToday();
    protocol_.SetFileName(dayText + QStringLiteral(".prt"));
    StartCleanup();
    if (host_)
        host_->DayStarted();
}

TArchiveFolders::~TArchiveFolders() {
    StopCleanup();
}

void TArchiveFolders::CleanupOldFiles() {
    for (const TCleanupLine& line : RunCleanup(CleanupPlan(config_, clock_.LocalTime())))
        protocol_.AddMessage(line.text, line.level);
}

bool TArchiveFolders::CleanupRunning() const {
    return cleanup_ && !cleanup_->isFinished();
}

void TArchiveFolders::StartCleanup() {
    if (CleanupRunning())
        return;
    // One that has ended but whose lines are still on their way is logged
    // now, before the next one starts.
    LogCleanup();
    StopCleanup();
    const QList<TCleanupStep> plan = CleanupPlan(config_, clock_.LocalTime());
    if (plan.isEmpty())
        return;
    auto run = std::make_shared<TCleanupRun>();
    cleanupRun_ = run;
    cleanupCancel_ = false;
    cleanup_.reset(QThread::create(
        [plan, run, cancel = &cleanupCancel_] { run->lines = RunCleanup(plan, cancel); }));
    cleanupContext_ = std::make_unique<QObject>();
    // Logged on this (the GUI) thread, which alone writes the protocol.
    QObject::connect(cleanup_.get(), &QThread::finished, cleanupContext_.get(),
                     [this] { LogCleanup(); });
    cleanup_->start(QThread::LowPriority);
}

void TArchiveFolders::LogCleanup() {
    if (!cleanupRun_ || cleanupRun_->logged || CleanupRunning() || cleanupCancel_)
        return;
    cleanupRun_->logged = true;
    for (const TCleanupLine& line : cleanupRun_->lines)
        protocol_.AddMessage(line.text, line.level);
}

void TArchiveFolders::StopCleanup() {
    if (cleanup_ && !cleanup_->isFinished()) {
        cleanupCancel_ = true;
        cleanup_->wait();
    }
    cleanupContext_.reset();
    cleanup_.reset();
    cleanupRun_.reset();
}
