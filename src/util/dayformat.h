#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Dates and times in the Delphi-style patterns of the settings file
// (PATH/DayFormat "mmdd" or "yymmdd"), compared without regard to case:
//   d dd   day without / with a leading zero     yy yyyy  year
//   m mm   month                                 anything else is copied
QString FormatDayText(const QDate& date, const QString& dayFormat);

// "hhnn", "hh:nn", "hhnnss", "hh:nn:ss" of a time, zero-padded.
QString FormatTime(const QTime& time, bool colons, bool seconds);
