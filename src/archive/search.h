#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

#include <atomic>
#include <functional>

// The search of the stored telegrams: the received or sent day folders over
// a range of days, a time window within each day, a category, an index and a
// text in the file.

struct TSearchQuery {
    bool input = true;    // "Прием"
    bool output = false;  // "Передача"
    QDate from;           // whole days, both included
    QDate to;
    QTime timeFrom = QTime(0, 0, 0);  // last-write time of day, both included
    QTime timeTo = QTime(23, 59, 59);
    QChar category = u'?';                         // 'u', 'q' or '?'
    QString indexPattern = QStringLiteral("???");  // the name's three index characters
    QString indexText;                             // in the first or second line
    QString searchText;                            // anywhere in the file
    QString inpPath;                               // PATH/inp, PATH/out
    QString outPath;
    QString dayFormat = QStringLiteral("mmdd");  // PATH/DayFormat
    bool ansi = true;                            // PATH/SaveTlg_ANSI: files are 8-bit text
    bool readMarks = false;                      // PATH/MarkFilesInList
};

struct TSearchHit {
    QDateTime written;  // last-write time
    QString name;       // "Filename"
    QString folder;     // "FullPath": the day folder, ending in '/'
    bool read = false;  // the read mark (archive mark clear)
};

// The query of the tab's controls: the category letter when exactly one
// kind is checked, the index pattern from the 4th to 6th characters.
QChar SearchCategory(bool ordinary, bool urgent);
QString SearchIndexPattern(const QString& indexField);

// Runs the search, handing each day folder's hits (in name order, received
// days first, then sent) to found, and the days done to progress. Returns
// false when stopped (checked between files).
bool RunSearch(const TSearchQuery& query, const std::atomic<bool>& stop,
               const std::function<void(const QList<TSearchHit>&)>& found,
               const std::function<void(int done, int total)>& progress = {});

// One day folder: the entries that match the mask, written within [from, to],
// whose content passes the index and text tests.
QList<TSearchHit> SearchDay(const QString& folder, const QString& mask, const TSearchQuery& query,
                            const QDateTime& from, const QDateTime& to,
                            const std::atomic<bool>& stop);
