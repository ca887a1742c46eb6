#include "editor/TForm_LoadToEditor.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TForm_LoadToEditor::TForm_LoadToEditor(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_LoadToEditor"));
    setWindowTitle(QStringLiteral("Загрузка в редактор"));
    setModal(true);

    RadioButton_FromFile = new QRadioButton(QStringLiteral("Из Файла"), this);
    RadioButton_FromFile->setObjectName(QStringLiteral("RadioButton_FromFile"));
    RadioButton_FromFile->setChecked(true);
    RadioButton_FromTape = new QRadioButton(QStringLiteral("Прочитать перфоленту"), this);
    RadioButton_FromTape->setObjectName(QStringLiteral("RadioButton_FromTape"));
    CheckBox_ToCryptoBlock = new QCheckBox(QStringLiteral("В криптоблок"), this);
    CheckBox_ToCryptoBlock->setObjectName(QStringLiteral("CheckBox_ToCryptoBlock"));
    Button_Execute = new QPushButton(QStringLiteral("Выполнить"), this);
    Button_Execute->setObjectName(QStringLiteral("Button_Execute"));
    Button_Execute->setDefault(true);
    Button_Cancel = new QPushButton(QStringLiteral("Отмена"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    connect(Button_Execute, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button_Execute);
    buttons->addWidget(Button_Cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(RadioButton_FromFile);
    column->addWidget(RadioButton_FromTape);
    column->addSpacing(8);
    column->addWidget(CheckBox_ToCryptoBlock);
    column->addSpacing(8);
    column->addLayout(buttons);
}
