// The forwarding dialog alone: its fields, its send enabling and the texts
// it builds; and the cut of a received telegram that is forwarded.

#include "editor/TForm_Forward.h"

#include "support/testhome.h"
#include "util/codepages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(ForwardFormTest, FieldsAndTheirDefaults) {
    TForm_Forward form;
    EXPECT_EQ(form.windowTitle(), "Переслать");
    EXPECT_EQ(form.MaskEdit_Net->inputMask(), "99;_");
    EXPECT_EQ(form.MaskEdit_Net->text(), "01");
    EXPECT_EQ(form.MaskEdit_Editor_Index->inputMask(), "999000;_");
    EXPECT_TRUE(form.TntMemo->isReadOnly());
    EXPECT_EQ(form.Button_Send->text(), "Переслать");
    EXPECT_EQ(form.Button_Cancel->text(), "Отменить");
    EXPECT_FALSE(form.Button_Send->isEnabled());

    form.SetCategories({"П", "С"});
    form.TntComboBox_Editor_Category->setCurrentIndex(1);
    form.SetCategories({"ПМ", "С", "П"});
    EXPECT_EQ(form.TntComboBox_Editor_Category->currentText(), "С") << "kept when still there";
    form.SetCategories({"ПМ"});
    EXPECT_EQ(form.TntComboBox_Editor_Category->currentText(), "ПМ");
}

TEST(ForwardFormTest, SendNeedsTextSixDigitsAndACategory) {
    const struct {
        const char* memo;
        const char* index;
        bool category;
        bool enabled;
    } cases[] = {
        {"(ТЕКСТ", "141911", true, true}, {"", "141911", true, false},
        {"(ТЕКСТ", "14191", true, false}, {"(ТЕКСТ", "141911", false, false},
        {"\n", "141911", true, true},
    };
    for (const auto& c : cases) {
        TForm_Forward form;
        if (c.category)
            form.SetCategories({"С"});
        form.TntMemo->setPlainText(QString::fromUtf8(c.memo));
        form.MaskEdit_Editor_Index->setText(QString::fromLatin1(c.index));
        EXPECT_EQ(form.Button_Send->isEnabled(), c.enabled) << c.memo << " " << c.index;
    }
}

TEST(ForwardFormTest, HeaderAndBody) {
    TForm_Forward form;
    form.SetCategories({"П", "С"});
    form.TntComboBox_Editor_Category->setCurrentIndex(1);
    form.MaskEdit_Editor_Index->setText("141911");
    EXPECT_EQ(form.HeaderLine(), "С141911");
    form.MaskEdit_Net->setText("05");
    EXPECT_EQ(form.HeaderLine(), "С05 141911");
    form.TntMemo->setPlainText("(А\nБ\n");
    EXPECT_EQ(form.BodyText(), "(А\r\nБ\r\n");
}

TEST(ForwardFormTest, TheForwardedPartOfTheShownText) {
    EXPECT_EQ(ForwardBody("ЗЦЗЦ 1\n(А\nБ\nНННН  \n"), std::optional<QString>("(А\nБ\n"));
    EXPECT_EQ(ForwardBody("ЗЦЗЦ 1\nА\nНННН  \n"), std::nullopt);
    EXPECT_EQ(ForwardBody("НННН  \n(А"), std::optional<QString>(""));
}

TEST(ForwardFormTest, TheAnsiFileOfAForward) {
    const QString header = QStringLiteral("С05 141911");
    const struct {
        const char16_t* file;
        const char16_t* expected;  // null: nothing is forwarded
    } cases[] = {
        {u"ЗЦЗЦ 1\r\n(А\r\nБ\r\nНННН  \r\n", u"С05 141911\r\n(А\r\nБ\r\n"},
        {u"(А\r\nНННН  ", u"С05 141911(А\r\n"},
        {u"X(А\r\nНННН  ", u"С05 141911X(А\r\n"},
        {u"НННН  \r\nЗЦЗЦ\r\n(А\r\n", u"С05 141911\r\n(А\r\n"},
        {u"ЗЦЗЦ 1\r\nА\r\nНННН  \r\n", nullptr},
        {u"ЗЦЗЦ 1\r\n(А\r\nНННН \r\n", nullptr},
        {u"", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<AnsiText> text =
            ForwardAnsiText(header, WideToAnsi(QString::fromUtf16(c.file)));
        if (c.expected)
            EXPECT_EQ(text, std::optional<AnsiText>(WideToAnsi(QString::fromUtf16(c.expected))))
                << QString::fromUtf16(c.file).toStdString();
        else
            EXPECT_EQ(text, std::nullopt) << QString::fromUtf16(c.file).toStdString();
    }
    // The size limit: 4999 bytes are forwarded, 5000 are not.
    AnsiText file = WideToAnsi(u"(НННН  ");
    file.append(QByteArray(4999 - file.size(), 'A'));
    EXPECT_TRUE(ForwardAnsiText(header, file).has_value());
    file.append('A');
    EXPECT_FALSE(ForwardAnsiText(header, file).has_value());
}

}  // namespace
