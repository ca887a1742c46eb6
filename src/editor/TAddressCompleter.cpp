#include "editor/TAddressCompleter.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QStandardItemModel>

namespace {

constexpr int kRowRole = Qt::UserRole + 1;
constexpr int kVisibleRows = 10;
constexpr int kPopupWidth = 480;

}  // namespace

void TEditorMemo::keyPressEvent(QKeyEvent* event) {
    QPlainTextEdit::keyPressEvent(event);
    const bool edits = !event->text().isEmpty() || event->key() == Qt::Key_Backspace ||
                       event->key() == Qt::Key_Delete;
    if (edits && Typed)
        Typed();
}

TAddressCompleter::TAddressCompleter(QObject* parent)
    : QObject(parent), completer_(new QCompleter(this)), model_(new QStandardItemModel(this)) {
    completer_->setModel(model_);
    completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer_->setMaxVisibleItems(kVisibleRows);
    completer_->popup()->setObjectName(QStringLiteral("ListBox_AddressCompletion"));
    // After the completer's own filter, so that this one sees the keys first.
    completer_->popup()->installEventFilter(this);
    connect(completer_, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) { choose(index.data(kRowRole).toInt()); });
}

void TAddressCompleter::Offer(QWidget* widget, const QList<TDestination>& destinations,
                              const QRect& at) {
    destinations_ = destinations;
    model_->clear();
    if (destinations.isEmpty() || !widget) {
        Hide();
        return;
    }
    for (int row = 0; row < destinations.size(); ++row) {
        auto* item = new QStandardItem(DestinationText(destinations.at(row)));
        item->setData(row, kRowRole);
        item->setEditable(false);
        model_->appendRow(item);
    }
    if (completer_->widget() != widget)
        completer_->setWidget(widget);
    QRect wide = at;
    wide.setWidth(qMax(at.width(), kPopupWidth));
    completer_->complete(wide);
}

void TAddressCompleter::Hide() {
    completer_->popup()->hide();
}

bool TAddressCompleter::Visible() const {
    return completer_->popup()->isVisible();
}

QAbstractItemView* TAddressCompleter::Popup() const {
    return completer_->popup();
}

bool TAddressCompleter::eventFilter(QObject* watched, QEvent* event) {
    // The completer hands Enter to the field first, and a memo would take it
    // as a new line: a destination marked in the list is taken here instead.
    if (watched == completer_->popup() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QModelIndex current = completer_->popup()->currentIndex();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && current.isValid()) {
            Hide();
            choose(current.data(kRowRole).toInt());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TAddressCompleter::choose(int row) {
    if (row < 0 || row >= destinations_.size())
        return;
    const TDestination destination = destinations_.at(row);
    Hide();
    Q_EMIT chosen(destination);
}
