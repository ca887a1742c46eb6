// "Переслать" of the received list: the button's enabling, the dialog, the
// file written in both modes, cancelling, and the failures that are shown.

#include "shell/TForm_TARVO.h"

#include "archive/TDayListPage.h"
#include "editor/TForm_Forward.h"
#include "support/mainwindowfixture.h"
#include "support/modal.h"
#include "support/protocolevents.h"
#include "support/testhome.h"
#include "util/codepages.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const char* const kReceived = "inp/0130/0130q215.001";

class MainWindowForwardTest : public MainWindowFixture {
protected:
    // The window in the given mode on "Входящие", with one received
    // telegram, selected.
    std::unique_ptr<TForm_TARVO> windowWith(bool ansi, const QByteArray& telegram) {
        writeIni(ansi ? "[PATH]\r\nSaveTlg_ANSI=1\r\n" : "[PATH]\r\nSaveTlg_ANSI=0\r\n");
        home.write(QString::fromLatin1(kReceived), telegram);
        auto window = startedWindow();
        window->Pages()->setCurrentWidget(window->InPage());
        QTreeWidget* list = window->InPage()->ListView;
        EXPECT_EQ(list->topLevelItemCount(), 1);
        if (list->topLevelItemCount() == 1)
            list->setCurrentItem(list->topLevelItem(0));
        return window;
    }

    // Clicks "Переслать" and answers the dialog with the caption given,
    // after filling its fields and letting whileOpen happen.
    bool forward(TForm_TARVO& window, const QString& answer, const QString& category,
                 const QString& net, const QString& index,
                 const std::function<void()>& whileOpen = {}) {
        ModalAnswerer dialog(answer, [&](QWidget* form) {
            auto* f = qobject_cast<TForm_Forward*>(form);
            ASSERT_NE(f, nullptr);
            f->TntComboBox_Editor_Category->setCurrentText(category);
            f->MaskEdit_Net->setText(net);
            f->MaskEdit_Editor_Index->setText(index);
            if (whileOpen)
                whileOpen();
        });
        window.InPage()->Button_Forward->click();
        return dialog.answered;
    }
};

const QByteArray kTelegram =
    WideToAnsi(u"ЗЦЗЦ 001\r\nП141911\r\n(ПРИБЫВАЮ 12\r\nИВАНОВ\r\nНННН  \r\n");

