#include "support/cupsscheduler.h"

#include "support/loopback.h"
#include "support/runprogram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/prctl.h>
#include <unistd.h>
#include <csignal>

namespace {

const QString kPdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPdfModel = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd");

QString Program(const QString& name) {
    return QStandardPaths::findExecutable(
        name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin"),
               QStringLiteral("/bin")});
}

bool WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Why no scheduler of our own can run here; empty when one can.
QString MissingPieces() {
    if (::geteuid() != 0)
        return QStringLiteral("a CUPS scheduler of the test's own needs root");
    if (Program(QStringLiteral("cupsd")).isEmpty())
        return QStringLiteral("cupsd is not installed (package cups)");
    for (const char* client : {"lp", "lpadmin", "lpstat"})
        if (Program(QLatin1String(client)).isEmpty())
            return QStringLiteral("%1 is not installed (package cups-client)").arg(client);
    if (!QFileInfo::exists(kPdfBackend) || !QFileInfo::exists(kPdfModel))
        return QStringLiteral("the PDF printer is not installed (package printer-driver-cups-pdf)");
    return QString();
}

}  // namespace

CupsScheduler::CupsScheduler() : dir_(QDir::tempPath() + QStringLiteral("/tarvo-cups-XXXXXX")) {
    unavailable_ = MissingPieces();
    if (!unavailable_.isEmpty())
        return;
    const QString root = dir_.path();
    for (const char* sub : {"etc", "spool", "spool/tmp", "cache", "state", "log"})
        QDir().mkpath(root + u'/' + QLatin1String(sub));
    // The scheduler's filters run as user lp: they must reach the folders.
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther);
    const QByteArray r = QFile::encodeName(root);
    const bool written =
        WriteText(root + QStringLiteral("/etc/cupsd.conf"),
                  "Listen " + r +
                      "/cups.sock\n"
                      "LogLevel info\nBrowsing No\nDefaultAuthType None\nWebInterface No\n"
                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                      "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                      "</Policy>\n") &&
        WriteText(root + QStringLiteral("/etc/cups-files.conf"),
                  "ServerRoot " + r + "/etc\nRequestRoot " + r + "/spool\nTempDir " + r +
                      "/spool/tmp\nCacheDir " + r + "/cache\nStateDir " + r + "/state\nErrorLog " +
                      r + "/log/error_log\nAccessLog " + r + "/log/access_log\nPageLog " + r +
                      "/log/page_log\nPrintcap " + r + "/printcap\n");
    if (!written) {
        unavailable_ = QStringLiteral("cannot write the scheduler's configuration in ") + root;
        return;
    }
    cupsd_.setProcessChannelMode(QProcess::ForwardedChannels);
    // A test killed outright takes its scheduler along.
    cupsd_.SetChildSetup([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    cupsd_.start(
        Program(QStringLiteral("cupsd")),
        {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/etc/cupsd.conf"),
         QStringLiteral("-s"), root + QStringLiteral("/etc/cups-files.conf")});
    // The job list answers only a scheduler that runs ("lpstat -r" ends
    // with status 0 either way).
    const bool answers =
        cupsd_.waitForStarted() && WaitUntil([this] {
            return cupsd_.state() != QProcess::Running ||
                   RunProgram(Program(QStringLiteral("lpstat")),
                              {QStringLiteral("-h"), Server(), QStringLiteral("-o")})
                           .exitCode == 0;
        }) &&
        cupsd_.state() == QProcess::Running;
    if (!answers)
        unavailable_ = QStringLiteral("cupsd did not start: ") + QString::fromLocal8Bit(ErrorLog());
}

CupsScheduler::~CupsScheduler() {
    if (cupsd_.state() != QProcess::NotRunning) {
        cupsd_.terminate();
        if (!cupsd_.waitForFinished(5000)) {
            cupsd_.kill();
            cupsd_.waitForFinished();
        }
    }
    if (!pdfConfig_.isEmpty())
        QFile::remove(pdfConfig_);
}

QString CupsScheduler::Server() const {
    return dir_.path() + QStringLiteral("/cups.sock");
}

bool CupsScheduler::Admin(const QStringList& args) {
    return RunProgram(Program(QStringLiteral("lpadmin")),
                      QStringList{QStringLiteral("-h"), Server()} + args)
               .exitCode == 0;
}

bool CupsScheduler::AddRawQueue(const QString& name, int port) {
    return Admin({QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                  QStringLiteral("socket://127.0.0.1:%1").arg(port)});
}

bool CupsScheduler::AddPdfQueue(const QString& name, const QString& folder) {
    // cups-pdf reads its settings only from /etc/cups: a file of this
    // scheduler's own, named by the device, keeps the system's untouched.
    const QString instance = QStringLiteral("tarvo%1").arg(::getpid());
    pdfConfig_ = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(instance);
    const QByteArray r = QFile::encodeName(dir_.path());
    if (!WriteText(pdfConfig_, "Out " + QFile::encodeName(folder) + "\nSpool " + r +
                                   "/spool/cups-pdf\nLog " + r + "/log\nGrp lp\n"))
        return false;
    return Admin({QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                  QStringLiteral("cups-pdf:/") + instance, QStringLiteral("-P"), kPdfModel,
                  QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftocairo")}) &&
           Admin({QStringLiteral("-d"), name});
}

bool CupsScheduler::WaitJobsDone() {
    return WaitUntil([this] {
        const ProgramRun jobs = RunProgram(Program(QStringLiteral("lpstat")),
                                           {QStringLiteral("-h"), Server(), QStringLiteral("-o")});
        return jobs.exitCode == 0 && jobs.out.trimmed().isEmpty();
    });
}

QByteArray CupsScheduler::ErrorLog() const {
    QFile log(dir_.path() + QStringLiteral("/log/error_log"));
    return log.open(QIODevice::ReadOnly) ? log.readAll().right(4000) : QByteArray();
}
