#include "exchange/telegramstore.h"

#include "config/filesizelimit.h"
#include "exchangesupport.h"
#include "protocol/protocol.h"
#include "util/codepages.h"
#include "util/fileops.h"
#include "util/linecode.h"

#include <QDir>

namespace {

struct RecordingStoreHost : ITelegramStoreHost {
    void StoreFailed(const QString& path) override { failures << path; }
    void ReceivedFileChanged() override { ++changes; }
    void PrintStoredTelegram(const QStringList& lines) override { printed << lines; }
    QStringList failures;
    int changes = 0;
    QList<QStringList> printed;
};

class TelegramStoreTest : public ProgramFolderTest {
protected:
    TelegramStoreTest() {
        protocol.SetFileName("0130.prt");
        QDir().mkpath(home.file("inp/0130"));
    }
    QByteArray Read(const QString& name) const {
        return ReadFileBytes(home.file("inp/0130/" + name));
    }
    QStringList Names() const { return QDir(home.file("inp/0130")).entryList(QDir::Files); }
    // Saves and completes one telegram the way the exchange does.
    bool Store(const QString& name, const LineText& body, const LineText& trailer) {
        const QString base = store.WorkingBase("inp/0130/" + name);
        return store.SaveTelegram(base + ".rcv", body, false) &&
               store.CompleteTelegram(base, trailer);
    }

