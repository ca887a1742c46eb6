#include "alerts/alertwindows.h"

#include "alerts/soundplayer.h"
#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "util/linecode.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kCategoryText = QStringLiteral("Прием категорийной тлг, обеспечьте прием ");

QTimer* SecondTimer(QObject* parent) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QStringLiteral("Timer"));
    timer->setInterval(1000);
    return timer;
}

}  // namespace

// ------------------------------------------------------------ category alert

TForm_Info::TForm_Info(const TAlertContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), context_(context) {
    setObjectName(QStringLiteral("Form_Info"));
    setWindowTitle(QString());
    setModal(false);
    Label_Info =
        new QLabel(QStringLiteral("Прием категорийной телеграммы, обеспечьте прием"), this);
    Label_Info->setObjectName(QStringLiteral("Label_Info"));
    Button_Close = new QPushButton(QStringLiteral("Закрыть"), this);
    Button_Close->setObjectName(QStringLiteral("Button_Close"));
    Timer = SecondTimer(this);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Label_Info);
    column->addWidget(Button_Close, 0, Qt::AlignCenter);
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::close);
    connect(Timer, &QTimer::timeout, this, &TForm_Info::Tick);
}

void TForm_Info::ShowAlert() {
    if (isVisible())
        return;
    const int kind = context_.config.KType;
    if (kind == kSoundBeep)
        Timer->start();
    else
        PlayByKind(context_.player, kind, context_.config.KFile);
    context_.protocol.AddMessage(QStringLiteral("ВЫДАНО СООБЩЕНИЕ: ") + kCategoryText,
                                 kProtocolEvent);
    shown_ = true;
    show();
    raise();
    if (context_.alerted)
        context_.alerted(Label_Info->text());
}

void TForm_Info::Tick() {
    if (context_.config.KType == kSoundBeep)
        context_.player.Beep();
}

// A hide the window system sends is a minimise (the alert's own, or the main
// window's taking it along); the alert is still open then.
void TForm_Info::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!shown_ || event->spontaneous())
        return;
    shown_ = false;
    Timer->stop();
    context_.player.Stop();
    context_.protocol.AddMessage(QStringLiteral("СБРОШЕНО СООБЩЕНИЕ: ") + kCategoryText,
                                 kProtocolEvent);
    if (context_.dismissed)
        context_.dismissed();
}

// -------------------------------------------------------------- confirmation

TForm_RaketaConfirm::TForm_RaketaConfirm(const TAlertContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), context_(context) {
    setObjectName(QStringLiteral("Form_RaketaConfirm"));
    setWindowTitle(QStringLiteral("TARVO/COM"));
    setModal(false);
    Label_Title = new QLabel(QStringLiteral("Подтверждение приема Р"), this);
    QFont bold = Label_Title->font();
    bold.setBold(true);
    Label_Title->setFont(bold);
    Label_Msg = new QLabel(this);
    Label_Msg->setObjectName(QStringLiteral("Label_Msg"));
    Label_Msg->setWordWrap(true);
    Edit_N = new QLineEdit(this);
    Edit_N->setObjectName(QStringLiteral("Edit_N"));
    Edit_N->setMaxLength(3);
    Edit_Name = new QLineEdit(this);
    Edit_Name->setObjectName(QStringLiteral("Edit_Name"));
    Edit_Name->setMaxLength(14);
    Button_Confirm = new QPushButton(QStringLiteral("Подтвердить"), this);
    Button_Confirm->setObjectName(QStringLiteral("Button_Confirm"));
    Button_Refuse = new QPushButton(QStringLiteral("Отказаться"), this);
    Button_Refuse->setObjectName(QStringLiteral("Button_Refuse"));
    Timer = SecondTimer(this);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("P"), this), 0, 0);
    fields->addWidget(Edit_N, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Оператор"), this), 1, 0);
    fields->addWidget(Edit_Name, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_Confirm);
    buttons->addWidget(Button_Refuse);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Label_Title);
    column->addWidget(Label_Msg);
    column->addLayout(fields);
    column->addLayout(buttons);
    connect(Button_Confirm, &QPushButton::clicked, this, &TForm_RaketaConfirm::Confirm);
    connect(Button_Refuse, &QPushButton::clicked, this, &QDialog::close);
    connect(Timer, &QTimer::timeout, this, &TForm_RaketaConfirm::Tick);
}

