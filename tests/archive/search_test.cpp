// The search over a small archive of three days in both directions.

#include "archive/search.h"
#include "support/testhome.h"
#include "util/codepages.h"

#include <gtest/gtest.h>

namespace {

const QDate kDays[] = {QDate(2026, 1, 28), QDate(2026, 1, 29), QDate(2026, 1, 30)};

// Each day: an ordinary telegram with the index in its first line and a
// word of text, an urgent one with the index in its second line written at
// 23:59:30, a telegram of a single line with its raw copy, a file that is
// not a telegram; and a sent telegram.
void MakeArchive(const TestHome& home, bool unicode) {
    auto put = [&](const QString& path, const QString& text, QTime written, bool asUnicode) {
        home.write(path, asUnicode ? Utf16FileBytes(text) : WideToAnsi(text));
        ASSERT_TRUE(SetWriteTime(
            home.file(path),
            QDateTime(QDate::fromString(path.mid(4, 4) + "2026", "MMddyyyy"), written)));
    };
    for (const QDate d : kDays) {
        const QString day = d.toString("MMdd");
        put("inp/" + day + "/" + day + "u911.001",
            "ЗЦЗЦ 001 ПМ12 141911 7 12 1430\r\nТЕКСТ ПРОВЕРКА СВЯЗИ\r\nНННН\r\n", QTime(10, 0),
            unicode);
        put("inp/" + day + "/" + day + "q141.002", "ЗЦЗЦ 002 СР\r\n141911 ОТ ЦЕНТРА\r\nНННН\r\n",
            QTime(23, 59, 30), unicode);
        // In a Unicode archive, files written before the switch stay 8-bit.
        put("inp/" + day + "/" + day + "u911.003", "ОДНА СТРОКА 141911 ПРОВЕРКА", QTime(12, 0),
            false);
        put("inp/" + day + "/" + day + "u911.003.tlg", "ПРОВЕРКА", QTime(12, 0), false);
        put("inp/" + day + "/readme", "ПРОВЕРКА", QTime(12, 0), false);
        put("out/" + day + "/" + day + "q000.004", "ПМ12 141911\r\nИСХОДЯЩАЯ ПРОВЕРКА\r\n",
            QTime(11, 0), unicode);
    }
}

QStringList Names(const TSearchQuery& q) {
    std::atomic<bool> stop{false};
    QStringList names;
    const bool completed = RunSearch(q, stop, [&](const QList<TSearchHit>& hits) {
        for (const TSearchHit& h : hits)
            names << h.folder.section(u'/', -3, -2) + u'/' + h.name;
    });
    EXPECT_TRUE(completed);
    return names;
}

TEST(Search, TheQueriesOfTheTabFindWhatTheyShould) {
    for (const bool unicode : {false, true}) {
        TestHome home;
        MakeArchive(home, unicode);
        auto query = [&] {
            TSearchQuery q;
            q.from = q.to = kDays[2];
            q.inpPath = home.file("inp/");
            q.outPath = home.file("out/");
            q.ansi = !unicode;
            return q;
        };
        const struct {
            const char* what;
            std::function<void(TSearchQuery&)> set;
            QStringList names;
        } rows[] = {
            {"the defaults: today's received telegrams, in name order",
             [](TSearchQuery&) {},
             {"inp/0130/0130q141.002", "inp/0130/0130u911.001", "inp/0130/0130u911.003"}},
            {"three days of both directions, received first",
             [](TSearchQuery& q) {
                 q.from = kDays[0];
                 q.output = true;
                 q.searchText = QStringLiteral("ПРОВЕРКА");
             },
             {"inp/0128/0128u911.001", "inp/0128/0128u911.003", "inp/0129/0129u911.001",
              "inp/0129/0129u911.003", "inp/0130/0130u911.001", "inp/0130/0130u911.003",
              "out/0128/0128q000.004", "out/0129/0129q000.004", "out/0130/0130q000.004"}},
            {"22:00 to 06:00 finds nothing",
             [](TSearchQuery& q) {
                 q.timeFrom = QTime(22, 0);
                 q.timeTo = QTime(6, 0);
             },
             {}},
            {"23:59:30 is outside a window ending 23:59",
             [](TSearchQuery& q) { q.timeTo = QTime(23, 59); },
             {"inp/0130/0130u911.001", "inp/0130/0130u911.003"}},
            {"index 141: the name by category only, 141 in the first two lines",
             [](TSearchQuery& q) {
                 q.indexPattern = SearchIndexPattern(QStringLiteral("141"));
                 q.indexText = QStringLiteral("141");
             },
             {"inp/0130/0130q141.002", "inp/0130/0130u911.001"}},
            {"index 141911: the name's last three digits too",
             [](TSearchQuery& q) {
                 q.indexPattern = SearchIndexPattern(QStringLiteral("141911"));
                 q.indexText = QStringLiteral("141911");
             },
             {"inp/0130/0130u911.001"}},
            {"ordinary only",
             [](TSearchQuery& q) { q.category = SearchCategory(true, false); },
             {"inp/0130/0130u911.001", "inp/0130/0130u911.003"}},
            {"no category checked finds both",
             [](TSearchQuery& q) { q.category = SearchCategory(false, false); },
             {"inp/0130/0130q141.002", "inp/0130/0130u911.001", "inp/0130/0130u911.003"}},
            {"lower case misses capitals",
             [](TSearchQuery& q) { q.searchText = QStringLiteral("проверка"); },
             {}},
            {"text and index together",
             [](TSearchQuery& q) {
                 q.searchText = QStringLiteral("ЦЕНТРА");
                 q.indexText = QStringLiteral("141911");
             },
             {"inp/0130/0130q141.002"}},
        };
        for (const auto& row : rows) {
            TSearchQuery q = query();
            row.set(q);
            EXPECT_EQ(Names(q), row.names) << row.what << (unicode ? " (Unicode)" : " (ANSI)");
        }
    }
}

TEST(Search, TheQueryPartsOfTheControls) {
    EXPECT_EQ(SearchCategory(true, true), u'?');
    EXPECT_EQ(SearchCategory(false, true), u'q');
    const struct {
        const char* field;
        const char* pattern;
    } rows[] = {{"", "???"}, {"141", "???"}, {"1419", "9??"}, {"141911", "911"}, {"141X1", "?1?"}};
    for (const auto& row : rows)
        EXPECT_EQ(SearchIndexPattern(QString::fromLatin1(row.field)), QLatin1String(row.pattern))
            << row.field;
}

}  // namespace
