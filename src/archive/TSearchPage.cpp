#include "archive/TSearchPage.h"

#include "config/tlgconfig.h"
#include "util/fileops.h"
#include "util/telegramtext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { kN, kDate, kTime, kFileName, kFullPath };
constexpr int kRememberedMark = Qt::UserRole;

}  // namespace

TSearchPage::TSearchPage(const _tlg_config& config, QWidget* parent)
    : QWidget(parent), config_(config) {
    setObjectName(QStringLiteral("TabSheet_Seach"));
    buildControls();
    pickersFollowChecks();
    connect(TntCheckBox_Search_Date, &QCheckBox::toggled, this, &TSearchPage::pickersFollowChecks);
    connect(TntCheckBox_Search_Time, &QCheckBox::toggled, this, &TSearchPage::pickersFollowChecks);
    connect(TntButton_Search, &QPushButton::clicked, this, &TSearchPage::SearchTelegrams);
    connect(ListView_Search, &QTreeWidget::itemSelectionChanged, this,
            &TSearchPage::selectionChanged);
    connect(ListView_Search, &QTreeWidget::itemChanged, this, &TSearchPage::itemChanged);
    connect(TntMemo_Search_TlgText, &QPlainTextEdit::textChanged, this, &TSearchPage::memoChanged);
    connect(TntButton_Search_ToEdit, &QPushButton::clicked, this,
            [this] { emit toEditorRequested(TntMemo_Search_TlgText->toPlainText()); });
    connect(TntButton_Search_Print, &QPushButton::clicked, this,
            [this] { emit printRequested(MemoLines(TntMemo_Search_TlgText->toPlainText())); });
}

TSearchPage::~TSearchPage() {
    StopSearch();
}

