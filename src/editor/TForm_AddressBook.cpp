#include "editor/TForm_AddressBook.h"

#include "util/telegramtext.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kBookTitle = QStringLiteral("Адресная книга");

enum Column { ColumnName, ColumnHeader, ColumnAddress, ColumnUses, ColumnCount };
constexpr int kEntryRole = Qt::UserRole + 1;

QPushButton* namedButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

// Which field a problem text names, so that the form can go to it.
bool names(const QString& problem, const char* field) {
    return problem.contains(QStringLiteral("«") + QString::fromUtf8(field) + QStringLiteral("»"));
}

// The destinations chosen from the list of those sent lately that the book
// does not hold; an empty list when the operator cancels.
QList<TDestination> chooseSent(const QList<TDestination>& offered, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("Form_FromSent"));
    dialog.setWindowTitle(QStringLiteral("Из переданных"));
    dialog.resize(620, 380);
    auto* hint = new QLabel(QStringLiteral("Адресаты телеграмм, переданных за %1 дней, которых нет "
                                           "в книге (пробел снимает и ставит отметку):")
                                .arg(kRecentDays),
                            &dialog);
    hint->setWordWrap(true);
    auto* list = new QTreeWidget(&dialog);
    list->setObjectName(QStringLiteral("ListView_FromSent"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels(
        {QStringLiteral("Заголовок"), QStringLiteral("Первая строка"), QStringLiteral("Раз")});
    for (int i = 0; i < offered.size(); ++i) {
        const TAddressEntry& e = offered.at(i).Entry;
        auto* item = new QTreeWidgetItem(
            list, {DestinationHeader(e), e.Lines.value(0), QString::number(offered.at(i).Uses)});
        item->setCheckState(0, Qt::Checked);
        item->setData(0, kEntryRole, i);
    }
    list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    list->setCurrentItem(list->topLevelItem(0));
    auto* add = new QPushButton(QStringLiteral("Добавить отмеченные"), &dialog);
    add->setObjectName(QStringLiteral("Button_AddChecked"));
    add->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), &dialog);
    cancel->setObjectName(QStringLiteral("Button_Cancel"));
    QObject::connect(add, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(add);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(&dialog);
    column->addWidget(hint);
    column->addWidget(list, 1);
    column->addLayout(buttons);
    list->setFocus();

    QList<TDestination> out;
    if (dialog.exec() != QDialog::Accepted)
        return out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked)
            out << offered.at(item->data(0, kEntryRole).toInt());
    }
    return out;
}

}  // namespace

bool AskOperator(QWidget* parent, const QString& title, const QString& text, const QString& yes,
                 const QString& no, bool yesByDefault) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("MessageBox_Ask"));
    QPushButton* yesButton = box.addButton(yes, QMessageBox::YesRole);
    QPushButton* noButton = box.addButton(no, QMessageBox::NoRole);
    box.setDefaultButton(yesByDefault ? yesButton : noButton);
    box.setEscapeButton(noButton);
    box.exec();
    return box.clickedButton() == yesButton;
}

void TellOperator(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("MessageBox_Tell"));
    box.setEscapeButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box.exec();
}

