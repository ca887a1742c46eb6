#include "editor/addressbook.h"
#include "editor/templates.h"

#include "protocol/protocol.h"
#include "support/protocolevents.h"
#include "support/testhome.h"
#include "util/codepages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TAddressEntry entry(const QString& name, const QString& category, const QString& net,
                    const QString& index, const QStringList& lines = {}) {
    return {name, category, net, index, lines};
}

TEST(AddressBookFile, RoundTripInCodePage1251) {
    const QList<TAddressEntry> book = {
        entry("Москва, Иванову", "П", "01", "141911", {"МОСКВА ИВАНОВУ"}),
        entry("Схема", "ЦП", "02", "123", {"ЛИНИЯ 1", "", "КОМУ"}),
        entry(" в кавычках ", "С", "01", "222222", {"\"ЦИТАТА\"", "  С ОТСТУПОМ"}),
        entry("Без строк", "ПМ", "01", "333333"),
    };
    const QByteArray file = SerializeAddressBook(book);
    // Москва in code page 1251, written out by hand.
    EXPECT_TRUE(file.contains("Name=\xCC\xEE\xF1\xEA\xE2\xE0, \xC8\xE2\xE0\xED\xEE\xE2\xF3\r\n"))
        << file.toStdString();
    EXPECT_TRUE(file.contains("Line2=\r\n"));
    EXPECT_EQ(ParseAddressBook(file), book);
}

TEST(AddressBookFile, ReadsFilesWrittenByHand) {
    const TAddressEntry moscow = entry("Москва", "П", "01", "141911", {"МОСКВА", "ИВАНОВУ"});
    const QList<TAddressEntry> one{moscow};
    const QByteArray utf8 =
        "; by hand\n[Москва]\nname = Москва\nCATEGORY=П\nIndex=141911\n"
        "Line3=ИВАНОВУ\nLine1=МОСКВА\n";
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"UTF-8", utf8},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8},
        {"code page 1251, CR LF", WideToAnsi(QString::fromUtf8(utf8).replace("\n", "\r\n"))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseAddressBook(c.bytes), one) << c.what;
}

TEST(AddressBookFile, DamagedOrEmpty) {
    const struct {
        const char* what;
        QByteArray bytes;
        int entries;  // -1: damaged
    } cases[] = {
        {"empty", "", 0},
        {"comments only", "; nothing\r\n\r\n", 0},
        {"a NUL byte", QByteArray("[A]\r\nName=x\0y\r\n", 15), -1},
        {"UTF-16", Utf16FileBytes("[A]\r\nName=X\r\n"), -1},
        {"a line of no kind", "[A]\r\nName=X\r\nне ini\r\n", -1},
        {"a key before any section", "Name=X\r\n[A]\r\n", -1},
        {"an unclosed section", "[A\r\nName=X\r\n", -1},
        {"two sections of one name", "[A]\nName=X\n[A]\nName=Y\n", 2},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseAddressBook(c.bytes);
        EXPECT_EQ(parsed ? int(parsed->size()) : -1, c.entries) << c.what;
    }
}

