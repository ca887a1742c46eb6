#include "register/TForm_Register.h"

#include "config/tlgconfig.h"
#include "register/registerchart.h"
#include "register/registertext.h"
#include "util/datetimeformat.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <chrono>
#include <utility>

// One section of the register as a table. The rows are made as the view
// asks for them: a day of thousands of telegrams reaches the window at once.
class TRegisterTableModel : public QAbstractTableModel {
public:
    using Row = QStringList (*)(const TRegisterEntry&);

    TRegisterTableModel(QStringList columns, Row row, QObject* parent)
        : QAbstractTableModel(parent), columns_(std::move(columns)), row_(row) {}

    void SetEntries(const QList<TRegisterEntry>& entries) {
        beginResetModel();
        entries_ = entries;
        endResetModel();
    }
    const QList<TRegisterEntry>& Entries() const { return entries_; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(entries_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(columns_.size());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < columns_.size())
            return columns_.at(section);
        return {};
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= entries_.size())
            return {};
        const TRegisterEntry& e = entries_.at(index.row());
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return row_(e).value(index.column());
        if (role == Qt::ForegroundRole && attention(e))
            return QColor(170, 0, 0);
        return {};
    }

private:
    static bool attention(const TRegisterEntry& e) {
        return e.fate == TRegisterFate::Receiving || e.fate == TRegisterFate::CountersDisagreed ||
               e.fate == TRegisterFate::Distorted || e.fate == TRegisterFate::Unconfirmed ||
               e.fate == TRegisterFate::Unreadable;
    }

    QStringList columns_;
    Row row_;
    QList<TRegisterEntry> entries_;
};

namespace {

constexpr int kReadDelayMs = 150;  // a burst of changes is read once
constexpr int kStripDays = 30;
constexpr int kJobWaitMs = 3000;  // for a job still running when the window goes

QString dayItemText(QDate date, const QString& dayFormat) {
    return date.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" (") +
           FormatDelphiDate(date, dayFormat) + u')';
}

}  // namespace

// What a reading brings back from its thread.
struct TForm_Register::TReading {
    bool complete = false;  // the strip and the days too
    QDate date;
    TRegisterDay day;
    QList<TRegisterDayTotal> strip;
    QList<QDate> days;
};

TForm_Register::TForm_Register(const _tlg_config& config, QString workstation,
                               std::function<QDate()> workingDay, QWidget* parent)
    : QDialog(parent),
      config_(config),
      workstation_(std::move(workstation)),
      workingDay_(std::move(workingDay)),
      cache_(std::make_unique<TRegisterCache>()) {
    setObjectName(QStringLiteral("Form_Register"));
    setWindowTitle(RegisterTitle());
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    buildControls();
    readTimer_ = new QTimer(this);
    readTimer_->setSingleShot(true);
    readTimer_->setInterval(kReadDelayMs);
    connect(readTimer_, &QTimer::timeout, this, &TForm_Register::startRead);
    lastWorkingDay_ = workingDay_();
    fillDays({lastWorkingDay_});
    resize(1000, 760);
    startRead();
}

TForm_Register::~TForm_Register() {
    stop_ = true;
    if (reader_.joinable())
        reader_.join();
    // A printer that does not answer must not hold the program's end: the
    // job has its own copy of the register and reports to the application.
    if (job_.joinable()) {
        if (jobEnd_.wait_for(std::chrono::milliseconds(kJobWaitMs)) == std::future_status::ready)
            job_.join();
        else
            job_.detach();
    }
}

