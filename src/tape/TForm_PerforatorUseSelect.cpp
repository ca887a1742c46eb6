#include "tape/TForm_PerforatorUseSelect.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TForm_PerforatorUseSelect::TForm_PerforatorUseSelect(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_PerforatorUseSelect"));
    setWindowTitle(QStringLiteral("Перфоратор"));
    setModal(true);

    // The "c" of this caption has always been a Latin letter.
    Button_Input = new QPushButton(QStringLiteral("Прочитать c ленты"), this);
    Button_Input->setObjectName(QStringLiteral("Button_Input"));
    Button_Output = new QPushButton(QStringLiteral("Вывести на ленту"), this);
    Button_Output->setObjectName(QStringLiteral("Button_Output"));
    Button_Cancel = new QPushButton(QStringLiteral("Отмена"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    connect(Button_Input, &QPushButton::clicked, this, [this] {
        readChosen_ = true;
        accept();
    });
    connect(Button_Output, &QPushButton::clicked, this, [this] {
        readChosen_ = false;
        accept();
    });
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* choices = new QHBoxLayout;
    choices->addWidget(Button_Input);
    choices->addWidget(Button_Output);
    auto* cancel = new QHBoxLayout;
    cancel->addStretch(1);
    cancel->addWidget(Button_Cancel);
    auto* column = new QVBoxLayout(this);
    column->addLayout(choices);
    column->addLayout(cancel);
    column->setSizeConstraint(QLayout::SetFixedSize);
}
