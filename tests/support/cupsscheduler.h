#pragma once

#include "util/qtcompat.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A CUPS scheduler of the test's own: Debian's cupsd with a configuration,
// spool and log folder of its own, reached only through a socket in that
// folder (CUPS_SERVER=Server()). It needs root (the PDF printer's backend
// runs only as root) and the packages cups, cups-client and
// printer-driver-cups-pdf; where it cannot run, Unavailable() says why.
class CupsScheduler {
public:
    CupsScheduler();
    ~CupsScheduler();
    CupsScheduler(const CupsScheduler&) = delete;
    CupsScheduler& operator=(const CupsScheduler&) = delete;

    // Empty once the scheduler answers; otherwise why it cannot run.
    const QString& Unavailable() const { return unavailable_; }
    // The scheduler's socket, for CUPS_SERVER.
    QString Server() const;

    // A raw queue whose printer is socket://127.0.0.1:port: the bytes of a
    // job reach whatever listens there, unchanged.
    bool AddRawQueue(const QString& name, int port);
    // A PDF printer (cups-pdf) that writes each job as a PDF file into
    // folder; it becomes the default printer.
    bool AddPdfQueue(const QString& name, const QString& folder);
    // Waits until no job is waiting or printing.
    bool WaitJobsDone();
    // The scheduler's error log, for a failing test's message.
    QByteArray ErrorLog() const;

private:
    bool Admin(const QStringList& args);

    QTemporaryDir dir_;
    TForkedProcess cupsd_;
    QString unavailable_;
    QString pdfConfig_;  // the PDF printer's settings file, removed at the end
};