TForm_AddressEntry::TForm_AddressEntry(const TAddressEntry& entry, const QStringList& categories,
                                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("Form_AddressEntry"));
    setWindowTitle(entry.Name.isEmpty() ? QStringLiteral("Новый адрес")
                                        : QStringLiteral("Адрес: ") + entry.Name);
    Edit_Name = new QLineEdit(entry.Name, this);
    Edit_Name->setObjectName(QStringLiteral("Edit_Name"));
    ComboBox_Category = new QComboBox(this);
    ComboBox_Category->setObjectName(QStringLiteral("ComboBox_Category"));
    ComboBox_Category->addItems(categories);
    // A category the editor no longer lists stays the entry's own.
    if (!entry.Category.isEmpty() && !categories.contains(entry.Category))
        ComboBox_Category->addItem(entry.Category);
    if (!entry.Category.isEmpty())
        ComboBox_Category->setCurrentText(entry.Category);
    Edit_Net = new QLineEdit(entry.Net, this);
    Edit_Net->setObjectName(QStringLiteral("Edit_Net"));
    Edit_Net->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,2}")), this));
    Edit_Net->setMaximumWidth(50);
    Label_Index = new QLabel(this);
    Label_Index->setObjectName(QStringLiteral("Label_Index"));
    Edit_Index = new QLineEdit(entry.Index, this);
    Edit_Index->setObjectName(QStringLiteral("Edit_Index"));
    Edit_Index->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,6}")), this));
    Edit_Index->setMaximumWidth(90);
    Memo_Lines = new QPlainTextEdit(entry.Lines.join(u'\n'), this);
    Memo_Lines->setObjectName(QStringLiteral("Memo_Lines"));
    Memo_Lines->setTabChangesFocus(true);
    Memo_Lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    Button_Save = new QPushButton(QStringLiteral("Сохранить"), this);
    Button_Save->setObjectName(QStringLiteral("Button_Save"));
    Button_Save->setDefault(true);
    Button_Cancel = new QPushButton(QStringLiteral("Отмена"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Название"), Edit_Name);
    form->addRow(QStringLiteral("Категория"), ComboBox_Category);
    form->addRow(QStringLiteral("Сеть"), Edit_Net);
    form->addRow(Label_Index, Edit_Index);
    form->addRow(QStringLiteral("Адресные строки"), Memo_Lines);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button_Save);
    buttons->addWidget(Button_Cancel);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form, 1);
    column->addLayout(buttons);
    resize(520, 320);

    connect(ComboBox_Category, &QComboBox::currentTextChanged, this,
            &TForm_AddressEntry::categoryChanged);
    connect(Button_Save, &QPushButton::clicked, this, &TForm_AddressEntry::saveClicked);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    categoryChanged();
}

TAddressEntry TForm_AddressEntry::Entry() const {
    TAddressEntry entry;
    entry.Name = Edit_Name->text().trimmed();
    entry.Category = ComboBox_Category->currentText();
    entry.Net = Edit_Net->text();
    entry.Index = Edit_Index->text();
    for (const QString& line : MemoLines(Memo_Lines->toPlainText()))
        entry.Lines << line.trimmed();
    while (!entry.Lines.isEmpty() && entry.Lines.last().isEmpty())
        entry.Lines.removeLast();
    return entry;
}

void TForm_AddressEntry::categoryChanged() {
    Label_Index->setText(IsSchemaCategory(ComboBox_Category->currentText())
                             ? QStringLiteral("Схема")
                             : QStringLiteral("Индекс"));
}

void TForm_AddressEntry::saveClicked() {
    const QString problem = AddressEntryProblem(Entry());
    if (problem.isEmpty()) {
        accept();
        return;
    }
    TellOperator(this, kBookTitle, problem);
    QWidget* field = names(problem, "Название")          ? static_cast<QWidget*>(Edit_Name)
                     : names(problem, "Категория")       ? static_cast<QWidget*>(ComboBox_Category)
                     : names(problem, "Сеть")            ? static_cast<QWidget*>(Edit_Net)
                     : names(problem, "Адресные строки") ? static_cast<QWidget*>(Memo_Lines)
                                                         : static_cast<QWidget*>(Edit_Index);
    field->setFocus();
}

