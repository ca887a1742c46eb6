#include "tape/TExchangePanel.h"

#include "config/tlgconfig.h"
#include "line/perforator.h"
#include "protocol/protocol.h"
#include "tape/filedialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace {

const QString kLine = QStringLiteral("ЛИНИЯ");
const QString kFile = QStringLiteral("ФАЙЛ");
const QString kTape = QStringLiteral("ПЛ");

// In the Windows form the program has always used; TQtFileDialogs hands it
// to QFileDialog as "ТЛГ файлы (*.tlg);;Все файлы (*)".
const QString kTlgFilter = QStringLiteral("ТЛГ файлы (*.tlg)|*.tlg|Все файлы|*.*");
const QString kTlgSuffix = QStringLiteral("tlg");

constexpr int kRouteLineToLine = 1;
constexpr int kRouteLineToFile = 2;
constexpr int kRouteLineToTape = 3;

// A file is read this far; the line's buffer takes one byte less.
constexpr qint64 kFileReadLimit = 6144;
constexpr qint64 kFileReadLimitForLine = 6143;
// Only files of 1 to 4999 bytes are handed on.
constexpr qint64 kLargestTransfer = 4999;
// Blank frames of "Прогон".
constexpr int kSkipFrames = 25;

const QColor kRunningColour(128, 128, 128);

QComboBox* placeCombo(const char* name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems({kLine, kFile, kTape});
    // Nothing is chosen until the operator chooses.
    combo->setCurrentIndex(-1);
    return combo;
}

// Appends, creating the file when it is missing. A file that cannot be
// written gets no event line claiming the transfer.
bool appendToFile(const QString& path, const LineText& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(text) == text.size() &&
           file.flush();
}

}  // namespace