void TForm_Register::buildControls() {
    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    ComboBox_Day = new QComboBox(this);
    ComboBox_Day->setObjectName(QStringLiteral("ComboBox_Day"));
    ComboBox_Day->setMinimumContentsLength(18);
    auto* dayLabel = new QLabel(QStringLiteral("День:"), this);
    dayLabel->setBuddy(ComboBox_Day);
    Button_Print = button(QStringLiteral("Распечатать"), "Button_Print");
    Button_SavePdf = button(QStringLiteral("Сохранить PDF…"), "Button_SavePdf");
    Button_ExportCsv = button(QStringLiteral("Экспорт CSV…"), "Button_ExportCsv");
    Button_Close = button(QStringLiteral("Закрыть"), "Button_Close");

    Label_Gaps = new QLabel(this);
    Label_Gaps->setObjectName(QStringLiteral("Label_Gaps"));
    Label_Gaps->setWordWrap(true);
    Label_Gaps->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label_Totals = new QLabel(this);
    Label_Totals->setObjectName(QStringLiteral("Label_Totals"));
    Label_Totals->setWordWrap(true);
    Label_Totals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont normal = Label_Totals->font();
    normal.setBold(false);
    Label_Totals->setFont(normal);

    auto table = [this](const char* name, QStringList columns, TRegisterTableModel::Row row,
                        TRegisterTableModel** model, QList<int> widths) {
        auto* view = new QTreeView(this);
        view->setObjectName(QLatin1String(name));
        *model = new TRegisterTableModel(std::move(columns), row, this);
        view->setModel(*model);
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        view->setAlternatingRowColors(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setAllColumnsShowFocus(true);
        QFont plain = view->font();
        plain.setBold(false);
        view->setFont(plain);
        const int unit = view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
        for (int c = 0; c < widths.size(); ++c)
            view->header()->resizeSection(c, widths.at(c) * unit);
        return view;
    };
    ListView_Received = table("ListView_Received", RegisterReceivedColumns(), RegisterReceivedRow,
                              &receivedModel_, {7, 9, 5, 8, 40, 5, 13, 16});
    ListView_Service = table("ListView_Service", RegisterServiceColumns(), RegisterServiceRow,
                             &serviceModel_, {7, 9, 60, 13, 16});
    ListView_Sent = table("ListView_Sent", RegisterSentColumns(), RegisterSentRow, &sentModel_,
                          {7, 9, 5, 8, 36, 20, 16});
    PageControl_Register = new QTabWidget(this);
    PageControl_Register->setObjectName(QStringLiteral("PageControl_Register"));
    PageControl_Register->addTab(ListView_Received, RegisterSectionTitle(0));
    PageControl_Register->addTab(ListView_Service, RegisterSectionTitle(1));
    PageControl_Register->addTab(ListView_Sent, RegisterSectionTitle(2));
    Chart_Register = new TRegisterChart(this);
    Label_State = new QLabel(this);
    Label_State->setObjectName(QStringLiteral("Label_State"));
    Label_State->setFont(normal);

    auto* top = new QHBoxLayout;
    top->addWidget(dayLabel);
    top->addWidget(ComboBox_Day);
    top->addStretch(1);
    for (QPushButton* b : {Button_Print, Button_SavePdf, Button_ExportCsv, Button_Close})
        top->addWidget(b);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(PageControl_Register);
    split->addWidget(Chart_Register);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(Label_Gaps);
    column->addWidget(Label_Totals);
    column->addWidget(split, 1);
    column->addWidget(Label_State);
    // Tab goes from the day to the buttons, the pages and their tables.
    setTabOrder(ComboBox_Day, Button_Print);
    setTabOrder(Button_Print, Button_SavePdf);
    setTabOrder(Button_SavePdf, Button_ExportCsv);
    setTabOrder(Button_ExportCsv, Button_Close);
    setTabOrder(Button_Close, PageControl_Register);

    connect(ComboBox_Day, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &TForm_Register::dayPicked);
    connect(Button_Print, &QPushButton::clicked, this, &TForm_Register::Print);
    connect(Button_SavePdf, &QPushButton::clicked, this, &TForm_Register::chooseAndSavePdf);
    connect(Button_ExportCsv, &QPushButton::clicked, this, &TForm_Register::chooseAndExportCsv);
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::close);
    for (QPushButton* b : {Button_Print, Button_SavePdf, Button_ExportCsv})
        b->setEnabled(false);
}

TRegisterSources TForm_Register::sources() const {
    TRegisterSources s;
    s.inpPath = config_.InpPath;
    s.outPath = config_.OutPath;
    s.dayFormat = config_.DayFormat;
    s.clockShiftHours = config_.CorrectTimeTZ;
    return s;
}

QDate TForm_Register::Day() const {
    return ComboBox_Day->currentData().toDate();
}

void TForm_Register::ShowDay(QDate date) {
    int at = ComboBox_Day->findData(date);
    if (at < 0) {
        // A day the list does not hold yet (its folders appeared since).
        QList<QDate> days;
        for (int i = 0; i < ComboBox_Day->count(); ++i)
            days << ComboBox_Day->itemData(i).toDate();
        days << date;
        std::sort(days.begin(), days.end(), [](QDate a, QDate b) { return a > b; });
        fillDays(days);
        at = ComboBox_Day->findData(date);
    }
    ComboBox_Day->setCurrentIndex(at);
}

