#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

// The telegrams of one day folder as the "Входящие" and "Исходящие" lists
// show them. Building the items needs no widget, so the lists fill fast and
// the listing can be tested and timed on its own.

struct TDayListItem {
    QString Number;        // column "N"
    QDateTime Time;        // last write, column "Time"
    QString FileName;      // column "Filename"
    bool HasMark = false;  // a read mark may be shown (not for ARC files)
    bool Marked = false;   // read: the file has lost its archive mark
};

// The "N" of a listed name: its last three characters when it ends in a
// digit, else the three in front of a four-character extension (".brd").
QString DayListNumber(QStringView fileName);

// Whether a name belongs in a day list: a file name beginning with a digit
// and matching "*.?*", without ".tlg" or ".rcv" anywhere in it and not
// ending in "tlg" (raw copies and telegrams still being received).
bool IsDayListName(QStringView fileName);
// An archive file of another tool ("ARC*.?*").
bool IsArcName(QStringView fileName);

// The items of a folder as the list shows them: telegrams and archive files
// together, sorted by "N"; equal numbers keep the order in which they were
// found (telegrams by name, then archive files). Folders are left out.
QList<TDayListItem> DayListItems(const QString& folder);

// base (a configured folder) + the day text of date + "/", absolute.
QString DayFolderPath(const QString& base, QDate date, const QString& dayFormat);

// The time column's text: the locale's time format, without a zone.
QString DayListTimeText(const QDateTime& time);
