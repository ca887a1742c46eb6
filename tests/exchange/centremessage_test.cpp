#include "centrestream.h"
#include "exchangesupport.h"
#include "util/codepages.h"

namespace {

class CentreMessageTest : public ExchangeFixture {
protected:
    void Message(const QString& text) { Receive(CentreMessage(text)); }
    void Open() {
        Message("СВЯЗЬ ОТКРЫТА");
        host.calls.clear();
        line.sent.clear();
    }
};

TEST_F(CentreMessageTest, ServiceGroupsAndTheirRequestAge) {
    status.NumberInput = 7;
    const struct {
        int group;
        const char16_t* text;
        int age;
    } cases[] = {
        {TExchange::KG0, u"|ЗЗ ", 1},
        {TExchange::KG1, u"|ЗЦЗЦ КС ВАШ 007=007 НННН  ", 1},
        {TExchange::KG2, u"|ЗЦЗЦ КС СТОП НННН  ", 1},
        {TExchange::KG5, u"|ЗЦЗЦ КС ТЕКСТ НННН  ", 0},
    };
    for (const auto& c : cases) {
        Message("СВЯЗЬ ОТКРЫТА");  // clears the request age
        line.Take();
        exchange.SendServiceGroup(c.group);
        EXPECT_EQ(line.Take(), L(c.text));
        EXPECT_EQ(exchange.RequestAge(), c.age) << c.group;
        EXPECT_EQ(protocol.PendingText(), L(c.text)) << "shown as waiting in the protocol";
        line.sent.clear();
    }
}

TEST_F(CentreMessageTest, ChannelStateWordsCodesAndButtons) {
    const struct {
        const char16_t* word;
        const char* code;
        const char* buttons;  // КГ1 КГ2 КГ4: 1 on, 0 off, - unchanged
    } cases[] = {
        {u"РБ", "РБ", "011"},       {u"БА", "БА", "10-"}, {u"ОТКРЫТА", "РБ", "011"},
        {u"ОТКРОЙТЕ", "БА", "10-"}, {u"БД", "БД", "000"}, {u"ОТКРЫТИЯ", "БА", "10-"},
        {u"ЗАКРЫТА", "БД", "000"},  {u"БВ", "БВ", "000"}, {u"БР", "БР", "001"},
    };
    QString shown;
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.word).toStdString());
        host.calls.clear();
        const int events = Events().size();
        exchange.SetChannelState(L(c.word));
        EXPECT_EQ(exchange.ChannelCaption(), c.code);
        EXPECT_EQ(host.Calls("EnableServiceButtons"),
                  QStringList{QString("EnableServiceButtons ") + c.buttons});
        if (shown != c.code) {
            EXPECT_EQ(host.Calls("ShowChannelState"),
                      QStringList{QString("ShowChannelState ") + c.code});
            EXPECT_EQ(Events().mid(events), QStringList{QString("РЕЖИМ: ") + c.code});
        } else {
            EXPECT_TRUE(host.Calls("ShowChannelState").isEmpty())
                << "the same code is not shown again";
            EXPECT_EQ(Events().size(), events);
        }
        shown = c.code;
    }
    host.calls.clear();
    exchange.SetChannelState(L(u"НЕИЗВЕСТНО"));
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_EQ(exchange.ChannelState(), TExchange::StateBR);
}

TEST_F(CentreMessageTest, LeavingWorkWhileClosingShortensTheWait) {
    exchange.SetChannelState(L(u"РБ"));
    status.CloseCountdown = 9;
    exchange.SetChannelState(L(u"БА"));
    EXPECT_EQ(status.CloseCountdown, 2);
    exchange.SetChannelState(L(u"РБ"));
    status.CloseCountdown = 9;
    exchange.SetChannelState(L(u"БД"));
    EXPECT_EQ(status.CloseCountdown, 9);
}

TEST_F(CentreMessageTest, ALostLineShowsБАAndForgetsTheState) {
    exchange.SetChannelState(L(u"РБ"));
    line.connected = false;
    exchange.Tick();
    EXPECT_EQ(exchange.ChannelCaption(), "БА");
    EXPECT_EQ(exchange.ChannelState(), TExchange::StateNone);
    EXPECT_EQ(Events().last(), "РЕЖИМ: БА");
}

TEST_F(CentreMessageTest, ReceiptRequestsAndNumberingAnnouncement) {
    Message("ЗАПРОСИТЕ КВИТАНЦИЮ");
    EXPECT_EQ(line.Take(), L(u"|ЗЗ "));
    EXPECT_FALSE(status.NumberingHold);
    Message("ЗАПРОСИТЕ КВИТАНЦИЮ СМЕНА НУМЕРАЦИИ В 0000");
    EXPECT_EQ(line.Take(), L(u"|ЗЗ "));
    EXPECT_TRUE(status.NumberingHold);
}

