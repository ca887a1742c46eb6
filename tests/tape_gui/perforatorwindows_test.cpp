// The tape windows driven as the main window drives them: the operator's
// clicks, and the perforator thread's events through the facade.

#include "tape/TForm_PerforatorIn.h"
#include "tape/TForm_PerforatorOut.h"
#include "tape/TForm_PerforatorUseSelect.h"
#include "tape/tapestrip.h"
#include "tape/tapewindows.h"

#include "protocol/protocol.h"
#include "support/lineliterals.h"
#include "support/modal.h"
#include "support/protocolevents.h"
#include "support/recordingperforator.h"
#include "support/testhome.h"
#include "support/widgets.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class TapeWindowsTest : public ProgramFolderTest {
protected:
    RecordingPerforator perforator;
    TProtocol protocol;
    TTapeWindows windows{perforator, protocol, nullptr};
    TForm_PerforatorOut& out = *windows.OutWindow();
    TForm_PerforatorIn& in = *windows.InWindow();

    // Which of the output window's Start, Stop, Skip and Skip10 are enabled.
    QString outButtons() const {
        QString s;
        for (const QPushButton* b :
             {out.Button_Start, out.Button_Stop, out.Button_Skip, out.Button_Skip10})
            s += b->isEnabled() ? u'1' : u'0';
        return s;
    }
    // The same for the input window's Start, Stop, Принять, >>> and <<<.
    QString inButtons() const {
        QString s;
        for (const QPushButton* b : {in.Button_Start, in.Button_Stop, in.Button_Ok,
                                     in.Button_DeleteFirst, in.Button_DeleteEnd})
            s += b->isEnabled() ? u'1' : u'0';
        return s;
    }
};

