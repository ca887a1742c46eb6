#include "exchange/receiveparser.h"

#include "centrestream.h"
#include "config/settings.h"
#include "exchangesupport.h"
#include "util/codepages.h"
#include "util/fileops.h"

#include <QDir>
#include <QRandomGenerator>

namespace {

class ReceiveParserTest : public ExchangeFixture {
protected:
    // A telegram of the form 001 ПМ12 141911 7 ..., numbered n.
    LineText Example(int n) {
        return CentreTelegram(n, "ПМ12 141911 7 12 1430", "МОСКВА ИВАНОВУ\r\nТЕКСТ");
    }
    // KG2 groups sent so far.
    int StopGroups() const { return line.sent.count(LineLiteral(u"|ЗЦЗЦ КС СТОП НННН  ")); }
    QString Ansi(const QString& name) const { return AnsiToWide(DayFile(name)); }
};

TEST_F(ReceiveParserTest, TheExampleTelegramIsStoredCountedAndCompleted) {
    Receive(Example(1) + CentreTrailer(1, 0));

    const QString expected =
        "ЗЦЗЦ 001 ПМ12 141911 7 12 1430\r\nМОСКВА ИВАНОВУ\r\nТЕКСТ\r\n"
        "НННН  0130 14.30 0001";
    EXPECT_EQ(Ansi("0130u911.001"), expected);
    EXPECT_EQ(DayFile("0130u911.001.tlg"),
              L(u"001 ПМ12 141911 7 12 1430\r\nМОСКВА ИВАНОВУ\r\nТЕКСТ\r\n"));
    EXPECT_EQ(InpFiles().keys(), (QStringList{"0130/0130u911.001", "0130/0130u911.001.tlg"}));
    EXPECT_TRUE(HasArchiveMark(home.file("inp/0130/0130u911.001"))) << "new files are unread";

    EXPECT_EQ(status.NumberInput, 1);
    EXPECT_EQ(exchange.CentreCountOurs(), 1);
    _tlg_config savedConfig;
    _tlg_status saved;
    SchemaCopyTable schema;
    _tlg_controls controls;
    LoadSettings(home.file("korvel.ini"), home.path(), savedConfig, saved, schema, controls);
    EXPECT_EQ(saved.NumberInput, 1) << "the counter is persisted";
    EXPECT_EQ(StopGroups(), 0);
    EXPECT_EQ(exchange.NotesCountdown(), 0);
    EXPECT_TRUE(
        Events().contains("ТЕЛЕГРАММА СОХРАНЕНА " + config.InpPath + "0130/0130u911.001.rcv"));
    EXPECT_EQ(host.listRefreshes, 2) << "after the save and after the completion";
}

TEST_F(ReceiveParserTest, HeaderFormsNameAndCountTheTelegram) {
    struct Case {
        const char16_t* header;
        int ccm;
        bool servicePlace;
        const char* name;
        bool counted;
        int stops;
    };
    const Case cases[] = {
        {u"ПМ12 141911 7 12 1430", 0, false, "0130u911.001", true, 0},
        {u"СР5 142215 12 5 0930", 0, false, "0130q215.001", true, 0},
        {u"БЛ7 100203 1 2 0800", 0, false, "0130u203.001", true, 0},
        {u"П123 456 7 1200", 0, false, "0130u456.001", true, 0},
        {u"СМ045=045 7 141911 3", 0, false, "0130q911.001", true, 0},
        {u"СМ045=045 7 ТЕКСТ", 0, false, "0130q000.001", true, 0},
        {u"СМ045=046 7 141911 3", 0, false, "0130q911.001", true, 1},
        {u"12345678 123456/123456", 1, false, "0130u.001", true, 0},
        {u"12345678 123456/123456", 0, false, "0130u.001", false, 1},
        {u"ТЕКСТ БЕЗ ЗАГОЛОВКА", 0, true, "0130u.001", true, 0},
        {u"ТЕКСТ БЕЗ ЗАГОЛОВКА", 0, false, "0130u.001", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.header).toStdString());
        QDir(home.file("inp/0130")).removeRecursively();
        QDir().mkpath(home.file("inp/0130"));
        line.sent.clear();
        status.NumberInput = 0;
        config.Ccm = c.ccm;
        config.ServicePlace = c.servicePlace;
        Receive(CentreTelegram(1, QString::fromUtf16(c.header), "ТЕКСТ") + CentreTrailer(1, 0));
        EXPECT_TRUE(InpFiles().contains(QString("0130/") + c.name))
            << InpFiles().keys().join(' ').toStdString();
        EXPECT_EQ(status.NumberInput, c.counted ? 1 : 0);
        EXPECT_EQ(StopGroups(), c.stops);
    }
}

