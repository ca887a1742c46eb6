#include "protocol/TForm_PrtWindowMessage.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm_PrtWindowMessage::TForm_PrtWindowMessage(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_PrtWindowMessage"));
    setWindowTitle(QStringLiteral("Ошибка"));
    setModal(false);
    resize(520, 220);

    TntMemo_Message = new QPlainTextEdit(this);
    TntMemo_Message->setObjectName(QStringLiteral("TntMemo_Message"));
    TntMemo_Message->setReadOnly(true);
    TntMemo_Message->setLineWrapMode(QPlainTextEdit::NoWrap);
    TntMemo_Message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TntMemo_Message->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette colors = TntMemo_Message->palette();
    colors.setColor(QPalette::Base, colors.color(QPalette::ToolTipBase));
    colors.setColor(QPalette::Text, colors.color(QPalette::ToolTipText));
    TntMemo_Message->setPalette(colors);

    Button_Close = new QPushButton(QStringLiteral("Закрыть"), this);
    Button_Close->setObjectName(QStringLiteral("Button_Close"));
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button_Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TntMemo_Message, 1);
    layout->addLayout(buttons);
}

void TForm_PrtWindowMessage::ReportWriteFailure(const QString& text) {
    TntMemo_Message->appendPlainText(text);
    show();
    raise();
    activateWindow();
}

void TForm_PrtWindowMessage::ShowFolderError(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                                text, QMessageBox::Ok, parentWidget());
    box->setObjectName(QStringLiteral("MessageBox_ProtocolFolder"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TForm_PrtWindowMessage::done(int result) {
    // However it is closed (button, Escape, the title bar), it starts empty
    // next time.
    TntMemo_Message->clear();
    QDialog::done(result);
}
