#include "shell/TForm_Access.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm_Access::TForm_Access(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_Access"));
    setWindowTitle(QStringLiteral("Access code"));
    Edit_AccessCode = new QLineEdit(this);
    Edit_AccessCode->setObjectName(QStringLiteral("Edit_AccessCode"));
    Edit_AccessCode->setMaxLength(kMaxLength);
    Edit_AccessCode->setEchoMode(QLineEdit::Password);
    Edit_AccessCode->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    Button_Ok = new QPushButton(QStringLiteral("Ok"), this);
    Button_Ok->setObjectName(QStringLiteral("Button_Ok"));
    Button_Ok->setDefault(true);
    Button_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    connect(Button_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Ok);
    buttons->addWidget(Button_Cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Edit_AccessCode);
    column->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}
