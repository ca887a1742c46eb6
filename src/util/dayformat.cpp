#include "util/dayformat.h"

namespace {

QString twoDigits(int n) {
    return QString::number(n).rightJustified(2, u'0');
}

}  // namespace

QString FormatDayText(const QDate& date, const QString& dayFormat) {
    QString out;
    const QString f = dayFormat.toLower();
    qsizetype i = 0;
    while (i < f.size()) {
        const QChar c = f[i];
        qsizetype run = 1;
        while (i + run < f.size() && f[i + run] == c)
            ++run;
        if (c == u'd') {
            out += run >= 2 ? twoDigits(date.day()) : QString::number(date.day());
        } else if (c == u'm') {
            out += run >= 2 ? twoDigits(date.month()) : QString::number(date.month());
        } else if (c == u'y') {
            out += run >= 3 ? QString::number(date.year()).rightJustified(4, u'0')
                            : twoDigits(date.year() % 100);
        } else {
            out += dayFormat.mid(i, run);
        }
        i += run;
    }
    return out;
}

QString FormatTime(const QTime& time, bool colons, bool seconds) {
    const QString sep = colons ? QStringLiteral(":") : QString();
    QString out = twoDigits(time.hour()) + sep + twoDigits(time.minute());
    if (seconds)
        out += sep + twoDigits(time.second());
    return out;
}
