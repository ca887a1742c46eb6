#include "protocol/TProtocolPage.h"

#include "protocol/TPrtWindow.h"
#include "support/fakeclock.h"
#include "support/widgets.h"
#include "util/codepages.h"
#include "util/linecode.h"
#include "viewsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

constexpr quint32 kRightCtrl = 105;
constexpr quint32 kLeftCtrl = 37;

class ProtocolPageTest : public ViewTest {
protected:
    ProtocolPageTest() {
        protocol.SetTimeText(QStringLiteral("12:00:00"));
        protocol.SetFolder(QStringLiteral("prt"));
        protocol.SetFileName(QStringLiteral("0130.prt"));
        home.write(QStringLiteral("prt/0129.prt"), "\x01YESTERDAY\r\n");
        page = std::make_unique<TProtocolPage>(protocol, clock);
        page->PrtWindow->SetFont(font);
        page->resize(600, 400);
        page->show();
        picker = page->findChild<QDateEdit*>(QStringLiteral("DateTimePicker_Prt"));
        bar = page->findChild<QScrollBar*>(QStringLiteral("TntScrollBar_Protocol"));
    }

    void Key(int key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier,
             quint32 scan = 0) {
        QKeyEvent press(QEvent::KeyPress, key, mods, scan, 0, 0, text);
        QApplication::sendEvent(bar, &press);
    }
    void Release(int key, quint32 scan) {
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, scan, 0, 0);
        QApplication::sendEvent(bar, &release);
    }
    template <typename T>
    T* Find(const char* name) {
        return FindChild<T>(*page, name);
    }

    FakeClock clock{QDateTime(QDate(2026, 1, 30), QTime(12, 0))};
    TProtocol protocol;
    RecordingTyping typing{protocol};
    std::unique_ptr<TProtocolPage> page;
    QDateEdit* picker = nullptr;
    QScrollBar* bar = nullptr;
};

TEST_F(ProtocolPageTest, Controls) {
    ASSERT_TRUE(picker);
    EXPECT_TRUE(picker->calendarPopup());
    EXPECT_EQ(picker->date(), QDate(2026, 1, 30));
    EXPECT_TRUE(protocol.ShowsLive()) << "making the page shows no other day";
    EXPECT_EQ(Find<QPushButton>("Button__ProtocolSearch")->text(), QStringLiteral(">"));
    Find<QLineEdit>("Edit_ProtocolSearch");
    EXPECT_EQ(Find<QCheckBox>("TntCheckBox_Split")->text(), QStringLiteral("Разделить"));
    auto* registers = Find<QCheckBox>("TntCheckBox_ShowRegisters");
    ASSERT_TRUE(registers);
    EXPECT_EQ(registers->text(), QStringLiteral("Регистры"));
    EXPECT_FALSE(registers->isChecked());
    EXPECT_FALSE(page->PrtWindow->ShowRegisters());

    auto* menu = Find<QMenu>("TntPopupMenu_Protocol");
    ASSERT_TRUE(menu);
    QStringList items;
    for (QAction* action : menu->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items, QStringList({"Копировать", "-", "Копировать \"Прием\"",
                                  "Копировать \"Передачу\"", "-", "\"Прием\" на перфоратор ",
                                  "\"Передачу\" на перфоратор", "-", "Вставить на \"Передачу\""}));
    EXPECT_TRUE(menu->separatorsCollapsible()) << "trailing separators stay hidden";
}

TEST_F(ProtocolPageTest, SwitchesDriveTheView) {
    Find<QCheckBox>("TntCheckBox_ShowRegisters")->click();
    EXPECT_TRUE(page->PrtWindow->ShowRegisters());
    Find<QCheckBox>("TntCheckBox_Split")->click();
    EXPECT_TRUE(page->PrtWindow->Split());
    Find<QCheckBox>("TntCheckBox_Split")->click();
    EXPECT_FALSE(page->PrtWindow->Split());
}

