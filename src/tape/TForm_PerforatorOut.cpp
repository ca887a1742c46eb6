#include "tape/TForm_PerforatorOut.h"

#include "line/perforator.h"
#include "protocol/protocol.h"
#include "tape/tapestrip.h"
#include "util/linecode.h"
#include "util/telegramtext.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Room the progress bar keeps beyond the text, so that a short text does
// not fill it at the first batch.
constexpr int kProgressReserve = 50;

QPushButton* namedButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TForm_PerforatorOut::TForm_PerforatorOut(IPerforator& perforator, TProtocol& protocol,
                                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      perforator_(perforator),
      protocol_(protocol) {
    setObjectName(QStringLiteral("Form_PerforatorOut"));
    setWindowTitle(QStringLiteral("Вывод на перфоленту"));
    setModal(false);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo->setMinimumSize(520, 260);
    TapeStrip = new TTapeStrip(this);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    Button_Start = namedButton(QStringLiteral("Старт"), "Button_Start", this);
    Button_Stop = namedButton(QStringLiteral("Стоп"), "Button_Stop", this);
    Button_Skip = namedButton(QStringLiteral("Прогон >"), "Button_Skip", this);
    Button_Skip10 = namedButton(QStringLiteral("Прогон 10>"), "Button_Skip10", this);
    Button_Cancel = namedButton(QStringLiteral("Закрыть"), "Button_Cancel", this);
    Label_Stopped = new QLabel(this);
    Label_Stopped->setObjectName(QStringLiteral("Label_Stopped"));
    Label_Stopped->setWordWrap(true);
    QPalette alarm = Label_Stopped->palette();
    alarm.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label_Stopped->setPalette(alarm);
    Label_Stopped->hide();

    connect(Button_Start, &QPushButton::clicked, this, &TForm_PerforatorOut::Button_StartClick);
    connect(Button_Stop, &QPushButton::clicked, this, &TForm_PerforatorOut::Button_StopClick);
    connect(Button_Skip, &QPushButton::clicked, this, [this] { Button_SkipClick(1); });
    connect(Button_Skip10, &QPushButton::clicked, this, [this] { Button_SkipClick(10); });
    connect(Button_Cancel, &QPushButton::clicked, this, &TForm_PerforatorOut::Button_CancelClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_Start);
    buttons->addWidget(Button_Stop);
    buttons->addWidget(Button_Skip);
    buttons->addWidget(Button_Skip10);
    buttons->addStretch(1);
    buttons->addWidget(Button_Cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Memo, 1);
    column->addWidget(TapeStrip);
    column->addWidget(ProgressBar);
    column->addWidget(Label_Stopped);
    column->addLayout(buttons);
    // A dialog border: the window keeps the size of its contents.
    column->setSizeConstraint(QLayout::SetFixedSize);

    Button_Stop->setEnabled(false);
}

void TForm_PerforatorOut::ShowForPunch(const LineText& text) {
    showFor(text, ToMemoText(LineToWide(text)));
}

void TForm_PerforatorOut::ShowForPunchWide(const QString& text) {
    showFor(WideToLine(text), ToMemoText(text));
}

void TForm_PerforatorOut::showFor(const LineText& tape, const QString& memoText) {
    tapeText_ = tape;
    punching_ = false;
    show();
    raise();
    activateWindow();
    Memo->setPlainText(memoText);
    TapeStrip->SetText(tapeText_);
    ProgressBar->setRange(0, int(tapeText_.size()) + kProgressReserve);
    ProgressBar->setValue(0);
    Memo->setFocus();
    Memo->moveCursor(QTextCursor::Start);
    const bool active = perforator_.IsActive();
    Button_Start->setEnabled(active);
    Button_Skip->setEnabled(active);
    Button_Skip10->setEnabled(active);
    Button_Stop->setEnabled(false);
    Label_Stopped->hide();
}

void TForm_PerforatorOut::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Only the program opens the window. The window system shows it again
    // after the workstation was minimised, and may report that late, when the
    // window is closed: the port would then be held with no window up.
    if (!event->spontaneous())
        perforator_.HoldPort();
}

void TForm_PerforatorOut::done(int result) {
    if (isVisible())
        perforator_.ArmRelease();
    QDialog::done(result);
}

void TForm_PerforatorOut::enableSkips() {
    const bool active = perforator_.IsActive();
    Button_Skip->setEnabled(active);
    Button_Skip10->setEnabled(active);
}

void TForm_PerforatorOut::Button_StartClick() {
    Button_Start->setEnabled(false);
    Button_Skip->setEnabled(false);
    Button_Skip10->setEnabled(false);
    Button_Stop->setEnabled(true);
    protocol_.AddMessage(QStringLiteral("ВЫВОД ПЛ "), kProtocolEvent);
    perforator_.AppendSend(tapeText_);
    punching_ = true;
    Label_Stopped->hide();
    TapeStrip->ShowCharacter(0);
}

void TForm_PerforatorOut::Button_StopClick() {
    punching_ = false;
    perforator_.ClearSend();
    enableSkips();
    Button_Stop->setEnabled(false);
}

void TForm_PerforatorOut::Button_SkipClick(int frames) {
    // The Russian shift punches no code holes: blank tape.
    perforator_.AppendSend(LineText(frames, '|'));
}

void TForm_PerforatorOut::Button_CancelClick() {
    perforator_.ClearSend();
    close();
}

void TForm_PerforatorOut::PerforatorStatusChanged() {
    if (!isVisible())
        return;
    if (!punching_ && perforator_.IsActive()) {
        Button_Start->setEnabled(true);
        Button_Skip->setEnabled(true);
        Button_Skip10->setEnabled(true);
    }
}

void TForm_PerforatorOut::PerforatorSent() {
    if (!isVisible() || !punching_)
        return;
    if (const int unpunched = perforator_.UnpunchedLength(); unpunched > 0) {
        punchBrokeOff(unpunched);
        return;
    }
    const int waiting = perforator_.PendingLength();
    if (waiting > 0) {
        // Blank frames asked for before the start may still wait ahead of
        // the text: the bar does not go back below its start.
        ProgressBar->setValue(std::max(0, ProgressBar->maximum() - waiting));
        TapeStrip->ShowCharacter(tapeText_.size() - waiting);
        return;
    }
    ProgressBar->setValue(ProgressBar->maximum());
    TapeStrip->ShowEnd();
    enableSkips();
    Button_Stop->setEnabled(false);
    punching_ = false;
}

void TForm_PerforatorOut::punchBrokeOff(int unpunched) {
    // The bar and the strip stay where the tape ends: the text is not done.
    ProgressBar->setValue(std::max(0, ProgressBar->maximum() - unpunched));
    TapeStrip->ShowCharacter(std::max<qsizetype>(0, tapeText_.size() - unpunched));
    punching_ = false;
    Button_Stop->setEnabled(false);
    // The whole text again, on a fresh piece of tape, once the adapter is back.
    Button_Start->setEnabled(perforator_.IsActive());
    enableSkips();
    Label_Stopped->setText(
        QStringLiteral("Вывод прерван: перфоратор не принял текст, не пробито знаков: %1.")
            .arg(unpunched));
    Label_Stopped->show();
    protocol_.AddMessage(QStringLiteral("ВЫВОД ПЛ ПРЕРВАН"), kProtocolError);
}
