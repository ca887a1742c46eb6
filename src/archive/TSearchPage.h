#pragma once

#include "archive/search.h"

#include <QStringList>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimeEdit;
class QTreeWidget;
class QTreeWidgetItem;
struct _tlg_config;

// The "Поиск" page: finds stored telegrams by days, a time window,
// direction, category, index and a text. The search runs on a thread of its
// own, so the window, the line and the tick go on; hits appear as they are
// found, the progress bar counts the days, and "Поиск" again (or Esc) stops
// it.
class TSearchPage : public QWidget {
    Q_OBJECT
public:
    explicit TSearchPage(const _tlg_config& config, QWidget* parent = nullptr);
    ~TSearchPage() override;

    // Both dates to this day (at start-up).
    void SetDates(QDate day);
    // The current working day, searched when the date box is not checked.
    void SetTodaySource(std::function<QDate()> today) { today_ = std::move(today); }
    // The handler of "Поиск": starts a search, or stops the one running.
    void SearchTelegrams();
    // Stops a running search and waits for its end.
    void StopSearch();
    bool Searching() const { return worker_.joinable() && !finished_; }
    // The query the controls make now.
    TSearchQuery Query() const;

    QCheckBox* TntCheckBox_Search_Input;
    QCheckBox* TntCheckBox_Search_Output;
    QCheckBox* TntCheckBox_Search_Date;
    QDateEdit* DateTimePicker_Search_From;
    QDateEdit* DateTimePicker_Search_To;
    QCheckBox* TntCheckBox_Search_Time;
    QTimeEdit* DateTimePicker_Search_TimeFrom;
    QTimeEdit* DateTimePicker_Search_TimeTo;
    QLineEdit* TntEdit_Search_Index;
    QCheckBox* TntCheckBox_Search_U;
    QCheckBox* TntCheckBox_Search_Q;
    QLineEdit* TntEdit_Search_Text;
    QPushButton* TntButton_Search;
    QProgressBar* ProgressBar_Search;
    QTreeWidget* ListView_Search;
    QPlainTextEdit* TntMemo_Search_TlgText;
    QPushButton* TntButton_Search_ToEdit;
    QPushButton* TntButton_Search_Print;

Q_SIGNALS:
    // "В редактор" with the memo's text; "Распечатать" with its lines.
    void toEditorRequested(const QString& text);
    void printRequested(const QStringList& lines);
    // A search has ended (done or stopped).
    void searchFinished(bool completed);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void pickersFollowChecks();
    void addHits(quint64 run, const QList<TSearchHit>& hits);
    void showProgress(quint64 run, int done, int total);
    void ended(quint64 run, bool completed);
    void selectionChanged();
    void memoChanged();
    void itemChanged(QTreeWidgetItem* item, int column);
    void joinWorker();

    const _tlg_config& config_;
    std::function<QDate()> today_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    bool finished_ = true;
    quint64 run_ = 0;
    bool filling_ = false;
};
