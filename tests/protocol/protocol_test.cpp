#include "protocol/protocol.h"

#include "protocolsupport.h"
#include "util/codepages.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

struct Call {
    int level;
    LineText text;
};

void Feed(TProtocol& protocol, const std::vector<Call>& calls) {
    for (const Call& c : calls)
        protocol.AddText(c.text, c.level);
}

using ProtocolText = ProtocolTest;

TEST_F(ProtocolText, TrafficAndEventLines) {
    const LineText stamp = "12:30:05 ";
    const struct {
        const char* name;
        std::vector<Call> calls;
        QList<LineText> lines;
    } cases[] = {
        {"empty traffic into an empty day", {{1, ""}}, {}},
        {"CR LF between letters", {{1, "AB\r\nCD"}}, {M(1) + "AB<>", M(1) + "CD"}},
        {"two directions and a third segment",
         {{1, "AB"}, {2, "|ZZ "}, {1, "OK"}},
         {M(1) + "AB" + M(2) + "|ZZ " + M(1) + "OK"}},
        {"same direction continues its segment", {{2, "AB"}, {2, "CD\n"}}, {M(2) + "ABCD>", ""}},
        {"lone CR stays on the line", {{1, "A\rB"}}, {M(1) + "A<B"}},
        {"line feeds end lines", {{1, "\n\nA"}}, {M(1) + ">", M(1) + ">", M(1) + "A"}},
        {"event after an open traffic line, then traffic",
         {{1, "AB"}, {3, L(u"СОБЫТИЕ")}, {1, "CD"}},
         {M(1) + "AB", M(3) + stamp + L(u"СОБЫТИЕ"), M(1) + "CD"}},
        {"error event keeps its text unchanged", {{4, "A\r\nB"}}, {M(4) + stamp + "A\r\nB", ""}},
        {"level 5 is traffic", {{1, "AB"}, {5, "X"}}, {M(1) + "AB" + M(5) + "X"}},
        {"level 6 continues like 1 and 2", {{6, "A"}, {6, "B"}}, {M(6) + "AB"}},
    };
    for (const auto& c : cases) {
        TProtocol protocol;
        protocol.SetTimeText(QStringLiteral("12:30:05"));
        Feed(protocol, c.calls);
        EXPECT_EQ(protocol.Lines(), c.lines) << c.name;
    }
}

TEST_F(ProtocolText, EventBeforeTheFirstClockStepHasAnEmptyStamp) {
    TProtocol protocol;
    protocol.AddText("GO", 3);
    EXPECT_EQ(protocol.Lines(), QList<LineText>({M(3) + " GO", ""}));
}

TEST_F(ProtocolText, Wrapping) {
    const QByteArray a69(69, 'A'), b12(12, 'B');
    const struct {
        const char* name;
        std::vector<Call> calls;
        QList<LineText> lines;
    } cases[] = {
        {"150 characters",
         {{1, QByteArray(150, 'A')}},
         {M(1) + a69, M(1) + a69, M(1) + QByteArray(12, 'A')}},
        {"marks do not count, the rest gets a marker",
         {{1, "|" + QByteArray(30, 'A') + "#" + QByteArray(39, '1') + "&" + QByteArray(81, 'B')}},
         {M(1) + "|" + QByteArray(30, 'A') + "#" + QByteArray(39, '1'),
          M(1) + "&" + QByteArray(69, 'B'), M(1) + b12}},
        {"line ends do not count",
         {{1, QByteArray(68, 'A') + "\r\n"}},
         {M(1) + QByteArray(68, 'A') + "<>", ""}},
        {"line ends after a full line move to the next",
         {{1, a69 + "\r\nB"}},
         {M(1) + a69, M(1) + "<>", M(1) + "B"}},
        {"exactly full leaves an empty line", {{1, a69}, {1, "B"}}, {M(1) + a69, M(1) + "B"}},
        {"other direction completes the line",
         {{1, QByteArray(60, 'A')}, {2, QByteArray(20, 'B')}},
         {M(1) + QByteArray(60, 'A') + M(2) + QByteArray(9, 'B'), M(2) + QByteArray(11, 'B')}},
        {"events are not wrapped",
         {{3, QByteArray(100, 'E')}},
         {M(3) + " " + QByteArray(100, 'E'), ""}},
    };
    for (const auto& c : cases) {
        TProtocol protocol;
        protocol.SetWrapWidth(true);
        Feed(protocol, c.calls);
        EXPECT_EQ(protocol.Lines(), c.lines) << c.name;
    }
}

