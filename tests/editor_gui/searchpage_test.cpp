// The "Поиск" page: the list it fills, and a long search stopped half-way.

#include "archive/TSearchPage.h"
#include "config/tlgconfig.h"
#include "support/loopback.h"
#include "support/testhome.h"
#include "support/widgets.h"
#include "util/codepages.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class SearchPageTest : public ::testing::Test {
protected:
    // days folders of files, every one holding the word.
    void MakeDays(int days, int files) {
        for (int d = 0; d < days; ++d) {
            const QDate date = first.addDays(d);
            const QString day = date.toString("MMdd");
            for (int f = 0; f < files; ++f) {
                const QString path =
                    QStringLiteral("inp/%1/%1u911.%2").arg(day).arg(f + 1, 3, 10, QLatin1Char('0'));
                home.write(path, WideToAnsi(u"ЗЦЗЦ 001 ПМ12 141911\r\nСЛОВО\r\n"));
                ASSERT_TRUE(SetWriteTime(home.file(path), QDateTime(date, QTime(9, 5, 7))));
            }
        }
    }
    bool WaitEnd() {
        return WaitUntil([&] { return ended; }, 30000);
    }

    TestHome home;
    _tlg_config config;
    const QDate first{2025, 11, 1};
    std::unique_ptr<TSearchPage> page;
    bool ended = false;
    bool completed = false;

    void SetUp() override {
        config.InpPath = home.file("inp/");
        config.OutPath = home.file("out/");
        page = std::make_unique<TSearchPage>(config);
        QObject::connect(page.get(), &TSearchPage::searchFinished, page.get(), [this](bool done) {
            ended = true;
            completed = done;
        });
    }
};

TEST_F(SearchPageTest, HitsAreListedWithTheirColumnsAndNumbersRunningOn) {
    MakeDays(3, 2);
    // An operator's larger screen font.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    ASSERT_EQ(QFontInfo(font).family(), "DejaVu Sans") << "fonts-dejavu-core must be installed";
    page->ListView_Search->setFont(font);
    page->DateTimePicker_Search_From->setDate(first);
    page->DateTimePicker_Search_To->setDate(first.addDays(2));
    page->TntEdit_Search_Text->setText(QStringLiteral("СЛОВО"));
    page->TntButton_Search->click();
    ASSERT_TRUE(WaitEnd());
    EXPECT_TRUE(completed);
    QTreeWidget* list = page->ListView_Search;
    EXPECT_EQ(ColumnTexts(list, 0), (QStringList{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(ColumnTexts(list, 1).first(), "01.11.25");
    EXPECT_EQ(ColumnTexts(list, 2).first(), "09:05");
    EXPECT_EQ(ColumnTexts(list, 3), (QStringList{"1101u911.001", "1101u911.002", "1102u911.001",
                                                 "1102u911.002", "1103u911.001", "1103u911.002"}));
    EXPECT_EQ(ColumnTexts(list, 4).first(), home.file("inp/1101/"));
    // Each name is shown whole: the column holds its text and the margins
    // the style puts on either side of an item's text.
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    for (const QString& name : ColumnTexts(list, 3))
        EXPECT_GE(list->columnWidth(3), QFontMetrics(font).horizontalAdvance(name) + 2 * margin)
            << name.toStdString();
    EXPECT_EQ(page->ProgressBar_Search->value(), page->ProgressBar_Search->maximum());

    // A selection shows the telegram and lets it go to the editor.
    EXPECT_FALSE(page->TntButton_Search_ToEdit->isEnabled());
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_TRUE(page->TntMemo_Search_TlgText->toPlainText().startsWith("ЗЦЗЦ 001"));
    EXPECT_TRUE(page->TntButton_Search_ToEdit->isEnabled());
    EXPECT_TRUE(page->TntButton_Search_Print->isEnabled());
    QString taken;
    QObject::connect(page.get(), &TSearchPage::toEditorRequested, page.get(),
                     [&](const QString& text) { taken = text; });
    page->TntButton_Search_ToEdit->click();
    EXPECT_EQ(taken, page->TntMemo_Search_TlgText->toPlainText());
}

TEST_F(SearchPageTest, ALongSearchStoppedLeavesAConsistentShorterList) {
    constexpr int kDays = 120;
    MakeDays(kDays, 20);
    page->DateTimePicker_Search_From->setDate(first);
    page->DateTimePicker_Search_To->setDate(first.addDays(kDays - 1));
    page->TntEdit_Search_Text->setText(QStringLiteral("СЛОВО"));
    page->TntButton_Search->click();
    EXPECT_EQ(page->TntButton_Search->text(), "Стоп");
    QTreeWidget* list = page->ListView_Search;
    ASSERT_TRUE(WaitUntil([&] { return list->topLevelItemCount() > 0; }));
    // "Поиск" again stops it.
    page->TntButton_Search->click();
    EXPECT_FALSE(page->Searching()) << "no worker left running";
    ASSERT_TRUE(ended);
    EXPECT_FALSE(completed);
    EXPECT_EQ(page->TntButton_Search->text(), "Поиск");
    const int count = list->topLevelItemCount();
    EXPECT_LT(count, kDays * 20);
    QStringList numbers;
    for (int i = 1; i <= count; ++i)
        numbers << QString::number(i);
    EXPECT_EQ(ColumnTexts(list, 0), numbers);
    // Nothing of the stopped search comes later.
    QCoreApplication::processEvents();
    EXPECT_EQ(list->topLevelItemCount(), count);
}

}  // namespace