void TForm_Register::fillDays(const QList<QDate>& days) {
    const QDate picked = ComboBox_Day->count() > 0 ? Day() : QDate();
    const QSignalBlocker quiet(ComboBox_Day);
    ComboBox_Day->clear();
    for (const QDate d : days)
        ComboBox_Day->addItem(dayItemText(d, config_.DayFormat), d);
    // The working day is always there to pick, with or without its folders.
    const QDate today = workingDay_();
    if (ComboBox_Day->findData(today) < 0)
        ComboBox_Day->insertItem(0, dayItemText(today, config_.DayFormat), today);
    if (picked.isValid() && ComboBox_Day->findData(picked) < 0)
        ComboBox_Day->addItem(dayItemText(picked, config_.DayFormat), picked);
    ComboBox_Day->setCurrentIndex(
        qMax(0, ComboBox_Day->findData(picked.isValid() ? picked : today)));
}

void TForm_Register::dayPicked() {
    readTimer_->stop();
    if (Day() != shown_.date) {
        // Nothing of the day shown so far stays under the one picked, nor
        // goes to the printer as it.
        shown_ = TRegisterDay();
        strip_.clear();
        for (int i = 0; i < 3; ++i) {
            TRegisterTableModel* model = i == 0   ? receivedModel_
                                         : i == 1 ? serviceModel_
                                                  : sentModel_;
            model->SetEntries({});
            PageControl_Register->setTabText(i, RegisterSectionTitle(i));
        }
        Label_Gaps->setText(QStringLiteral("Чтение…"));
        Label_Gaps->setStyleSheet(QString());
        Label_Totals->clear();
        Chart_Register->SetData({});
        for (QPushButton* b : {Button_Print, Button_SavePdf, Button_ExportCsv})
            b->setEnabled(false);
    }
    startRead();
}

void TForm_Register::TodayChanged() {
    const QDate today = workingDay_();
    if (today != lastWorkingDay_) {
        const bool following = Day() == lastWorkingDay_;
        lastWorkingDay_ = today;
        if (following) {
            ShowDay(today);
            return;
        }
    }
    if (Day() == today)
        scheduleRead();
}

void TForm_Register::MarksChanged() {
    scheduleRead();
}

void TForm_Register::scheduleRead() {
    // A closed window reads when it opens again.
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    if (!readTimer_->isActive())
        readTimer_->start();
}

void TForm_Register::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (std::exchange(stale_, false))
        startRead();
}

void TForm_Register::startRead() {
    stale_ = false;
    if (reading_) {
        pendingRead_ = true;
        return;
    }
    pendingRead_ = false;
    reading_ = true;
    if (reader_.joinable())
        reader_.join();
    const TRegisterSources from = sources();
    const QDate date = Day();
    const QDate today = workingDay_();
    QPointer<TForm_Register> self(this);
    TRegisterCache* cache = cache_.get();
    reader_ = std::thread([this, self, from, date, today, cache] {
        auto post = [this, self](std::shared_ptr<TReading> reading) {
            QMetaObject::invokeMethod(
                this,
                [self, reading] {
                    if (self)
                        self->readingArrived(reading);
                },
                Qt::QueuedConnection);
        };
        // The tables first; the strip and the days follow.
        auto tables = std::make_shared<TReading>();
        tables->date = date;
        tables->day = ReadRegisterDay(from, date, cache, &stop_);
        post(tables);
        auto rest = std::make_shared<TReading>(*tables);
        rest->complete = true;
        if (!stop_)
            rest->strip = ReadRegisterStrip(from, date, kStripDays, cache);
        if (!stop_)
            rest->days = RegisterDays(from, today);
        post(rest);
    });
}

void TForm_Register::readingArrived(const std::shared_ptr<TReading>& reading) {
    if (!reading->complete) {
        // The strip of the day shown stays until the new one comes.
        if (reading->date == Day())
            display(reading->day,
                    reading->date == shown_.date ? strip_ : QList<TRegisterDayTotal>());
        return;
    }
    if (reader_.joinable())
        reader_.join();
    reading_ = false;
    if (!reading->days.isEmpty() || reading->day.exists)
        fillDays(reading->days);
    if (reading->date == Day()) {
        strip_ = reading->strip;
        Chart_Register->SetData(RegisterChartData(shown_, strip_));
    }
    if (pendingRead_ || reading->date != Day())
        startRead();
    else
        emit dayShown();
}

