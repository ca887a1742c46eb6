#include "tape/TForm_PerforatorIn.h"

#include "line/perforator.h"
#include "protocol/protocol.h"
#include "tape/tapestrip.h"
#include "util/linecode.h"
#include "util/telegramtext.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QPushButton* namedButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TForm_PerforatorIn::TForm_PerforatorIn(IPerforator& perforator, TProtocol& protocol,
                                       QWidget* parent)
    : QDialog(parent), perforator_(perforator), protocol_(protocol) {
    setObjectName(QStringLiteral("Form_PerforatorIn"));
    setWindowTitle(QStringLiteral("Ввод с перфоленты"));
    setModal(true);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo->setMinimumSize(520, 260);
    TapeStrip = new TTapeStrip(this);
    Button_Start = namedButton(QStringLiteral("Старт"), "Button_Start", this);
    Button_Stop = namedButton(QStringLiteral("Стоп"), "Button_Stop", this);
    Button_Ok = namedButton(QStringLiteral("Принять"), "Button_Ok", this);
    Button_Cancel = namedButton(QStringLiteral("Закрыть"), "Button_Cancel", this);
    Button_DeleteFirst = namedButton(QStringLiteral(">>>"), "Button_DeleteFirst", this);
    Button_DeleteEnd = namedButton(QStringLiteral("<<<"), "Button_DeleteEnd", this);

    connect(Button_Start, &QPushButton::clicked, this, &TForm_PerforatorIn::Button_StartClick);
    connect(Button_Stop, &QPushButton::clicked, this, &TForm_PerforatorIn::Button_StopClick);
    connect(Button_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button_DeleteFirst, &QPushButton::clicked, this,
            &TForm_PerforatorIn::Button_DeleteFirstClick);
    connect(Button_DeleteEnd, &QPushButton::clicked, this,
            &TForm_PerforatorIn::Button_DeleteEndClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_Start);
    buttons->addWidget(Button_Stop);
    buttons->addWidget(Button_DeleteFirst);
    buttons->addWidget(Button_DeleteEnd);
    buttons->addStretch(1);
    buttons->addWidget(Button_Ok);
    buttons->addWidget(Button_Cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Memo, 1);
    column->addWidget(TapeStrip);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

void TForm_PerforatorIn::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The window system shows the window again when the workstation comes
    // back from being minimised: that is the same read going on, and its
    // text and its Start button stay as they are. Such a report may also
    // come late, after the window closed, and must not take the port then.
    if (event->spontaneous())
        return;
    tapeText_.clear();
    showText();
    Button_Start->setEnabled(perforator_.IsActive());
    Button_Stop->setEnabled(false);
    Button_Ok->setEnabled(false);
    Button_DeleteFirst->setEnabled(false);
    Button_DeleteEnd->setEnabled(false);
    perforator_.HoldPort();
}

void TForm_PerforatorIn::done(int result) {
    if (isVisible()) {
        if (!Button_Start->isEnabled()) {
            perforator_.StopReading();
            protocol_.AddMessage(QStringLiteral("ПЛ СТОП"), kProtocolEvent);
        }
        perforator_.ArmRelease();
    }
    QDialog::done(result);
}

void TForm_PerforatorIn::showText() {
    Memo->setPlainText(ToMemoText(LineToWide(tapeText_, true)));
    Memo->verticalScrollBar()->setValue(Memo->verticalScrollBar()->maximum());
    TapeStrip->SetText(tapeText_);
    TapeStrip->ShowEnd();
}

void TForm_PerforatorIn::Refresh() {
    const bool editable = Button_Start->isEnabled() && !tapeText_.isEmpty();
    Button_DeleteFirst->setEnabled(editable);
    Button_DeleteEnd->setEnabled(editable);
    Button_Ok->setEnabled(editable);
    showText();
}

void TForm_PerforatorIn::Button_StartClick() {
    Button_Start->setEnabled(false);
    Refresh();
    protocol_.AddMessage(QStringLiteral("ПЛ ВВОД"), kProtocolEvent);
    perforator_.StartReading();
}

void TForm_PerforatorIn::Button_StopClick() {
    perforator_.StopReading();
    protocol_.AddMessage(QStringLiteral("ПЛ СТОП"), kProtocolEvent);
    Button_Ok->setEnabled(!tapeText_.isEmpty());
    Button_Start->setEnabled(true);
    Refresh();
}

void TForm_PerforatorIn::Button_DeleteFirstClick() {
    tapeText_.remove(0, 1);
    Refresh();
}

void TForm_PerforatorIn::Button_DeleteEndClick() {
    tapeText_.chop(1);
    Refresh();
}

void TForm_PerforatorIn::PerforatorStatusChanged() {
    if (isVisible() && tapeText_.isEmpty() && perforator_.IsActive())
        Button_Start->setEnabled(true);
}

void TForm_PerforatorIn::PerforatorReceived(const LineText& text) {
    if (!isVisible())
        return;
    Button_Stop->setEnabled(true);
    tapeText_ += text;
    showText();
}

void TForm_PerforatorIn::PerforatorTapeEnd() {
    if (!isVisible())
        return;
    protocol_.AddMessage(QStringLiteral("ПЛ СТОП (КОНЕЦ ЛЕНТЫ)"), kProtocolEvent);
    Button_Ok->setEnabled(!tapeText_.isEmpty());
    Button_Start->setEnabled(true);
    Button_Stop->setEnabled(false);
    Refresh();
}
