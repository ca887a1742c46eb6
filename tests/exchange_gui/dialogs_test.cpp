// The service-group panel, the counters dialog and the request form of the
// control service as widgets: names, captions, limits and what they report.

#include "exchange/TForm_AutoKSS.h"
#include "exchange/TForm_Counters.h"
#include "exchange/TServiceGroupPanel.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

TEST(ServiceGroupPanelTest, ButtonsByNameWithTheirCaptions) {
    TServiceGroupPanel panel;
    const struct {
        int group;
        const char* name;
        const char* caption;
    } buttons[] = {
        {0, "Button_KG0", "КГ0 (ЗЗ)"},    {1, "Button_KG1", "КГ1 (ВАШ)"},
        {2, "Button_KG2", "КГ2 (СТОП)"},  {4, "Button_KG4", "КГ4 (Р)"},
        {5, "Button_KG5", "КГ5 (TEKCT)"},
    };
    QSignalSpy pressed(&panel, &TServiceGroupPanel::groupPressed);
    for (const auto& b : buttons) {
        auto* button = panel.findChild<QPushButton*>(b.name);
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button, panel.Button(b.group));
        EXPECT_EQ(button->text(), QString(b.caption));
        EXPECT_TRUE(button->isEnabled());
        button->click();
        ASSERT_FALSE(pressed.isEmpty());
        EXPECT_EQ(pressed.takeLast()[0].toInt(), b.group);
    }
    EXPECT_EQ(panel.Button(3), nullptr);
}

TEST(ServiceGroupPanelTest, EnablingLeavesUnnamedButtonsAlone) {
    TServiceGroupPanel panel;
    panel.EnableButtons(false, true, true);
    EXPECT_FALSE(panel.Button_KG1->isEnabled());
    EXPECT_TRUE(panel.Button_KG2->isEnabled());
    panel.EnableButtons(true, false, std::nullopt);
    EXPECT_TRUE(panel.Button_KG1->isEnabled());
    EXPECT_FALSE(panel.Button_KG2->isEnabled());
    EXPECT_TRUE(panel.Button_KG4->isEnabled());
    panel.EnableButtons(std::nullopt, std::nullopt, false);
    EXPECT_TRUE(panel.Button_KG1->isEnabled());
    EXPECT_FALSE(panel.Button_KG2->isEnabled());
    EXPECT_FALSE(panel.Button_KG4->isEnabled());
    EXPECT_TRUE(panel.Button_KG0->isEnabled());
    EXPECT_TRUE(panel.Button_KG5->isEnabled());
}

TEST(CountersFormTest, ShowsTheCountersAndTakesNewOnes) {
    TForm_Counters form(QStringLiteral("TARVO/COM"));
    EXPECT_EQ(form.objectName(), "Form_Counters");
    EXPECT_EQ(form.windowTitle(), "TARVO/COM");
    EXPECT_EQ(form.Label_Title->text(), "Счетчики суточного обмена");
    for (const char* name : {"Label_QOLT_In", "Label_QOLT_Out"})
        EXPECT_NE(form.findChild<QLabel*>(name), nullptr) << name;
    for (const char* name : {"UpDown_In", "UpDown_Out"}) {
        auto* spin = form.findChild<QSpinBox*>(name);
        ASSERT_NE(spin, nullptr) << name;
        EXPECT_EQ(spin->minimum(), 0);
        EXPECT_EQ(spin->maximum(), 999);
    }
    EXPECT_EQ(form.Button_Apply->text(), "Применить");

    form.SetValues(12, 7, 6, 11);
    EXPECT_EQ(form.Label_QOLT_In->text(), "012");
    EXPECT_EQ(form.Label_QOLT_Out->text(), "007");
    EXPECT_EQ(form.InputValue(), 6);
    EXPECT_EQ(form.OutputValue(), 11);
    form.UpDown_In->setValue(999);
    form.UpDown_In->stepBy(1);
    EXPECT_EQ(form.InputValue(), 0) << "the counters run modulo 1000";
    form.UpDown_Out->setValue(42);
    EXPECT_EQ(form.OutputValue(), 42);
}

TEST(AutoKssFormTest, FieldsAndTheirLimits) {
    TForm_AutoKSS form;
    EXPECT_EQ(form.objectName(), "Form_AutoKSS");
    EXPECT_EQ(form.windowTitle(), "Запрос АВТО КСС");
    auto items = [](QComboBox* c) {
        QStringList out;
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    };
    EXPECT_EQ(items(form.findChild<QComboBox*>("TntComboBox_JC")), (QStringList{"ЖРН", "КОП"}));
    EXPECT_EQ(items(form.findChild<QComboBox*>("TntComboBox_IO")), (QStringList{"ИСХ", "ВХ"}));
    const struct {
        const char* name;
        int length;
    } edits[] = {
        {"TntEdit_Channel", 6}, {"TntEdit_ChannelS", 2}, {"TntEdit_N", 4}, {"TntEdit_Index", 6}};
    for (const auto& e : edits) {
        auto* edit = form.findChild<QLineEdit*>(e.name);
        ASSERT_NE(edit, nullptr) << e.name;
        EXPECT_EQ(edit->maxLength(), e.length) << e.name;
    }
    EXPECT_EQ(form.DateTimePicker_AutoKSS->displayFormat(), "dd.MM");
    EXPECT_EQ(form.TntButton_Request->text(), "Запрос");
}

TEST(AutoKssFormTest, PrepareAndRequest) {
    TForm_AutoKSS form;
    form.Prepare("305120", QDate(2026, 1, 30));
    EXPECT_EQ(form.TntEdit_Index->text(), "305997");
    EXPECT_EQ(form.TntEdit_Channel->text(), "305000");
    EXPECT_EQ(form.DateTimePicker_AutoKSS->date(), QDate(2026, 1, 30));

    form.TntEdit_Channel->setText("305123");
    form.TntComboBox_JC->setCurrentIndex(1);
    form.TntComboBox_IO->setCurrentIndex(1);
    form.TntEdit_ChannelS->setText("02");
    form.TntEdit_N->setText("17");
    form.Prepare("305120", QDate(2026, 2, 1));
    EXPECT_EQ(form.TntEdit_Channel->text(), "305123") << "the index was right: kept";

    const TAutoKssRequest request = form.Request();
    EXPECT_EQ(request.JC, "КОП");
    EXPECT_EQ(request.IO, "ВХ");
    EXPECT_EQ(request.Index, "305997");
    EXPECT_EQ(AutoKssText(request), "КОП ВХ 305123 02 17 01.02");
}

}  // namespace