TEST_F(ReceiveParserTest, OutOfSequenceTelegramIsStoredButNotCounted) {
    status.NumberInput = 3;
    Receive(Example(5) + CentreTrailer(5, 0));
    EXPECT_FALSE(DayFile("0130u911.005").isEmpty());
    EXPECT_EQ(status.NumberInput, 3);
    EXPECT_EQ(StopGroups(), 1);
    EXPECT_EQ(exchange.RequestAge(), 1) << "КГ2 waits for the centre's answer";

    status.NumberInput = 999;
    Receive(Example(0) + CentreTrailer(0, 0));
    EXPECT_EQ(status.NumberInput, 0) << "the count runs modulo 1000";
    EXPECT_EQ(StopGroups(), 1);
}

TEST_F(ReceiveParserTest, AnEndMarkSplitAcrossChunksLosesNothing) {
    const LineText stream = Example(1) + CentreTrailer(1, 0);
    const qsizetype cut = stream.indexOf(L(u"НННН  ")) + 3;
    exchange.OnLineReceive(stream.left(cut));
    EXPECT_TRUE(InpFiles().isEmpty());
    exchange.OnLineReceive(stream.mid(cut));
    EXPECT_TRUE(Ansi("0130u911.001").endsWith("ТЕКСТ\r\nНННН  0130 14.30 0001"));
}

TEST_F(ReceiveParserTest, NinePassesPerChunk) {
    LineText ten;
    for (int i = 0; i < 10; ++i)
        ten += CentreMessage("ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ");
    exchange.OnLineReceive(ten);
    EXPECT_EQ(host.Calls("ShowCategoryAlert").size(), 9);
    exchange.OnLineReceive("\r\n");
    EXPECT_EQ(host.Calls("ShowCategoryAlert").size(), 10);
    exchange.OnLineReceive(ten + ten);
    EXPECT_EQ(host.Calls("ShowCategoryAlert").size(), 19);
    exchange.Tick();
    EXPECT_EQ(host.Calls("ShowCategoryAlert").size(), 28)
        << "the tick goes on where the chunk stopped";
    exchange.Tick();
    EXPECT_EQ(host.Calls("ShowCategoryAlert").size(), 30);

    // A telegram and its trailer take two of the nine passes.
    host.calls.clear();
    LineText mixed = Example(1) + CentreTrailer(1, 0);
    for (int i = 0; i < 8; ++i)
        mixed += CentreMessage("ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ");
    exchange.OnLineReceive(mixed);
    EXPECT_FALSE(DayFile("0130u911.001").isEmpty());
    EXPECT_EQ(host.Calls("ShowCategoryAlert").size(), 7);
}

TEST(ParseTrailer, GroupsAndWhenTheyAreDecided) {
    struct Case {
        const char16_t* buffer;
        const char16_t* trailer;
        bool decided;
    };
    const Case cases[] = {
        {u"", u"", false},
        {u"НН", u"", false},
        {u"НННН ", u"", false},
        {u"ЗЦЗЦ ", u"", true},
        {u"НННЖ", u"", true},
        {u"НННН  ", u"НННН  ", false},  // the end mark stays, however the wait ends
        {u"НННН  0130 14.30 0001", u"НННН  0130 14.30 0001", true},
        {u"НННН  0130 14.30 0001\r\n", u"НННН  0130 14.30 0001", true},
        {u"НННН  0130 14.30 00", u"НННН  0130 14.30", false},
        {u"НННН  0130 14.3", u"НННН  0130", false},
        {u"НННН  0130 14:30 0001", u"НННН  0130", true},
        {u"НННН  0130\r\n", u"НННН  0130", true},
        {u"НННН  #0130 14.30 0001", u"НННН  #0130 14.30 0001", true},
        {u"НННН  #", u"НННН  #", false},
        {u"НННН  #\r\n", u"НННН  #", true},
        {u"НННН  \r\n", u"НННН  ", true},
        {u"НННН  ЗЦЗЦ ", u"НННН  ", true},
        {u"НННН  1 ", u"НННН  ", true},
    };
    for (const Case& c : cases) {
        const TTrailer t = ParseTrailer(LineLiteral(c.buffer));
        EXPECT_EQ(t.text, LineLiteral(c.trailer)) << QString::fromUtf16(c.buffer).toStdString();
        EXPECT_EQ(t.decided, c.decided) << QString::fromUtf16(c.buffer).toStdString();
    }
}

