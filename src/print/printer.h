#pragma once

#include "print/rawprint.h"

#include <QFont>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <memory>

struct _tlg_config;
struct _tlg_controls;
class IClock;

// What a print job needs, taken from the settings when it is asked for.
struct TPrintJob {
    QStringList lines;
    QString dateTime;  // the banner's date and time
    bool raw = true;   // PRINT/MatrixRAW
    TRawPrintSettings rawSettings;
    int pagePrinter = -1;  // PRINT/WindowsPrinterN
    bool printRegisters = false;
    bool autoWordWrap = true;
    QFont font;  // FONT_PRN
};

// Telegram printing for the main window. A job is handed to a thread of its
// own, so that a printer that is slow, out of paper or gone never holds the
// window or the line (a received telegram is printed from inside the line's
// event); the outcome comes back here.
class TTelegramPrinter : public QObject {
    Q_OBJECT
public:
    // The page printer's font is FONT_PRN of the controls.
    TTelegramPrinter(const _tlg_config& config, const _tlg_controls& controls, const IClock& clock,
                     QObject* parent = nullptr);
    ~TTelegramPrinter() override;

    // Prints the lines with the settings of now. Nothing for an empty text.
    void Print(const QStringList& lines);
    // The network printer's port (tests put a loopback listener there).
    void SetNetworkPort(int port) { networkPort_ = port; }
    int JobsDone() const { return jobsDone_; }
    int JobsWaiting() const { return jobsAsked_ - jobsDone_; }

    // The banner's date and time: the system's short date and long time.
    static QString DateTimeText(const QDateTime& time);

signals:
    // A job has ended; the text says why it did not print (empty: printed).
    void jobEnded(int kind, const QString& detail);
    // To the worker.
    void run(const TPrintJob& job);

private:
    const _tlg_config& config_;
    const _tlg_controls& controls_;
    const IClock& clock_;
    QThread thread_;
    int networkPort_ = 9100;
    int jobsAsked_ = 0;
    int jobsDone_ = 0;
};

// The page printer's errors come back with this kind.
inline constexpr int kPageError = 100;
