#include "exchange/TQueuePage.h"

#include "exchange/outgoingqueue.h"
#include "util/telegramtext.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

TQueuePage::TQueuePage(TOutgoingQueue& queue, QWidget* parent) : QWidget(parent), queue_(queue) {
    setObjectName(QStringLiteral("TabSheet_Oueue"));

    ListView_Queue = new QTreeWidget(this);
    ListView_Queue->setObjectName(QStringLiteral("ListView_Queue"));
    ListView_Queue->setHeaderLabels({QStringLiteral("Filename")});
    ListView_Queue->setRootIsDecorated(false);
    ListView_Queue->setUniformRowHeights(true);
    ListView_Queue->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_Queue->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView_Queue->setEditTriggers(QAbstractItemView::NoEditTriggers);

    TntMemo_Queue = new QPlainTextEdit(this);
    TntMemo_Queue->setObjectName(QStringLiteral("TntMemo_Queue"));
    TntMemo_Queue->setReadOnly(true);
    TntMemo_Queue->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setEnabled(false);
        return b;
    };
    Button_Queue_Delete = button(QStringLiteral("Удалить"), "Button_Queue_Delete");
    Button_Queue_ToEditor = button(QStringLiteral("В редактор"), "Button_Queue_ToEditor");
    Button_Queue_RetrySend = button(QStringLiteral("Отправить повторно"), "Button_Queue_RetrySend");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_Queue_Delete);
    buttons->addWidget(Button_Queue_ToEditor);
    buttons->addWidget(Button_Queue_RetrySend);
    buttons->addStretch(1);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(ListView_Queue);
    split->addWidget(TntMemo_Queue);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->addWidget(split, 1);
    page->addLayout(buttons);

    connect(ListView_Queue, &QTreeWidget::itemSelectionChanged, this,
            &TQueuePage::selectionChanged);
    connect(Button_Queue_Delete, &QPushButton::clicked, this,
            &TQueuePage::Button_Queue_DeleteClick);
    connect(Button_Queue_ToEditor, &QPushButton::clicked, this,
            &TQueuePage::Button_Queue_ToEditorClick);
    connect(Button_Queue_RetrySend, &QPushButton::clicked, this,
            &TQueuePage::Button_Queue_RetrySendClick);
}

TQueuePage::~TQueuePage() = default;

QString TQueuePage::OutRoot() const {
    return queue_.OutFolder();
}

QString TQueuePage::SelectedName() const {
    const QList<QTreeWidgetItem*> selected = ListView_Queue->selectedItems();
    return selected.isEmpty() ? QString() : selected[0]->text(0);
}

void TQueuePage::RefreshQueueList() {
    const QString before = SelectedName();
    const QList<QTreeWidgetItem*> selected = ListView_Queue->selectedItems();
    const int remembered =
        selected.isEmpty() ? -1 : ListView_Queue->indexOfTopLevelItem(selected[0]);

    const QStringList names = queue_.QueueFiles();
    {
        // The queue refreshes the list after every scan: the memo is only
        // reloaded when the selection now shows another file, so that the
        // operator's place in it is not lost every half minute.
        const QSignalBlocker quiet(ListView_Queue);
        ListView_Queue->clear();
        QList<QTreeWidgetItem*> rows;
        rows.reserve(names.size());
        for (const QString& name : names)
            rows.append(new QTreeWidgetItem(QStringList{name}));
        ListView_Queue->addTopLevelItems(rows);
        if (remembered >= 0 && remembered < ListView_Queue->topLevelItemCount())
            ListView_Queue->setCurrentItem(ListView_Queue->topLevelItem(remembered));
    }
    if (SelectedName() != before) {
        const bool wasRebuilding = rebuilding_;
        rebuilding_ = true;
        selectionChanged();
        rebuilding_ = wasRebuilding;
    }
    Q_EMIT listRebuilt(int(names.size()));
}

void TQueuePage::enableButtons(bool enabled) {
    for (QPushButton* b : {Button_Queue_Delete, Button_Queue_ToEditor, Button_Queue_RetrySend})
        b->setEnabled(enabled);
}

void TQueuePage::selectionChanged() {
    const QString name = SelectedName();
    if (name.isEmpty()) {
        TntMemo_Queue->clear();
        enableButtons(false);
        return;
    }
    const std::optional<QString> text = LoadTelegramText(OutRoot() + name);
    if (!text) {
        // The file went away (sent, renamed by the exchange) or cannot be
        // read: the list no longer shows what is there.
        TntMemo_Queue->clear();
        enableButtons(false);
        if (!rebuilding_)
            RefreshQueueList();
        return;
    }
    TntMemo_Queue->setPlainText(ToMemoText(*text));
    enableButtons(TOutgoingQueue::HasOutcome(name));
}

void TQueuePage::Button_Queue_DeleteClick() {
    const QString name = SelectedName();
    if (name.isEmpty() || !TOutgoingQueue::HasOutcome(name))
        return;
    queue_.DeleteQueueFile(name);
    RefreshQueueList();
}

void TQueuePage::Button_Queue_ToEditorClick() {
    if (SelectedName().isEmpty())
        return;
    Q_EMIT toEditorClicked(TntMemo_Queue->toPlainText());
}

void TQueuePage::Button_Queue_RetrySendClick() {
    const QString name = SelectedName();
    if (name.isEmpty())
        return;
    if (!TOutgoingQueue::HasOutcome(name))
        return;
    const QString waiting = TOutgoingQueue::RetryName(name);
    const bool renamed = queue_.RetryQueueFile(name);
    RefreshQueueList();
    if (renamed)
        return;
    if (QFileInfo::exists(OutRoot() + waiting))
        QMessageBox::warning(this, QStringLiteral("Error"),
                             QStringLiteral("Файл ") + waiting +
                                 QStringLiteral(" уже ожидает отправки. ") + name +
                                 QStringLiteral(" не переименован."));
    else
        QMessageBox::warning(this, QStringLiteral("Error"),
                             QStringLiteral("Ошибка переименования файла ") + name);
}
