#include "editor/compose.h"

#include "support/testhome.h"
#include "util/codepages.h"

#include <gtest/gtest.h>

namespace {

TComposeFields fields(const QString& category, const QString& net, const QString& index) {
    TComposeFields f;
    f.Category = category;
    f.Net = net;
    f.Index = index;
    return f;
}

TEST(ComposeHeader, FollowsTheHeaderRules) {
    struct Case {
        TComposeFields fields;
        bool schema;
        QString schemaText;
        QString header;
    } cases[] = {
        {fields("П", "01", "141911"), false, "000", "П141911"},
        {fields("П", "02", "141911"), false, "000", "П02 141911"},
        {fields("ПМ", "", "141911"), false, "000", "ПМ 141911"},
        {fields("Ц", "01", "141911"), true, "123", "Ц123=123"},
        {fields("СЦ", "07", "141911"), true, "045", "СЦ07 045=045"},
    };
    for (Case& c : cases) {
        c.fields.SchemaMode = c.schema;
        c.fields.Schema = c.schemaText;
        EXPECT_EQ(ComposeHeader(c.fields), c.header);
    }
}

TEST(ComposeOutgoing, HeaderThenText) {
    TComposeFields f = fields("П", "01", "141911");
    f.TextLines = QStringList{"МОСКВА ИВАНОВУ", "ТЕКСТ ТЕКСТ"};
    TOutgoingBuffers out;
    ComposeOutgoing(f, false, {}, out);
    EXPECT_EQ(out.OutgoingLines, QStringList({"П141911", "МОСКВА ИВАНОВУ", "ТЕКСТ ТЕКСТ"}));
    EXPECT_EQ(out.OutgoingText, WideToAnsi(u"П141911\r\nМОСКВА ИВАНОВУ\r\nТЕКСТ ТЕКСТ\r\n"));
}

TEST(ComposeOutgoing, OriginLineAfterThreeEmptyLines) {
    TComposeFields f = fields("С", "01", "141911");
    f.FromUse = true;
    f.From = "МОСКВА";
    f.Words = "12";
    f.FromData = "08/12 1430=";
    f.TextLines = QStringList{"ТЕКСТ"};
    TOutgoingBuffers out;
    ComposeOutgoing(f, false, {}, out);
    EXPECT_EQ(out.OutgoingLines,
              QStringList({"С141911", "", "", "", "МОСКВА 12 08/12 1430=", "", "ТЕКСТ"}));
}

TEST(AutoReplace, DollarEscapesAndPlaceholders) {
    const TReplaceValues values{0, "08/12", "1430"};
    struct Case {
        QString in;
        QString out;
    } cases[] = {
        {"N [", "N 1"},
        {"$[", "["},
        {"$$", "$"},
        {"$$[", "$1"},
        {"{ }", "08/12 1430"},
        {"${$}", "{}"},
        {"A$B", "AB"},
        {"END$\r\nNEXT\r\n", "END\r\nNEXT\r\n"},  // a dollar at a line's end removes only itself
        {"[[", "11"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AutoReplace(c.in, values), c.out) << c.in.toStdString();
    EXPECT_EQ(AutoReplace(u"[", {41, {}, {}}), "42");
}

TEST(ComposeOutgoing, AutoReplacementOnlyWhenAsked) {
    TComposeFields f = fields("П", "01", "141911");
    f.TextLines = QStringList{"НОМЕР [ ОТ { }", "$[ ОСТАЕТСЯ"};
    TOutgoingBuffers out;
    ComposeOutgoing(f, true, {6, "30/01", "1205"}, out);
    EXPECT_EQ(out.OutgoingLines, QStringList({"П141911", "НОМЕР 7 ОТ 30/01 1205", "[ ОСТАЕТСЯ"}));
    ComposeOutgoing(f, false, {6, "30/01", "1205"}, out);
    EXPECT_EQ(out.OutgoingLines[1], "НОМЕР [ ОТ { }") << "the queue replaces them when it sends";
}

TEST(ComposeOutgoing, HyphenAtTheEndGetsLineFeedsInTheAnsiTextOnly) {
    struct Case {
        QStringList text;
        QByteArray tail;
    } cases[] = {
        {{"ПОДПИСЬ -"}, "-\r\n\n\n\n\n"},
        {{"ПОДПИСЬ -", ""}, "-\r\n\r\n\n\n\n"},
        {{"ПОДПИСЬ"}, "\xcf\xc8\xd1\xdc\r\n"},
        {{"ПОДПИСЬ -", "", "", "", "", ""}, "-\r\n\r\n\r\n\r\n\r\n\r\n"},
        {{"ПОДПИСЬ -X"}, "-X\r\n"},
    };
    for (const Case& c : cases) {
        TComposeFields f = fields("П", "01", "141911");
        f.TextLines = c.text;
        TOutgoingBuffers out;
        ComposeOutgoing(f, false, {}, out);
        EXPECT_TRUE(out.OutgoingText.endsWith(c.tail)) << HexBytes(out.OutgoingText);
        EXPECT_EQ(out.OutgoingLines.mid(1), c.text) << "the lines stay as typed";
    }
}

TEST(ComposeOutgoing, CryptoModeAppendsBlockAndSignatureWithoutLineFeeds) {
    TComposeFields f = fields("П", "01", "141911");
    f.TextLines = QStringList{"ТЕКСТ -"};
    f.CryptoMode = true;
    f.CryptoBlock = QByteArray("\x80\x81 12345\r\n", 10);  // "АБ 12345" in code page 866
    f.Signature = "ПОДПИСЬ\r\n";
    TOutgoingBuffers out;
    ComposeOutgoing(f, false, {}, out);
    EXPECT_EQ(out.OutgoingText, WideToAnsi(u"П141911\r\nТЕКСТ -\r\nАБ 12345\r\nПОДПИСЬ\r\n"));
    EXPECT_EQ(out.OutgoingLines,
              QStringList({"П141911", "ТЕКСТ -", "АБ 12345\r\n", "ПОДПИСЬ\r\n"}));

    f.CryptoBlock = QByteArray(6000, '1');
    f.Signature.clear();
    ComposeOutgoing(f, false, {}, out);
    EXPECT_EQ(out.OutgoingText.size(), WideToAnsi(u"П141911\r\nТЕКСТ -\r\n").size() + 5119);
    EXPECT_EQ(out.OutgoingLines.size(), 3);
}

TEST(MemoLines, SplitsLikeAMemo) {
    EXPECT_EQ(MemoLines(u""), QStringList());
    EXPECT_EQ(MemoLines(u"A"), QStringList({"A"}));
    EXPECT_EQ(MemoLines(u"A\n"), QStringList({"A"}));
    EXPECT_EQ(MemoLines(u"A\n\n"), QStringList({"A", ""}));
    EXPECT_EQ(MemoLines(u"A\r\nB\rC\nD"), QStringList({"A", "B", "C", "D"}));
    EXPECT_EQ(MemoLines(u"\r\r\n"), QStringList({"", ""}));
    EXPECT_EQ(JoinLines({"A", ""}), "A\r\n\r\n");
    EXPECT_EQ(JoinedLength({"A", ""}), 5);
    EXPECT_EQ(ToMemoText(u"A\r\nB\rC\n"), "A\nB\nC\n");
}

TEST(SendAllowed, NeedsTextOfSensibleSizeAndSixDigitIndex) {
    EXPECT_TRUE(SendAllowed(1, 17, u"141911"));
    EXPECT_FALSE(SendAllowed(1, 16, u"141911"));
    EXPECT_TRUE(SendAllowed(3, 4999, u"141911"));
    EXPECT_FALSE(SendAllowed(3, 5000, u"141911"));
    EXPECT_FALSE(SendAllowed(0, 100, u"141911"));
    EXPECT_FALSE(SendAllowed(1, 100, u"14191"));
    EXPECT_FALSE(SendAllowed(1, 100, u"1419112")) << "exactly six digits";
    EXPECT_TRUE(SendAllowed(1, 100, u"141911_"));
}

TEST(LineLimit, TypedWordMovesToTheNextLine) {
    const QString line = QString(60, u'А') + QStringLiteral(" БВГД");  // 65 characters
    EXPECT_EQ(WrapLastLine(line), QStringList({QString(60, u'А'), "БВГД"}));
    // A space typed as character 64 opens an empty line.
    EXPECT_EQ(WrapLastLine(QString(63, u'А') + u' '), QStringList({QString(63, u'А'), ""}));
    EXPECT_EQ(WrapLastLine(QString(63, u'А')), QStringList({QString(63, u'А')}));
    // Trailing spaces before the break go.
    EXPECT_EQ(WrapLastLine(QString(50, u'А') + "    " + QString(12, u'Б')),
              QStringList({QString(50, u'А'), QString(12, u'Б')}));
}

TEST(LineLimit, LineWithoutSpacesIsCutAfter63) {
    EXPECT_EQ(WrapLastLine(QString(70, u'Ж')), QStringList({QString(63, u'Ж'), QString(7, u'Ж')}));
    EXPECT_EQ(WrapLastLine(QString(130, u'Ж')),
              QStringList({QString(63, u'Ж'), QString(63, u'Ж'), QString(4, u'Ж')}));
}

TEST(LineLimit, PastedLineEndsWithNoLineLongerThan63) {
    QString pasted;
    for (int i = 0; i < 40; ++i)
        pasted += QStringLiteral("СЛОВО%1 ").arg(i);
    pasted += QString(80, u'Я') + QStringLiteral(" КОНЕЦ");
    const QStringList lines = WrapLastLine(pasted);
    ASSERT_GT(lines.size(), 4);
    for (const QString& line : lines)
        EXPECT_LE(line.size(), kEditorLineLimit) << line.toStdString();
    EXPECT_EQ(lines.join(QString()).remove(u' '), QString(pasted).remove(u' '))
        << "nothing is lost but the blanks at the breaks";
    EXPECT_TRUE(lines[0].startsWith("СЛОВО0 СЛОВО1"));
    EXPECT_TRUE(lines[1].startsWith("СЛОВО")) << "words are not split";
    EXPECT_EQ(lines.last(), QString(17, u'Я') + " КОНЕЦ");
}

}  // namespace
