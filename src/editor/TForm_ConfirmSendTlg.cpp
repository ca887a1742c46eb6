#include "editor/TForm_ConfirmSendTlg.h"

#include "util/telegramtext.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm_ConfirmSendTlg::TForm_ConfirmSendTlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_ConfirmSendTlg"));
    setWindowTitle(QStringLiteral("Отправка телеграммы"));
    setModal(true);
    resize(560, 420);

    TntMemo_ConfirmSendTlg = new QPlainTextEdit(this);
    TntMemo_ConfirmSendTlg->setObjectName(QStringLiteral("TntMemo_ConfirmSendTlg"));
    TntMemo_ConfirmSendTlg->setReadOnly(true);
    TntMemo_ConfirmSendTlg->setLineWrapMode(QPlainTextEdit::NoWrap);
    Button_Execute = new QPushButton(QStringLiteral("Выполнить"), this);
    Button_Execute->setObjectName(QStringLiteral("Button_Execute"));
    Button_Execute->setDefault(true);
    Button_Cancel = new QPushButton(QStringLiteral("Отменить"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    connect(Button_Execute, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button_Execute);
    buttons->addWidget(Button_Cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(TntMemo_ConfirmSendTlg, 1);
    column->addLayout(buttons);
}

void TForm_ConfirmSendTlg::SetLines(const QStringList& lines) {
    TntMemo_ConfirmSendTlg->setPlainText(ToMemoText(JoinLines(lines)));
}
