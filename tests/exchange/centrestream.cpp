#include "centrestream.h"

#include "util/linecode.h"

#include <QRandomGenerator>
#include <QStringList>

namespace {

QString three(int n) {
    return QStringLiteral("%1").arg(n % 1000, 3, 10, QLatin1Char('0'));
}

}  // namespace

LineText CentreTelegram(int number, const QString& header, const QString& text) {
    return WideToLine(QStringLiteral("\r\nЗЦЗЦ ") + three(number) + u' ' + header +
                      QStringLiteral("\r\n") + text + QStringLiteral("\r\nНННН  "));
}

LineText CentreTrailer(int number, int ccm) {
    const QString groups = QStringLiteral("0130 14.30 0") + three(number);
    return WideToLine((ccm == 1 ? QStringLiteral("#") : QString()) + groups +
                      QStringLiteral("\r\n"));
}

LineText CentreReceipt(int number, int ccm) {
    if (ccm == 0)
        return WideToLine(QStringLiteral("-------------\r\nР А С П И С К А\r\n") + three(number) +
                          QStringLiteral(" 0130 1431\r\n-------------\r\n"));
    return WideToLine(QStringLiteral("|РАСПИСКА ") + three(number) +
                      QStringLiteral(" 0130 14.31 .....|МИН\r\n"));
}

LineText CentreMessage(const QString& text) {
    return WideToLine(QStringLiteral("\r\nЗЦЗЦ ") + text + QStringLiteral("\r\nНННН  \r\n"));
}

LineText CentreDay(int first, int count, int ccm, bool receipts, quint32 seed) {
    QRandomGenerator random(seed);
    static const QStringList headers = {
        QStringLiteral("ПМ12 141911 7 12 1430"), QStringLiteral("СР5 142215 12 5 0930"),
        QStringLiteral("П123 456 7 1200"),       QStringLiteral("СМ045=045 7 141911 3"),
        QStringLiteral("КТ12 143301 20 4 1000"), QStringLiteral("БЛ7 100203 1 2 0800"),
    };
    static const QStringList words = {
        QStringLiteral("МОСКВА"),     QStringLiteral("УЛ"),      QStringLiteral("ЛЕНИНА"),
        QStringLiteral("ПРИБЫВАЮ"),   QStringLiteral("ПОЕЗДОМ"), QStringLiteral("ВАГОН"),
        QStringLiteral("ВСТРЕЧАЙТЕ"), QStringLiteral("ТЧК"),     QStringLiteral("ЗПТ"),
        QStringLiteral("ИВАНОВ"),     QStringLiteral("12"),      QStringLiteral("0730"),
    };
    LineText day;
    for (int i = 0; i < count; ++i) {
        QString text = QStringLiteral("МОСКВА ИВАНОВУ\r\n");
        const int length = 5 + int(random.bounded(120));
        for (int w = 0; w < length; ++w) {
            text += words[random.bounded(int(words.size()))];
            text += (w % 9 == 8) ? QStringLiteral("\r\n") : QStringLiteral(" ");
        }
        text += QStringLiteral("\r\nПЕТРОВ");
        const int number = (first + i) % 1000;
        day += CentreTelegram(number, headers[random.bounded(int(headers.size()))], text);
        day += CentreTrailer(number, ccm);
        if (receipts)
            day += CentreReceipt(number, ccm);
        if (i % 10 == 9)
            day += CentreMessage(QStringLiteral("СВЯЗЬ ОТКРЫТА"));
        if (i % 25 == 24)
            day += CentreMessage(QStringLiteral("ВАШ 000 НАШ ") + three(number) +
                                 QStringLiteral(" ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА"));
    }
    return day;
}