TForm_AddressBook::TForm_AddressBook(TAddressBook& book, const QStringList& categories,
                                     std::function<QList<TDestination>()> sent, QWidget* parent)
    : QDialog(parent), book_(book), categories_(categories), sentSource_(std::move(sent)) {
    setObjectName(QStringLiteral("Form_AddressBook"));
    setWindowTitle(kBookTitle);
    resize(760, 460);

    Edit_Search = new QLineEdit(this);
    Edit_Search->setObjectName(QStringLiteral("Edit_Search"));
    Edit_Search->setPlaceholderText(QStringLiteral("Поиск по названию или индексу"));
    Edit_Search->setClearButtonEnabled(true);
    Edit_Search->installEventFilter(this);
    ListView_Addresses = new QTreeWidget(this);
    ListView_Addresses->setObjectName(QStringLiteral("ListView_Addresses"));
    ListView_Addresses->setRootIsDecorated(false);
    ListView_Addresses->setColumnCount(ColumnCount);
    ListView_Addresses->setHeaderLabels({QStringLiteral("Название"), QStringLiteral("Заголовок"),
                                         QStringLiteral("Адрес"),
                                         QStringLiteral("За %1 дн.").arg(kRecentDays)});
    ListView_Addresses->header()->setStretchLastSection(false);
    ListView_Addresses->header()->setSectionResizeMode(ColumnAddress, QHeaderView::Stretch);
    ListView_Addresses->header()->setSectionResizeMode(ColumnUses, QHeaderView::ResizeToContents);
    ListView_Addresses->setColumnWidth(ColumnName, 200);
    ListView_Addresses->installEventFilter(this);

    Button_Add = namedButton(QStringLiteral("Добавить…"), "Button_Add", this);
    Button_Add->setToolTip(QStringLiteral("Insert"));
    Button_Change = namedButton(QStringLiteral("Изменить…"), "Button_Change", this);
    Button_Change->setToolTip(QStringLiteral("F2"));
    Button_Delete = namedButton(QStringLiteral("Удалить"), "Button_Delete", this);
    Button_Delete->setToolTip(QStringLiteral("Delete"));
    Button_FromSent = namedButton(QStringLiteral("Из переданных…"), "Button_FromSent", this);
    Button_ToEditor = namedButton(QStringLiteral("В редактор"), "Button_ToEditor", this);
    Button_ToEditor->setDefault(true);
    Button_Close = namedButton(QStringLiteral("Закрыть"), "Button_Close", this);

    auto* side = new QVBoxLayout;
    for (QPushButton* b : {Button_Add, Button_Change, Button_Delete, Button_FromSent})
        side->addWidget(b);
    side->addStretch(1);
    side->addWidget(Button_ToEditor);
    side->addWidget(Button_Close);
    auto* list = new QVBoxLayout;
    list->addWidget(Edit_Search);
    list->addWidget(ListView_Addresses, 1);
    auto* row = new QHBoxLayout(this);
    row->addLayout(list, 1);
    row->addLayout(side);

    connect(Edit_Search, &QLineEdit::textChanged, this, [this] { fill(currentEntry()); });
    connect(ListView_Addresses, &QTreeWidget::currentItemChanged, this,
            &TForm_AddressBook::updateButtons);
    connect(ListView_Addresses, &QTreeWidget::itemDoubleClicked, this,
            &TForm_AddressBook::toEditorClicked);
    connect(Button_Add, &QPushButton::clicked, this, &TForm_AddressBook::addClicked);
    connect(Button_Change, &QPushButton::clicked, this, &TForm_AddressBook::changeClicked);
    connect(Button_Delete, &QPushButton::clicked, this, &TForm_AddressBook::deleteClicked);
    connect(Button_FromSent, &QPushButton::clicked, this, &TForm_AddressBook::fromSentClicked);
    connect(Button_ToEditor, &QPushButton::clicked, this, &TForm_AddressBook::toEditorClicked);
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::reject);

    if (sentSource_)
        sent_ = sentSource_();
    fill(0);
    Edit_Search->setFocus();
}

