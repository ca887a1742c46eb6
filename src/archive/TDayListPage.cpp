#include "archive/TDayListPage.h"

#include "archive/daylist.h"
#include "config/tlgconfig.h"
#include "util/datetimeformat.h"
#include "util/fileops.h"
#include "util/telegramtext.h"
#include "util/textutil.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The read mark an item was last known to have in its file.
constexpr int kRememberedMark = Qt::UserRole;

enum Column { kColumnNumber, kColumnTime, kColumnFileName };

}  // namespace

TDayListPage::TDayListPage(Kind kind, const _tlg_config& config, const _tlg_status& status,
                           QWidget* parent)
    : QWidget(parent), kind_(kind), config_(config), status_(status) {
    const bool received = kind == Kind::Received;
    setObjectName(received ? QStringLiteral("TabSheet_In") : QStringLiteral("TabSheet_Out"));
    auto named = [received](QWidget* w, const char* in, const char* out) {
        w->setObjectName(QLatin1String(received ? in : out));
    };

    DateTimePicker = new QDateEdit(this);
    named(DateTimePicker, "DateTimePicker_In", "DateTimePicker_Out");
    DateTimePicker->setCalendarPopup(true);
    DateTimePicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));

    ListView = new QTreeWidget(this);
    named(ListView, "ListView_In", "ListView_Out");
    ListView->setHeaderLabels(
        {QStringLiteral("N"), QStringLiteral("Time"), QStringLiteral("Filename")});
    ListView->setRootIsDecorated(false);
    ListView->setUniformRowHeights(true);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setAllColumnsShowFocus(true);
    ListView->setSortingEnabled(false);  // the items come sorted by "N"
    ListView->header()->setSectionResizeMode(QHeaderView::Interactive);
    ListView->setColumnWidth(kColumnNumber, 70);
    ListView->setColumnWidth(kColumnTime, 80);

    Memo = new QPlainTextEdit(this);
    named(Memo, "TntMemo_In", "TntMemo_Out");
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setEnabled(false);
        return b;
    };
    auto* buttons = new QHBoxLayout;
    if (received) {
        Button_ToEditor = button(QStringLiteral("В редактор"), "Button_Receive_ToEditor");
        Button_Print = button(QStringLiteral("Распечатать"), "Button_Receive_Print");
        Button_Forward = button(QStringLiteral("Переслать"), "Button_Receive_Forward");
        Button_Perforator = button(QStringLiteral("Вывести на ПЛ"), "Button_Receive_Perforator");
    } else {
        Button_ToEditor = button(QStringLiteral("В редактор"), "Button_Send_ToEditor");
        Button_Print = button(QStringLiteral("Распечатать"), "Button_Send_Print");
    }
    available_.insert(Button_ToEditor);
    buttons->addWidget(Button_ToEditor);
    buttons->addWidget(Button_Print);
    if (Button_Forward)
        buttons->addWidget(Button_Forward);
    if (Button_Perforator)
        buttons->addWidget(Button_Perforator);
    buttons->addStretch(1);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(new QLabel(QStringLiteral("Дата"), this));
    dateRow->addWidget(DateTimePicker);
    dateRow->addStretch(1);
    auto* left = new QWidget(this);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    leftColumn->addLayout(dateRow);
    leftColumn->addWidget(ListView, 1);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(Memo);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->addWidget(split, 1);
    page->addLayout(buttons);

    connect(DateTimePicker, &QDateEdit::dateChanged, this, &TDayListPage::DateTimePickerChange);
    connect(ListView, &QTreeWidget::itemSelectionChanged, this, &TDayListPage::selectionChanged);
    connect(ListView, &QTreeWidget::itemChanged, this, &TDayListPage::itemChanged);
    connect(Button_ToEditor, &QPushButton::clicked, this, &TDayListPage::toEditorClicked);
}

TDayListPage::~TDayListPage() = default;

void TDayListPage::SetDate(QDate date) {
    const QSignalBlocker quiet(DateTimePicker);
    DateTimePicker->setDate(date);
}