TEST_F(ReceiveParserTest, TheLastTrailerGroupCutByTheLineIsWaitedFor) {
    const LineText stream = Example(1) + L(u"0130 14.30 0001\r\n");
    const qsizetype cut = stream.indexOf(L(u" 0001")) + 3;  // "... 00|01"
    exchange.OnLineReceive(stream.left(cut));
    EXPECT_GT(exchange.NotesCountdown(), 0) << "a group still open is not appended";
    EXPECT_EQ(exchange.PendingTrailer(), L(u"НННН  0130 14.30"));
    exchange.OnLineReceive(stream.mid(cut));
    EXPECT_TRUE(Ansi("0130u911.001").endsWith("НННН  0130 14.30 0001"));
}

TEST_F(ReceiveParserTest, ATelegramFollowedAtOnceByTheNextOneGetsAnEmptyTrailer) {
    Receive(Example(1) + Example(2).mid(2) + CentreTrailer(2, 0));
    EXPECT_TRUE(Ansi("0130u911.001").endsWith("ТЕКСТ\r\nНННН  ")) << "nothing of the next message";
    EXPECT_TRUE(Ansi("0130u911.002").endsWith("НННН  0130 14.30 0002"));
    EXPECT_EQ(status.NumberInput, 2);
}

TEST_F(ReceiveParserTest, TheWaitRunsOutWithTheTrailerSoFar) {
    config.TlgTimeOut = 3;
    Receive(Example(1) + L(u"0130 14.3"));
    EXPECT_EQ(exchange.NotesCountdown(), 3);
    status.FoldersReady = false;
    for (int i = 0; i < 5; ++i)
        exchange.Tick();
    EXPECT_EQ(exchange.NotesCountdown(), 3) << "without folders the wait stands still";
    status.FoldersReady = true;
    exchange.Tick();
    exchange.Tick();
    EXPECT_TRUE(DayFile("0130u911.001").isEmpty());
    exchange.Tick();
    EXPECT_TRUE(Ansi("0130u911.001").endsWith("ТЕКСТ\r\nНННН  0130"));
}

TEST_F(ReceiveParserTest, AWaitOfNoSecondsStillCompletesTheTelegram) {
    config.TlgTimeOut = 0;
    Receive(Example(1));
    exchange.Tick();
    EXPECT_FALSE(DayFile("0130u911.001").isEmpty());
}

TEST_F(ReceiveParserTest, ARestartInsideABodyKeepsTheNumberOfTheNewMessage) {
    Receive(L(u"ЗЦЗЦ 001 ПМ12 1419") + Example(2).mid(2) + CentreTrailer(2, 0));
    EXPECT_EQ(InpFiles().keys(), (QStringList{"0130/0130u911.002", "0130/0130u911.002.tlg"}));
    EXPECT_TRUE(Ansi("0130u911.002").startsWith("ЗЦЗЦ 002 ПМ12"));
}

