#include "register/registertext.h"

#include <QMap>
#include <QSaveFile>

namespace {

const QString kDash = QStringLiteral("–");

QString rangeText(const TRegisterGap& gap) {
    return gap.first == gap.last
               ? RegisterNumberText(gap.first)
               : RegisterNumberText(gap.first) + kDash + RegisterNumberText(gap.last);
}

QString countsText(const QMap<QString, int>& counts) {
    QStringList parts;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        parts << it.key() + QStringLiteral(": ") + QString::number(it.value());
    return parts.join(QStringLiteral(", "));
}

// The fates of a list in the order of their kinds, with their counts.
QString fatesText(const QList<TRegisterEntry>& entries, bool traffic) {
    QMap<int, QPair<QString, int>> fates;
    for (const TRegisterEntry& e : entries) {
        if (IsRegisterTraffic(e.fate) != traffic)
            continue;
        TRegisterEntry plain = e;
        plain.distortion = -1;
        auto& slot = fates[int(e.fate)];
        slot.first = RegisterFateText(plain);
        ++slot.second;
    }
    QStringList parts;
    for (const auto& fate : fates)
        parts << fate.first + QStringLiteral(": ") + QString::number(fate.second);
    return parts.join(QStringLiteral(", "));
}

QString categoriesText(const QList<TRegisterEntry>& entries) {
    QMap<QString, int> counts;
    for (const TRegisterEntry& e : entries)
        if (IsRegisterTraffic(e.fate))
            ++counts[e.category.isEmpty() ? QStringLiteral("без категории") : e.category];
    return counts.isEmpty() ? QStringLiteral("нет") : countsText(counts);
}

// A field as office programs read it back: quoted when it holds the
// separator, a quote or a line break; a text from the line that starts like
// a formula is kept a text.
QString csvField(QString field, bool fromLine = false) {
    if (fromLine && !field.isEmpty() &&
        (field.front() == u'=' || field.front() == u'+' || field.front() == u'-' ||
         field.front() == u'@'))
        field.prepend(u'\'');
    if (field.contains(u';') || field.contains(u'"') || field.contains(u'\r') ||
        field.contains(u'\n')) {
        field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        field = u'"' + field + u'"';
    }
    return field;
}

}  // namespace

QString RegisterTitle() {
    return QStringLiteral("Журнал телеграмм");
}

QString RegisterDayTitle(const TRegisterDay& day) {
    return RegisterTitle() + QStringLiteral(" за ") +
           day.date.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" (") + day.dayText +
           u')';
}

QString RegisterNumberText(int number) {
    return number < 0 ? QString()
                      : QStringLiteral("%1").arg(number % 1000, 3, 10, QLatin1Char('0'));
}

QString RegisterFateText(const TRegisterEntry& entry) {
    switch (entry.fate) {
        case TRegisterFate::Received:
            return QStringLiteral("принята");
        case TRegisterFate::Receiving:
            return QStringLiteral("принимается");
        case TRegisterFate::ServiceMessage:
            return QStringLiteral("служебное сообщение");
        case TRegisterFate::Confirmed:
            return QStringLiteral("подтверждена");
        case TRegisterFate::CountersDisagreed:
            return QStringLiteral("счетчики не совпали");
        case TRegisterFate::ServiceAccepted:
            return QStringLiteral("служебная принята");
        case TRegisterFate::Distorted:
            return entry.distortion < 0 ? QStringLiteral("искажена")
                                        : QStringLiteral("искажена (%1)")
                                              .arg(entry.distortion, 2, 10, QLatin1Char('0'));
        case TRegisterFate::Unconfirmed:
            return QStringLiteral("не подтверждена ЦКС");
        case TRegisterFate::Unreadable:
            return QStringLiteral("не читается");
        case TRegisterFate::Waiting:
            return QStringLiteral("ожидает отправки");
    }
    return QString();
}

QString RegisterReadText(const TRegisterEntry& entry) {
    if (entry.sent)
        return QString();
    return entry.read ? QStringLiteral("да") : QStringLiteral("нет");
}

QString RegisterTimeText(const TRegisterEntry& entry) {
    return entry.time.toString(QStringLiteral("HH:mm:ss"));
}

QString RegisterGapsText(const TRegisterDay& day) {
    if (day.gaps.isEmpty())
        return QStringLiteral("Пропусков в номерах ЦКС нет");
    QStringList parts;
    for (int numbering = 0; numbering < day.numberings; ++numbering) {
        QStringList ranges;
        for (const TRegisterGap& gap : day.gaps)
            if (gap.numbering == numbering)
                ranges << rangeText(gap);
        if (ranges.isEmpty())
            continue;
        QString label;
        if (day.numberings == 2)
            label = numbering == 0 ? QStringLiteral("до смены нумерации ")
                                   : QStringLiteral("после смены нумерации ");
        else if (day.numberings > 2)
            label = QStringLiteral("нумерация %1: ").arg(numbering + 1);
        parts << label + ranges.join(QStringLiteral(", "));
    }
    return QStringLiteral("Пропущены номера ЦКС: ") + parts.join(QStringLiteral("; "));
}