TExchangePanel::TExchangePanel(const _tlg_config& config, IPerforator& perforator,
                               TProtocol& protocol, ITapeExchangeHost& host, QWidget* parent)
    : QFrame(parent),
      config_(config),
      perforator_(perforator),
      protocol_(protocol),
      host_(host),
      ownDialogs_(std::make_unique<TQtFileDialogs>(this)),
      dialogs_(ownDialogs_.get()) {
    setObjectName(QStringLiteral("Panel_ProtocolExchange"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    Label_ProtocolExchange = new QLabel(QStringLiteral("Передача:"), this);
    Label_ProtocolExchange->setObjectName(QStringLiteral("Label_ProtocolExchange"));
    ComboBox_ProtocolExchangeFrom = placeCombo("ComboBox_ProtocolExchangeFrom", this);
    ComboBox_ProtocolExchangeTo = placeCombo("ComboBox_ProtocolExchangeTo", this);
    SpeedButton_ComboBox_ProtocolExchangeStart = new QToolButton(this);
    SpeedButton_ComboBox_ProtocolExchangeStart->setObjectName(
        QStringLiteral("SpeedButton_ComboBox_ProtocolExchangeStart"));
    SpeedButton_ComboBox_ProtocolExchangeStart->setCheckable(true);
    SpeedButton_ComboBox_ProtocolExchangeStart->setIcon(
        style()->standardIcon(QStyle::SP_MediaPlay));
    Button_ProtocolExchangePerfSkip = new QPushButton(QStringLiteral("Прогон"), this);
    Button_ProtocolExchangePerfSkip->setObjectName(
        QStringLiteral("Button_ProtocolExchangePerfSkip"));
    Button_ProtocolExchangePerfSkip->setVisible(false);

    connect(ComboBox_ProtocolExchangeFrom, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { comboChanged(ComboBox_ProtocolExchangeFrom); });
    connect(ComboBox_ProtocolExchangeTo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { comboChanged(ComboBox_ProtocolExchangeTo); });
    connect(SpeedButton_ComboBox_ProtocolExchangeStart, &QToolButton::clicked, this,
            &TExchangePanel::SpeedButton_ComboBox_ProtocolExchangeStartClick);
    connect(Button_ProtocolExchangePerfSkip, &QPushButton::clicked, this,
            &TExchangePanel::Button_ProtocolExchangePerfSkipClick);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(Label_ProtocolExchange);
    row->addWidget(ComboBox_ProtocolExchangeFrom);
    row->addWidget(ComboBox_ProtocolExchangeTo);
    row->addWidget(SpeedButton_ComboBox_ProtocolExchangeStart);
    row->addWidget(Button_ProtocolExchangePerfSkip);
    row->addStretch(1);

    showState();
}

TExchangePanel::~TExchangePanel() = default;

void TExchangePanel::SetFileDialogs(IFileDialogs* dialogs) {
    dialogs_ = dialogs ? dialogs : ownDialogs_.get();
}

bool TExchangePanel::IsRunning() const {
    return SpeedButton_ComboBox_ProtocolExchangeStart->isChecked();
}

bool TExchangePanel::tapeUsable() const {
    return config_.PerfEnable && (perforator_.IsActive() || config_.PerfNoBlock);
}

void TExchangePanel::comboChanged(QComboBox* combo) {
    if (combo->currentText() == kTape && !tapeUsable())
        combo->setCurrentIndex(0);  // re-enters with "ЛИНИЯ"
    Button_ProtocolExchangePerfSkip->setVisible(ComboBox_ProtocolExchangeTo->currentText() ==
                                                kTape);
}

void TExchangePanel::logEvent(const QString& text) {
    protocol_.AddMessage(text, kProtocolEvent);
}

void TExchangePanel::SpeedButton_ComboBox_ProtocolExchangeStartClick() {
    exchangeActive_ = false;
    exchangeRoute_ = 0;
    const QString from = ComboBox_ProtocolExchangeFrom->currentText();
    const QString to = ComboBox_ProtocolExchangeTo->currentText();
    if (from.isEmpty() || to.isEmpty()) {
        SpeedButton_ComboBox_ProtocolExchangeStart->setChecked(false);
        return;
    }
    ComboBox_ProtocolExchangeFrom->setEnabled(false);
    ComboBox_ProtocolExchangeTo->setEnabled(false);
    if (IsRunning())
        start(from, to);
    else
        stop(from, to);
    showState();
    Q_EMIT runningChanged(IsRunning());
}

void TExchangePanel::start(const QString& from, const QString& to) {
    exchangeFileText_.clear();
    logEvent(QStringLiteral("Запуск: ") + from + QStringLiteral("->") + to);
    if (from == kLine) {
        exchangeActive_ = true;
        if (to == kTape) {
            exchangeRoute_ = kRouteLineToTape;
            perforator_.SetNoBlock(false);
            perforator_.HoldPort();
        } else {
            exchangeRoute_ = to == kFile ? kRouteLineToFile : kRouteLineToLine;
        }
        return;
    }
    // From a tape or a file the transfer is over within this click.
    if (from == kTape)
        startFromTape(to);
    else if (from == kFile)
        startFromFile(to);
    SpeedButton_ComboBox_ProtocolExchangeStart->setChecked(false);
}

void TExchangePanel::startFromTape(const QString& to) {
    const TapeReadResult tape = host_.ReadTape();
    if (!tape.accepted)
        return;
    if (to == kLine) {
        host_.SendToLine(tape.text);
    } else if (to == kFile) {
        const QString path = dialogs_->SaveFile(kTlgFilter, kTlgSuffix);
        if (!path.isEmpty() && appendToFile(path, tape.text))
            logEvent(QStringLiteral("Передача: ") + kTape + QStringLiteral("->") + to + u' ' +
                     path);
    } else if (to == kTape) {
        // A copy of the tape.
        perforator_.HoldPort();
        perforator_.AppendSend(tape.text);
    }
}

void TExchangePanel::startFromFile(const QString& to) {
    if (to != kTape && to != kLine)
        return;
    const QString path = dialogs_->OpenFile(kTlgFilter);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.read(to == kLine ? kFileReadLimitForLine : kFileReadLimit);
    if (bytes.size() < 1 || bytes.size() > kLargestTransfer)
        return;
    logEvent(QStringLiteral("Передача: ") + kFile + u'(' + path + QStringLiteral(")->") + to);
    const qsizetype nul = bytes.indexOf('\0');
    const LineText text = nul < 0 ? bytes : bytes.left(nul);
    if (to == kTape) {
        perforator_.HoldPort();
        perforator_.AppendSend(text);
    } else {
        host_.SendToLine(text);
    }
}

void TExchangePanel::stop(const QString& from, const QString& to) {
    if (to == kTape) {
        perforator_.SetNoBlock(config_.PerfNoBlock);
    } else if (to == kFile && !exchangeFileText_.isEmpty()) {
        const QString path = dialogs_->SaveFile(kTlgFilter, kTlgSuffix);
        if (!path.isEmpty() && appendToFile(path, exchangeFileText_))
            logEvent(QStringLiteral("Сохранение: ") + from + QStringLiteral("->") + to + u'(' +
                     path + u')');
    }
    logEvent(QStringLiteral("Останов: ") + from + QStringLiteral("->") + to);
}

void TExchangePanel::showState() {
    const bool running = IsRunning();
    QPalette look = palette();
    look.setColor(QPalette::Window,
                  running ? kRunningColour : QApplication::palette(this).color(QPalette::Button));
    setPalette(look);
    ComboBox_ProtocolExchangeFrom->setEnabled(!running);
    ComboBox_ProtocolExchangeTo->setEnabled(!running);
    Button_ProtocolExchangePerfSkip->setEnabled(!running);
    SpeedButton_ComboBox_ProtocolExchangeStart->setIcon(
        style()->standardIcon(running ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
}

void TExchangePanel::OnLineBlock(const LineText& block) {
    if (!exchangeActive_)
        return;
    switch (exchangeRoute_) {
        case kRouteLineToLine:
            host_.SendToLine(block);
            break;
        case kRouteLineToFile:
            exchangeFileText_ += block;
            break;
        case kRouteLineToTape:
            perforator_.AppendSend(block);
            break;
        default:
            break;
    }
}

void TExchangePanel::Button_ProtocolExchangePerfSkipClick() {
    perforator_.HoldPort();
    perforator_.AppendSend(LineText(kSkipFrames, '|'));
    perforator_.ArmRelease();
}