bool TForm_AddressBook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == Edit_Search && (key == Qt::Key_Down || key == Qt::Key_PageDown)) {
        ListView_Addresses->setFocus();
        return true;
    }
    if (watched == ListView_Addresses) {
        const std::pair<int, void (TForm_AddressBook::*)()> keys[] = {
            {Qt::Key_Insert, &TForm_AddressBook::addClicked},
            {Qt::Key_F2, &TForm_AddressBook::changeClicked},
            {Qt::Key_Delete, &TForm_AddressBook::deleteClicked},
        };
        for (const auto& [k, handler] : keys)
            if (key == k) {
                (this->*handler)();
                return true;
            }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_AddressBook::fill(int selectEntry) {
    const QString wanted = Edit_Search->text().trimmed();
    ListView_Addresses->clear();
    QTreeWidgetItem* select = nullptr;
    for (int i = 0; i < book_.Entries.size(); ++i) {
        const TAddressEntry& e = book_.Entries.at(i);
        if (!wanted.isEmpty() && !e.Name.contains(wanted, Qt::CaseInsensitive) &&
            !e.Index.contains(wanted))
            continue;
        int uses = 0;
        for (const TDestination& d : std::as_const(sent_))
            if (EntryCovers(e, d.Entry))
                uses += d.Uses;
        auto* item = new QTreeWidgetItem(
            ListView_Addresses, {e.Name, DestinationHeader(e), e.Lines.join(QStringLiteral(" / ")),
                                 QString::number(uses)});
        item->setData(ColumnName, kEntryRole, i);
        item->setTextAlignment(ColumnUses, Qt::AlignRight | Qt::AlignVCenter);
        if (!AddressEntryProblem(e).isEmpty())
            item->setForeground(ColumnHeader, QBrush(Qt::red));
        if (i == selectEntry || !select)
            select = item;
    }
    ListView_Addresses->setCurrentItem(select);
    updateButtons();
}

int TForm_AddressBook::currentEntry() const {
    const QTreeWidgetItem* item = ListView_Addresses->currentItem();
    return item ? item->data(ColumnName, kEntryRole).toInt() : -1;
}

void TForm_AddressBook::updateButtons() {
    const bool chosen = currentEntry() >= 0;
    Button_Change->setEnabled(chosen);
    Button_Delete->setEnabled(chosen);
    Button_ToEditor->setEnabled(chosen);
}

bool TForm_AddressBook::store() {
    const QString error = book_.Save();
    if (!error.isEmpty())
        TellOperator(this, kBookTitle, error);
    return error.isEmpty();
}

void TForm_AddressBook::addClicked() {
    TAddressEntry entry;
    if (!categories_.isEmpty())
        entry.Category = categories_.first();
    // Begun with what was searched for: an index or a name.
    const QString wanted = Edit_Search->text().trimmed();
    const bool digits = !wanted.isEmpty() && std::all_of(wanted.begin(), wanted.end(),
                                                         [](QChar c) { return c.isDigit(); });
    (digits ? entry.Index : entry.Name) = wanted;
    TForm_AddressEntry form(entry, categories_, this);
    if (form.exec() != QDialog::Accepted)
        return;
    book_.Entries << form.Entry();
    store();
    Edit_Search->clear();
    fill(int(book_.Entries.size() - 1));
}

void TForm_AddressBook::changeClicked() {
    const int at = currentEntry();
    if (at < 0)
        return;
    TForm_AddressEntry form(book_.Entries.at(at), categories_, this);
    if (form.exec() != QDialog::Accepted)
        return;
    book_.Entries[at] = form.Entry();
    store();
    fill(at);
}

void TForm_AddressBook::deleteClicked() {
    const int at = currentEntry();
    if (at < 0)
        return;
    if (!AskOperator(this, kBookTitle,
                     QStringLiteral("Удалить адрес «%1»?").arg(book_.Entries.at(at).Name),
                     QStringLiteral("Удалить"), QStringLiteral("Отмена"), false))
        return;
    book_.Entries.removeAt(at);
    store();
    fill(at);
}

void TForm_AddressBook::fromSentClicked() {
    if (sentSource_)
        sent_ = sentSource_();
    QList<TDestination> offered;
    for (const TDestination& d : std::as_const(sent_)) {
        bool covered = false;
        for (const TAddressEntry& e : std::as_const(book_.Entries))
            covered = covered || EntryCovers(e, d.Entry);
        if (!covered)
            offered << d;
    }
    if (offered.isEmpty()) {
        TellOperator(this, kBookTitle,
                     QStringLiteral("Адресатов телеграмм, переданных за %1 дней, которых нет в "
                                    "книге, не найдено.")
                         .arg(kRecentDays));
        return;
    }
    const QList<TDestination> chosen = chooseSent(offered, this);
    if (chosen.isEmpty())
        return;
    for (const TDestination& d : chosen) {
        TAddressEntry entry = d.Entry;
        entry.Name = entry.Lines.isEmpty() ? DestinationHeader(entry) : entry.Lines.first();
        book_.Entries << entry;
    }
    store();
    fill(int(book_.Entries.size() - chosen.size()));
}

void TForm_AddressBook::toEditorClicked() {
    const int at = currentEntry();
    if (at < 0)
        return;
    const TAddressEntry& entry = book_.Entries.at(at);
    if (const QString problem = AddressEntryProblem(entry); !problem.isEmpty()) {
        TellOperator(this, kBookTitle, problem);
        return;
    }
    chosen_ = entry;
    accept();
}