void TSearchPage::buildControls() {
    auto named = [](auto* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    auto check = [&](const QString& caption, const char* name, bool on) {
        auto* box = named(new QCheckBox(caption, this), name);
        box->setChecked(on);
        return box;
    };
    TntCheckBox_Search_Input = check(QStringLiteral("Прием"), "TntCheckBox_Search_Input", true);
    TntCheckBox_Search_Output =
        check(QStringLiteral("Передача"), "TntCheckBox_Search_Output", false);
    TntCheckBox_Search_Date = check(QStringLiteral("Дата"), "TntCheckBox_Search_Date", true);
    DateTimePicker_Search_From = named(new QDateEdit(this), "DateTimePicker_Search_From");
    DateTimePicker_Search_To = named(new QDateEdit(this), "DateTimePicker_Search_To");
    for (QDateEdit* d : {DateTimePicker_Search_From, DateTimePicker_Search_To}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    TntCheckBox_Search_Time = check(QStringLiteral("Время"), "TntCheckBox_Search_Time", false);
    DateTimePicker_Search_TimeFrom =
        named(new QTimeEdit(QTime(0, 0), this), "DateTimePicker_Search_TimeFrom");
    DateTimePicker_Search_TimeTo =
        named(new QTimeEdit(QTime(23, 59), this), "DateTimePicker_Search_TimeTo");
    for (QTimeEdit* t : {DateTimePicker_Search_TimeFrom, DateTimePicker_Search_TimeTo})
        t->setDisplayFormat(QStringLiteral("HH:mm"));
    TntEdit_Search_Index = named(new QLineEdit(this), "TntEdit_Search_Index");
    TntEdit_Search_Index->setMaxLength(6);
    TntCheckBox_Search_U = check(QStringLiteral("Простая"), "TntCheckBox_Search_U", true);
    TntCheckBox_Search_Q = check(QStringLiteral("Срочная"), "TntCheckBox_Search_Q", true);
    TntEdit_Search_Text = named(new QLineEdit(this), "TntEdit_Search_Text");
    TntButton_Search = named(new QPushButton(QStringLiteral("Поиск"), this), "TntButton_Search");
    ProgressBar_Search = named(new QProgressBar(this), "ProgressBar_Search");
    ProgressBar_Search->setTextVisible(false);
    ProgressBar_Search->setMaximumHeight(8);
    ProgressBar_Search->setValue(0);

    ListView_Search = named(new QTreeWidget(this), "ListView_Search");
    ListView_Search->setHeaderLabels({QStringLiteral("N"), QStringLiteral("Date"),
                                      QStringLiteral("Time"), QStringLiteral("Filename"),
                                      QStringLiteral("FullPath")});
    ListView_Search->setRootIsDecorated(false);
    ListView_Search->setSortingEnabled(false);
    ListView_Search->setUniformRowHeights(true);
    ListView_Search->header()->setStretchLastSection(true);
    TntMemo_Search_TlgText = named(new QPlainTextEdit(this), "TntMemo_Search_TlgText");
    TntMemo_Search_TlgText->setReadOnly(true);
    TntButton_Search_ToEdit =
        named(new QPushButton(QStringLiteral("В редактор"), this), "TntButton_Search_ToEdit");
    TntButton_Search_Print =
        named(new QPushButton(QStringLiteral("Распечатать"), this), "TntButton_Search_Print");
    TntButton_Search_ToEdit->setEnabled(false);
    TntButton_Search_Print->setEnabled(false);

    auto* query = new QGridLayout;
    query->addWidget(TntCheckBox_Search_Input, 0, 0);
    query->addWidget(TntCheckBox_Search_Output, 1, 0);
    query->addWidget(TntCheckBox_Search_Date, 0, 1);
    query->addWidget(DateTimePicker_Search_From, 0, 2);
    query->addWidget(DateTimePicker_Search_To, 0, 3);
    query->addWidget(TntCheckBox_Search_Time, 1, 1);
    query->addWidget(DateTimePicker_Search_TimeFrom, 1, 2);
    query->addWidget(DateTimePicker_Search_TimeTo, 1, 3);
    query->addWidget(new QLabel(QStringLiteral("Индекс"), this), 0, 4);
    query->addWidget(TntEdit_Search_Index, 0, 5);
    query->addWidget(new QLabel(QStringLiteral("Категория"), this), 1, 4);
    auto* kinds = new QHBoxLayout;
    kinds->addWidget(TntCheckBox_Search_U);
    kinds->addWidget(TntCheckBox_Search_Q);
    query->addLayout(kinds, 1, 5);
    query->addWidget(new QLabel(QStringLiteral("Текст содержит"), this), 2, 0, 1, 2);
    query->addWidget(TntEdit_Search_Text, 2, 2, 1, 4);
    query->addWidget(TntButton_Search, 2, 6);
    query->setColumnStretch(7, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(TntButton_Search_ToEdit);
    buttons->addWidget(TntButton_Search_Print);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(ListView_Search);
    split->addWidget(TntMemo_Search_TlgText);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->addLayout(query);
    page->addWidget(ProgressBar_Search);
    page->addWidget(split, 1);
    page->addLayout(buttons);
}

void TSearchPage::SetDates(QDate day) {
    DateTimePicker_Search_From->setDate(day);
    DateTimePicker_Search_To->setDate(day);
}

void TSearchPage::pickersFollowChecks() {
    // In the window colour while they count, in the button colour when not.
    const QPalette standard = QApplication::palette();
    const auto follow = [&](QCheckBox* box, QWidget* a, QWidget* b) {
        for (QWidget* w : {a, b}) {
            w->setEnabled(box->isChecked());
            QPalette p = w->palette();
            p.setColor(QPalette::Base,
                       standard.color(box->isChecked() ? QPalette::Base : QPalette::Button));
            w->setPalette(p);
        }
    };
    follow(TntCheckBox_Search_Date, DateTimePicker_Search_From, DateTimePicker_Search_To);
    follow(TntCheckBox_Search_Time, DateTimePicker_Search_TimeFrom, DateTimePicker_Search_TimeTo);
}

TSearchQuery TSearchPage::Query() const {
    TSearchQuery q;
    q.input = TntCheckBox_Search_Input->isChecked();
    q.output = TntCheckBox_Search_Output->isChecked();
    if (TntCheckBox_Search_Date->isChecked()) {
        q.from = DateTimePicker_Search_From->date();
        q.to = DateTimePicker_Search_To->date();
    } else {
        q.from = q.to = today_ ? today_() : QDate::currentDate();
    }
    if (TntCheckBox_Search_Time->isChecked()) {
        // The pickers show minutes: their seconds are 0.
        q.timeFrom = DateTimePicker_Search_TimeFrom->time();
        q.timeTo = DateTimePicker_Search_TimeTo->time();
        q.timeFrom.setHMS(q.timeFrom.hour(), q.timeFrom.minute(), 0);
        q.timeTo.setHMS(q.timeTo.hour(), q.timeTo.minute(), 0);
    }
    q.category =
        SearchCategory(TntCheckBox_Search_U->isChecked(), TntCheckBox_Search_Q->isChecked());
    q.indexPattern = SearchIndexPattern(TntEdit_Search_Index->text());
    q.indexText = TntEdit_Search_Index->text();
    q.searchText = TntEdit_Search_Text->text();
    q.inpPath = config_.InpPath;
    q.outPath = config_.OutPath;
    q.dayFormat = config_.DayFormat;
    q.ansi = config_.SaveTlgAnsi;
    q.readMarks = config_.MarkFilesInList;
    return q;
}

void TSearchPage::SearchTelegrams() {
    if (Searching()) {
        StopSearch();
        return;
    }
    joinWorker();
    TntMemo_Search_TlgText->clear();
    ListView_Search->clear();
    ListView_Search->setColumnHidden(kN, false);
    const TSearchQuery query = Query();
    ProgressBar_Search->setValue(0);
    ProgressBar_Search->setMaximum(1);
    const quint64 run = ++run_;
    stop_ = false;
    finished_ = false;
    TntButton_Search->setText(QStringLiteral("Стоп"));
    QPointer<TSearchPage> self(this);
    worker_ = std::thread([this, self, query, run] {
        auto post = [this, self](auto call) {
            QMetaObject::invokeMethod(
                this,
                [self, call] {
                    if (self)
                        call();
                },
                Qt::QueuedConnection);
        };
        const bool completed = RunSearch(
            query, stop_,
            [&](const QList<TSearchHit>& hits) { post([this, run, hits] { addHits(run, hits); }); },
            [&](int done, int total) {
                post([this, run, done, total] { showProgress(run, done, total); });
            });
        post([this, run, completed] { ended(run, completed); });
    });
}

void TSearchPage::StopSearch() {
    if (!worker_.joinable())
        return;
    stop_ = true;
    joinWorker();
    // What the stopped search still had on its way is not shown.
    if (!finished_)
        ended(run_, false);
    ++run_;
}

void TSearchPage::joinWorker() {
    if (worker_.joinable())
        worker_.join();
}

void TSearchPage::addHits(quint64 run, const QList<TSearchHit>& hits) {
    if (run != run_)
        return;
    filling_ = true;
    const bool marks = config_.MarkFilesInList;
    int fileNameWidth = ListView_Search->columnWidth(kFileName);
    for (const TSearchHit& hit : hits) {
        auto* item = new QTreeWidgetItem(ListView_Search);
        item->setText(kN, QString::number(ListView_Search->topLevelItemCount()));
        item->setText(kDate, hit.written.toString(QStringLiteral("dd.MM.yy")));
        item->setText(kTime, hit.written.toString(QStringLiteral("hh:mm")));
        item->setText(kFileName, hit.name);
        item->setText(kFullPath, hit.folder);
        if (marks) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(kN, hit.read ? Qt::Checked : Qt::Unchecked);
            item->setData(kN, kRememberedMark, hit.read);
        }
        // The name is what the operator picks a telegram by: never cut. Each
        // one is measured as it comes, since a column fitted to its contents
        // only looks at the rows around the visible ones.
        const QModelIndex name =
            ListView_Search->model()->index(ListView_Search->topLevelItemCount() - 1, kFileName);
        fileNameWidth = qMax(fileNameWidth, ListView_Search->sizeHintForIndex(name).width());
    }
    if (fileNameWidth > ListView_Search->columnWidth(kFileName))
        ListView_Search->setColumnWidth(kFileName, fileNameWidth);
    filling_ = false;
}

void TSearchPage::showProgress(quint64 run, int done, int total) {
    if (run != run_)
        return;
    ProgressBar_Search->setMaximum(qMax(1, total));
    ProgressBar_Search->setValue(done);
}

void TSearchPage::ended(quint64 run, bool completed) {
    if (run != run_ || finished_)
        return;
    finished_ = true;
    TntButton_Search->setText(QStringLiteral("Поиск"));
    if (completed)
        ProgressBar_Search->setValue(ProgressBar_Search->maximum());
    emit searchFinished(completed);
}

void TSearchPage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && Searching()) {
        StopSearch();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TSearchPage::selectionChanged() {
    const QList<QTreeWidgetItem*> selected = ListView_Search->selectedItems();
    if (selected.isEmpty()) {
        TntMemo_Search_TlgText->clear();
        return;
    }
    const QTreeWidgetItem* item = selected.first();
    if (const std::optional<QString> text =
            LoadTelegramText(item->text(kFullPath) + item->text(kFileName)))
        TntMemo_Search_TlgText->setPlainText(ToMemoText(*text));
}

void TSearchPage::memoChanged() {
    const bool lines = TntMemo_Search_TlgText->document()->blockCount() > 1;
    TntButton_Search_ToEdit->setEnabled(lines);
    TntButton_Search_Print->setEnabled(lines);
}

void TSearchPage::itemChanged(QTreeWidgetItem* item, int column) {
    if (filling_ || column != kN || !(item->flags() & Qt::ItemIsUserCheckable))
        return;
    const bool marked = item->checkState(kN) == Qt::Checked;
    const bool remembered = item->data(kN, kRememberedMark).toBool();
    if (marked == remembered)
        return;
    if (SetArchiveMark(item->text(kFullPath) + item->text(kFileName), !marked)) {
        item->setData(kN, kRememberedMark, marked);
        return;
    }
    const QSignalBlocker quiet(ListView_Search);
    item->setCheckState(kN, remembered ? Qt::Checked : Qt::Unchecked);
}
