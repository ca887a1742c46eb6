#pragma once

#include "editor/addressbook.h"

#include <QList>
#include <QObject>
#include <QPlainTextEdit>

#include <functional>

class QAbstractItemView;
class QCompleter;
class QRect;
class QStandardItemModel;

// The editor's text memo. Typed runs after each key the operator types into
// it, so that the completion of the first line follows the operator and
// never a text the program puts there.
class TEditorMemo : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    std::function<void()> Typed;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The pop-up list of destinations under the index field or the first line
// of the text. Down and Up walk the list, Enter takes the destination
// marked, Esc closes it; typing goes on in the field.
class TAddressCompleter : public QObject {
    Q_OBJECT
public:
    explicit TAddressCompleter(QObject* parent);

    // Shows the destinations below the rectangle (in the widget's
    // coordinates); none closes the list.
    void Offer(QWidget* widget, const QList<TDestination>& destinations, const QRect& at);
    void Hide();
    bool Visible() const;
    QAbstractItemView* Popup() const;
    // The destinations the list shows, top to bottom.
    const QList<TDestination>& Destinations() const { return destinations_; }

Q_SIGNALS:
    void chosen(const TDestination& destination);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(int row);

    QCompleter* completer_;
    QStandardItemModel* model_;
    QList<TDestination> destinations_;
};
