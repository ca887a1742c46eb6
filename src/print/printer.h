#pragma once

#include "print/rawprint.h"

#include <QDateTime>
#include <QFont>
#include <QObject>
#include <QStringList>

#include <memory>

struct _tlg_config;
struct _tlg_controls;
class IClock;
class QThread;
class QTimer;

// What a print job needs, taken from the settings when it is asked for.
struct TPrintJob {
    QStringList lines;
    // A centre message: printed as it is, without banners or blank lines
    // (the raw path prints these bytes, the page path its lines).
    bool message = false;
    LineText messageText;
    QString dateTime;  // the banner's date and time
    bool raw = true;   // PRINT/MatrixRAW
    TRawPrintSettings rawSettings;
    int pagePrinter = -1;  // PRINT/WindowsPrinterN
    bool printRegisters = false;
    bool autoWordWrap = true;
    QFont font;  // FONT_PRN
};

// What the printer thread and the window share; it outlives the window when
// a job has to be left running at the end.
struct TPrintShared;

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
    // Prints a centre message (line code, lines ending in CR LF) as it is:
    // no banner, no blank lines. Nothing for an empty text.
    void PrintMessage(const LineText& text);
    // The network printer's port (tests put a loopback listener there).
    void SetNetworkPort(int port) { networkPort_ = port; }
    // How long a device may take no byte before it counts as missing.
    void SetWriteTimeout(int ms) { writeTimeoutMs_ = ms; }
    int JobsDone() const { return jobsDone_; }
    int JobsWaiting() const { return jobsAsked_ - jobsDone_; }

    // The program's end: the jobs get timeoutMs to finish; then a job that
    // is running is asked to give up, jobs not yet started are dropped, and
    // the thread gets kStopWaitMs to end. A thread still running then (a
    // page printer that does not answer) is left to itself, never destroyed
    // under its job. Reports that had come back are delivered first.
    // Returns how many jobs asked for did not print. Nothing is printed
    // afterwards.
    int Shutdown(int timeoutMs = kShutdownWaitMs);
    static constexpr int kShutdownWaitMs = 1000;
    static constexpr int kStopWaitMs = 250;

    // Looks whether the job the printer works on has been held for
    // kHeldSeconds or more (on the clock); said once for that job with
    // jobHeld, and again for every job asked for behind it. Runs every
    // second while jobs wait.
    void CheckHeld();
    static constexpr int kHeldSeconds = 60;

    // The banner's date and time: the system's short date and long time.
    static QString DateTimeText(const QDateTime& time);

signals:
    // A job has ended; the text says why it did not print (empty: printed).
    void jobEnded(int kind, const QString& detail);
    // The running job has held the printer for seconds; waiting jobs wait
    // behind it.
    void jobHeld(int seconds, int waiting);
    // To the worker.
    void run(const TPrintJob& job);

private:
    void queue(TPrintJob job);
    void headStarted();

    const _tlg_config& config_;
    const _tlg_controls& controls_;
    const IClock& clock_;
    std::shared_ptr<TPrintShared> shared_;
    QThread* thread_ = nullptr;
    QMetaObject::Connection ended_;  // the worker's reports
    QTimer* heldTimer_ = nullptr;
    int networkPort_ = 9100;
    int writeTimeoutMs_ = TRawPrintSettings().writeTimeoutMs;
    int jobsAsked_ = 0;
    int jobsDone_ = 0;
    bool shutDown_ = false;
    QDateTime headSince_;  // when the job the printer works on began
    bool headHeldSaid_ = false;
};

// The page printer's errors come back with this kind.
inline constexpr int kPageError = 100;
