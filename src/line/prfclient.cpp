// The paper-tape adapter's byte protocol. Five-bit codes travel one per byte
// both ways (punched, read), mixed with one-byte commands (speed, start and
// stop reading) and reports (credit, tape end).

#include "line/prfclient.h"

#include "line/fivebit.h"

#include "line/threadwait.h"

#include <QDeadlineTimer>
#include <QMetaMethod>
#include <QMutexLocker>

#include <sys/eventfd.h>
#include <unistd.h>

#include <utility>

namespace {

constexpr int kReadSize = 63;
constexpr int kReadTimeoutMs = 10;
// A batch goes on while the next byte follows within this time.
constexpr int kBatchGapMs = 2;
// 31 characters need at most 62 codes.
constexpr int kBatchCodes = 64;
constexpr int kLingerPasses = 50;

constexpr uint8_t kStartReading = 0x51;
constexpr uint8_t kStopReading = 0x50;
// Codes come as 0x00-0x20 (0x20: a frame that could not be read).
constexpr uint8_t kLastCode = 0x20;
constexpr uint8_t kLastCredit = 0x3F;

uint8_t SpeedByte(int speedIndex) {
    return uint8_t(0x60 + ((speedIndex + 1) % 4));
}

}  // namespace

CPrfClient::CPrfClient(QObject* parent)
    : QThread(parent), wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CPrfClient::~CPrfClient() {
    if (!Shutdown(kShutdownWaitMs)) {
        qWarning("CPrfClient: the perforator thread did not end in time and is terminated");
        terminate();
        wait(QDeadlineTimer(1000));
    }
    if (!isRunning()) {
        serial_.reset();
        if (wakeFd_ >= 0)
            ::close(wakeFd_);
    }
}

// ------------------------------------------------------------ configuration

void CPrfClient::SetPerforator(const QString& comPort, int speedIndex, int mode, bool noBlock) {
    {
        QMutexLocker lock(&settingsLock_);
        comPort_ = comPort;
        speedIndex_ = speedIndex;
    }
    mode_ = mode;
    noBlock_ = noBlock;
    if (noBlock)
        ArmRelease();
    else
        HoldPort();
    restart_ = true;
    waitSeconds_ = 1;
    Wake();
    if (!started_) {
        started_ = true;
        start();
    }
}

void CPrfClient::Disable() {
    mode_ = -1;
    restart_ = true;
    Wake();
}

void CPrfClient::SetTimings(const TTapeTimings& timings) {
    Q_ASSERT(!isRunning());
    timings_ = timings;
}

void CPrfClient::SetPortControl(std::shared_ptr<IPortControl> control) {
    Q_ASSERT(!isRunning());
    portControl_ = std::move(control);
}

void CPrfClient::HoldPort() {
    releaseArmed_ = false;
    Wake();
}

void CPrfClient::ArmRelease() {
    if (!noBlock_)
        return;
    lingerTicks_ = kLingerPasses;
    releaseArmed_ = true;
}

void CPrfClient::SetNoBlock(bool on) {
    noBlock_ = on;
    if (on)
        ArmRelease();
    else if (!IsActive())
        HoldPort();
}

// ----------------------------------------------------------------- the text

void CPrfClient::AppendSend(QByteArrayView text) {
    {
        CMutexLocker lock(sendLock_);
        sendText_ += text;
        sendPending_ = true;
    }
    Wake();
}

void CPrfClient::ClearSend() {
    CMutexLocker lock(sendLock_);
    sendText_.clear();
    sendPending_ = false;
}

int CPrfClient::PendingLength() const {
    CMutexLocker lock(sendLock_);
    return int(sendText_.size());
}

void CPrfClient::StartReading() {
    {
        CMutexLocker lock(sendLock_);
        command_ = 1;
    }
    Wake();
}

void CPrfClient::StopReading() {
    {
        CMutexLocker lock(sendLock_);
        command_ = 2;
    }
    Wake();
}

QString CPrfClient::PerforatorLabel() const {
    if (mode_ != 1)
        return QString();
    QMutexLocker lock(&settingsLock_);
    return QStringLiteral("ЛЕНТ-9: ") + comPort_;
}

