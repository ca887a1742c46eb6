#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>

// Dates and times formatted with the format strings the settings carry over
// from the Windows program (PATH/DayFormat "mmdd" or "yymmdd", the clock's
// "hhnn" and "hh:nn:ss"). The letters are those of Delphi's FormatDateTime,
// in either case: d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes right
// after an hour), yy yyyy, h hh, n nn, s ss, z zzz, t tt, c, am/pm a/p ampm;
// '/' and ':' are the Russian date and time separators '.' and ':'; text in
// single or double quotes is copied; any other character stands for itself.
QString FormatDelphiDateTime(const QDateTime& time, QStringView format);

// The same for a date alone (its time is midnight).
QString FormatDelphiDate(QDate date, QStringView format);
