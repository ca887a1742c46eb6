#include "shell/headpanel.h"

#include "util/qtcompat.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace {

const QColor kSilver(192, 192, 192);

QLabel* caption(const QString& text, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    THeadPanel::SetTextColor(label, color);
    return label;
}

// A small black display box, as the counters are shown on the centre's panel.
template <typename Label>
Label* display(const QString& name, const QString& text, const QColor& color, const QString& hint,
               QWidget* parent) {
    auto* label = new Label(text, parent);
    label->setObjectName(name);
    label->setAutoFillBackground(true);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 6);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    if (!hint.isEmpty())
        label->setToolTip(hint);
    return label;
}

QLineEdit* counterBox(const QString& name, const QColor& color, const QString& hint,
                      QWidget* parent) {
    auto* edit = new QLineEdit(QStringLiteral("000"), parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setAlignment(Qt::AlignCenter);
    edit->setToolTip(hint);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 8);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, color);
    edit->setPalette(p);
    return edit;
}

QGroupBox* group(const QString& name, QWidget* parent) {
    auto* box = new QGroupBox(parent);
    box->setObjectName(name);
    box->setFlat(false);
    return box;
}

}  // namespace

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(EventPosition(event).toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

void THeadPanel::SetTextColor(QLabel* label, const QColor& color) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

THeadPanel::THeadPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("Panel_Head"));
    setFixedHeight(65);
    setFrameShape(QFrame::StyledPanel);
    QFont small = font();
    small.setBold(true);
    small.setPixelSize(11);
    setFont(small);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 0, 2, 2);
    row->setSpacing(4);

    // Counters: the centre's view above, ours below.
    GroupBox_IO_Counters = group(QStringLiteral("GroupBox_IO_Counters"), this);
    auto* counters = new QGridLayout(GroupBox_IO_Counters);
    counters->setContentsMargins(4, 2, 4, 2);
    counters->setHorizontalSpacing(4);
    counters->setVerticalSpacing(2);
    counters->addWidget(caption(QStringLiteral("ЦКС"), Qt::red, this), 0, 0);
    counters->addWidget(caption(QStringLiteral("КОМПЬЮТЕР"), QColor(0, 255, 0), this), 1, 0);
    Label_QOLT_In = display<QLabel>(QStringLiteral("Label_QOLT_In"), QStringLiteral("000"),
                                    Qt::white, QStringLiteral("Принято ЦКС"), this);
    Label_QOLT_Out = display<QLabel>(QStringLiteral("Label_QOLT_Out"), QStringLiteral("000"),
                                     Qt::yellow, QStringLiteral("Передано ЦКС"), this);
    Edit_OP_In =
        counterBox(QStringLiteral("Edit_OP_In"), Qt::white, QStringLiteral("Принято от ЦКС"), this);
    Edit_OP_Out = counterBox(QStringLiteral("Edit_OP_Out"), Qt::yellow,
                             QStringLiteral("Передано на ЦКС"), this);
    Edit_OP_In->installEventFilter(this);
    Edit_OP_Out->installEventFilter(this);
    counters->addWidget(Label_QOLT_In, 0, 1);
    counters->addWidget(Label_QOLT_Out, 0, 2);
    counters->addWidget(Edit_OP_In, 1, 1);
    counters->addWidget(Edit_OP_Out, 1, 2);
    Label_ArrowDown = display<QLabel>(QStringLiteral("Label_ArrowDown"), QStringLiteral("▼"),
                                      kSilver, QString(), this);
    Label_ArrowUp = display<QLabel>(QStringLiteral("Label_ArrowUp"), QStringLiteral("▲"), kSilver,
                                    QString(), this);
    Label_ArrowDown->setMinimumWidth(0);
    Label_ArrowUp->setMinimumWidth(0);
    counters->addWidget(Label_ArrowDown, 0, 3);
    counters->addWidget(Label_ArrowUp, 1, 3);
    Label_OutputFiles =
        display<QLabel>(QStringLiteral("Label_OutputFiles"), QStringLiteral("000"),
                        QColor(0, 255, 0), QStringLiteral("Очередь телеграмм на отправку"), this);
    Label_PathScanTimeout =
        display<QLabel>(QStringLiteral("Label_PathScanTimeout"), QString(), QColor(0, 255, 0),
                        QStringLiteral("Счетчик до проверки тлг на отправку"), this);
    counters->addWidget(Label_OutputFiles, 0, 4);
    counters->addWidget(Label_PathScanTimeout, 1, 4);
    Label_Time = display<QLabel>(QStringLiteral("Label_Time"), QStringLiteral("00:00:00"),
                                 QColor(0, 255, 0), QString(), this);
    Label_Time->setMinimumWidth(
        Label_Time->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 8);
    counters->addWidget(Label_Time, 0, 5, 2, 1);
    row->addWidget(GroupBox_IO_Counters);

    // Mode: the channel state and automatic/manual.
    GroupBox_IO_Mode = group(QStringLiteral("GroupBox_IO_Mode"), this);
    auto* mode = new QGridLayout(GroupBox_IO_Mode);
    mode->setContentsMargins(4, 2, 4, 2);
    mode->setHorizontalSpacing(4);
    mode->setVerticalSpacing(2);
    mode->addWidget(new QLabel(QStringLiteral("Состояние"), this), 0, 0);
    mode->addWidget(new QLabel(QStringLiteral("Режим"), this), 1, 0);
    TntLabel_ChannelStatus = display<TClickLabel>(QStringLiteral("TntLabel_ChannelStatus"),
                                                  QString(), Qt::yellow, QString(), this);
    TntLabel_Mode = display<TClickLabel>(QStringLiteral("TntLabel_Mode"), QString(),
                                         QColor(0, 255, 0), QString(), this);
    TntLabel_Mode->setMinimumWidth(
        TntLabel_Mode->fontMetrics().horizontalAdvance(QStringLiteral("АВТОМАТ")) + 8);
    Label_CtrlH = new TClickLabel(QStringLiteral("Ctrl+H"), this);
    Label_CtrlH->setObjectName(QStringLiteral("Label_CtrlH"));
    mode->addWidget(TntLabel_ChannelStatus, 0, 1);
    mode->addWidget(TntLabel_Mode, 1, 1);
    mode->addWidget(Label_CtrlH, 1, 2);
    connect(TntLabel_Mode, &TClickLabel::clicked, this, &THeadPanel::modeClicked);
    connect(Label_CtrlH, &TClickLabel::clicked, this, &THeadPanel::modeClicked);
    row->addWidget(GroupBox_IO_Mode);

    // Connection: byte totals, link, keepalive, perforator, dial and sound.
    GroupBox_Connect = group(QStringLiteral("GroupBox_Connect"), this);
    auto* link = new QGridLayout(GroupBox_Connect);
    link->setContentsMargins(4, 2, 4, 2);
    link->setHorizontalSpacing(4);
    link->setVerticalSpacing(2);
    link->addWidget(new QLabel(QStringLiteral("TX"), this), 0, 0);
    link->addWidget(new QLabel(QStringLiteral("RX"), this), 1, 0);
    Label_TX_cnt = display<QLabel>(QStringLiteral("Label_TX_cnt"), QStringLiteral("00000000"),
                                   Qt::yellow, QString(), this);
    Label_RX_cnt = display<QLabel>(QStringLiteral("Label_RX_cnt"), QStringLiteral("00000000"),
                                   Qt::white, QString(), this);
    Label_TX_cnt->setMinimumWidth(
        Label_TX_cnt->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 8);
    Label_RX_cnt->setMinimumWidth(Label_TX_cnt->minimumWidth());
    link->addWidget(Label_TX_cnt, 0, 1);
    link->addWidget(Label_RX_cnt, 1, 1);
    Label_Connect = new QLabel(this);
    Label_Connect->setObjectName(QStringLiteral("Label_Connect"));
    // A long address must not squeeze the counters out of sight.
    Label_Connect->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    SetTextColor(Label_Connect, Qt::red);
    Label_LineControlTimeOut = new QLabel(this);
    Label_LineControlTimeOut->setObjectName(QStringLiteral("Label_LineControlTimeOut"));
    Label_LineControlTimeOut->setMinimumWidth(
        Label_LineControlTimeOut->fontMetrics().horizontalAdvance(QStringLiteral("00")));
    Label_PrfConnect = new QLabel(this);
    Label_PrfConnect->setObjectName(QStringLiteral("Label_PrfConnect"));
    link->addWidget(Label_Connect, 0, 2);
    link->addWidget(Label_LineControlTimeOut, 0, 3);
    link->addWidget(Label_PrfConnect, 1, 2, 1, 2);
    Button_Dial = new QPushButton(QStringLiteral("Dial"), this);
    Button_Dial->setObjectName(QStringLiteral("Button_Dial"));
    Button_Dial->setVisible(false);
    Button_StopSound = new QPushButton(QStringLiteral("Убрать звук"), this);
    Button_StopSound->setObjectName(QStringLiteral("Button_StopSound"));
    Button_StopSound->setVisible(false);
    link->addWidget(Button_Dial, 0, 4);
    link->addWidget(Button_StopSound, 1, 4);
    link->setColumnStretch(2, 1);
    row->addWidget(GroupBox_Connect, 1);
}

bool THeadPanel::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Edit_OP_In || watched == Edit_OP_Out) &&
        event->type() == QEvent::MouseButtonRelease) {
        Q_EMIT countersClicked();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}
