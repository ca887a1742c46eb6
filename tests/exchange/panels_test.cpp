// What the exchange's buttons and dialogs do without their windows: the
// service-group buttons, the counters correction, the control service's
// request and the tray picture.

#include "exchange/autokss.h"
#include "exchange/counterscorrection.h"
#include "exchange/servicebuttons.h"

#include "exchangesupport.h"

#include "config/settings.h"

#include <gtest/gtest.h>

namespace {

class PanelsTest : public ExchangeFixture {
protected:
    void State(std::u16string_view word) {
        exchange.SetChannelState(L(word));
        host.calls.clear();
    }
    // The protocol lines added since the mark.
    QList<LineText> NewLines() const { return protocol.Lines().mid(mark); }
    void Mark() { mark = protocol.Lines().size(); }
    qsizetype mark = 0;
};

TEST_F(PanelsTest, ServiceGroupCaptions) {
    QStringList captions;
    for (int group : kServiceButtonGroups)
        captions << ServiceGroupCaption(group);
    EXPECT_EQ(captions,
              (QStringList{"КГ0 (ЗЗ)", "КГ1 (ВАШ)", "КГ2 (СТОП)", "КГ4 (Р)", "КГ5 (TEKCT)"}));
    EXPECT_EQ(ServiceGroupCaption(5).right(6), QString("TEKCT)")) << "Latin letters";
}

TEST_F(PanelsTest, CountersDialogHoldsManualModeWhileOpen) {
    EXPECT_TRUE(BeginCountersCorrection(exchange));
    EXPECT_FALSE(status.Automatic);
    EndCountersCorrection(exchange, true);
    EXPECT_TRUE(status.Automatic);

    exchange.SetMode(false);
    EXPECT_FALSE(BeginCountersCorrection(exchange));
    EndCountersCorrection(exchange, false);
    EXPECT_FALSE(status.Automatic) << "a manual workstation stays manual";
}

TEST_F(PanelsTest, CountersCorrectionInRBStopsTheCentreAndLogs) {
    State(u"РБ");
    status.NumberInput = 7;
    status.NumberOutput = 5;
    status.CurrentSecondsColonText = "12:34:56";
    line.sent.clear();
    Mark();
    EXPECT_TRUE(ApplyCountersCorrection(exchange, status, protocol, {7, 5, 9, 6}));
    EXPECT_EQ(line.sent, L(u"|ЗЦЗЦ КС СТОП НННН  "));
    EXPECT_EQ(status.NumberInput, 9);
    EXPECT_EQ(status.NumberOutput, 6);
    const QList<LineText> lines = NewLines();
    ASSERT_EQ(lines.size(), 2);  // the event line and the empty line after it
    EXPECT_EQ(lines[0][0], '\x03');
    EXPECT_EQ(lines[0].mid(lines[0].indexOf(' ') + 1),
              L(u"\r12:34:56 КОРРЕКТИРОВКА СЧЕТЧИКОВ: ВАШ 5 НАШ 7 => ВАШ 6 НАШ 9"));

    // Stored in the settings file at once.
    _tlg_config savedConfig;
    _tlg_status saved;
    SchemaCopyTable schema{};
    _tlg_controls controls;
    LoadSettings(home.file("korvel.ini"), home.path(), savedConfig, saved, schema, controls);
    EXPECT_EQ(saved.NumberInput, 9);
    EXPECT_EQ(saved.NumberOutput, 6);
}

TEST_F(PanelsTest, CountersCorrectionOutsideRBSendsNothing) {
    State(u"БА");
    status.NumberInput = 7;
    status.NumberOutput = 5;
    line.sent.clear();
    EXPECT_TRUE(ApplyCountersCorrection(exchange, status, protocol, {7, 5, 7, 0}));
    EXPECT_TRUE(line.sent.isEmpty());
    EXPECT_EQ(status.NumberOutput, 0);
    EXPECT_TRUE(Events().last().endsWith(" КОРРЕКТИРОВКА СЧЕТЧИКОВ: ВАШ 5 НАШ 7 => ВАШ 0 НАШ 7"));
}

TEST_F(PanelsTest, CountersLeftAsShownChangeNothing) {
    State(u"РБ");
    status.NumberInput = 7;
    status.NumberOutput = 5;
    line.sent.clear();
    Mark();
    EXPECT_FALSE(ApplyCountersCorrection(exchange, status, protocol, {7, 5, 7, 5}));
    EXPECT_TRUE(line.sent.isEmpty());
    EXPECT_TRUE(NewLines().isEmpty());
}

TEST_F(PanelsTest, ATelegramCountedWhileTheDialogWasOpenIsKept) {
    status.NumberInput = 8;  // was 7 when the dialog opened
    status.NumberOutput = 5;
    status.CurrentSecondsColonText = "12:00:00";
    // Only the output field was touched.
    EXPECT_TRUE(ApplyCountersCorrection(exchange, status, protocol, {7, 5, 7, 4}));
    EXPECT_EQ(status.NumberInput, 8);
    EXPECT_EQ(status.NumberOutput, 4);
    EXPECT_TRUE(Events().last().endsWith("ВАШ 5 НАШ 8 => ВАШ 4 НАШ 8"));
    // Neither touched: nothing, even though the live value moved on.
    status.NumberInput = 9;
    EXPECT_FALSE(ApplyCountersCorrection(exchange, status, protocol, {8, 4, 8, 4}));
    EXPECT_EQ(status.NumberInput, 9);
}

TEST_F(PanelsTest, CountersAreKeptInRange) {
    EXPECT_TRUE(ApplyCountersCorrection(exchange, status, protocol, {0, 0, 1200, -3}));
    EXPECT_EQ(status.NumberInput, 999);
    EXPECT_EQ(status.NumberOutput, 0);
}

TEST(AutoKssTest, PrefixRule) {
    const struct {
        const char* editorIndex;
        const char* index;
        const char* channel;
        const char* indexAfter;
        const char* channelAfter;
    } cases[] = {
        {"141911", "", "", "141997", "141000"},
        {"141911", "141997", "222333", "141997", "222333"},  // already there: kept
        {"141911", "222997", "222000", "141997", "141000"},  // another prefix
        {"305120", "141997", "141000", "305997", "305000"},
        {"30", "", "", "30997", "30000"},
    };
    for (const auto& c : cases) {
        QString index = c.index, channel = c.channel;
        PrepareAutoKssRequest(c.editorIndex, index, channel);
        EXPECT_EQ(index, c.indexAfter) << c.editorIndex << " " << c.index;
        EXPECT_EQ(channel, c.channelAfter) << c.editorIndex << " " << c.index;
    }
}

TEST(AutoKssTest, RequestText) {
    TAutoKssRequest request;
    request.JC = "ЖРН";
    request.IO = "ВХ";
    request.Channel = "141000";
    request.ChannelS = "01";
    request.N = "0123";
    request.Index = "141997";
    request.Date = QDate(2026, 3, 7);
    EXPECT_EQ(AutoKssText(request), "ЖРН ВХ 141000 01 0123 07.03");
    request.JC = "КОП";
    request.IO = "ИСХ";
    request.ChannelS.clear();
    EXPECT_EQ(AutoKssText(request), "КОП ИСХ 141000  0123 07.03");
}

}  // namespace
