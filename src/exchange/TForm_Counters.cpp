#include "exchange/TForm_Counters.h"

#include "util/linecode.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TForm_Counters::TForm_Counters(const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_Counters"));
    setWindowTitle(caption);

    Label_Title = new QLabel(QStringLiteral("Счетчики суточного обмена"), this);
    Label_Title->setObjectName(QStringLiteral("Label_Title"));
    Label_Title->setAlignment(Qt::AlignCenter);

    auto label = [this](const char* name, const QString& hint) {
        auto* l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        l->setToolTip(hint);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    Label_QOLT_In = label("Label_QOLT_In", QStringLiteral("Принято ЦКС"));
    Label_QOLT_Out = label("Label_QOLT_Out", QStringLiteral("Передано ЦКС"));
    auto spin = [this](const char* name, const QString& hint) {
        auto* s = new QSpinBox(this);
        s->setObjectName(QLatin1String(name));
        s->setToolTip(hint);
        s->setRange(0, 999);
        s->setWrapping(true);  // the counters run modulo 1000
        return s;
    };
    UpDown_In = spin("UpDown_In", QStringLiteral("Принято от ЦКС"));
    UpDown_Out = spin("UpDown_Out", QStringLiteral("Передано на ЦКС"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Принято"), this), 0, 1, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("Передано"), this), 0, 2, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("ЦКС"), this), 1, 0);
    grid->addWidget(Label_QOLT_In, 1, 1);
    grid->addWidget(Label_QOLT_Out, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("КОМПЬЮТЕР"), this), 2, 0);
    grid->addWidget(UpDown_In, 2, 1);
    grid->addWidget(UpDown_Out, 2, 2);

    Button_Apply = new QPushButton(QStringLiteral("Применить"), this);
    Button_Apply->setObjectName(QStringLiteral("Button_Apply"));
    Button_Cancel = new QPushButton(QStringLiteral("Отмена"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button_Apply);
    buttons->addWidget(Button_Cancel);

    auto* column = new QVBoxLayout(this);
    column->addWidget(Label_Title);
    column->addLayout(grid);
    column->addLayout(buttons);

    connect(Button_Apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_Counters::SetValues(int centreYours, int centreOurs, int numberInput, int numberOutput) {
    Label_QOLT_In->setText(QString::fromLatin1(ThreeDigits(centreYours)));
    Label_QOLT_Out->setText(QString::fromLatin1(ThreeDigits(centreOurs)));
    UpDown_In->setValue(numberInput);
    UpDown_Out->setValue(numberOutput);
}

int TForm_Counters::InputValue() const {
    return UpDown_In->value();
}

int TForm_Counters::OutputValue() const {
    return UpDown_Out->value();
}
