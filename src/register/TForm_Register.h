#pragma once

#include "register/register.h"
#include "register/registerprint.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <thread>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeView;
class TRegisterChart;
class TRegisterTableModel;
struct _tlg_config;

// "Журнал телеграмм": the register of one day, not modal. The day is read on
// a thread of its own, so that the window, the line and the tick go on while
// a day of thousands of telegrams comes in; the window follows the working
// day while it shows it, and reads the shown day again when a read mark
// changes. Printing, the PDF and the export run on a thread of their own as
// well. Esc closes it.
class TForm_Register : public QDialog {
    Q_OBJECT
public:
    TForm_Register(const _tlg_config& config, QString workstation,
                   std::function<QDate()> workingDay, QWidget* parent = nullptr);
    ~TForm_Register() override;

    // The day shown (picked), and picking one.
    QDate Day() const;
    void ShowDay(QDate date);
    // The working day's telegrams changed (received, sent, filed, or a new
    // day began): the window catches up while it shows that day, and moves
    // on to a new working day from the one before.
    void TodayChanged();
    // A read mark changed: the shown day is read again.
    void MarksChanged();

    // What the window shows, and whether a reading is on its way to it.
    const TRegisterDay& Shown() const { return shown_; }
    const QList<TRegisterDayTotal>& ShownStrip() const { return strip_; }
    bool Reading() const { return reading_ || pendingRead_; }
    // Whether a print, PDF or export job runs.
    bool Busy() const { return job_.joinable() && !jobDone_; }

    // "Распечатать", and the two files after their choosers.
    void Print();
    void SavePdf(const QString& path);
    void ExportCsv(const QString& path);

    QComboBox* ComboBox_Day;
    QLabel* Label_Gaps;
    QLabel* Label_Totals;
    QTabWidget* PageControl_Register;
    QTreeView* ListView_Received;
    QTreeView* ListView_Service;
    QTreeView* ListView_Sent;
    TRegisterChart* Chart_Register;
    QPushButton* Button_Print;
    QPushButton* Button_SavePdf;
    QPushButton* Button_ExportCsv;
    QPushButton* Button_Close;
    QLabel* Label_State;

Q_SIGNALS:
    // A reading of the picked day reached the window.
    void dayShown();
    // A print, PDF or export job ended; error is empty when it succeeded.
    void jobEnded(const QString& error);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    TRegisterSources sources() const;
    void dayPicked();
    void scheduleRead();
    void startRead();
    struct TReading;
    void readingArrived(const std::shared_ptr<TReading>& reading);
    void fillDays(const QList<QDate>& days);
    void display(const TRegisterDay& day, const QList<TRegisterDayTotal>& strip);
    void runJob(const QString& done, std::function<QString()> job);
    void jobFinished(const QString& done, const QString& error);
    void chooseAndSavePdf();
    void chooseAndExportCsv();
    QString suggestedPath(const QString& extension) const;

    const _tlg_config& config_;
    const QString workstation_;
    std::function<QDate()> workingDay_;
    QDate lastWorkingDay_;
    TRegisterDay shown_;
    QList<TRegisterDayTotal> strip_;
    TRegisterTableModel* receivedModel_;
    TRegisterTableModel* serviceModel_;
    TRegisterTableModel* sentModel_;
    QTimer* readTimer_;

    // One reading at a time; a wish to read while one runs is kept for after.
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::unique_ptr<TRegisterCache> cache_;
    bool reading_ = false;
    bool pendingRead_ = false;
    bool stale_ = false;  // changed while closed

    std::thread job_;
    std::future<void> jobEnd_;
    bool jobDone_ = true;
};