void TForm_Register::display(const TRegisterDay& day, const QList<TRegisterDayTotal>& strip) {
    const bool sameDay = shown_.date == day.date;
    shown_ = day;
    strip_ = strip;
    const struct {
        QTreeView* view;
        TRegisterTableModel* model;
        const QList<TRegisterEntry>* entries;
        QString title;
    } sections[] = {
        {ListView_Received, receivedModel_, &day.received, RegisterSectionTitle(0)},
        {ListView_Service, serviceModel_, &day.service, RegisterSectionTitle(1)},
        {ListView_Sent, sentModel_, &day.sent, RegisterSectionTitle(2)},
    };
    for (int i = 0; i < 3; ++i) {
        const auto& s = sections[i];
        // A refresh of the same day keeps the operator's place in the table.
        const int scrolled = s.view->verticalScrollBar()->value();
        const QString current =
            s.view->currentIndex().isValid()
                ? s.model->Entries().value(s.view->currentIndex().row()).fileName
                : QString();
        s.model->SetEntries(*s.entries);
        if (sameDay) {
            for (int r = 0; !current.isEmpty() && r < s.entries->size(); ++r)
                if (s.entries->at(r).fileName == current)
                    s.view->setCurrentIndex(s.model->index(r, 0));
            s.view->verticalScrollBar()->setValue(scrolled);
        }
        PageControl_Register->setTabText(
            i, s.title + QStringLiteral(" (") + QString::number(s.entries->size()) + u')');
    }
    Label_Gaps->setText(RegisterGapsText(day));
    Label_Gaps->setStyleSheet(day.gaps.isEmpty() ? QStringLiteral("color: black")
                                                 : QStringLiteral("color: #b00000"));
    Label_Totals->setText(RegisterTotalsLines(day).join(u'\n'));
    Chart_Register->SetData(RegisterChartData(day, strip));
    for (QPushButton* b : {Button_Print, Button_SavePdf, Button_ExportCsv})
        b->setEnabled(!Busy());
}

QString TForm_Register::suggestedPath(const QString& extension) const {
    return QDir::homePath() + QStringLiteral("/журнал-") + shown_.dayText + u'.' + extension;
}

void TForm_Register::chooseAndSavePdf() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Сохранить журнал в PDF"), suggestedPath(QStringLiteral("pdf")),
        QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty())
        SavePdf(path);
}

void TForm_Register::chooseAndExportCsv() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Экспорт журнала в CSV"),
                                                      suggestedPath(QStringLiteral("csv")),
                                                      QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty())
        ExportCsv(path);
}

void TForm_Register::Print() {
    const TRegisterDocument document{workstation_, shown_, strip_};
    const int printer = config_.WindowsPrinterN;
    runJob(QStringLiteral("Журнал отправлен на печать"),
           [document, printer] { return PrintRegister(printer, document); });
}

void TForm_Register::SavePdf(const QString& path) {
    const TRegisterDocument document{workstation_, shown_, strip_};
    runJob(QStringLiteral("Журнал сохранен: ") + path,
           [document, path] { return WriteRegisterPdf(path, document); });
}

void TForm_Register::ExportCsv(const QString& path) {
    const TRegisterDay day = shown_;
    runJob(QStringLiteral("Журнал выгружен: ") + path,
           [day, path] { return WriteRegisterCsv(path, day); });
}

void TForm_Register::runJob(const QString& done, std::function<QString()> job) {
    if (Busy())
        return;
    if (job_.joinable())
        job_.join();
    jobDone_ = false;
    for (QPushButton* b : {Button_Print, Button_SavePdf, Button_ExportCsv})
        b->setEnabled(false);
    Label_State->setText(QStringLiteral("Выполняется…"));
    QPointer<TForm_Register> self(this);
    std::promise<void> ended;
    jobEnd_ = ended.get_future();
    job_ = std::thread([self, done, job = std::move(job), ended = std::move(ended)]() mutable {
        const QString error = job();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, done, error] {
                if (self)
                    self->jobFinished(done, error);
            },
            Qt::QueuedConnection);
        ended.set_value();
    });
}

void TForm_Register::jobFinished(const QString& done, const QString& error) {
    if (job_.joinable())
        job_.join();
    jobDone_ = true;
    for (QPushButton* b : {Button_Print, Button_SavePdf, Button_ExportCsv})
        b->setEnabled(true);
    Label_State->setText(error.isEmpty() ? done : error);
    if (!error.isEmpty()) {
        // Shown without waiting: the window and the line go on.
        auto* box =
            new QMessageBox(QMessageBox::Warning, RegisterTitle(), error, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    emit jobEnded(error);
}
