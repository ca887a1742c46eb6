#include "exchange/TForm_AutoKSS.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm_AutoKSS::TForm_AutoKSS(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_AutoKSS"));
    setWindowTitle(QStringLiteral("Запрос АВТО КСС"));

    auto combo = [this](const char* name, const QStringList& items) {
        auto* c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->addItems(items);
        return c;
    };
    TntComboBox_JC = combo("TntComboBox_JC", {QStringLiteral("ЖРН"), QStringLiteral("КОП")});
    TntComboBox_IO = combo("TntComboBox_IO", {QStringLiteral("ИСХ"), QStringLiteral("ВХ")});
    auto edit = [this](const char* name, int length) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setMaxLength(length);
        return e;
    };
    TntEdit_Channel = edit("TntEdit_Channel", 6);
    TntEdit_ChannelS = edit("TntEdit_ChannelS", 2);
    TntEdit_N = edit("TntEdit_N", 4);
    TntEdit_Index = edit("TntEdit_Index", 6);
    DateTimePicker_AutoKSS = new QDateEdit(this);
    DateTimePicker_AutoKSS->setObjectName(QStringLiteral("DateTimePicker_AutoKSS"));
    DateTimePicker_AutoKSS->setCalendarPopup(true);
    DateTimePicker_AutoKSS->setDisplayFormat(QStringLiteral("dd.MM"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Запрос"), TntComboBox_JC);
    form->addRow(QStringLiteral("Направление"), TntComboBox_IO);
    form->addRow(QStringLiteral("Канал"), TntEdit_Channel);
    form->addRow(QStringLiteral("Подканал"), TntEdit_ChannelS);
    form->addRow(QStringLiteral("Номер"), TntEdit_N);
    form->addRow(QStringLiteral("Дата"), DateTimePicker_AutoKSS);
    form->addRow(QStringLiteral("Индекс"), TntEdit_Index);

    TntButton_Request = new QPushButton(QStringLiteral("Запрос"), this);
    TntButton_Request->setObjectName(QStringLiteral("TntButton_Request"));
    TntButton_Request->setDefault(true);
    TntButton_Cancel = new QPushButton(QStringLiteral("Отмена"), this);
    TntButton_Cancel->setObjectName(QStringLiteral("TntButton_Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(TntButton_Request);
    buttons->addWidget(TntButton_Cancel);

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addLayout(buttons);

    connect(TntButton_Request, &QPushButton::clicked, this, &QDialog::accept);
    connect(TntButton_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_AutoKSS::Prepare(const QString& editorIndex, const QDate& today) {
    QString index = TntEdit_Index->text();
    QString channel = TntEdit_Channel->text();
    PrepareAutoKssRequest(editorIndex, index, channel);
    TntEdit_Index->setText(index);
    TntEdit_Channel->setText(channel);
    DateTimePicker_AutoKSS->setDate(today);
}

TAutoKssRequest TForm_AutoKSS::Request() const {
    TAutoKssRequest request;
    request.JC = TntComboBox_JC->currentText();
    request.IO = TntComboBox_IO->currentText();
    request.Channel = TntEdit_Channel->text();
    request.ChannelS = TntEdit_ChannelS->text();
    request.N = TntEdit_N->text();
    request.Index = TntEdit_Index->text();
    request.Date = DateTimePicker_AutoKSS->date();
    return request;
}