QStringList RegisterTotalsLines(const TRegisterDay& day) {
    int read = 0;
    int telegrams = 0;
    for (const TRegisterEntry& e : day.received) {
        ++telegrams;
        read += e.read;
    }
    int sent = 0;
    int notSent = 0;
    for (const TRegisterEntry& e : day.sent)
        ++(IsRegisterTraffic(e.fate) ? sent : notSent);
    QStringList lines;
    QString in = QStringLiteral("Принято телеграмм: ") + QString::number(telegrams);
    if (telegrams > 0)
        in += QStringLiteral(" (") + fatesText(day.received, true) +
              QStringLiteral("; прочитано: ") + QString::number(read) +
              QStringLiteral(", не прочитано: ") + QString::number(telegrams - read) + u')';
    lines << in + QStringLiteral("; служебных сообщений: ") + QString::number(day.service.size());
    QString out = QStringLiteral("Передано телеграмм: ") + QString::number(sent);
    if (sent > 0)
        out += QStringLiteral(" (") + fatesText(day.sent, true) + u')';
    if (notSent > 0)
        out += QStringLiteral("; не передано: ") + QString::number(notSent) + QStringLiteral(" (") +
               fatesText(day.sent, false) + u')';
    lines << out;
    lines << QStringLiteral("По категориям: принятые — ") + categoriesText(day.received) +
                 QStringLiteral("; переданные — ") + categoriesText(day.sent);
    return lines;
}

QString RegisterSectionTitle(int section) {
    return section == 0   ? QStringLiteral("Принятые")
           : section == 1 ? QStringLiteral("Служебные сообщения")
                          : QStringLiteral("Переданные");
}

QStringList RegisterReceivedColumns() {
    return {QStringLiteral("Номер"),     QStringLiteral("Время"),         QStringLiteral("Кат."),
            QStringLiteral("Индекс"),    QStringLiteral("Первая строка"), QStringLiteral("Слов"),
            QStringLiteral("Состояние"), QStringLiteral("Файл")};
}

QStringList RegisterServiceColumns() {
    return {QStringLiteral("Номер"), QStringLiteral("Время"), QStringLiteral("Текст"),
            QStringLiteral("Состояние"), QStringLiteral("Файл")};
}

QStringList RegisterSentColumns() {
    return {QStringLiteral("Номер"),  QStringLiteral("Время"),         QStringLiteral("Кат."),
            QStringLiteral("Индекс"), QStringLiteral("Первая строка"), QStringLiteral("Судьба"),
            QStringLiteral("Файл")};
}

QString RegisterStateText(const TRegisterEntry& e) {
    if (e.sent)
        return RegisterFateText(e);
    if (e.fate == TRegisterFate::Receiving)
        return RegisterFateText(e);
    return e.read ? QStringLiteral("прочитана") : QStringLiteral("не прочитана");
}

QStringList RegisterReceivedRow(const TRegisterEntry& e) {
    return {RegisterNumberText(e.number),
            RegisterTimeText(e),
            e.category,
            e.index,
            e.firstLine,
            e.words < 0 ? QString() : QString::number(e.words),
            RegisterStateText(e),
            e.fileName};
}

QStringList RegisterServiceRow(const TRegisterEntry& e) {
    return {RegisterNumberText(e.number), RegisterTimeText(e), e.firstLine, RegisterStateText(e),
            e.fileName};
}

QStringList RegisterSentRow(const TRegisterEntry& e) {
    return {RegisterNumberText(e.number), RegisterTimeText(e), e.category, e.index, e.firstLine,
            RegisterFateText(e),          e.fileName};
}

QByteArray RegisterCsv(const TRegisterDay& day) {
    QString text = QStringLiteral(
        "Направление;Номер;Дата;Время;Категория;Индекс;Первая строка;Слов;Прочитана;"
        "Состояние;Файл\r\n");
    auto row = [&](const TRegisterEntry& e) {
        const QStringList fields{e.sent ? QStringLiteral("передача") : QStringLiteral("прием"),
                                 RegisterNumberText(e.number),
                                 e.time.toString(QStringLiteral("dd.MM.yyyy")),
                                 RegisterTimeText(e),
                                 csvField(e.category, true),
                                 csvField(e.index, true),
                                 csvField(e.firstLine, true),
                                 e.words < 0 ? QString() : QString::number(e.words),
                                 RegisterReadText(e),
                                 RegisterFateText(e),
                                 csvField(e.fileName)};
        text += fields.join(u';') + QStringLiteral("\r\n");
    };
    for (const QList<TRegisterEntry>* list : {&day.received, &day.service, &day.sent})
        for (const TRegisterEntry& e : *list)
            row(e);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString WriteRegisterCsv(const QString& path, const TRegisterDay& day) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(RegisterCsv(day)) >= 0 && file.commit())
        return QString();
    return QStringLiteral("Не удалось записать файл ") + path + QStringLiteral(": ") +
           file.errorString();
}