QString TDayListPage::DayFolder() const {
    return DayFolderPath(kind_ == Kind::Sent ? config_.OutPath : config_.InpPath,
                         DateTimePicker->date(), config_.DayFormat);
}

void TDayListPage::FillDayList(QDate date) {
    const QString folder = DayFolderPath(kind_ == Kind::Sent ? config_.OutPath : config_.InpPath,
                                         date, config_.DayFormat);
    const QList<QTreeWidgetItem*> selected = ListView->selectedItems();
    const int remembered = selected.isEmpty() ? -1 : ListView->indexOfTopLevelItem(selected[0]);

    filling_ = true;
    ListView->setUpdatesEnabled(false);
    ListView->clear();
    const QList<TDayListItem> items = DayListItems(folder);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(items.size());
    for (const TDayListItem& item : items) {
        auto* row = new QTreeWidgetItem(
            QStringList{item.Number, DayListTimeText(item.Time), item.FileName});
        if (marks_ && item.HasMark) {
            row->setCheckState(kColumnNumber, item.Marked ? Qt::Checked : Qt::Unchecked);
            row->setData(kColumnNumber, kRememberedMark, item.Marked);
        } else {
            row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
        }
        rows.append(row);
    }
    ListView->addTopLevelItems(rows);
    if (remembered >= 0 && remembered < ListView->topLevelItemCount())
        ListView->setCurrentItem(ListView->topLevelItem(remembered));
    ListView->setUpdatesEnabled(true);
    filling_ = false;
}

void TDayListPage::DateTimePickerChange() {
    if (kind_ == Kind::Received)
        marks_ = config_.MarkFilesInList;
    FillDayList(DateTimePicker->date());
}

void TDayListPage::RefreshIfToday() {
    if (FormatDelphiDate(DateTimePicker->date(), config_.DayFormat) == status_.DayText)
        DateTimePickerChange();
}

void TDayListPage::SetButtonAvailable(QPushButton* button, bool available) {
    if (available)
        available_.insert(button);
    else
        available_.remove(button);
    button->setEnabled(available && !ListView->selectedItems().isEmpty());
}

void TDayListPage::enableSelectionButtons(bool selected) {
    for (QPushButton* b : {Button_ToEditor, Button_Print, Button_Forward, Button_Perforator})
        if (b)
            b->setEnabled(selected && available_.contains(b));
}

void TDayListPage::selectionChanged() {
    const QList<QTreeWidgetItem*> selected = ListView->selectedItems();
    if (selected.isEmpty()) {
        Memo->clear();
        ReceivedRawText.clear();
        enableSelectionButtons(false);
        return;
    }
    const QString path = DayFolder() + selected[0]->text(kColumnFileName);
    const std::optional<QString> text = LoadTelegramText(path);
    if (text)
        Memo->setPlainText(ToMemoText(*text));
    else
        Memo->clear();
    if (kind_ == Kind::Received)
        ReceivedRawText = ReadSmallFile(path + QStringLiteral(".tlg"));
    enableSelectionButtons(true);
    // A file gone since the list was filled: the list of today catches up.
    // Not from inside a refill, which would select the same place again and
    // again, nor while the list is still in its selection signal.
    if (!text && !filling_)
        QTimer::singleShot(0, this, &TDayListPage::RefreshIfToday);
}

void TDayListPage::itemChanged(QTreeWidgetItem* item, int column) {
    if (filling_ || !marks_ || column != kColumnNumber ||
        !(item->flags() & Qt::ItemIsUserCheckable))
        return;
    const bool marked = item->checkState(kColumnNumber) == Qt::Checked;
    const bool remembered = item->data(kColumnNumber, kRememberedMark).toBool();
    if (marked == remembered)
        return;
    const QString path = DayFolder() + item->text(kColumnFileName);
    if (SetArchiveMark(path, !marked)) {
        item->setData(kColumnNumber, kRememberedMark, marked);
        return;
    }
    // The box shows what the file says, not what was wished.
    const QSignalBlocker quiet(ListView);
    item->setCheckState(kColumnNumber, remembered ? Qt::Checked : Qt::Unchecked);
}