TEST_F(MainWindowForwardTest, ForwardWritesTheNextFileInEitherMode) {
    struct Case {
        bool ansi;
        const char* net;
        const char16_t* header;
        QByteArray file;
    } cases[] = {
        {true, "05", u"С05 141911", WideToAnsi(u"С05 141911\r\n(ПРИБЫВАЮ 12\r\nИВАНОВ\r\n")},
        {true, "01", u"С141911", WideToAnsi(u"С141911\r\n(ПРИБЫВАЮ 12\r\nИВАНОВ\r\n")},
        {false, "05", u"С05 141911",
         Utf16FileBytes(QStringLiteral("С05 141911\r\n(ПРИБЫВАЮ 12\r\nИВАНОВ\r\n\r\n"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ansi ? "ANSI" : "Unicode");
        SCOPED_TRACE(c.net);
        QFile::remove(home.file("out/0130q000"));
        QFile::remove(home.file("out/0130q001"));
        auto window = windowWith(c.ansi, kTelegram);
        ASSERT_TRUE(window->InPage()->Button_Forward->isEnabled());
        // What the editor composed last stays as it was.
        window->Outgoing().OutgoingLines = QStringList{QStringLiteral("СОСТАВЛЯЕТСЯ")};
        window->Exchange().Queue().SetScanCountdown(60);

        ASSERT_TRUE(forward(*window, QStringLiteral("Переслать"), QStringLiteral("С"),
                            QString::fromLatin1(c.net), QStringLiteral("141911")));
        EXPECT_EQ(window->ForwardForm()->HeaderLine(), QString::fromUtf16(c.header));
        EXPECT_EQ(window->ForwardForm()->TntMemo->toPlainText(), "(ПРИБЫВАЮ 12\nИВАНОВ\n");
        EXPECT_EQ(ReadFileOrMissing(home.file("out/0130q000")), c.file);
        EXPECT_EQ(records.status.EditNumber, 1);
        EXPECT_EQ(window->Pages()->currentIndex(), 0) << "the protocol is shown";
        EXPECT_EQ(window->Exchange().Queue().ScanCountdown(), 3);
        EXPECT_EQ(window->Outgoing().OutgoingLines, QStringList{"СОСТАВЛЯЕТСЯ"});

        // The dialog keeps what the operator entered; the second forward
        // takes the next number.
        window->Pages()->setCurrentWidget(window->InPage());
        ASSERT_TRUE(forward(*window, QStringLiteral("Переслать"), QStringLiteral("С"),
                            QString::fromLatin1(c.net), QStringLiteral("141911")));
        EXPECT_EQ(ReadFileOrMissing(home.file("out/0130q001")), c.file);
        EXPECT_EQ(records.status.EditNumber, 2);
    }
}

// The list is refreshed while the dialog is open; what goes out is still
// the telegram the operator opened it on.
TEST_F(MainWindowForwardTest, ARefreshWhileTheDialogIsOpenForwardsTheTelegramOpened) {
    const struct {
        const char* label;
        std::function<void(TForm_TARVO&)> refresh;
    } cases[] = {
        {"a telegram sorting before it",
         [&](TForm_TARVO& window) {
             home.write("inp/0130/0130u100.000",
                        WideToAnsi(u"ЗЦЗЦ 000\r\nС141100\r\n(ЧУЖАЯ\r\nНННН  \r\n"));
             window.InPage()->RefreshIfToday();
         }},
        {"the day's change",
         [](TForm_TARVO& window) {
             window.InPage()->SetDate(QDate(2026, 1, 31));
             window.InPage()->FillDayList(QDate(2026, 1, 31));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        QFile::remove(home.file("out/0130q000"));
        QFile::remove(home.file("inp/0130/0130u100.000"));
        auto window = windowWith(true, kTelegram);
        ASSERT_TRUE(forward(*window, QStringLiteral("Переслать"), QStringLiteral("С"),
                            QStringLiteral("01"), QStringLiteral("141911"),
                            [&] { c.refresh(*window); }));
        EXPECT_EQ(ReadFileOrMissing(home.file("out/0130q000")),
                  WideToAnsi(u"С141911\r\n(ПРИБЫВАЮ 12\r\nИВАНОВ\r\n"));
    }
}

TEST_F(MainWindowForwardTest, CancelWritesNothingButShortensTheScanWait) {
    for (const bool ansi : {true, false}) {
        SCOPED_TRACE(ansi ? "ANSI" : "Unicode");
        auto window = windowWith(ansi, kTelegram);
        window->Exchange().Queue().SetScanCountdown(60);
        ASSERT_TRUE(forward(*window, QStringLiteral("Отменить"), QStringLiteral("С"),
                            QStringLiteral("05"), QStringLiteral("141911")));
        EXPECT_FALSE(QFile::exists(home.file("out/0130q000")));
        EXPECT_EQ(records.status.EditNumber, 0);
        EXPECT_EQ(window->Pages()->currentWidget(), window->InPage());
        EXPECT_EQ(window->Exchange().Queue().ScanCountdown(), 3);
    }
}

TEST_F(MainWindowForwardTest, TheButtonNeedsBothMarkersOfTheShownTelegram) {
    auto window = windowWith(true, kTelegram);
    QPushButton* button = window->InPage()->Button_Forward;
    QPlainTextEdit* memo = window->InPage()->Memo;
    const struct {
        const char* text;
        bool enabled;
    } cases[] = {
        {"ЗЦЗЦ 001\n(ТЕКСТ\nНННН  \n", true},
        {"ЗЦЗЦ 001\n(ТЕКСТ\n", false},
        {"001\n(ТЕКСТ\nНННН  \n", false},
        {"ЗЦЗЦ 001\n(ТЕКСТ\nНННН \n", false},
    };
    for (const auto& c : cases) {
        memo->setPlainText(QString::fromUtf8(c.text));
        EXPECT_EQ(button->isEnabled(), c.enabled) << c.text;
    }
    window->InPage()->ListView->clearSelection();
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    EXPECT_FALSE(button->isEnabled());
    window->InPage()->ListView->setCurrentItem(window->InPage()->ListView->topLevelItem(0));
    EXPECT_TRUE(button->isEnabled());
}

TEST_F(MainWindowForwardTest, ATelegramWithoutParenthesisOpensNoDialog) {
    auto window = windowWith(true, WideToAnsi(u"ЗЦЗЦ 001\r\nП141911\r\nТЕКСТ\r\nНННН  \r\n"));
    ASSERT_TRUE(window->InPage()->Button_Forward->isEnabled());
    window->Exchange().Queue().SetScanCountdown(60);
    NoModalDialogs none;
    window->InPage()->Button_Forward->click();
    EXPECT_EQ(none.seen, 0);
    EXPECT_EQ(window->Exchange().Queue().ScanCountdown(), 60);
    EXPECT_FALSE(QFile::exists(home.file("out/0130q000")));
}

TEST_F(MainWindowForwardTest, AFileThatCannotBeForwardedIsReported) {
    // Over the limit of the ANSI forward, and a file that waits under the
    // next number: neither is written nor replaced.
    QByteArray big = kTelegram;
    big.insert(big.indexOf('(') + 1, QByteArray(5000, 'A'));
    auto window = windowWith(true, big);
    ASSERT_TRUE(forward(*window, QStringLiteral("Переслать"), QStringLiteral("С"),
                        QStringLiteral("01"), QStringLiteral("141911")));
    EXPECT_FALSE(QFile::exists(home.file("out/0130q000")));
    EXPECT_EQ(records.status.EditNumber, 0);
    EXPECT_EQ(window->Pages()->currentWidget(), window->InPage());
    const QStringList events = ProtocolEventsWithLevel(protocol);
    ASSERT_FALSE(events.isEmpty());
    EXPECT_TRUE(events.last().startsWith(QStringLiteral("4ТЛГ НЕ ПЕРЕСЛАНА: ")))
        << events.last().toStdString();
    EXPECT_TRUE(events.last().endsWith(QStringLiteral("0130q215.001")))
        << events.last().toStdString();
    const QList<QMessageBox*> boxes = OpenMessageBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0]->windowTitle(), "Error");
    EXPECT_EQ(boxes[0]->text(), events.last().mid(1));
    boxes[0]->close();
}

TEST_F(MainWindowForwardTest, AWaitingFileIsNeverReplaced) {
    home.write("out/0130q000", "ЖДЕТ");
    auto window = windowWith(true, kTelegram);
    ASSERT_TRUE(forward(*window, QStringLiteral("Переслать"), QStringLiteral("С"),
                        QStringLiteral("01"), QStringLiteral("141911")));
    EXPECT_EQ(ReadFileOrMissing(home.file("out/0130q000")), "ЖДЕТ");
    EXPECT_EQ(ReadFileOrMissing(home.file("out/0130q001")),
              WideToAnsi(u"С141911\r\n(ПРИБЫВАЮ 12\r\nИВАНОВ\r\n"));
    EXPECT_EQ(records.status.EditNumber, 2);
}

}  // namespace