TEST_F(ReceiveParserTest, ClockStampsReachTheClock) {
    config.CorrectTime = true;
    config.Ccm = 1;
    Receive(CentreMessage("СВЯЗЬ ОТКРЫТА").chopped(2) + L(u"#12.30\r\n"));
    EXPECT_EQ(clock.setRequests, 1);
    EXPECT_EQ(clock.lastRequest.time(), QTime(12, 30));

    config.Ccm = 0;
    Receive(CentreMessage("СВЯЗЬ ОТКРЫТА").chopped(2) + L(u"#1315\r\n"));
    EXPECT_EQ(clock.lastRequest.time(), QTime(13, 15));
    Receive(CentreMessage("СВЯЗЬ ОТКРЫТА").chopped(2) + L(u"#14.00\r\n"));
    EXPECT_EQ(clock.setRequests, 2) << "the other centre type's shape is no stamp";
    config.CorrectTime = false;
    Receive(CentreMessage("СВЯЗЬ ОТКРЫТА").chopped(2) + L(u"#1400\r\n"));
    EXPECT_EQ(clock.setRequests, 2);
}

TEST_F(ReceiveParserTest, TheAnswerbackWaitsForAServiceButton) {
    config.TextAA = "141911 ПОСТ";
    exchange.OnLineReceive("\x05");
    EXPECT_TRUE(line.sent.isEmpty());
    EXPECT_TRUE(protocol.Lines().last().endsWith("\x05"));
    exchange.ArmAnswerback();
    exchange.OnLineReceive("\x05");
    EXPECT_EQ(line.sent, L(u"141911 ПОСТ"));
    EXPECT_TRUE(protocol.Lines().last().endsWith("$")) << "the ENQ shows as $";
    exchange.OnLineReceive("\x05\x05");
    EXPECT_EQ(line.sent, L(u"141911 ПОСТ")) << "only a chunk of exactly one ENQ";
}

TEST_F(ReceiveParserTest, ReceiptsOfEachCentreType) {
    config.CheckTlgNotes = true;
    for (int ccm : {0, 1, 2}) {
        SCOPED_TRACE(ccm);
        config.Ccm = ccm;
        const int n = status.NumberInput + 1;
        Receive(Example(n) + CentreTrailer(n, ccm));
        EXPECT_GT(exchange.NotesCountdown(), 0) << "the receipt is awaited";
        const LineText receipt = CentreReceipt(n, ccm);
        Receive(receipt);
        EXPECT_EQ(exchange.NotesCountdown(), 0);
        const QString file = Ansi(QString("0130u911.00%1").arg(n));
        // The receipt text up to its closing mark and one character more.
        const LineText expectedEnd =
            L(u"НННН  ") + CentreTrailer(n, ccm) + receipt.left(receipt.size() - 1);
        EXPECT_TRUE(file.endsWith(LineToWide(StripRegisterMarks(expectedEnd))))
            << file.toStdString();
    }
}

TEST_F(ReceiveParserTest, AReceiptCutBeforeItsClosingGroupEndsAtTheNextMessage) {
    config.CheckTlgNotes = true;
    config.Ccm = 0;
    Receive(Example(1) + CentreTrailer(1, 0) + L(u"-------------\r\nР А С П И С К А\r\n001") +
            Example(2).mid(2) + CentreTrailer(2, 0) + L(u"-------------\r\n"));
    EXPECT_TRUE(Events().contains("РАСПИСКА НЕ РАСПОЗНАНА"));
    EXPECT_TRUE(Ansi("0130u911.001").endsWith("ТЕКСТ\r\nНННН  0130 14.30 0001"));
    EXPECT_EQ(status.NumberInput, 2);
}

TEST_F(ReceiveParserTest, AReceiptThatNeverComesEndsWithTheWait) {
    config.CheckTlgNotes = true;
    config.Ccm = 1;
    config.TlgTimeOut = 10;
    Receive(Example(1) + CentreTrailer(1, 1));
    EXPECT_EQ(exchange.PendingTrailer(), L(u"НННН  #0130 14.30 0001"));
    RunOutNotes();
    EXPECT_TRUE(Ansi("0130u911.001").endsWith("НННН  0130 14.30 0001"))
        << "the figures-shift mark goes with the other register marks";
}

