#include "util/datetimeformat.h"

#include <QLocale>

namespace {

const QLocale& Russian() {
    static const QLocale locale(QLocale::Russian, QLocale::Russia);
    return locale;
}

QString Padded(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

bool StartsWithCI(QStringView text, qsizetype at, QStringView word) {
    return text.mid(at).startsWith(word, Qt::CaseInsensitive);
}

// Delphi prints hours on a 12-hour clock when the format holds an am/pm
// marker anywhere, even after the hours.
bool HasAmPm(QStringView format) {
    QChar quote;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (StartsWithCI(format, i, u"am/pm") || StartsWithCI(format, i, u"a/p") ||
                   StartsWithCI(format, i, u"ampm")) {
            return true;
        }
    }
    return false;
}

class Formatter {
public:
    Formatter(const QDateTime& time, QStringView format)
        : date_(time.date()), time_(time.time()), twelve_(HasAmPm(format)) {}

    QString Run(QStringView format) {
        QString out;
        bool afterHour = false;
        qsizetype i = 0;
        while (i < format.size()) {
            const QChar c = format[i];
            if (c == u'\'' || c == u'"') {
                const qsizetype end = format.indexOf(c, i + 1);
                const qsizetype stop = end < 0 ? format.size() : end;
                out += format.mid(i + 1, stop - i - 1);
                i = stop + 1;
                continue;
            }
            if (StartsWithCI(format, i, u"am/pm")) {
                afterHour = false;
                out += time_.hour() < 12 ? u"am" : u"pm";
                i += 5;
                continue;
            }
            if (StartsWithCI(format, i, u"a/p")) {
                afterHour = false;
                out += time_.hour() < 12 ? u'a' : u'p';
                i += 3;
                continue;
            }
            if (StartsWithCI(format, i, u"ampm")) {
                afterHour = false;
                out += time_.hour() < 12 ? Russian().amText() : Russian().pmText();
                i += 4;
                continue;
            }
            const QChar letter = c.toLower();
            qsizetype count = 1;
            while (i + count < format.size() && format[i + count].toLower() == letter)
                ++count;
            i += count;
            switch (letter.unicode()) {
                case u'd':
                    out += Day(count);
                    break;
                case u'm':
                    out += afterHour ? Number(time_.minute(), count) : Month(count);
                    break;
                case u'y':
                    out += count <= 2 ? Padded(date_.year() % 100, 2) : Padded(date_.year(), 4);
                    break;
                case u'h':
                    out += Number(Hour(), count);
                    break;
                case u'n':
                    out += Number(time_.minute(), count);
                    break;
                case u's':
                    out += Number(time_.second(), count);
                    break;
                case u'z':
                    out += count < 3 ? QString::number(time_.msec()) : Padded(time_.msec(), 3);
                    break;
                case u't':
                    out += count == 1 ? ShortTime() : LongTime();
                    break;
                case u'c':
                    out += ShortDate();
                    if (time_ != QTime(0, 0))
                        out += u' ' + LongTime();
                    break;
                case u'/':
                    out += QString(count, u'.');
                    break;
                default:
                    out += format.mid(i - count, count);
                    break;
            }
            // Separators and quoted text between an hour and 'm' still make
            // minutes of it ("hh:mm"); any other letter does not.
            if (letter >= u'a' && letter <= u'z')
                afterHour = letter == u'h';
        }
        return out;
    }

private:
    static QString Number(int value, qsizetype count) {
        return count == 1 ? QString::number(value) : Padded(value, 2);
    }

    int Hour() const {
        if (!twelve_)
            return time_.hour();
        const int h = time_.hour() % 12;
        return h == 0 ? 12 : h;
    }

    QString Day(qsizetype count) const {
        switch (count) {
            case 1:
                return QString::number(date_.day());
            case 2:
                return Padded(date_.day(), 2);
            case 3:
                return Russian().dayName(date_.dayOfWeek(), QLocale::ShortFormat);
            case 4:
                return Russian().dayName(date_.dayOfWeek(), QLocale::LongFormat);
            case 5:
                return ShortDate();
            default:
                return Russian().toString(date_, QLocale::LongFormat);
        }
    }

    QString Month(qsizetype count) const {
        switch (count) {
            case 1:
                return QString::number(date_.month());
            case 2:
                return Padded(date_.month(), 2);
            case 3:
                return Russian().standaloneMonthName(date_.month(), QLocale::ShortFormat);
            default:
                return Russian().standaloneMonthName(date_.month(), QLocale::LongFormat);
        }
    }

    QString ShortDate() const {
        return Padded(date_.day(), 2) + u'.' + Padded(date_.month(), 2) + u'.' +
               Padded(date_.year(), 4);
    }
    QString ShortTime() const { return Padded(time_.hour(), 2) + u':' + Padded(time_.minute(), 2); }
    QString LongTime() const { return ShortTime() + u':' + Padded(time_.second(), 2); }

    QDate date_;
    QTime time_;
    bool twelve_;
};

}  // namespace

QString FormatDelphiDateTime(const QDateTime& time, QStringView format) {
    return Formatter(time, format).Run(format);
}

QString FormatDelphiDate(QDate date, QStringView format) {
    return FormatDelphiDateTime(QDateTime(date, QTime(0, 0)), format);
}