void TForm_RaketaConfirm::Open(const LineText& message) {
    Label_Msg->setText(LineToWide(message));
    Edit_N->setText(QString::fromLatin1(ThreeDigits(context_.numberInput())));
    countdown_ = 0;
    const QString name = context_.operatorName ? context_.operatorName() : QString();
    if (!name.isEmpty()) {
        Edit_Name->setText(name);
        countdown_ = qMax(0, context_.config.RAutoConfirm);
    }
    const int kind = context_.config.RaketaType;
    if (kind != kSoundBeep)
        PlayByKind(context_.player, kind, context_.config.RaketaFile);
    showCountdown();
    if (kind == kSoundBeep || countdown_ != 0)
        Timer->start();
    show();
    raise();
    if (context_.alerted)
        context_.alerted(Label_Title->text());
}

void TForm_RaketaConfirm::showCountdown() {
    Button_Confirm->setText(countdown_ == 0
                                ? QStringLiteral("Подтвердить")
                                : QStringLiteral("Подтвердить (") + QString::number(countdown_) +
                                      QStringLiteral("сек)"));
}

void TForm_RaketaConfirm::Tick() {
    if (context_.config.RaketaType == kSoundBeep)
        context_.player.Beep();
    if (countdown_ == 0)
        return;
    showCountdown();
    if (--countdown_ == 0)
        Confirm();
}

void TForm_RaketaConfirm::Confirm() {
    bool ok = false;
    const int number = Edit_N->text().trimmed().toInt(&ok, 10);
    if (!ok || number < 0) {
        countdown_ = 0;
        showCountdown();
        // Shown without waiting: the exchange goes on meanwhile.
        auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                    QStringLiteral("Номер должен быть десятичным числом"),
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    const LineText text = WideToLine(QStringLiteral("ЗЦЗЦ КС Р")) +
                          QByteArray::number(number).rightJustified(3, '0') +
                          WideToLine(QStringLiteral(" ПРИН ")) + WideToLine(Edit_Name->text()) +
                          WideToLine(QStringLiteral(" НННН  "));
    if (context_.sendToLine)
        context_.sendToLine(text);
    close();
}

void TForm_RaketaConfirm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // Minimised it still waits for its answer and counts down.
    if (event->spontaneous())
        return;
    Timer->stop();
    countdown_ = 0;
    context_.player.Stop();
    if (context_.dismissed)
        context_.dismissed();
}

// ----------------------------------------------------------- centre message

TForm_Message::TForm_Message(const TAlertContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("Form_Message"));
    setWindowTitle(QStringLiteral("TARVO/COM [Message]"));
    setModal(false);
    Label_Message = new QLabel(this);
    Label_Message->setObjectName(QStringLiteral("Label_Message"));
    Label_Message->setWordWrap(true);
    Label_Message->setMinimumWidth(360);
    Button_Close = new QPushButton(QStringLiteral("Закрыть"), this);
    Button_Close->setObjectName(QStringLiteral("Button_Close"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(Label_Message, 1);
    column->addWidget(Button_Close, 0, Qt::AlignCenter);
    connect(Button_Close, &QPushButton::clicked, this, &TForm_Message::Dismiss);
}

void TForm_Message::ShowMessage(const LineText& text) {
    Label_Message->setText(LineToWide(text));
    context_.protocol.AddMessage(QStringLiteral("ВЫДАНО СООБЩЕНИЕ: ") + LineToWide(text),
                                 kProtocolEvent);
    show();
    raise();
    activateWindow();
    if (context_.alerted)
        context_.alerted(Label_Message->text());
}

void TForm_Message::Dismiss() {
    context_.protocol.AddMessage(QStringLiteral("СБРОШЕНО СООБЩЕНИЕ: ") + Label_Message->text(),
                                 kProtocolEvent);
    close();
    if (context_.dismissed)
        context_.dismissed();
}

// --------------------------------------------------------- lost-link alarm

TNoConnectionAlarm::TNoConnectionAlarm(const _tlg_config& config, ISoundPlayer& player,
                                       std::function<void(bool)> showStopButton)
    : config_(config), player_(player), showStopButton_(std::move(showStopButton)) {}

void TNoConnectionAlarm::Tick(bool connected) {
    const int kind = config_.NcType;
    if (connected) {
        if (kind == kSoundNone)
            return;
        if ((kind == kSoundFileOnce || kind == kSoundFileLoop) && counter_ > 9)
            player_.Stop();
        counter_ = 0;
        showStopButton_(false);
        return;
    }
    if (counter_ < 0 || kind == kSoundNone)
        return;
    ++counter_;
    if (kind == kSoundBeep) {
        if (counter_ > 2) {
            player_.Beep();
            counter_ = 0;
        }
        return;
    }
    if (counter_ == 10) {
        player_.Play(config_.NcFile, kind == kSoundFileLoop);
        showStopButton_(true);
    }
    if (kind == kSoundFileOnce && counter_ == 60)
        showStopButton_(false);
}

void TNoConnectionAlarm::StopSound() {
    player_.Stop();
    counter_ = -1;
    showStopButton_(false);
}