TEST_F(CentreMessageTest, ReportsAndNumberingChangesAreHandedOn) {
    status.NumberInput = 7;
    status.NumberOutput = 5;
    exchange.SendServiceGroup(TExchange::KG0);
    line.Take();
    Message("ВАШ 005 НАШ 007 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА");
    EXPECT_EQ(exchange.RequestAge(), 0);
    EXPECT_EQ(exchange.CentreCountYours(), 5);
    EXPECT_EQ(exchange.CentreCountOurs(), 7);
    EXPECT_EQ(exchange.ChannelCaption(), "РБ");
    EXPECT_EQ(Events().mid(Events().size() - 2), (QStringList{"ПОЛУЧЕНЫ СЧЕТЧИКИ", "РЕЖИМ: РБ"}));

    exchange.SendServiceGroup(TExchange::KG0);
    line.Take();
    const int events = Events().size();
    Message("ВАШ 5 НАШ 007");
    EXPECT_EQ(exchange.RequestAge(), 0) << "any report answers the request";
    EXPECT_EQ(Events().size(), events) << "numbers that are not three digits are not read";
    EXPECT_EQ(exchange.CentreCountYours(), 5);

    Message("СМЕНА НУМЕРАЦИИ ПРИН 0005 ПЕР 0007 С 0000");
    EXPECT_EQ(line.Take(), L(u"|ЗЦЗЦ КС ВАШ 007=007 НННН  "));
    EXPECT_EQ(status.NumberInput, 0);
    EXPECT_EQ(status.NumberOutput, 0);
}

TEST_F(CentreMessageTest, OpenTheLinkAsksOrStepsBack) {
    Message("ОТКРОЙТЕ СВЯЗЬ");
    EXPECT_EQ(line.Take(), L(u"|ЗЗ "));
    status.CloseCountdown = 5;
    Message("ОТКРОЙТЕ СВЯЗЬ");
    EXPECT_TRUE(line.Take().isEmpty()) << "not while closing";
    status.CloseCountdown = 0;

    Open();
    exchange.SetMode(false);
    Message("ОТКРОЙТЕ СВЯЗЬ");
    EXPECT_TRUE(line.Take().isEmpty());
    EXPECT_EQ(exchange.ChannelCaption(), "БА");
}

TEST_F(CentreMessageTest, LinkAndWaitWords) {
    exchange.SendServiceGroup(TExchange::KG0);
    line.Take();
    exchange.Queue().SetScanCountdown(30);
    Message("СВЯЗЬ ОТКРЫТА");
    EXPECT_EQ(exchange.ChannelCaption(), "РБ");
    EXPECT_EQ(exchange.RequestAge(), 0);
    EXPECT_EQ(exchange.Queue().ScanCountdown(), 5) << "the next scan comes sooner";
    exchange.Queue().SetScanCountdown(2);
    Message("СВЯЗЬ РБ");
    EXPECT_EQ(exchange.Queue().ScanCountdown(), 2) << "but never later";

    Message("ЖДУ ОТКРЫТИЯ СВЯЗИ");
    EXPECT_EQ(exchange.ChannelCaption(), "БА");
    EXPECT_EQ(line.Take(), L(u"|ЗЗ "));
    Message("ЖДУ БД СВЯЗИ");
    EXPECT_EQ(exchange.ChannelCaption(), "БД");
    EXPECT_TRUE(line.Take().isEmpty());
    Message("ЖДУ ОТКРЫТИЯ");
    Message("ЖДУ РБ ОТВЕТА");
    EXPECT_EQ(exchange.ChannelCaption(), "БД") << "only with the word СВЯЗИ";
    status.CloseCountdown = 5;
    Message("ЖДУ ОТКРЫТИЯ СВЯЗИ");
    EXPECT_TRUE(line.Take().isEmpty()) << "not while closing";
}

TEST_F(CentreMessageTest, CounterCorrectionFromTheCentre) {
    status.NumberInput = 3;
    Message("ОБРАЩАЙТЕСЬ В КСС ЗА 004-010");
    EXPECT_EQ(status.NumberInput, 10);
    EXPECT_EQ(Events().last(), "Корректировка счетчиков 3=>10");
    EXPECT_EQ(host.Calls("ShowOperatorMessage"),
              QStringList{"ShowOperatorMessage ОБРАЩАЙТЕСЬ В КСС ЗА 004-010\r\n"});
    Message("ОБРАЩАЙТЕСЬ В КСС ЗА 004-012");
    EXPECT_EQ(status.NumberInput, 10) << "only when the first number is the next one";
    EXPECT_EQ(host.Calls("ShowOperatorMessage").size(), 2);
}