TEST_F(ProtocolText, AddMessageCutsAndConverts) {
    TProtocol protocol;
    protocol.AddMessage(QString(3000, u'я'), 3);
    ASSERT_EQ(protocol.Lines().size(), 2);
    EXPECT_EQ(protocol.Lines()[0], M(3) + " " + QByteArray(kProtocolMessageLimit, '\xEF'));

    protocol.AddMessage(QStringLiteral("Счёт € ok\r\n"), 1);
    EXPECT_EQ(protocol.Lines()[1], M(1) + WideToCp866(u"Счёт") + " ? ok<>");
}

TEST_F(ProtocolText, TellsTheViewWhatChanged) {
    TProtocol protocol;
    RecordingView view;
    protocol.AttachView(&view);
    protocol.AddText("AB", 1);
    protocol.AddText("CD", 2);
    protocol.AddText("", 1);
    protocol.AddText("E", 3);
    protocol.AttachView(nullptr);
    protocol.AddText("F", 1);
    EXPECT_EQ(view.calls,
              QStringList({"LinesAdded", "LastLineChanged", "LastLineChanged", "LinesAdded"}));
}

TEST_F(ProtocolText, ShowDay) {
    home.write("prt/0129.prt", "OLD 1\r\nOLD 2\r\n");
    QDir().mkpath(home.file("prt/0128.prt"));  // a folder where a day's file should be
    TProtocol protocol;
    RecordingView view;
    protocol.AttachView(&view);
    protocol.SetTimeText(QStringLiteral("09:00:00"));
    protocol.SetFolder(QStringLiteral("prt"));
    protocol.SetFileName(QStringLiteral("0130.prt"));
    protocol.AddText("LIVE", 1);

    const struct {
        QString day;
        QList<LineText> shown;
    } cases[] = {
        {QStringLiteral("0129.prt"), {"OLD 1", "OLD 2", ""}},
        {QStringLiteral("0127.prt"), {M(4) + "09:00:00 " + WideToCp866(u"- Нет протокола -"), ""}},
        {QStringLiteral("0128.prt"), {M(1) + WideToCp866(u" - Ошибка загрузки протокола- "), ""}},
    };
    for (const auto& c : cases) {
        view.calls.clear();
        protocol.ShowDay(c.day);
        EXPECT_FALSE(protocol.ShowsLive());
        EXPECT_EQ(protocol.Shown(), c.shown) << c.day.toStdString();
        EXPECT_EQ(view.calls, QStringList({"LinesAdded", "Repaint"}));
    }

    protocol.AddText("MORE", 1);
    EXPECT_EQ(protocol.Shown(), cases[2].shown) << "the live list grows unseen";
    EXPECT_EQ(protocol.Lines(), QList<LineText>({M(1) + "LIVEMORE"}));

    view.calls.clear();
    protocol.ShowDay(QStringLiteral("0130.prt"));
    EXPECT_TRUE(protocol.ShowsLive());
    EXPECT_EQ(&protocol.Shown(), &protocol.Lines());
    EXPECT_EQ(view.calls, QStringList({"ScrollToEnd"}));

    protocol.ShowDay(QStringLiteral("0129.prt"));
    protocol.SetFileName(QStringLiteral("0130.prt"));
    EXPECT_TRUE(protocol.ShowsLive()) << "the day change shows the live list";
}

}  // namespace
