// The register of a generated day: every fate, both encodings, a gap on
// each side of a numbering change and a service message; the export read
// back; and the gaps of the numberings a day can hold.

#include "register/register.h"
#include "register/registerfiles.h"
#include "register/registertext.h"
#include "support/registerday.h"
#include "support/testhome.h"

#include <gtest/gtest.h>

namespace {

// The register's fields of an entry in the export's order, without the date.
QStringList Fields(const TRegisterEntry& e) {
    return {e.sent ? "передача" : "прием",
            RegisterNumberText(e.number),
            RegisterTimeText(e),
            e.category,
            e.index,
            e.firstLine,
            e.words < 0 ? QString() : QString::number(e.words),
            RegisterReadText(e),
            RegisterFateText(e),
            e.fileName};
}

QList<QStringList> ExpectedRows() {
    QList<QStringList> rows;
    for (const TRegisterDayFile& f : RegisterDayFiles())
        if (!f.row.isEmpty())
            rows << f.row;
    return rows;
}

// A CSV text as an office program splits it: fields at ";" outside quotes,
// doubled quotes inside, rows at CR LF.
QList<QStringList> ParseCsv(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"')
                field += text.at(++i);
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            row << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

TEST(Register, AGeneratedDayInBothEncodings) {
    for (const bool flip : {false, true}) {
        SCOPED_TRACE(flip ? "encodings swapped" : "as generated");
        TestHome home;
        MakeRegisterDay(home, flip);
        TRegisterSources sources;
        sources.inpPath = home.file("inp");
        sources.outPath = home.file("out");
        const TRegisterDay day = ReadRegisterDay(sources, kRegisterDay);
        ASSERT_TRUE(day.exists);
        EXPECT_EQ(day.dayText, "0130");

        QList<QStringList> rows;
        for (const QList<TRegisterEntry>* list : {&day.received, &day.service, &day.sent})
            for (const TRegisterEntry& e : *list)
                rows << Fields(e);
        EXPECT_EQ(rows, ExpectedRows());

        EXPECT_EQ(RegisterGapsText(day),
                  "Пропущены номера ЦКС: до смены нумерации 116; после смены нумерации 003");
        EXPECT_EQ(RegisterTotalsLines(day),
                  QStringList({"Принято телеграмм: 6 (принята: 5, принимается: 1; прочитано: 1, "
                               "не прочитано: 5); служебных сообщений: 1",
                               "Передано телеграмм: 8 (подтверждена: 2, счетчики не совпали: 1, "
                               "служебная принята: 1, искажена: 2, не подтверждена ЦКС: 2); "
                               "не передано: 2 (не читается: 1, ожидает отправки: 1)",
                               "По категориям: принятые — ПМ: 1, СР: 3, Ц: 2; переданные — П: 3, "
                               "ПМ: 1, СР: 1, ССС: 2, Ц: 1"}));
        const std::array<int, 24> receivedPerHour{3, 1, 1, 1};
        const std::array<int, 24> sentPerHour{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2};
        EXPECT_EQ(day.receivedPerHour, receivedPerHour);
        EXPECT_EQ(day.sentPerHour, sentPerHour);

        const QList<TRegisterDayTotal> strip = ReadRegisterStrip(sources, kRegisterDay, 3);
        ASSERT_EQ(strip.size(), 3);
        EXPECT_EQ(strip[0].date, QDate(2026, 1, 28));
        EXPECT_EQ(QList<int>({strip[0].received, strip[1].received, strip[2].received}),
                  QList<int>({0, 2, 6}));
        EXPECT_EQ(QList<int>({strip[0].sent, strip[1].sent, strip[2].sent}), QList<int>({0, 0, 8}));
        EXPECT_EQ(RegisterDays(sources, kRegisterDay),
                  QList<QDate>({kRegisterDay, kRegisterDay.addDays(-1)}));

        // The export, read back as an office program reads it.
        const QByteArray csv = RegisterCsv(day);
        ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> parsed = ParseCsv(QString::fromUtf8(csv.mid(3)));
        ASSERT_EQ(parsed.size(), ExpectedRows().size() + 1);
        EXPECT_EQ(parsed[0].join(u';'),
                  "Направление;Номер;Дата;Время;Категория;Индекс;Первая строка;Слов;Прочитана;"
                  "Состояние;Файл");
        for (qsizetype i = 1; i < parsed.size(); ++i) {
            QStringList fields = parsed[i];
            ASSERT_EQ(fields.size(), 11) << i;
            EXPECT_EQ(fields.takeAt(2), "30.01.2026") << i;
            EXPECT_EQ(fields, ExpectedRows()[i - 1]) << i;
        }
    }
}

TEST(Register, FieldsThatOfficeProgramsWouldMisread) {
    TRegisterDay day;
    TRegisterEntry e;
    e.time = QDateTime(kRegisterDay, QTime(9, 5));
    e.firstLine = "=СУММ(А1); \"ИТОГ\"";
    e.fileName = "0130q001.001";
    day.received << e;
    const QList<QStringList> rows = ParseCsv(QString::fromUtf8(RegisterCsv(day).mid(3)));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].value(6), "'=СУММ(А1); \"ИТОГ\"");
}

