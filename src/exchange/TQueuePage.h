#pragma once

#include <QString>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class TOutgoingQueue;

// The queue page ("Передача"): the files in the output folder's root, the
// selected one's text, and what the operator can do with a telegram whose
// sending failed: delete it, take it into the editor, or send it again.
// The file work is the outgoing queue's; this page only shows and asks.
class TQueuePage : public QWidget {
    Q_OBJECT
public:
    explicit TQueuePage(TOutgoingQueue& queue, QWidget* parent = nullptr);
    ~TQueuePage() override;

    // Refills the list from the out root; the selected position is kept
    // while it is still within the list. Emits listRebuilt.
    void RefreshQueueList();
    // The out root, absolute, ending in "/".
    QString OutRoot() const;
    // The selected file's name; empty when nothing is selected.
    QString SelectedName() const;

    void Button_Queue_DeleteClick();
    void Button_Queue_ToEditorClick();
    void Button_Queue_RetrySendClick();

    QTreeWidget* ListView_Queue;
    QPlainTextEdit* TntMemo_Queue;
    QPushButton* Button_Queue_Delete;
    QPushButton* Button_Queue_ToEditor;
    QPushButton* Button_Queue_RetrySend;

Q_SIGNALS:
    // The list was refilled with count files: the main window shows the page
    // only while there is something in it.
    void listRebuilt(int count);
    // "В редактор" with the memo's text.
    void toEditorClicked(const QString& text);

private:
    void selectionChanged();
    void enableButtons(bool enabled);

    TOutgoingQueue& queue_;
    // A file that cannot be loaded rebuilds the list once; if it still
    // cannot be loaded afterwards the memo stays empty instead of rebuilding
    // for ever.
    bool rebuilding_ = false;
};