QString CPrfClient::StatusLine() const {
    const int wait = waitSeconds_;
    if (wait == 0)
        return statusText_;
    return statusText_ + QStringLiteral(" ОЖИДАНИЕ ") + QString::number(wait) +
           QStringLiteral(" сек");
}

LineText CPrfClient::TakeReceiveText() {
    return std::exchange(receiveText_, LineText());
}

// ------------------------------------------------------------------- ending

void CPrfClient::Terminate() {
    stop_ = true;
    requestInterruption();
    Wake();
}

bool CPrfClient::Shutdown(int timeoutMs) {
    disconnect(this, &CPrfClient::OnReceive, nullptr, nullptr);
    disconnect(this, &CPrfClient::OnSent, nullptr, nullptr);
    disconnect(this, &CPrfClient::OnStatus, nullptr, nullptr);
    disconnect(this, &CPrfClient::OnTapeEnd, nullptr, nullptr);
    Terminate();
    // A handler the thread waits for may already be queued here.
    return WaitDeliveringEvents(*this, timeoutMs);
}

bool CPrfClient::Terminated() const {
    return stop_ || isInterruptionRequested();
}

void CPrfClient::Wake() {
    {
        QMutexLocker lock(&wakeLock_);
        wake_.wakeAll();
    }
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
    }
}

void CPrfClient::Pause(int ms, bool restart) {
    const QDeadlineTimer deadline(ms);
    QMutexLocker lock(&wakeLock_);
    while (!Terminated() && !(restart && restart_)) {
        if (!wake_.wait(&wakeLock_, deadline))
            return;
    }
}

// -------------------------------------------------------------- the thread

void CPrfClient::run() {
    waitSeconds_ = 0;
    while (!Terminated()) {
        if (waitSeconds_ > 0) {
            if (restart_) {
                waitSeconds_ = 0;
            } else {
                --waitSeconds_;
                Pause(timings_.secondMs);
            }
            continue;
        }
        if (releaseArmed_ && !sendPending_) {
            // Released: the port stays closed until there is work.
            Pause(timings_.lingerMs, false);
            continue;
        }
        restart_ = false;
        if (mode_ != 1) {
            Pause(timings_.secondMs);
            continue;
        }
        {
            QMutexLocker lock(&settingsLock_);
            workPort_ = comPort_;
            workSpeed_ = speedIndex_;
        }
        TapeCycle();
    }
}

void CPrfClient::TapeCycle() {
    if (!serial_) {
        serial_ = std::make_unique<CComPort>(portControl_);
        serial_->SetWarningHandler([this](const QString& text) { emit OnPortWarning(text); });
    }
    const QString label = QStringLiteral("ЛЕНТ-9: ") + workPort_;
    active_ = 0;
    if (!serial_->Open(workPort_, 9600, 8, 'N', 1, kReadTimeoutMs)) {
        Pause(timings_.secondMs, false);
        waitSeconds_ = noBlock_ ? 10 : 30;
        Report(label + QStringLiteral(" ОШИБКА ОТКРЫТИЯ."));
        return;
    }
    portOpen_ = true;
    serial_->ClearBreak();
    statusText_ = label + QStringLiteral(" ПОРТ ОТКРЫТ");
    Pause(timings_.secondMs, false);
    RaiseStatus();

    const uint8_t speedByte = SpeedByte(workSpeed_);
    int credit = 4;
    serial_->Write(&speedByte, 1);
    while (!Terminated() && !restart_) {
        if (!ReadBatch(speedByte, credit))
            break;
        SendCommandAndBatch(credit);
        if (releaseArmed_ && !sendPending_) {
            if (lingerTicks_ <= 0)
                break;
            --lingerTicks_;
            Pause(timings_.lingerMs, false);
        }
    }

    serial_->SetBreak();
    Pause(timings_.secondMs, false);
    active_ = 0;
    serial_->Close();
    portOpen_ = false;
    Report(QStringLiteral(" ЛЕНТ-9: ПОРТ ЗАКРЫТ "));
}