TEST(AddressBookFile, EntryProblemsNameTheField) {
    const struct {
        TAddressEntry entry;
        const char* problem;
    } cases[] = {
        {entry("Москва", "П", "01", "141911"), ""},
        {entry("Схема", "Ц", "01", "123"), ""},
        {entry(" ", "П", "01", "141911"), "Поле «Название» не заполнено."},
        {entry("Москва", "", "01", "141911"), "Поле «Категория» не заполнено."},
        {entry("Москва", "П", "1", "141911"), "Поле «Сеть» должно содержать две цифры."},
        {entry("Москва", "П", "01", "14191"), "Поле «Индекс» должно содержать шесть цифр."},
        {entry("Москва", "П", "01", "14191А"), "Поле «Индекс» должно содержать шесть цифр."},
        {entry("Схема", "ЦП", "01", "141911"), "Поле «Схема» должно содержать три цифры."},
        {entry("Москва", "П", "01", "141911", {"ПРИВЕТ ☺"}),
         "Поле «Адресные строки»: знак «☺» не записывается в адресную книгу."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AddressEntryProblem(c.entry), QString::fromUtf8(c.problem)) << c.problem;
}

class AddressBookTest : public ProgramFolderTest {
protected:
    QString path() const { return home.file("addressbook.ini"); }
    TProtocol protocol;
    TAddressBook book{home.file("addressbook.ini"), protocol};
};

TEST_F(AddressBookTest, MissingEmptyAndDamagedGiveOneLineEach) {
    book.Refresh();
    book.Refresh();
    home.write("addressbook.ini", "");
    book.Refresh();
    const QByteArray damaged = "[A]\r\nName=Москва\r\nмусор\r\n";
    home.write("addressbook.ini", damaged);
    EXPECT_EQ(book.Read(), TAddressBook::Load::Damaged);
    const QByteArray damagedAgain = damaged + "ещё\r\n";
    home.write("addressbook.ini", damagedAgain);
    book.Refresh();
    EXPECT_EQ(book.Read(), TAddressBook::Load::Damaged);
    EXPECT_TRUE(book.Entries.isEmpty());
    EXPECT_EQ(
        ProtocolEventsWithLevel(protocol),
        QStringList({"3АДРЕСНАЯ КНИГА НЕ НАЙДЕНА: " + path(), "3АДРЕСНАЯ КНИГА ПУСТА: " + path(),
                     "4АДРЕСНАЯ КНИГА ПОВРЕЖДЕНА, ОТКРЫТА ПУСТОЙ: " + path()}));

    // The next save keeps the damaged file aside before it writes the book.
    book.Entries << entry("Тверь", "С", "01", "222222");
    ASSERT_EQ(book.Save(), "");
    EXPECT_EQ(ReadFileOrMissing(path() + ".bad"), damagedAgain);
    EXPECT_EQ(ParseAddressBook(ReadFileBytes(path())), book.Entries);
    ASSERT_EQ(book.Save(), "");
    EXPECT_FALSE(QFile::exists(path() + ".bad1")) << "one copy, before the first save only";
    EXPECT_TRUE(
        ProtocolEvents(protocol).contains("КОПИЯ ПОВРЕЖДЕННОЙ АДРЕСНОЙ КНИГИ: " + path() + ".bad"));
}

TEST_F(AddressBookTest, NothingWrittenOverABookThatCannotBeKeptAside) {
    QDir().mkpath(path());
    EXPECT_EQ(book.Read(), TAddressBook::Load::Damaged);
    book.Entries << entry("Тверь", "С", "01", "222222");
    EXPECT_EQ(book.Save(), "Адресная книга не записана: повреждённый файл " + path() +
                               " не удалось сохранить в копию " + path() + ".bad.");
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_FALSE(QFileInfo::exists(path() + ".bad"));
}

TEST_F(AddressBookTest, NewFileFollowsTheUmask) {
    const mode_t old = ::umask(0002);
    book.Entries << entry("Тверь", "С", "01", "222222");
    const QString error = book.Save();
    ::umask(old);
    EXPECT_EQ(error, "");
    EXPECT_EQ(FileMode(path()), 0664) << "a folder for every operator must share the book";
}

TEST(SentDestination, HeaderAndFirstLine) {
    const struct {
        const char* text;
        const char* header;  // DestinationHeader, "" for none
        const char* line;
    } cases[] = {
        {"П141911\r\nМОСКВА  ИВАНОВУ\r\nТЕКСТ\r\n", "П141911", "МОСКВА ИВАНОВУ"},
        {"СМ02 141911\r\n\r\nТВЕРЬ\r\n", "СМ02 141911", "ТВЕРЬ"},
        {"Ц123=123\r\nЛИНИЯ\r\n", "Ц123=123", "ЛИНИЯ"},
        {"П141911\r\n\r\n\r\n\r\nМОСКВА 3 30/01 1200=\r\n\r\nКАЗАНЬ\r\n", "П141911", "КАЗАНЬ"},
        {"П141911\r\n", "П141911", ""},
        {"Ц123=124\r\nЛИНИЯ\r\n", "", ""},
        {"П123=123\r\nЛИНИЯ\r\n", "", ""},
        {"П14191\r\nМОСКВА\r\n", "", ""},
        {"ССС ПРИНЯТО\r\n", "", ""},
    };
    for (const auto& c : cases) {
        const std::optional<TAddressEntry> d = SentDestination(QString::fromUtf8(c.text));
        EXPECT_EQ(d ? DestinationHeader(*d) : QString(), QString::fromUtf8(c.header)) << c.text;
        EXPECT_EQ(d ? d->Lines.value(0) : QString(), QString::fromUtf8(c.line)) << c.text;
    }
}

class SentArchiveTest : public ProgramFolderTest {
protected:
    // A telegram filed as sent on the day so many days before 30 January.
    void sent(int daysBack, const QString& name, const QString& text, bool unicode = false) {
        const QString day = QDate(2026, 1, 30).addDays(-daysBack).toString("MMdd");
        const QString crlf = QString(text).replace("\n", "\r\n");
        home.write("out/" + day + "/" + day + name,
                   unicode ? Utf16FileBytes(crlf) : WideToAnsi(crlf));
    }
    QStringList ranked(const QList<TDestination>& list) {
        QStringList out;
        for (const TDestination& d : list)
            out << DestinationText(d);
        return out;
    }
    QList<TDestination> merged() {
        return MergeDestinations(book, archive.Scan("out/", "mmdd", QDate(2026, 1, 30)));
    }

    TSentDestinations archive;
    const QList<TAddressEntry> book = {
        entry("Иванов", "П", "01", "141911", {"Москва  Иванову"}),
        entry("Тверь", "С", "01", "222222"),
        entry("Новый", "П", "01", "555555"),
        entry("Плохой", "П", "01", "12345", {"МОСКВА ИВАНОВУ"}),
    };
};

TEST_F(SentArchiveTest, CompletionRanksByUse) {
    const std::pair<int, const char*> moscow[] = {
        {0, "q100.100"}, {3, "q101.101"}, {29, "q102.102"}, {29, "q103.103"}, {29, "q104.104"}};
    for (const auto& [back, name] : moscow)
        sent(back, name, "П141911\nМОСКВА ИВАНОВУ\nТЕКСТ");
    sent(1, "q001.001", "П02 141911\nМОСКВА ПЕТРОВУ");
    sent(1, "q002.002", "П02 141911\nМОСКВА ПЕТРОВУ", true);
    sent(2, "q001.001", "П02 141911\nМОСКВА ПЕТРОВУ");
    sent(2, "q002.002", "П141911\nМОСКВА СМИРНОВУ");
    for (const char* name : {"q010.010", "q011.011"}) {
        sent(4, name, "С222222\nТВЕРЬ СИДОРОВУ");
        sent(5, name, "С222222\nТВЕРЬ КУЗНЕЦОВУ");
    }
    for (const char* name : {"q020.020", "q021.021", "q022.022"})
        sent(6, name, "Ц123=123\nЛИНИЯ");
    for (const char* name : {"q030.030", "q031.031", "q032.032"})
        sent(7, name, "П444444\nКАЗАНЬ");
    sent(8, "q033.033", "П444444\n\n\n\nМОСКВА 3 30/01 1200=\n\nКАЗАНЬ");
    // Not counted: too old, refused by the centre, still waiting, a service telegram.
    sent(30, "q040.040", "П333333\nОМСК");
    sent(0, "q041.b041", "П333333\nОМСК");
    home.write("out/0130q042", WideToAnsi(u"П333333\r\nОМСК\r\n"));
    sent(0, "q043.SSS", "ССС П333333\nОМСК");

    const QStringList expected = {
        "П141911  Москва  Иванову — Иванов  (5)",
        "С222222 — Тверь  (4)",
        "П444444  КАЗАНЬ  (4)",
        "Ц123=123  ЛИНИЯ  (3)",
        "П02 141911  МОСКВА ПЕТРОВУ  (3)",
        "П141911  МОСКВА СМИРНОВУ  (1)",
        "П555555 — Новый",
    };
    const QList<TDestination> all = merged();
    EXPECT_EQ(ranked(all), expected);
    const struct {
        TCompletionField field;
        const char* typed;
        QList<int> rows;  // of expected
    } cases[] = {
        {TCompletionField::Index, "14", {0, 4, 5}},     {TCompletionField::Index, "1419111", {}},
        {TCompletionField::Index, "1", {0, 4, 5}},      {TCompletionField::Schema, "12", {3}},
        {TCompletionField::FirstLine, "мо", {0, 4, 5}}, {TCompletionField::FirstLine, "м", {}},
        {TCompletionField::FirstLine, "тв", {1}},       {TCompletionField::FirstLine, "нов", {6}},
    };
    for (const auto& c : cases) {
        QStringList rows;
        for (int row : c.rows)
            rows << expected.at(row);
        EXPECT_EQ(ranked(CompletionCandidates(all, c.field, QString::fromUtf8(c.typed))), rows)
            << c.typed;
    }

    // A telegram filed since the last look counts at once.
    sent(0, "q050.050", "П444444\nКАЗАНЬ");
    EXPECT_EQ(ranked(merged()).at(1), "П444444  КАЗАНЬ  (5)") << "after the book's of as many";
}

class TemplateTest : public ProgramFolderTest {};

TEST_F(TemplateTest, ReadInEveryEncodingWithinTheLimit) {
    const QString text = QStringLiteral("МОСКВА ИВАНОВУ\r\nПРИБЫВАЮ {\r\n");
    const QString memo = QStringLiteral("МОСКВА ИВАНОВУ\nПРИБЫВАЮ {\n");
    const struct {
        const char* name;
        QByteArray bytes;
        TTemplateText::Result result;
        QString text;
    } cases[] = {
        {"1251", WideToAnsi(text), TTemplateText::Result::Read, memo},
        {"866", WideToCp866(text), TTemplateText::Result::Read, memo},
        {"utf16", Utf16FileBytes(text), TTemplateText::Result::Read, memo},
        {"utf8", text.toUtf8(), TTemplateText::Result::Read, memo},
        {"utf8bom", "\xEF\xBB\xBF" + text.toUtf8(), TTemplateText::Result::Read, memo},
        {"framed", WideToAnsi(u"ЗЦЗЦ  ") + WideToAnsi(text) + WideToAnsi(u"НННН  \r\n"),
         TTemplateText::Result::Read, memo + u'\n'},
        {"4999", QByteArray(4997, 'A') + "\r\n", TTemplateText::Result::Read,
         QString(4997, u'A') + u'\n'},
        {"5000", QByteArray(4998, 'A') + "\r\n", TTemplateText::Result::TooLong, ""},
        {"2600 in UTF-16", Utf16FileBytes(QString(2600, u'Я')), TTemplateText::Result::Read,
         QString(2600, u'Я')},
    };
    for (const auto& c : cases) {
        home.write(c.name, c.bytes);
        const TTemplateText read = ReadTemplate(home.file(c.name));
        EXPECT_EQ(read.result, c.result) << c.name;
        if (c.result == TTemplateText::Result::Read) {
            EXPECT_EQ(read.text, c.text) << c.name;
        }
    }
    EXPECT_EQ(ReadTemplate(home.file("missing")).result, TTemplateText::Result::Unreadable);
}

TEST_F(TemplateTest, SavedAndListed) {
    const QString folder = TemplateFolder(home.path());
    EXPECT_TRUE(ListTemplates(folder).isEmpty());
    EXPECT_TRUE(QDir(folder).exists()) << "made when missing";
    ASSERT_EQ(SaveTemplate(folder, "приказ", u"ТЕКСТ\nДВА", true), "");
    ASSERT_EQ(SaveTemplate(folder, "Б", u"Я", false), "");
    home.write("tpl/а.txt", "x");
    home.write("tpl/В рукописи", "x");
    home.write("tpl/.скрытый", "x");
    EXPECT_EQ(ReadFileBytes(folder + "приказ.txt"), "\xD2\xC5\xCA\xD1\xD2\r\n\xC4\xC2\xC0\r\n");
    EXPECT_EQ(ReadFileBytes(folder + "Б.txt"), QByteArray("\xFF\xFE\x2F\x04\r\0\n\0", 8));
    QStringList names;
    for (const TTemplate& t : ListTemplates(folder))
        names << t.Name;
    EXPECT_EQ(names, QStringList({"а", "Б", "В рукописи", "приказ"}));
    for (const char* bad : {"", " ", ".скрытый", "a/b"})
        EXPECT_FALSE(TemplateNameProblem(QString::fromUtf8(bad)).isEmpty()) << bad;
}

}  // namespace