TEST_F(TapeWindowsTest, WindowsAndControlsByNameWithTheirCaptions) {
    QWidget* select = windows.UseSelectDialog();
    const struct {
        QWidget* window;
        const char* name;
        const char* title;
    } forms[] = {
        {&out, "Form_PerforatorOut", "Вывод на перфоленту"},
        {&in, "Form_PerforatorIn", "Ввод с перфоленты"},
        {select, "Form_PerforatorUseSelect", "Перфоратор"},
    };
    for (const auto& f : forms) {
        EXPECT_EQ(f.window->objectName(), f.name);
        EXPECT_EQ(f.window->windowTitle(), f.title);
    }
    const struct {
        QWidget* window;
        const char* name;
        const char* caption;
    } buttons[] = {
        {&out, "Button_Start", "Старт"},
        {&out, "Button_Stop", "Стоп"},
        {&out, "Button_Skip", "Прогон >"},
        {&out, "Button_Skip10", "Прогон 10>"},
        {&out, "Button_Cancel", "Закрыть"},
        {&in, "Button_Start", "Старт"},
        {&in, "Button_Stop", "Стоп"},
        {&in, "Button_Ok", "Принять"},
        {&in, "Button_Cancel", "Закрыть"},
        {&in, "Button_DeleteFirst", ">>>"},
        {&in, "Button_DeleteEnd", "<<<"},
        {select, "Button_Input", "Прочитать c ленты"},
        {select, "Button_Output", "Вывести на ленту"},
        {select, "Button_Cancel", "Отмена"},
    };
    for (const auto& b : buttons)
        if (auto* button = FindChild<QPushButton>(*b.window, b.name)) {
            EXPECT_EQ(button->text(), b.caption) << b.name;
        }
    for (QWidget* window : {static_cast<QWidget*>(&out), static_cast<QWidget*>(&in)})
        if (auto* memo = FindChild<QPlainTextEdit>(*window, "Memo")) {
            EXPECT_TRUE(memo->isReadOnly());
        }
    EXPECT_NE(FindChild<QProgressBar>(out, "ProgressBar"), nullptr);
    EXPECT_TRUE(out.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(out.isModal());
    EXPECT_TRUE(in.isModal());
}

TEST_F(TapeWindowsTest, ShowForPunchHoldsThePortUntilClosed) {
    const struct {
        bool active;
        const char* buttons;  // Start, Stop, Skip, Skip10
    } cases[] = {{true, "1011"}, {false, "0000"}};
    for (const auto& c : cases) {
        perforator.active = c.active;
        windows.ShowForPunch(L(u"ЗЦЗЦ 001\r\nТЕКСТ"));
        EXPECT_TRUE(out.isVisible());
        EXPECT_EQ(out.Memo->toPlainText(), "ЗЦЗЦ 001\nТЕКСТ");
        EXPECT_EQ(out.Memo->textCursor().position(), 0);
        EXPECT_EQ(out.ProgressBar->maximum(), 15 + 50);
        EXPECT_EQ(out.ProgressBar->value(), 0);
        EXPECT_EQ(outButtons(), c.buttons) << "active " << c.active;
        EXPECT_FALSE(out.Punching());
        EXPECT_EQ(perforator.Take(), QStringList{"HoldPort"});
        // Minimised and restored just before closing: a late report of it
        // must not take the port again.
        out.setWindowState(Qt::WindowMinimized);
        out.setWindowState(Qt::WindowNoState);
        out.Button_Cancel->click();
        QCoreApplication::processEvents();
        EXPECT_FALSE(out.isVisible());
        EXPECT_EQ(perforator.Take(), (QStringList{"ClearSend", "ArmRelease"}));
    }
    // Closed any other way, the window lets the port go all the same.
    windows.ShowForPunch(L(u"ТЕКСТ"));
    out.close();
    EXPECT_EQ(perforator.Take(), (QStringList{"HoldPort", "ArmRelease"}));
}

TEST_F(TapeWindowsTest, ShowForPunchWideShowsTheTextAndPunchesItsLineCode) {
    windows.ShowForPunchWide(QStringLiteral("Привет\r\nмир"));
    EXPECT_EQ(out.Memo->toPlainText(), "Привет\nмир");
    EXPECT_EQ(out.TapeText(), L(u"ПРИВЕТ\r\nМИР"));
    EXPECT_EQ(out.ProgressBar->maximum(), 11 + 50);
    perforator.Take();
    out.Button_Start->click();
    EXPECT_EQ(perforator.Take(), QStringList{"AppendSend ПРИВЕТ\r\nМИР"});
}

TEST_F(TapeWindowsTest, ProgressStandsAtTheMaximumLessWhatStillWaits) {
    // Latin letters: the shift, then one frame per letter.
    const LineText text(70, 'E');
    windows.ShowForPunch(text);
    // Blank tape before the start is not the text's progress.
    out.Button_Skip->click();
    perforator.Punch(1);
    windows.Sent();
    EXPECT_EQ(out.ProgressBar->value(), 0);
    perforator.Take();

    out.Button_Start->click();
    EXPECT_EQ(perforator.Take(), QStringList{"AppendSend " + QString(70, u'E')});
    EXPECT_EQ(ProtocolEvents(protocol), QStringList{"ВЫВОД ПЛ "});
    EXPECT_TRUE(out.Punching());
    EXPECT_EQ(out.ProgressBar->value(), 0);
    EXPECT_EQ(out.TapeStrip->CurrentFrame(), 0);
    const struct {
        int batch;
        int value;
        bool punching;
        int frame;
        const char* buttons;  // Start, Stop, Skip, Skip10
    } steps[] = {
        {31, 120 - 39, true, 32, "0100"},
        {31, 120 - 8, true, 63, "0100"},
        {8, 120, false, 70, "0011"},
        // Done: a further batch (of blank tape, say) moves nothing.
        {0, 120, false, 70, "0011"},
    };
    for (const auto& s : steps) {
        perforator.Punch(s.batch);
        windows.Sent();
        EXPECT_EQ(out.ProgressBar->value(), s.value) << "after " << s.batch;
        EXPECT_EQ(out.Punching(), s.punching) << "after " << s.batch;
        EXPECT_EQ(out.TapeStrip->CurrentFrame(), s.frame) << "after " << s.batch;
        EXPECT_EQ(outButtons(), s.buttons) << "after " << s.batch;
    }
    // A hidden window takes no notice.
    windows.ShowForPunch(text);
    out.Button_Start->click();
    out.hide();
    perforator.Punch(40);
    windows.Sent();
    EXPECT_EQ(out.ProgressBar->value(), 0);

    // The adapter was gone mid-punch: the thread ended the job with 34 of
    // the 70 characters not punched, and the window says so.
    windows.ShowForPunch(text);
    out.Button_Start->click();
    perforator.waiting.clear();
    perforator.unpunched = 34;
    windows.Sent();
    EXPECT_EQ(out.ProgressBar->value(), 120 - 34);
    EXPECT_EQ(outButtons(), "1011");
    EXPECT_TRUE(out.Label_Stopped->text().endsWith(QStringLiteral(": 34.")));
    EXPECT_EQ(ProtocolEvents(protocol).last(), "ВЫВОД ПЛ ПРЕРВАН");
}

TEST_F(TapeWindowsTest, SkipsAreOffWhilePunchingAndBackAfterStopWhenActive) {
    for (const bool activeAtStop : {true, false}) {
        perforator.active = true;
        windows.ShowForPunch(L(u"ТЕКСТ"));
        out.Button_Start->click();
        EXPECT_EQ(outButtons(), "0100");
        perforator.active = activeAtStop;
        perforator.Take();
        out.Button_Stop->click();
        EXPECT_FALSE(out.Punching());
        EXPECT_EQ(perforator.Take(), QStringList{"ClearSend"});
        EXPECT_EQ(outButtons(), activeAtStop ? "0011" : "0000") << activeAtStop;
        out.Button_Skip->click();
        out.Button_Skip10->click();
        const QStringList skips{"AppendSend |", "AppendSend ||||||||||"};
        EXPECT_EQ(perforator.Take(), activeAtStop ? skips : QStringList()) << activeAtStop;
        out.hide();
    }
}

TEST_F(TapeWindowsTest, AStartButtonWaitsForTheAdapterToAnswer) {
    perforator.active = false;
    windows.ShowForPunch(L(u"ТЕКСТ"));
    windows.StatusChanged();
    EXPECT_EQ(outButtons(), "0000");
    perforator.active = true;
    windows.StatusChanged();
    EXPECT_EQ(outButtons(), "1011");
    out.Button_Start->click();
    windows.StatusChanged();
    EXPECT_EQ(outButtons(), "0100") << "punching: the buttons stay as they are";
    out.hide();

    perforator.active = false;
    bool driven = false;
    ModalAnswerer answer(QStringLiteral("Закрыть"), [&](QWidget*) {
        if (std::exchange(driven, true))
            return;
        EXPECT_EQ(inButtons(), "00000");
        windows.StatusChanged();
        EXPECT_EQ(inButtons(), "00000");
        perforator.active = true;
        windows.StatusChanged();
        EXPECT_EQ(inButtons(), "10000");
    });
    EXPECT_FALSE(windows.ReadTape().accepted);
}

TEST_F(TapeWindowsTest, ReadingATapeToItsEnd) {
    bool driven = false;
    ModalAnswerer answer(QStringLiteral("Принять"), [&](QWidget* dialog) {
        if (std::exchange(driven, true))
            return;
        EXPECT_EQ(dialog, &in);
        EXPECT_EQ(inButtons(), "10000");
        in.Button_Start->click();
        EXPECT_EQ(inButtons(), "00000");
        windows.Received(L(u"ЗЦЗЦ"));
        EXPECT_EQ(inButtons(), "01000");
        windows.Received(L(u" 1\r\n"));
        EXPECT_EQ(in.Memo->toPlainText(), "ЗЦЗЦ 1<>\n");
        EXPECT_EQ(in.TapeStrip->CurrentFrame(), int(in.TapeStrip->Codes().size()) - 1);
        windows.TapeEnd();
        EXPECT_EQ(inButtons(), "10111");
    });
    const TapeReadResult read = windows.ReadTape();
    EXPECT_TRUE(read.accepted);
    EXPECT_EQ(read.text, L(u"ЗЦЗЦ 1\r\n"));
    EXPECT_EQ(perforator.Take(), (QStringList{"HoldPort", "StartReading", "ArmRelease"}));
    EXPECT_EQ(ProtocolEvents(protocol), (QStringList{"ПЛ ВВОД", "ПЛ СТОП (КОНЕЦ ЛЕНТЫ)"}));

    // Read while no window is up, text is dropped: the next read starts empty.
    windows.Received(L(u"ХХХ"));
    windows.TapeEnd();
    ModalAnswerer again(QStringLiteral("Закрыть"), [&](QWidget*) {
        EXPECT_TRUE(in.TapeText().isEmpty());
        EXPECT_TRUE(in.Memo->toPlainText().isEmpty());
    });
    const TapeReadResult second = windows.ReadTape();
    EXPECT_FALSE(second.accepted);
    EXPECT_TRUE(second.text.isEmpty());
    EXPECT_EQ(ProtocolEvents(protocol).size(), 2);
}

TEST_F(TapeWindowsTest, StopTheEditButtonsAndClosingDuringARead) {
    bool driven = false;
    ModalAnswerer answer(QStringLiteral("Закрыть"), [&](QWidget*) {
        if (std::exchange(driven, true))
            return;
        in.Button_Start->click();
        windows.Received(L(u"АБВ"));
        const struct {
            QPushButton* button;
            const char* text;
            const char* buttons;  // Start, Stop, Принять, >>>, <<<
        } steps[] = {
            {in.Button_Stop, "АБВ", "11111"},    {in.Button_DeleteFirst, "БВ", "11111"},
            {in.Button_DeleteEnd, "Б", "11111"}, {in.Button_DeleteEnd, "", "11000"},
            {in.Button_Start, "", "01000"},      {in.Button_Stop, "", "11000"},
            {in.Button_Start, "", "01000"},
        };
        for (const auto& s : steps) {
            s.button->click();
            EXPECT_EQ(in.TapeText(), L(QString(s.text).toStdU16String())) << s.text;
            EXPECT_EQ(in.Memo->toPlainText(), s.text);
            EXPECT_EQ(inButtons(), s.buttons) << s.text;
        }
        windows.Received(L(u"Г"));
        // The workstation minimised and restored: the same read goes on.
        in.setWindowState(Qt::WindowMinimized);
        in.setWindowState(Qt::WindowNoState);
    });
    const TapeReadResult read = windows.ReadTape();
    EXPECT_FALSE(read.accepted);
    EXPECT_EQ(read.text, L(u"Г"));
    EXPECT_EQ(perforator.Take(),
              (QStringList{"HoldPort", "StartReading", "StopReading", "StartReading", "StopReading",
                           "StartReading", "StopReading", "ArmRelease"}));
    EXPECT_EQ(ProtocolEvents(protocol),
              (QStringList{"ПЛ ВВОД", "ПЛ СТОП", "ПЛ ВВОД", "ПЛ СТОП", "ПЛ ВВОД", "ПЛ СТОП"}));
}

TEST_F(TapeWindowsTest, ChooseTapeDirection) {
    const struct {
        const char* button;
        TapeDirection direction;
    } cases[] = {
        {"Прочитать c ленты", TapeDirection::Read},
        {"Вывести на ленту", TapeDirection::Write},
        {"Отмена", TapeDirection::Cancel},
        {"Прочитать c ленты", TapeDirection::Read},
    };
    for (const auto& c : cases) {
        ModalAnswerer answer(QString::fromUtf8(c.button));
        EXPECT_EQ(windows.ChooseTapeDirection(), c.direction) << c.button;
        EXPECT_EQ(answer.title, "Перфоратор");
    }
    EXPECT_TRUE(perforator.Take().isEmpty());
}

}  // namespace