TEST_F(CentreMessageTest, DistortionOnlyInTheWorkingState) {
    status.NumberOutput = 5;
    Message("ИСКАЖЕНИЕ 005 ВАШ 004");
    EXPECT_TRUE(status.Automatic);
    Open();
    Message("ИСКАЖЕНИЕ 005 ВАШ 004");
    EXPECT_FALSE(status.Automatic);
    EXPECT_EQ(exchange.ChannelCaption(), "БА");
    EXPECT_EQ(status.NumberOutput, 5) << "nothing was being sent: the count stays";
}

TEST_F(CentreMessageTest, CategoryAnnouncementAndTheConfirmationOfР) {
    Message("ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ ТЛГ");
    EXPECT_EQ(host.Calls("ShowCategoryAlert").size(), 1);
    host.calls.clear();
    Message("ПОДТВЕРДИТЕ ПРИЕМ Р |005");
    EXPECT_EQ(exchange.ChannelCaption(), "БР");
    EXPECT_EQ(host.Calls("CloseCategoryAlert").size(), 1);
    EXPECT_EQ(host.Calls("OpenConfirmation"),
              QStringList{"OpenConfirmation ПОДТВЕРДИТЕ ПРИЕМ Р 005\r\n"})
        << "the words without their register marks";
    EXPECT_LT(host.calls.indexOf("CloseCategoryAlert"), host.calls.indexOf(host.Calls("Open")[0]));
}

TEST_F(CentreMessageTest, ARefusedTelegramStopsAutomaticSending) {
    Open();
    Message("ТЕЛЕГРАММА НЕ ПРИНЯТА");
    EXPECT_FALSE(status.Automatic);
    EXPECT_EQ(exchange.ChannelCaption(), "БА");
}

TEST_F(CentreMessageTest, ServiceMessagesAreStoredOrAccepted) {
    Message("ССС ПРИНЯТО");
    EXPECT_EQ(host.outListRefreshes, 0) << "nothing was being sent";
    Message("ССС |123456 ТЕКСТ СЛУЖЕБНОЙ");
    EXPECT_EQ(AnsiToWide(DayFile("0130c456.SSS")), "ЗЦЗЦ ССС 123456 ТЕКСТ СЛУЖЕБНОЙ\r\n");
    EXPECT_EQ(DayFile("0130c456.SSStlg"), L(u"ССС |123456 ТЕКСТ СЛУЖЕБНОЙ\r\n"));
    EXPECT_EQ(status.NumberInput, 0);
    EXPECT_TRUE(line.sent.isEmpty());
    Message("ССС 123456 ЕЩЕ");
    EXPECT_EQ(AnsiToWide(DayFile("0130c456.SSS")),
              "ЗЦЗЦ ССС 123456 ТЕКСТ СЛУЖЕБНОЙ\r\nЗЦЗЦ ССС 123456 ЕЩЕ\r\n")
        << "appended by default";
    Message("ССС ТЕКСТ");
    EXPECT_EQ(line.Take(), L(u"|ЗЦЗЦ КС СТОП НННН  "));
}

TEST_F(CentreMessageTest, OtherWordsChangeNothing) {
    Message("ПОВТОР ОКОНЧЕН");
    Message("НЕИЗВЕСТНОЕ СООБЩЕНИЕ");
    Message("");
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_TRUE(line.sent.isEmpty());
    EXPECT_TRUE(InpFiles().isEmpty());
}

TEST_F(CentreMessageTest, AFailureWhileHandlingIsShownAndTheStreamGoesOn) {
    host.alertFails = true;
    Message("ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ");
    EXPECT_EQ(host.boxes, QStringList{"ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ\r\n"});
    EXPECT_TRUE(host.Calls("ShowErrorBox Error ").size() == 1);
    EXPECT_TRUE(Events().last().startsWith("ОШИБКА:ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ"))
        << Events().last().toStdString();
    Message("СВЯЗЬ ОТКРЫТА");
    EXPECT_EQ(exchange.ChannelCaption(), "РБ");
}

TEST_F(CentreMessageTest, CentreMessagesArePrintedWhenAsked) {
    config.AutoPrintMsg = true;
    Receive(L(u"\r\nЗЦЗЦ ПОВТОР ОКОНЧЕН\r\nНННН  #1430 0130\r\n"));
    EXPECT_EQ(host.Calls("PrintCentreMessage"),
              QStringList{"PrintCentreMessage ЗЦЗЦ ПОВТОР ОКОНЧЕН\r\n НННН  #1430\r\n"});
    host.calls.clear();
    Receive(CentreTelegram(1, "ПМ12 141911 7 12 1430", "ТЕКСТ") + CentreTrailer(1, 0));
    EXPECT_TRUE(host.Calls("PrintCentreMessage").isEmpty()) << "telegrams are not";
}

}  // namespace