TEST_F(ProtocolPageTest, DatePickerShowsTheDay) {
    protocol.AddText(L(u"СЕГОДНЯ"), 4);
    picker->setDate(QDate(2026, 1, 29));
    EXPECT_FALSE(protocol.ShowsLive());
    EXPECT_EQ(protocol.Shown(), QList<LineText>({M(1) + "YESTERDAY", ""}));

    picker->setDate(QDate(2026, 1, 28));
    ASSERT_EQ(protocol.Shown().size(), 2);
    EXPECT_EQ(protocol.Shown()[0], M(4) + "12:00:00 " + WideToCp866(u"- Нет протокола -"));

    picker->setDate(QDate(2026, 1, 30));
    EXPECT_TRUE(protocol.ShowsLive());
    // The live day is drawn again, even though its list is as short as the
    // other day's and the position did not move.
    const QImage image = page->PrtWindow->PaintBox()->grab().toImage();
    EXPECT_GT(CountColor(image, image.rect(), QColor(255, 0, 0)), 0);

    page->SetDayFormat(QStringLiteral("yymmdd"));
    home.write(QStringLiteral("prt/260129.prt"), "\x02LONG NAME\r\n");
    picker->setDate(QDate(2026, 1, 29));
    EXPECT_EQ(protocol.Shown().first(), M(2) + "LONG NAME");
}

TEST_F(ProtocolPageTest, TypingInAutomaticModeDoesNothing) {
    for (bool attached : {false, true}) {
        page->SetTyping(attached ? &typing : nullptr);
        picker->setDate(QDate(2026, 1, 29));
        Key(Qt::Key_A, QStringLiteral("A"));
        Key(Qt::Key_Return, QStringLiteral("\r"));
        EXPECT_TRUE(typing.sends.isEmpty());
        EXPECT_EQ(picker->date(), QDate(2026, 1, 29));
        EXPECT_FALSE(protocol.ShowsLive());

        // Escape still returns the view to today and to its end.
        for (int i = 0; i < 30; ++i)
            protocol.AddText("EVENT", 3);
        Key(Qt::Key_Escape, QStringLiteral("\x1b"));
        EXPECT_EQ(picker->date(), QDate(2026, 1, 30));
        EXPECT_TRUE(protocol.ShowsLive());
        EXPECT_TRUE(page->PrtWindow->AtEnd());
        EXPECT_GT(page->PrtWindow->Maximum(), 0);
    }
}

