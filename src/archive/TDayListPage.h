#pragma once

#include "util/texttypes.h"

#include <QDate>
#include <QSet>
#include <QString>
#include <QWidget>

class QDateEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct _tlg_config;
struct _tlg_status;

// A list page of one day's telegrams: "Входящие" (received) or "Исходящие"
// (sent). The date picker chooses the day, the list shows its files, the
// memo the selected one. In the received list the operator's read marks are
// check boxes (PATH/MarkFilesInList) stored in each file's archive mark.
//
// The object names are those of the main window's controls: DateTimePicker_In,
// ListView_In, TntMemo_In, Button_Receive_* for the received page;
// DateTimePicker_Out, ListView_Out, TntMemo_Out, Button_Send_* for the sent one.
class TDayListPage : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Received, Sent };

    TDayListPage(Kind kind, const _tlg_config& config, const _tlg_status& status,
                 QWidget* parent = nullptr);
    ~TDayListPage() override;

    Kind ListKind() const { return kind_; }

    // The picker shows the date; the list is not refilled.
    void SetDate(QDate date);
    // Fills the list with the day of the given date; the selected position
    // is kept while it is still within the list.
    void FillDayList(QDate date);
    // The date picker's change: check boxes after PATH/MarkFilesInList
    // (received list), then the list of the picked day.
    void DateTimePickerChange();
    // Refills the list when the picker shows the current working day.
    void RefreshIfToday();
    // The day folder of the picker's date, absolute, ending in "/".
    QString DayFolder() const;

    // Buttons that a selection enables. The forwarding, printing and tape
    // buttons stay disabled until their parts make them available.
    void SetButtonAvailable(QPushButton* button, bool available);

    // The raw line copy (".tlg") of the selected received telegram.
    LineText ReceivedRawText;

    QDateEdit* DateTimePicker;
    QTreeWidget* ListView;
    QPlainTextEdit* Memo;
    QPushButton* Button_ToEditor;
    QPushButton* Button_Print;
    QPushButton* Button_Forward = nullptr;     // received list only
    QPushButton* Button_Perforator = nullptr;  // received list only

Q_SIGNALS:
    // "В редактор".
    void toEditorClicked();

private:
    void selectionChanged();
    void itemChanged(QTreeWidgetItem* item, int column);
    void enableSelectionButtons(bool selected);

    const Kind kind_;
    const _tlg_config& config_;
    const _tlg_status& status_;
    QSet<QPushButton*> available_;
    bool marks_ = false;
    bool filling_ = false;
};
