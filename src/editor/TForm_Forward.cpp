#include "editor/TForm_Forward.h"

#include "util/codepages.h"
#include "util/linecode.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kEndOfMessage = QStringLiteral("НННН  ");
// Longer files are not forwarded.
constexpr qsizetype kForwardLimit = 5000;

}  // namespace

TForm_Forward::TForm_Forward(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_Forward"));
    setWindowTitle(QStringLiteral("Переслать"));
    setModal(true);

    TntComboBox_Editor_Category = new QComboBox(this);
    TntComboBox_Editor_Category->setObjectName(QStringLiteral("TntComboBox_Editor_Category"));
    MaskEdit_Net = new QLineEdit(this);
    MaskEdit_Net->setObjectName(QStringLiteral("MaskEdit_Net"));
    MaskEdit_Net->setInputMask(QStringLiteral("99;_"));
    MaskEdit_Net->setText(QStringLiteral("01"));
    MaskEdit_Net->setMaximumWidth(40);
    // Three digits are required and three more allowed.
    MaskEdit_Editor_Index = new QLineEdit(this);
    MaskEdit_Editor_Index->setObjectName(QStringLiteral("MaskEdit_Editor_Index"));
    MaskEdit_Editor_Index->setInputMask(QStringLiteral("999000;_"));
    MaskEdit_Editor_Index->setMaximumWidth(90);
    TntMemo = new QPlainTextEdit(this);
    TntMemo->setObjectName(QStringLiteral("TntMemo"));
    TntMemo->setReadOnly(true);
    TntMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    TntMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TntMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette info = TntMemo->palette();
    info.setColor(QPalette::Base, info.color(QPalette::ToolTipBase));
    info.setColor(QPalette::Text, info.color(QPalette::ToolTipText));
    TntMemo->setPalette(info);
    Button_Send = new QPushButton(QStringLiteral("Переслать"), this);
    Button_Send->setObjectName(QStringLiteral("Button_Send"));
    Button_Send->setDefault(true);
    Button_Cancel = new QPushButton(QStringLiteral("Отменить"), this);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));

    auto* fields = new QHBoxLayout;
    auto* categoryLabel = new QLabel(QStringLiteral("Категория"), this);
    categoryLabel->setBuddy(TntComboBox_Editor_Category);
    auto* indexLabel = new QLabel(QStringLiteral("Индекс"), this);
    indexLabel->setBuddy(MaskEdit_Editor_Index);
    fields->addWidget(categoryLabel);
    fields->addWidget(TntComboBox_Editor_Category);
    fields->addWidget(MaskEdit_Net);
    fields->addWidget(indexLabel);
    fields->addWidget(MaskEdit_Editor_Index);
    fields->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button_Send);
    buttons->addWidget(Button_Cancel);
    auto* column = new QVBoxLayout(this);
    column->addLayout(fields);
    column->addWidget(TntMemo, 1);
    column->addLayout(buttons);
    resize(560, 400);

    connect(Button_Send, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(TntMemo, &QPlainTextEdit::textChanged, this, &TForm_Forward::UpdateSendButton);
    connect(TntComboBox_Editor_Category, &QComboBox::currentTextChanged, this,
            &TForm_Forward::UpdateSendButton);
    connect(MaskEdit_Editor_Index, &QLineEdit::textChanged, this, &TForm_Forward::UpdateSendButton);
    UpdateSendButton();
}

void TForm_Forward::SetCategories(const QStringList& categories) {
    const QString chosen = TntComboBox_Editor_Category->currentText();
    TntComboBox_Editor_Category->clear();
    TntComboBox_Editor_Category->addItems(categories);
    const int kept = TntComboBox_Editor_Category->findText(chosen);
    TntComboBox_Editor_Category->setCurrentIndex(kept >= 0 ? kept : 0);
}

QString TForm_Forward::HeaderLine() const {
    QString header = TntComboBox_Editor_Category->currentText();
    const QString net = MaskEdit_Net->text();
    if (net != QStringLiteral("01"))
        header += net + u' ';
    return header + MaskEdit_Editor_Index->text();
}

QString TForm_Forward::BodyText() const {
    return TntMemo->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void TForm_Forward::UpdateSendButton() {
    Button_Send->setEnabled(!TntMemo->document()->isEmpty() &&
                            LeadingDigitCount(MaskEdit_Editor_Index->text()) == 6 &&
                            !TntComboBox_Editor_Category->currentText().isEmpty());
}

std::optional<QString> ForwardBody(const QString& received) {
    const qsizetype begin = received.indexOf(u'(');
    if (begin < 0)
        return std::nullopt;
    const qsizetype end = received.indexOf(kEndOfMessage);
    if (end < begin)
        return QString();
    return received.mid(begin, end - begin);
}

std::optional<AnsiText> ForwardAnsiText(const QString& header, const AnsiText& file) {
    if (file.isEmpty() || file.size() >= kForwardLimit)
        return std::nullopt;
    const qsizetype open = file.indexOf('(');
    const qsizetype end = file.indexOf(WideToAnsi(kEndOfMessage));
    if (open < 0 || end < 0)
        return std::nullopt;
    // Two characters in front of the "(": the line break that normally
    // stands before it.
    const qsizetype begin = qMax<qsizetype>(0, open - 2);
    const qsizetype stop = end < open ? file.size() : end;
    return WideToAnsi(header) + file.mid(begin, stop - begin);
}
