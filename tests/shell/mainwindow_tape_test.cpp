// The paper tape from the main window, through the tape adapter simulator:
// a received telegram punched from "Входящие" and read back into the editor.

#include "archive/TDayListPage.h"
#include "editor/TEditorPage.h"
#include "editor/TForm_LoadToEditor.h"
#include "line/fivebit.h"
#include "line/prfclient.h"
#include "shell/TForm_TARVO.h"
#include "support/lent9simprocess.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/mainwindowfixture.h"
#include "support/modal.h"
#include "tape/TForm_PerforatorIn.h"
#include "tape/TForm_PerforatorOut.h"
#include "tape/tapewindows.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <optional>

namespace {

using MainWindowTapeTest = MainWindowFixture;

TEST_F(MainWindowTapeTest, ATelegramPunchedFromTheListReadsBackIntoTheEditor) {
    Lent9simProcess adapter;
    const QString punched = home.file("punched.tape");
    ASSERT_TRUE(adapter.Start({"--fast", "--punch", punched}));
    // No centre: the line's connects fail and do not matter here.
    writeIni(CentreSettings(1) +
             "[PERFORATOR]\r\nEnable=1\r\nNoBlock=0\r\n"
             "baud=2\r\nCOM=" +
             adapter.PtyPath().toUtf8() + "\r\n");
    // A received telegram: its shown text and the line code it came as.
    const LineText raw =
        L(u"|ЗЦЗЦ #001 |ОБ#1 141911 8\r\n|ПРОВЕРКА ПЕРФОЛЕНТЫ #12.05 |ЦЕХ #3\r\nНННН  \r\n");
    home.write("inp/0130/0130q911.001", WideToAnsi(LineToWide(StripRegisterMarks(raw))));
    home.write("inp/0130/0130q911.001.tlg", raw);
    auto window = startedWindow();
    CPrfClient* perforator = window->Perforator();
    // The adapter answers: the tape buttons come.
    ASSERT_TRUE(WaitUntil([&] { return !window->InPage()->Button_Perforator->isHidden(); }));
    EXPECT_TRUE(perforator->IsActive());

    // Punched from the received list.
    QTreeWidget* in = window->InPage()->ListView;
    ASSERT_EQ(in->topLevelItemCount(), 1);
    in->setCurrentItem(in->topLevelItem(0));
    ASSERT_TRUE(window->InPage()->Button_Perforator->isEnabled());
    window->InPage()->Button_Perforator->click();
    TForm_PerforatorOut* out = window->Tape()->OutWindow();
    ASSERT_TRUE(out && out->isVisible());
    EXPECT_EQ(out->TapeText(), raw);
    ASSERT_TRUE(out->Button_Start->isEnabled());
    out->Button_Start->click();
    ASSERT_TRUE(WaitUntil([&] {
        return out->ProgressBar->value() == out->ProgressBar->maximum() &&
               perforator->PendingLength() == 0;
    })) << out->ProgressBar->value()
        << " of " << out->ProgressBar->maximum();
    // Back into the reader only once the adapter has punched the whole text.
    ASSERT_TRUE(WaitUntil([&] {
        uint8_t reg = kRegisterLatin;
        const LineText tape = DecodeFiveBit(ReadFileBytes(punched), reg);
        return StripRegisterMarks(tape) == StripRegisterMarks(raw);
    }));
    out->Button_Cancel->click();

    // Read back with "Загрузить" / "Прочитать перфоленту".
    adapter.Command("tape " + punched);
    std::optional<ModalAnswerer> accept;
    {
        ModalAnswerer load(QStringLiteral("Выполнить"), [&](QWidget* dialog) {
            auto* fromTape = dialog->findChild<QRadioButton*>("RadioButton_FromTape");
            ASSERT_TRUE(fromTape && fromTape->isEnabled());
            fromTape->setChecked(true);
            accept.emplace(QStringLiteral("Принять"), [&](QWidget* window) {
                auto* reader = qobject_cast<TForm_PerforatorIn*>(window);
                ASSERT_NE(reader, nullptr);
                ASSERT_TRUE(WaitUntil([&] { return reader->Button_Start->isEnabled(); }));
                reader->Button_Start->click();
                ASSERT_TRUE(WaitUntil([&] { return reader->Button_Ok->isEnabled(); }));
                EXPECT_EQ(StripRegisterMarks(reader->TapeText()), StripRegisterMarks(raw));
            });
        });
        window->EditorPage()->Button_Editor_Load->click();
    }
    ASSERT_TRUE(accept && accept->answered);
    QString expected = LineToWide(StripRegisterMarks(raw));
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(window->EditorPage()->TntMemo_Edit->toPlainText(), expected);
    const QString events = dayProtocol();
    EXPECT_TRUE(events.contains(QStringLiteral("ВЫВОД ПЛ"))) << events.toStdString();
    EXPECT_TRUE(events.contains(QStringLiteral("ПЛ СТОП (КОНЕЦ ЛЕНТЫ)"))) << events.toStdString();
}

// One port cannot serve both adapters: a tape port that is the serial
// line's port switches the perforator off; on TCP/IP the same setting is in
// use. (The paths do not exist: no test opens a real device.)
TEST_F(MainWindowTapeTest, ATapePortSharedWithTheSerialLineSwitchesThePerforatorOff) {
    const struct {
        const char* server;
        int mode;
        const char* label;
    } rows[] = {
        {"TCP=0\r\nCOM=/dev/tarvo-tape", -1, ""},
        {"TCP=0\r\nCOM=/dev/tarvo-line", 1, "ЛЕНТ-9: /dev/tarvo-tape"},
        {"TCP=1\r\nhost=127.0.0.1\r\nport=1\r\nCOM=/dev/tarvo-tape", 1, "ЛЕНТ-9: /dev/tarvo-tape"},
    };
    for (const auto& row : rows) {
        writeIni(QByteArray("[SERVER]\r\n") + row.server +
                 "\r\n[PERFORATOR]\r\nEnable=1\r\nCOM=/dev/tarvo-tape\r\n");
        auto window = startedWindow();
        EXPECT_EQ(window->Perforator()->Mode(), row.mode) << row.server;
        EXPECT_EQ(window->findChild<QLabel*>("Label_PrfConnect")->text(),
                  QString::fromUtf8(row.label))
            << row.server;
        EXPECT_TRUE(window->InPage()->Button_Perforator->isHidden());
    }
}

}  // namespace