TEST_F(ReceiveParserTest, CategoryAlertSoundAndForwarding) {
    config.SoundCategories = {L(u"Т"), L(u"ПМ")};
    config.ReSendEnable = true;
    config.ReSendHeader = "ПЕРЕАДРЕСОВКА";
    Receive(Example(1) + CentreTrailer(1, 0));
    EXPECT_EQ(host.Calls("ShowCategoryAlert").size(), 1);
    EXPECT_EQ(host.Calls("ForwardTelegram"),
              QStringList{"ForwardTelegram ПЕРЕАДРЕСОВКА\r\n001 ПМ12 141911 7 12 1430\r\n"
                          "МОСКВА ИВАНОВУ\r\nТЕКСТ\r\n"});

    host.calls.clear();
    config.OType = 2;
    config.OFile = "arrive.wav";
    Receive(CentreTelegram(2, "СР5 142215 12 5 0930", "ТЕКСТ") + CentreTrailer(2, 0));
    EXPECT_EQ(host.Calls("Play"), QStringList{"PlaySound arrive.wav"});
    config.OType = 1;
    Receive(CentreTelegram(3, "СР5 142215 12 5 0930", "ТЕКСТ") + CentreTrailer(3, 0));
    EXPECT_EQ(host.Calls("Beep").size(), 1);

    host.calls.clear();
    Receive(CentreTelegram(9, "СР5 142215 12 5 0930", "ТЕКСТ") + CentreTrailer(9, 0));
    EXPECT_TRUE(host.Calls("Beep").isEmpty()) << "an uncounted telegram makes no sound";
    EXPECT_TRUE(host.Calls("Forward").isEmpty());
}

TEST_F(ReceiveParserTest, LayoutCorrectionOnlyForCategoriesWithoutK) {
    config.CorrectInputTlg = true;
    Receive(CentreTelegram(1, "СР5 142215 12 5 0930", "МОСКВА=ТЕКСТ=ЕЩЕ=ПЕТРОВ-") +
            CentreTrailer(1, 0));
    Receive(CentreTelegram(2, "КТ12 143301 20 4 1000", "МОСКВА=ТЕКСТ=ЕЩЕ=ПЕТРОВ-") +
            CentreTrailer(2, 0));
    EXPECT_TRUE(Ansi("0130q215.001").contains("МОСКВА=\r\n\n"));
    EXPECT_TRUE(Ansi("0130q301.002").contains("МОСКВА=ТЕКСТ="));
}

TEST_F(ReceiveParserTest, AFailedSaveStopsTheCentreAndLeavesTheCountAlone) {
    QDir(home.file("inp/0130")).removeRecursively();
    home.write("inp/0130", "a file where the day folder should be");
    Receive(Example(1) + CentreTrailer(1, 0));
    EXPECT_EQ(status.NumberInput, 0);
    EXPECT_FALSE(status.Automatic);
    // КГ2 from the failed save and from the telegram left uncounted, then
    // from the failed completion and from its caller.
    EXPECT_EQ(StopGroups(), 4);
    const QString text = " ОШИБКА СОХРАНЕНИЯ ТЛГ В ФАЙЛЕ " + config.InpPath + "0130/0130u911.001";
    EXPECT_EQ(host.boxes, (QStringList{text + ".rcv", text}));
    EXPECT_TRUE(Events().contains(text + ".rcv")) << Events().join('\n').toStdString();
    EXPECT_EQ(ReadFileOrMissing(home.file("inp/0130")), "a file where the day folder should be");
}

TEST_F(ReceiveParserTest, GarbageNeverGrowsTheBufferAndTheNextTelegramArrives) {
    QRandomGenerator random(7);
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    qsizetype largest = 0;
    for (int round = 0; round < 48; ++round) {  // three megabytes
        for (char& c : noise)
            c = char(random.bounded(256));
        for (qsizetype at = 0; at < noise.size(); at += 1024)
            exchange.OnLineReceive(noise.mid(at, 1024));
        largest = qMax<qsizetype>(largest, exchange.ReceiveBuffer().size());
    }
    EXPECT_LE(largest, TExchange::kJunkLimit + 1024);

    // An opened message that never closes, NULs and 0xFF runs in it.
    exchange.OnLineReceive(L(u"ЗЦЗЦ 005 ") + QByteArray(4096, '\0'));
    for (int i = 0; i < 1100; ++i) {
        exchange.OnLineReceive(QByteArray(1024, '\xFF'));
        largest = qMax<qsizetype>(largest, exchange.ReceiveBuffer().size());
    }
    EXPECT_LE(largest, TExchange::kOpenMessageLimit + 1024);
    EXPECT_TRUE(Events().last().startsWith("ОТБРОШЕНО СООБЩЕНИЕ БЕЗ ОКОНЧАНИЯ"));

    // A body of 100 KB is stored whole, readable text and raw copy, and the
    // next telegram after it too.
    const QString big = QString(100 * 1024, u'Ж');
    Receive(CentreTelegram(1, "СР5 142215 12 5 0930", big) + CentreTrailer(1, 0) + Example(2) +
            CentreTrailer(2, 0));
    EXPECT_EQ(AnsiToWide(DayFile("0130q215.001")),
              "ЗЦЗЦ 001 СР5 142215 12 5 0930\r\n" + big + "\r\nНННН  0130 14.30 0001");
    EXPECT_GT(DayFile("0130q215.001.tlg").size(), 100 * 1024);
    EXPECT_FALSE(DayFile("0130u911.002").isEmpty());
    EXPECT_EQ(status.NumberInput, 2);
}

