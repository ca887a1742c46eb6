#include "protocol/TForm_PrtWindowMessage.h"

#include "protocol/TPrtWindow.h"
#include "viewsupport.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using ErrorWindowTest = ViewTest;

TEST_F(ErrorWindowTest, ReportsAppendAndClosingEmpties) {
    TForm_PrtWindowMessage form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Ошибка"));
    auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("TntMemo_Message"));
    auto* close = form.findChild<QPushButton*>(QStringLiteral("Button_Close"));
    ASSERT_TRUE(memo && close);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(close->text(), QStringLiteral("Закрыть"));
    EXPECT_EQ(memo->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::ToolTipBase));

    form.ReportWriteFailure(QStringLiteral("ONE"));
    form.ReportWriteFailure(QStringLiteral("TWO"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isModal());
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("ONE\nTWO"));

    close->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(memo->toPlainText(), QString());
    form.ReportWriteFailure(QStringLiteral("THREE"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("THREE"));
    form.reject();  // Escape
    EXPECT_EQ(memo->toPlainText(), QString());
}

TEST_F(ErrorWindowTest, TheStoreReportsAFailingFileOnce) {
    TProtocol protocol;
    TPrtWindow view(protocol);
    TForm_PrtWindowMessage form;
    protocol.AttachNotices(&form);
    protocol.SetTimeText(QStringLiteral("12:00:00"));
    ASSERT_TRUE(protocol.SetFolder(QStringLiteral("prt")));
    protocol.SetFileName(QStringLiteral("0130.prt"));
    QDir(home.file("prt")).removeRecursively();
    protocol.AddText("A", 1);
    protocol.AddText("B", 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.TntMemo_Message->toPlainText(),
              "12:00:00 Невозможно записать файл протокола " + protocol.LivePath());
}

TEST_F(ErrorWindowTest, FolderErrorIsAMessageBox) {
    TForm_PrtWindowMessage form;
    form.ShowFolderError(
        QStringLiteral("Ошибка сохранения файла. Не найден и не создан каталог /x/"));
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(widget); b && b->isVisible())
            box = b;
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(),
              QStringLiteral("Ошибка сохранения файла. Не найден и не создан каталог /x/"));
    box->close();
}

}  // namespace