TEST(Register, TheGapsOfTheNumberingsOfADay) {
    QList<int> longDay;
    for (int n = 1; n <= 999; ++n)
        if (n != 500)
            longDay << n;
    longDay << 0 << 1 << 3;
    const struct {
        const char* what;
        QList<int> before;  // the day before, in the order filed
        QList<int> today;
        const char* gaps;
    } rows[] = {
        {"a plain day", {}, {1, 2, 4, 5}, "Пропущены номера ЦКС: 003"},
        {"a telegram sent again fills its gap", {}, {1, 2, 4, 3, 5}, "Пропусков в номерах ЦКС нет"},
        {"the first one lost and sent later", {}, {2, 3, 4, 1, 5}, "Пропусков в номерах ЦКС нет"},
        {"a repeat keeps the numbering", {}, {1, 2, 3, 1, 4}, "Пропусков в номерах ЦКС нет"},
        {"past 999 the numbers go on from 000", {}, longDay, "Пропущены номера ЦКС: 500, 002"},
        {"the old numbering's end after midnight, the day before unknown",
         {},
         {117, 118, 1, 2, 4},
         "Пропущены номера ЦКС: после смены нумерации 003"},
        {"the old numbering's end after midnight, the day before known",
         {110, 114},
         {117, 118, 1},
         "Пропущены номера ЦКС: до смены нумерации 115–116"},
        {"a change before midnight runs on into the day",
         {100, 101, 1, 2},
         {4, 5},
         "Пропущены номера ЦКС: 003"},
        {"a plain day before: the day starts at 001",
         {1, 2, 3},
         {3, 4},
         "Пропущены номера ЦКС: 001–002"},
        {"a change late in the day",
         {},
         {1, 3, 1, 2},
         "Пропущены номера ЦКС: до смены нумерации 002"},
    };
    for (const auto& row : rows) {
        auto numbered = [](const QList<int>& numbers, QDate date) {
            QList<TRegisterNumbered> list;
            QDateTime t(date, QTime(0, 0));
            for (const int n : numbers)
                list.append({n, t = t.addSecs(30)});
            return list;
        };
        TRegisterPreviousDay previous;
        if (!row.before.isEmpty()) {
            const TRegisterGaps before =
                FindRegisterGaps(numbered(row.before, kRegisterDay.addDays(-1)), {});
            previous = {true, before.last, before.numberings > 1};
        }
        const TRegisterGaps gaps = FindRegisterGaps(numbered(row.today, kRegisterDay), previous);
        TRegisterDay day;
        day.gaps = gaps.gaps;
        day.numberings = gaps.numberings;
        EXPECT_EQ(RegisterGapsText(day), QString::fromUtf8(row.gaps)) << row.what;
    }
}

}  // namespace