TEST_F(ReceiveParserTest, NulBytesInABodyDoNotCutTheReadableText) {
    LineText stream = CentreTelegram(1, "СР5 142215 12 5 0930", "ДО@ПОСЛЕ") + CentreTrailer(1, 0);
    stream.replace('@', '\0');
    Receive(stream);
    EXPECT_EQ(Ansi("0130q215.001"),
              "ЗЦЗЦ 001 СР5 142215 12 5 0930\r\nДО ПОСЛЕ\r\nНННН  0130 14.30 0001");
    EXPECT_TRUE(DayFile("0130q215.001.tlg").contains(QByteArray("\0", 1) + L(u"ПОСЛЕ")));
}

TEST_F(ReceiveParserTest, ADisconnectionLosesThePartialMessageOnly) {
    const LineText stream = Example(1) + CentreTrailer(1, 0);
    exchange.OnLineReceive(stream.left(20));
    exchange.LineStatusChanged(false, QString());
    Receive(Example(1) + CentreTrailer(1, 0));
    EXPECT_EQ(Ansi("0130u911.001").count("ЗЦЗЦ"), 1);
}

// A run stopped (killed, the power gone) between the raw copy and the
// readable file of a save: the next start makes the readable file from the
// raw bytes, on the day the run worked and on today's; whole files and
// open telegrams are left as they are.
class ReceiveRestartTest : public BareExchangeFixture {};