TEST_F(ProtocolPageTest, EscapeRunsThePickersChangeEvenOnToday) {
    // The picker already shows today while the view shows the other day, as
    // when the day was chosen from the store's side.
    protocol.ShowDay(QStringLiteral("0129.prt"));
    ASSERT_FALSE(protocol.ShowsLive());
    Key(Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_TRUE(protocol.ShowsLive());
}

TEST_F(ProtocolPageTest, TypingInManualModeGoesToTheLine) {
    protocol.AddText("RX", 1);
    page->SetTyping(&typing);
    typing.manual = true;
    const struct {
        const char* name;
        std::function<void()> type;
        LineText sent;
    } cases[] = {
        {"a letter", [&] { Key(Qt::Key_A, QStringLiteral("A")); }, "A"},
        {"a Russian letter, folded to a capital", [&] { Key(0, QStringLiteral("ж")); }, L(u"Ж")},
        {"Enter: CR LF", [&] { Key(Qt::Key_Return, QStringLiteral("\r")); }, "\r\n"},
        {"Enter with the right Ctrl: CR alone",
         [&] {
             Key(Qt::Key_Control, {}, Qt::ControlModifier, kRightCtrl);
             Key(Qt::Key_Return, QStringLiteral("\r"), Qt::ControlModifier);
             Release(Qt::Key_Control, kRightCtrl);
         },
         "\r"},
        {"Enter with the left Ctrl: CR LF",
         [&] {
             Key(Qt::Key_Control, {}, Qt::ControlModifier, kLeftCtrl);
             Key(Qt::Key_Return, QStringLiteral("\r"), Qt::ControlModifier);
         },
         "\r\n"},
        {"Enter after the right Ctrl was let go",
         [&] { Key(Qt::Key_Return, QStringLiteral("\r")); }, "\r\n"},
        {"'>' is CR", [&] { Key(Qt::Key_Greater, QStringLiteral(">")); }, "\r"},
        {"'<' is LF", [&] { Key(Qt::Key_Less, QStringLiteral("<")); }, "\n"},
        {"a line feed", [&] { Key(Qt::Key_J, QStringLiteral("\n"), Qt::ControlModifier); }, "\n"},
        {"a blank", [&] { Key(Qt::Key_Space, QStringLiteral(" ")); }, " "},
    };
    for (const auto& c : cases) {
        picker->setDate(QDate(2026, 1, 29));
        typing.sends.clear();
        c.type();
        EXPECT_EQ(typing.sends, QList<LineText>({c.sent})) << c.name;
        EXPECT_EQ(picker->date(), QDate(2026, 1, 30)) << c.name;
        EXPECT_TRUE(protocol.ShowsLive()) << c.name;
    }

    // Other control characters are not typing.
    typing.sends.clear();
    Key(Qt::Key_Backspace, QStringLiteral("\b"));
    Key(Qt::Key_Delete, QStringLiteral("\x7f"));
    Key(Qt::Key_Down, {});
    EXPECT_TRUE(typing.sends.isEmpty());

    // What waits to be sent shows in olive after the last line.
    const QImage image = page->PrtWindow->PaintBox()->grab().toImage();
    EXPECT_GT(CountColor(image, image.rect(), QColor(128, 128, 0)), 0);
}

TEST_F(ProtocolPageTest, SearchButton) {
    for (int i = 0; i < 40; ++i)
        protocol.AddText(i == 3 || i == 9 ? L(u"ТЕЛЕГРАММА") : "OTHER", 3);
    page->PrtWindow->ScrollBar()->setValue(0);
    Find<QLineEdit>("Edit_ProtocolSearch")->setText(QStringLiteral("ТЕЛЕГРАММА"));
    auto* button = Find<QPushButton>("Button__ProtocolSearch");
    button->click();
    EXPECT_EQ(protocol.SelFirst(), 6);
    button->click();
    EXPECT_EQ(protocol.SelFirst(), 18);
    EXPECT_EQ(protocol.SelLast(), 18);
    button->click();
    EXPECT_EQ(protocol.SelFirst(), 18);
}

TEST_F(ProtocolPageTest, CopyCommandsPutDisplayTextOnTheClipboard) {
    protocol.AddText(L(u"ПРИЕМ|Д\r\n"), 1);
    protocol.AddText(L(u"|ЗЗ "), 2);
    QClipboard* clipboard = QApplication::clipboard();
    const struct {
        const char* item;
        bool registers;
        bool select;
        QString text;
    } cases[] = {
        {"Menu_CopyProtocol", false, false, "ПРИЕМД\r\nЗЗ \r\n"},
        {"Menu_CopyProtocol", true, false, "ПРИЕМ|Д<>\r\n|ЗЗ \r\n"},
        {"Menu_CopyProtocol", true, true, "ПРИЕМ|Д\r\n|ЗЗ "},
        {"Menu_CopyProtocolReceive", false, true, "ПРИЕМД\r\n"},
        {"Menu_CopyProtocolSend", false, true, "ЗЗ "},
    };
    for (const auto& c : cases) {
        if (Find<QCheckBox>("TntCheckBox_ShowRegisters")->isChecked() != c.registers)
            Find<QCheckBox>("TntCheckBox_ShowRegisters")->click();
        protocol.SetSelFirst(c.select ? 0 : -1);
        protocol.SetSelLast(c.select ? 1 : -1);
        clipboard->clear();
        Find<QAction>(c.item)->trigger();
        EXPECT_EQ(clipboard->text(), c.text) << c.item << " " << c.registers << " " << c.select;
    }
}

}  // namespace