    _tlg_config config;
    TProtocol protocol;
    RecordingStoreHost host;
    TTelegramStore store{config, protocol, host};
};

TEST_F(TelegramStoreTest, AnsiTelegramFromOpenToComplete) {
    const LineText body = L(u"#045 |СР5 142215\r\nТЕКСТ\r\n");
    ASSERT_TRUE(store.SaveTelegram("inp/0130/0130q215.045.rcv", body, false));
    EXPECT_EQ(Names(), (QStringList{"0130q215.045.rcv", "0130q215.045.rcvtlg"}));
    EXPECT_EQ(AnsiToWide(Read("0130q215.045.rcv")), "ЗЦЗЦ 045 СР5 142215\r\nТЕКСТ\r\n");
    EXPECT_EQ(Read("0130q215.045.rcvtlg"), body) << "the raw copy keeps the marks";
    EXPECT_TRUE(HasArchiveMark(home.file("inp/0130/0130q215.045.rcv")));

    ASSERT_TRUE(store.CompleteTelegram("inp/0130/0130q215.045", L(u"НННН  #0130 14.30")));
    EXPECT_EQ(Names(), (QStringList{"0130q215.045", "0130q215.045.tlg"}));
    EXPECT_EQ(AnsiToWide(Read("0130q215.045")), "ЗЦЗЦ 045 СР5 142215\r\nТЕКСТ\r\nНННН  0130 14.30");
    EXPECT_EQ(Read("0130q215.045.tlg"), body);
    EXPECT_TRUE(HasArchiveMark(home.file("inp/0130/0130q215.045")));
    EXPECT_EQ(host.changes, 2);
    EXPECT_TRUE(host.failures.isEmpty());
}

TEST_F(TelegramStoreTest, UnicodeTelegramIsAStringListInUtf16) {
    config.SaveTlgAnsi = false;
    ASSERT_TRUE(
        store.SaveTelegram("inp/0130/0130q215.045.rcv", L(u"045 СР5\rТЕКСТ\nКОНЕЦ"), false));
    EXPECT_EQ(Read("0130q215.045.rcv"), Utf16FileBytes("ЗЦЗЦ 045 СР5\r\nТЕКСТ\r\nКОНЕЦ\r\n"));
    ASSERT_TRUE(store.CompleteTelegram("inp/0130/0130q215.045", L(u"НННН  0130")));
    EXPECT_EQ(Read("0130q215.045"),
              Utf16FileBytes("ЗЦЗЦ 045 СР5\r\nТЕКСТ\r\nКОНЕЦ\r\nНННН  0130\r\n"));
    EXPECT_EQ(Names(), (QStringList{"0130q215.045", "0130q215.045.tlg"}));
}

TEST_F(TelegramStoreTest, AnEmptyCompletionSucceedsInBothModes) {
    for (bool ansi : {true, false}) {
        config.SaveTlgAnsi = ansi;
        const QString name = ansi ? "0130q001.001" : "0130q001.002";
        ASSERT_TRUE(Store(name, L(u"001 ТЕКСТ"), LineText()));
        EXPECT_TRUE(Names().contains(name));
        EXPECT_FALSE(Names().contains(name + ".rcv"));
    }
    EXPECT_EQ(AnsiToWide(Read("0130q001.001")), "ЗЦЗЦ 001 ТЕКСТ");
    EXPECT_EQ(Read("0130q001.002"), Utf16FileBytes("ЗЦЗЦ 001 ТЕКСТ\r\n"));
}

TEST_F(TelegramStoreTest, TheSameNameTwiceNeverLosesTheFirst) {
    for (bool ansi : {true, false}) {
        for (bool append : {true, false}) {
            SCOPED_TRACE(std::string(ansi ? "ansi" : "unicode") + (append ? " append" : ""));
            QDir(home.file("inp/0130")).removeRecursively();
            QDir().mkpath(home.file("inp/0130"));
            config.SaveTlgAnsi = ansi;
            config.OutputInAppendMode = append;
            ASSERT_TRUE(Store("0130q215.045", L(u"045 ПЕРВАЯ\r\n"), L(u"НННН  1")));
            ASSERT_TRUE(Store("0130q215.045", L(u"045 ВТОРАЯ\r\n"), L(u"НННН  2")));
            const QString first = "ЗЦЗЦ 045 ПЕРВАЯ\r\nНННН  1";
            const QString second = "ЗЦЗЦ 045 ВТОРАЯ\r\nНННН  2";
            auto text = [&](const QString& s) {
                return ansi ? Cp866ToCp1251(WideToLine(s)) : Utf16FileBytes(s + "\r\n").mid(2);
            };
            const QByteArray mark = ansi ? QByteArray() : QByteArray("\xFF\xFE", 2);
            if (append) {
                EXPECT_EQ(Names(), (QStringList{"0130q215.045", "0130q215.045.tlg"}));
                const QByteArray gap = ansi ? QByteArray("\r\n") : QByteArray();
                EXPECT_EQ(Read("0130q215.045"), mark + text(first) + gap + text(second));
                EXPECT_EQ(Read("0130q215.045.tlg"), L(u"045 ПЕРВАЯ\r\n045 ВТОРАЯ\r\n"));
            } else {
                EXPECT_EQ(Names(), (QStringList{"0130q215.045", "0130q215.045.0",
                                                "0130q215.045.0.tlg", "0130q215.045.tlg"}));
                EXPECT_EQ(Read("0130q215.045"), mark + text(first));
                EXPECT_EQ(Read("0130q215.045.0"), mark + text(second));
                EXPECT_EQ(Read("0130q215.045.0.tlg"), L(u"045 ВТОРАЯ\r\n"));
            }
        }
    }
}

TEST_F(TelegramStoreTest, AFileOfTheOtherEncodingIsNotAppendedTo) {
    ASSERT_TRUE(Store("0130q215.045", L(u"045 ПЕРВАЯ"), LineText()));
    config.SaveTlgAnsi = false;
    ASSERT_TRUE(Store("0130q215.045", L(u"045 ВТОРАЯ"), LineText()));
    EXPECT_EQ(AnsiToWide(Read("0130q215.045")), "ЗЦЗЦ 045 ПЕРВАЯ");
    EXPECT_EQ(Read("0130q215.045.0"), Utf16FileBytes("ЗЦЗЦ 045 ВТОРАЯ\r\n"));
}

TEST_F(TelegramStoreTest, TheCompletionFollowsTheEncodingOfItsWorkingFile) {
    ASSERT_TRUE(store.SaveTelegram("inp/0130/0130q215.045.rcv", L(u"045 ТЕКСТ"), false));
    config.SaveTlgAnsi = false;
    ASSERT_TRUE(store.CompleteTelegram("inp/0130/0130q215.045", L(u"НННН  ")));
    EXPECT_EQ(AnsiToWide(Read("0130q215.045")), "ЗЦЗЦ 045 ТЕКСТНННН  ");
}

// A telegram left open (a failed completion) and a new one of the same name:
// the completion always works on the file the save wrote.
TEST_F(TelegramStoreTest, ATelegramLeftOpenAndANewOneOfItsName) {
    const struct {
        const char* what;
        bool append;
        bool openInUnicode;  // the settings changed to ANSI since it was saved
        const char* base;
        const char* completed;
    } cases[] = {
        {"without appending", false, false, "0130q215.045.0", "ЗЦЗЦ 045 НОВАЯ"},
        {"appended in its encoding", true, false, "0130q215.045",
         "ЗЦЗЦ 045 ОТКРЫТАЯ\r\nЗЦЗЦ 045 НОВАЯ"},
        {"another encoding", true, true, "0130q215.045.0", "ЗЦЗЦ 045 НОВАЯ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(home.file("inp/0130")).removeRecursively();
        QDir().mkpath(home.file("inp/0130"));
        config.OutputInAppendMode = c.append;
        config.SaveTlgAnsi = !c.openInUnicode;
        ASSERT_TRUE(store.SaveTelegram("inp/0130/0130q215.045.rcv", L(u"045 ОТКРЫТАЯ"), false));
        const QByteArray open = Read("0130q215.045.rcv");
        config.SaveTlgAnsi = true;
        EXPECT_EQ(store.WorkingBase("inp/0130/0130q215.045"), QString("inp/0130/") + c.base);
        ASSERT_TRUE(Store("0130q215.045", L(u"045 НОВАЯ"), LineText()));
        EXPECT_EQ(AnsiToWide(Read(c.base)), QString::fromUtf8(c.completed));
        if (QString(c.base) != "0130q215.045") {
            EXPECT_EQ(Read("0130q215.045.rcv"), open) << "the open one is left as it was";
            EXPECT_FALSE(Names().contains("0130q215.045.rcv.0"));
        }
    }
}

TEST_F(TelegramStoreTest, MakeUniqueCountsOn) {
    EXPECT_EQ(TTelegramStore::MakeUnique(home.file("a")), home.file("a"));
    home.write("a", "1");
    home.write("a.0", "2");
    EXPECT_EQ(TTelegramStore::MakeUnique(home.file("a")), home.file("a.1"));
}

TEST_F(TelegramStoreTest, RegisterMarksStayWhenAsked) {
    config.SaveRegisterInTlg = true;
    ASSERT_TRUE(Store("0130q215.045", L(u"#045 |ТЕКСТ"), L(u"НННН  #1")));
    EXPECT_EQ(AnsiToWide(Read("0130q215.045")), "ЗЦЗЦ #045 |ТЕКСТНННН  #1");
}

TEST(CorrectLayout, ShapesThatAreAndAreNotCorrected) {
    const struct {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {
        // Address, text and signature get blank lines between them.
        {u"ЗЦЗЦ 001 ПМ12 141911\r\nМОСКВА ИВАНОВУ= ТЕКСТ =ЕЩЕ=\r\n ПЕТРОВ-\r\n",
         u"ЗЦЗЦ 001 ПМ12 141911\r\n\n\nМОСКВА ИВАНОВУ=\r\n\nТЕКСТ =\r\n\nЕЩЕ=\r\nПЕТРОВ-\n\n"},
        // "(" lines and the А/О line belong to the header; indentation stays.
        {u"ЗЦЗЦ 001\r\n(ВХ 12)\r\n  (ИСХ 7)\r\nА/О 5\r\n\r\n   МОСКВА=ТЕКСТ=ЕЩЕ=ПЕТРОВ-",
         u"ЗЦЗЦ 001\r\n(ВХ 12)\r\n  (ИСХ 7)\r\nА/О 5\r\n\n\n   "
         u"МОСКВА=\r\n\nТЕКСТ=\r\n\nЕЩЕ=\r\nПЕТРОВ-\n\n"},
        // A dash inside the signature is copied; the last one ends the text,
        // keeping the character right after it.
        {u"ЗЦЗЦ 1\r\nА=Б=В=ИВАНОВ-ПЕТРОВ-Я\r\n",
         u"ЗЦЗЦ 1\r\n\n\nА=\r\n\nБ=\r\n\nВ=\r\nИВАНОВ-ПЕТРОВ-Я\n\n"},
        // Not corrected: four "=", an "=" in the header, no dash after the third.
        {u"ЗЦЗЦ 1\r\nА=Б=В=Г=Д-", u"ЗЦЗЦ 1\r\nА=Б=В=Г=Д-"},
        {u"ЗЦЗЦ 1=2\r\nА=Б=В-", u"ЗЦЗЦ 1=2\r\nА=Б=В-"},
        {u"ЗЦЗЦ 1\r\nА-Б=В=Г", u"ЗЦЗЦ 1\r\nА-Б=В=Г"},
        {u"ЗЦЗЦ 1\r\nА=Б", u"ЗЦЗЦ 1\r\nА=Б"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineToWide(CorrectLayout(LineLiteral(c.in))), QString::fromUtf16(c.out))
            << QString::fromUtf16(c.in).toStdString();
}

TEST_F(TelegramStoreTest, LongTextsAreNotCorrected) {
    const LineText shape = L(u"001\r\nА=Б=В=ПЕТРОВ-");
    ASSERT_TRUE(store.SaveTelegram("inp/0130/a.rcv", shape, true));
    EXPECT_TRUE(AnsiToWide(Read("a.rcv")).contains("А=\r\n\n"));
    const LineText longer = shape + LineText(6000 - shape.size() - 5, ' ');
    ASSERT_TRUE(store.SaveTelegram("inp/0130/b.rcv", longer, true));
    EXPECT_TRUE(AnsiToWide(Read("b.rcv")).contains("А=Б=В="));
}

TEST_F(TelegramStoreTest, AutomaticPrintingBySchemeNumber) {
    config.AutoPrintTlg = true;
    SchemaCopyTable schema;
    schema.fill(2);
    schema[123] = 3;
    schema[7] = 0;
    store.SetSchemaCopies(&schema);
    const struct {
        const char16_t* header;
        int copies;
    } cases[] = {
        {u"001 СМ123=123 7", 3}, {u"001 СМ124=124 7", 2}, {u"001 СМ123=124 7", 1},
        {u"001 СМ007=007 7", 0}, {u"001 ПМ12 141911", 1}, {u"001 =", 1},
    };
    int n = 0;
    for (const auto& c : cases) {
        host.printed.clear();
        const QString name = QString("t%1").arg(++n);
        ASSERT_TRUE(Store(name, LineLiteral(c.header) + L(u"\r\nТЕКСТ"), LineText()));
        EXPECT_EQ(host.printed.size(), c.copies) << QString::fromUtf16(c.header).toStdString();
        if (c.copies > 0) {
            EXPECT_EQ(host.printed[0][1], "ТЕКСТ");
        }
    }
    int logged = 0;
    for (const LineText& l : protocol.Lines())
        logged += l.contains(L(u"АВТОМАТИЧЕСКАЯ ПЕЧАТЬ СОХРАНЕННОЙ ТЛГ inp/0130/t1")) ? 1 : 0;
    EXPECT_EQ(logged, 3);
}

TEST_F(TelegramStoreTest, AnUnwritableDayFolderIsAFailure) {
    QDir(home.file("inp/0130")).removeRecursively();
    home.write("inp/0130", "not a folder");
    EXPECT_FALSE(store.SaveTelegram("inp/0130/0130q215.045.rcv", L(u"045 ТЕКСТ"), false));
    EXPECT_FALSE(store.CompleteTelegram("inp/0130/0130q215.045", L(u"НННН  ")));
    EXPECT_EQ(host.failures, (QStringList{"inp/0130/0130q215.045.rcv", "inp/0130/0130q215.045"}));
    EXPECT_EQ(host.changes, 0);
    EXPECT_EQ(QDir(home.file("inp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"0130"});
}

TEST_F(TelegramStoreTest, AFullDiskDamagesNothingStored) {
    for (bool ansi : {true, false}) {
        SCOPED_TRACE(ansi ? "ansi" : "unicode");
        QDir(home.file("inp/0130")).removeRecursively();
        QDir().mkpath(home.file("inp/0130"));
        config.SaveTlgAnsi = ansi;
        ASSERT_TRUE(Store("0130q215.045", L(u"045 ПЕРВАЯ\r\n"), L(u"НННН  1")));
        const QByteArray first = Read("0130q215.045");
        const QByteArray body(3000, 'A');
        {
            const FileSizeLimit limit(2000);
            ASSERT_TRUE(limit.active());
            // Appending to the stored telegram, and a new telegram: neither fits.
            EXPECT_FALSE(store.SaveTelegram("inp/0130/0130q215.045", body, false));
            EXPECT_FALSE(store.SaveTelegram("inp/0130/0130q216.046.rcv", body, false));
        }
        EXPECT_EQ(Read("0130q215.045"), first) << "cut back to what it held";
        EXPECT_FALSE(Names().contains("0130q216.046.rcv")) << "no truncated telegram is left";
        EXPECT_EQ(host.failures.size(), 2);
        host.failures.clear();

        // The completion of an open telegram that does not fit leaves it open.
        ASSERT_TRUE(store.SaveTelegram("inp/0130/0130q217.047.rcv", L(u"047 ТЕКСТ"), false));
        const QByteArray open = Read("0130q217.047.rcv");
        {
            const FileSizeLimit limit(open.size() + 4);
            EXPECT_FALSE(store.CompleteTelegram("inp/0130/0130q217.047", LineText(200, 'Z')));
        }
        EXPECT_EQ(Read("0130q217.047.rcv"), open);
        EXPECT_FALSE(Names().contains("0130q217.047"));
        host.failures.clear();
    }
}

}  // namespace
