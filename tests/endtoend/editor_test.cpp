// A telegram composed in the editor goes out through the queue to the
// training centre and is found again in the list of sent telegrams.

#include "archive/daylist.h"
#include "editor/compose.h"
#include "editor/outgoing.h"
#include "support/ckssimprocess.h"
#include "support/recordingoutgoing.h"
#include "transcript.h"
#include "util/codepages.h"
#include "util/linecode.h"
#include "workstation.h"

#include <gtest/gtest.h>

namespace {

class EditorEndToEndTest : public ProgramFolderTest {};

TEST_F(EditorEndToEndTest, AComposedTelegramIsSentConfirmedAndListed) {
    CkssimProcess centre;
    ASSERT_TRUE(centre.Start({"-t", home.file("centre.txt"), "-k", "off", "--auto-open",
                              "--start-time", "2026-01-30 12:00"}));
    TWorkstation ws;
    ws.status.EditNumber = 0;
    RecordingOutgoingHost op;
    TOutgoingWriter writer(ws.config, ws.status, ws.protocol, &op);
    writer.SetQueue(&ws.exchange.Queue());
    ws.Start(centre.Port());
    ASSERT_TRUE(ws.WaitOpen()) << ws.Tail();

    TComposeFields fields;
    fields.Category = QStringLiteral("ПМ");
    fields.Index = QStringLiteral("141911");
    fields.TextLines = QStringList{QStringLiteral("ПРОШУ ПОДТВЕРДИТЬ ПОЛУЧЕНИЕ"), QStringLiteral("ДЕЖУРНЫЙ")};
    ComposeOutgoing(fields, false, TReplaceValues{}, writer);
    ASSERT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Written);
    EXPECT_EQ(op.shown.value(0).value(0), QStringLiteral("ПМ141911"));
    EXPECT_EQ(ws.status.EditNumber, 1);

    // The file waits as out/0130q000, goes out as the centre's first telegram
    // from us and, once the centre's count confirms it, is filed under 001.
    ASSERT_TRUE(ws.WaitFiled("out/0130/0130q000.001")) << ws.Tail();
    EXPECT_FALSE(ws.Filed("out/0130q000"));
    EXPECT_EQ(ws.status.NumberOutput, 1);
    EXPECT_TRUE(centre.Status().contains("accepted=1")) << centre.Status().toStdString();

    const QList<TDayListItem> items = DayListItems(home.file("out/0130/"));
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].Number, QStringLiteral("001"));
    EXPECT_EQ(items[0].FileName, QStringLiteral("0130q000.001"));
    EXPECT_TRUE(AnsiToWide(ReadFileBytes(home.file("out/0130/0130q000.001")))
                    .startsWith(QStringLiteral("ПМ141911\r\n")));
    EXPECT_TRUE(op.errors.isEmpty());
}

TEST_F(EditorEndToEndTest, ACryptoBlockReachesTheCentreByteForByte) {
    CkssimProcess centre;
    ASSERT_TRUE(centre.Start({"-t", home.file("centre.txt"), "-k", "off", "--auto-open",
                              "--start-time", "2026-01-30 12:00"}));
    TWorkstation ws;
    ws.status.EditNumber = 0;
    RecordingOutgoingHost op;
    TOutgoingWriter writer(ws.config, ws.status, ws.protocol, &op);
    writer.SetQueue(&ws.exchange.Queue());
    ws.Start(centre.Port());
    ASSERT_TRUE(ws.WaitOpen()) << ws.Tail();

    // Register shifts, line ends and letters of both registers, as a tape
    // gives them.
    const LineText block = LineLiteral(u"#12345 &АБВГД |QWERT\r\n#67890 &ЕЖЗИК\r\n");
    TComposeFields fields;
    fields.Category = QStringLiteral("П");
    fields.Index = QStringLiteral("141911");
    fields.TextLines = QStringList{QStringLiteral("ШИФРОВКА")};
    fields.CryptoMode = true;
    fields.CryptoBlock = block;
    fields.Signature = QStringLiteral("ДЕЖУРНЫЙ\r\n");
    ComposeOutgoing(fields, false, TReplaceValues{}, writer);
    ASSERT_EQ(writer.WriteOutgoingFile(true), TOutgoingWriter::Result::Written);

    ASSERT_TRUE(ws.WaitFiled("out/0130/0130q000.001")) << ws.Tail();
    const QByteArray received =
        TTranscript::Payload(ReadFileBytes(home.file("centre.txt")), QStringLiteral("RX"));
    EXPECT_TRUE(received.contains(LineLiteral(u"П141911\r\nШИФРОВКА\r\n") + block +
                                  LineLiteral(u"ДЕЖУРНЫЙ\r\n")))
        << HexBytes(received);
}

}  // namespace