bool CPrfClient::ReadBatch(uint8_t speedByte, int& credit) {
    uint8_t bytes[kReadSize];
    // Work waiting: only look at what came meanwhile.
    bool busy = false;
    {
        CMutexLocker lock(sendLock_);
        busy = command_ != 0 || (sendPending_ && credit > 0);
    }
    uint16_t n = serial_->Read(bytes, kReadSize, busy ? 0 : timings_.idleWaitMs, wakeFd_);
    if (n == CComPort::kReadError)
        return false;
    if (n == 0)
        return true;
    if (active_ == 0) {
        // Marked first, so that the report finds the adapter active.
        active_ = 1;
        Report(QStringLiteral("ЛЕНТ-9: ") + workPort_ + QStringLiteral(" АКТИВЕН "));
    }
    int reports = 0;
    uint8_t codes[kReadSize];
    char text[kReadSize + 1];
    bool ok = true;
    while (n != 0) {
        int count = 0;
        for (int i = 0; i < n; ++i) {
            const uint8_t b = bytes[i];
            if (b <= kLastCode) {
                codes[count++] = b;
                continue;
            }
            ++reports;
            if (b <= kLastCredit) {
                credit = b & 0x1F;
            } else if ((b & 0x1F) == 0x10) {
                // What was read before the end goes first.
                if (count > 0) {
                    DecodeFiveBit(text, codes, count, decoder_);
                    receiveText_.append(text, count);
                    count = 0;
                }
                RaiseReceive();
                emit OnTapeEnd(this);
            }
        }
        if (count > 0) {
            DecodeFiveBit(text, codes, count, decoder_);
            receiveText_.append(text, count);
        }
        n = serial_->Read(bytes, kReadSize, kBatchGapMs);
        if (n == CComPort::kReadError) {
            ok = false;
            break;
        }
    }
    RaiseReceive();
    if (ok && reports > 0)
        serial_->Write(&speedByte, 1);
    return ok;
}

void CPrfClient::SendCommandAndBatch(int& credit) {
    sendLock_.Lock(-1);
    if (command_ != 0) {
        const uint8_t command = command_ == 1 ? kStartReading : kStopReading;
        serial_->Write(&command, 1);
        command_ = 0;
    }
    if (!sendPending_ || credit <= 0) {
        sendLock_.Unlock();
        return;
    }
    const LineText batch = sendText_.left(qMin<qsizetype>(credit, sendText_.size()));
    sendText_.remove(0, batch.size());
    sendPending_ = !sendText_.isEmpty();
    lastSent_ = batch;
    uint8_t codes[kBatchCodes];
    const uint8_t encoderBefore = encoder_;
    const int count = EncodeFiveBit(codes, kBatchCodes, batch, encoder_);
    const int written = serial_->Write(codes, count);
    if (written < count)
        BreakOffJob(batch, written, encoderBefore);
    credit = 0;
    sendLock_.Unlock();
    emit OnSent(this);
    unpunched_ = 0;
}

void CPrfClient::BreakOffJob(const LineText& batch, int codesWritten, uint8_t encoderBefore) {
    // The characters whose codes all went out; a shift without its
    // character punched nothing.
    uint8_t codes[kBatchCodes];
    uint8_t state = encoderBefore;
    int taken = 0;
    EncodeFiveBit(codes, codesWritten, batch, state, &taken);
    lastSent_ = batch.left(taken);
    // Going on after the adapter is back would leave a gap in the tape where
    // this batch belonged: the job ends here, and the operator punches it
    // again.
    unpunched_ = int(batch.size() - taken + sendText_.size());
    sendText_.clear();
    sendPending_ = false;
    // What the tape in the adapter holds is not known any more: the next
    // character sets its register again.
    encoder_ = kRegisterNone;
}

void CPrfClient::Report(const QString& text) {
    statusText_ = text;
    RaiseStatus();
}

void CPrfClient::RaiseStatus() {
    emit OnStatus(this);
    statusText_.clear();
}

void CPrfClient::RaiseReceive() {
    if (receiveText_.isEmpty())
        return;
    emit OnReceive(this);
    if (!isSignalConnected(QMetaMethod::fromSignal(&CPrfClient::OnReceive)))
        receiveText_.clear();
}