// What a stop (a kill, a power cut, the end of the session) leaves of the
// received telegrams of the day the last run worked on and of today: every
// one reaches the operator under its final name, readable text and raw copy,
// once; a readable file the stop kept from being written is made from the
// raw copy; one that still cannot be completed is named.
TEST_F(ReceiveRestartTest, WhatAStopLeftOpenIsCompletedAtTheNextStart) {
    const LineText body = L(u"045 |СР5 142215\r\nТЕКСТ\r\n");
    const QByteArray readable = WideToAnsi(u"ЗЦЗЦ 045 СР5 142215\r\nТЕКСТ\r\n");
    const QByteArray service = L(u"ССС 000123 ПРИНЯТА\r\n");
    const QByteArray done50 = WideToAnsi(u"ЗЦЗЦ 050 СР5\r\nТЕКСТ\r\nНННН  0130 14.30 0050");
    const QString done51 = QStringLiteral("ЗЦЗЦ 051 СР5\r\nТЕКСТ\r\n");
    QMap<QString, QByteArray> before = {
        {"0129/0129q215.045.rcvtlg", body},  // stopped before the readable file
        {"0130/0130q215.045.rcv", {}},       // stopped before its first byte
        {"0130/0130q215.045.rcvtlg", body},
        {"0130/0130c123.SSStlg", service},           // a centre message, final at once
        {"0130/0130q215.046.rcv", "ZCZC 046 OPEN"},  // waiting for its trailer
        {"0130/0130q215.046.rcvtlg", body},
        {"0130/0130q215.047", "ZCZC 047 DONE"},
        {"0130/0130q215.047.tlg", body},
        {"0130/0130q215.048.0", "ZCZC 048 DONE"},  // stopped before the raw copy's
        {"0130/0130q215.048.rcvtlg", body},        //   final name
        {"0130/0130q215.049", "ZCZC 049 OLDER"},   // an earlier one of that name
        {"0130/0130q215.049.rcvtlg", body},
        // Appended to an earlier one of its name, stopped before the working
        // files went: code page 1251 ...
        {"0130/0130q215.050", "ZCZC 050 OLDER\r\n" + done50},
        {"0130/0130q215.050.tlg", "RAW 050 OLDER"},
        {"0130/0130q215.050.rcv", done50},
        {"0130/0130q215.050.rcvtlg", body},
        // ... and UTF-16, whose trailer is not in the working file.
        {"0130/0130q215.051", Utf16FileBytes(done51 + "НННН  0130 14.30 0051\r\n")},
        {"0130/0130q215.051.rcv", Utf16FileBytes(done51)},
        {"0130/0130q215.052/x", "a folder where the final file goes"},
        {"0130/0130q215.052.rcv", "ZCZC 052 OPEN"},
        {"0128/0128q215.045.rcvtlg", body},  // no day this run worked on
    };
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        home.write("inp/" + it.key(), it.value());
    const QDateTime saved = QDateTime::currentDateTime().addSecs(-60);
    for (const char* name : {"048.rcvtlg", "049.rcvtlg", "050.rcv", "051.rcv"})
        ASSERT_TRUE(SetWriteTime(home.file("inp/0130/0130q215." + QString(name)), saved));
    ASSERT_TRUE(SetWriteTime(home.file("inp/0130/0130q215.049"), saved.addSecs(-60)));
    status.DayText = "0129";

    ASSERT_TRUE(exchange.CheckFolders());
    status.FoldersReady = true;
    exchange.StartWorkingDay();

    QMap<QString, QByteArray> after = before;
    for (const char* name : {"0129/0129q215.045", "0130/0130q215.045", "0130/0130q215.046",
                             "0130/0130q215.049", "0130/0130q215.050", "0130/0130q215.051"}) {
        after.remove(QString(name) + ".rcv");
        after.remove(QString(name) + ".rcvtlg");
    }
    after.insert("0129/0129q215.045", readable);
    after.insert("0129/0129q215.045.tlg", body);
    after.insert("0130/0130q215.045", readable);
    after.insert("0130/0130q215.045.tlg", body);
    after.insert("0130/0130c123.SSS", WideToAnsi(u"ЗЦЗЦ ССС 000123 ПРИНЯТА\r\n"));
    after.insert("0130/0130q215.046", "ZCZC 046 OPEN");
    after.insert("0130/0130q215.046.tlg", body);
    after.insert("0130/0130q215.049", "ZCZC 049 OLDER\r\n" + readable);
    after.insert("0130/0130q215.049.tlg", body);
    after.insert("0130/0130q215.050.tlg", "RAW 050 OLDER" + body);
    EXPECT_EQ(FilesBelow(home.file("inp")), after);
    EXPECT_TRUE(HasArchiveMark(home.file("inp/0129/0129q215.045")));
    const QString inp = config.InpPath;
    const QString made = "ТЕЛЕГРАММА ВОССТАНОВЛЕНА ПО КОПИИ С ЛИНИИ " + inp;
    EXPECT_EQ(Events().filter("ВОССТАНОВЛЕНА"),
              (QStringList{made + "0129/0129q215.045.rcv", made + "0130/0130c123.SSS",
                           made + "0130/0130q215.045.rcv", made + "0130/0130q215.049.rcv"}));
    const QString completed = "ТЕЛЕГРАММА ЗАВЕРШЕНА ПОСЛЕ ОСТАНОВА (БЕЗ ОКОНЧАНИЯ) " + inp;
    QStringList expected = {completed + "0129/0129q215.045"};
    for (const char* n : {"045", "046", "049", "050", "051"})
        expected << completed + "0130/0130q215." + n;
    expected << "ТЕЛЕГРАММА НЕ ЗАВЕРШЕНА, ОСТАЛАСЬ В ФАЙЛЕ " + inp + "0130/0130q215.052.rcv";
    EXPECT_EQ(Events().filter("ЗАВЕРШЕНА"), expected);
    EXPECT_EQ(status.NumberInput, 0) << "the centre refers the operator to what is not counted";
}

}  // namespace
