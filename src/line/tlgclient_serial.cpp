// The serial link: the byte protocol of the line adapter "ЛИН-9", which sits
// between the computer (9600 baud) and a telegraph line of 50, 100 or 200
// baud. Five-bit codes travel one per byte, mixed with one-byte commands
// (speed, end of work) and reports (credit, error frame, no input signal).

#include "line/fivebit.h"
#include "line/tlgclient.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

namespace {

constexpr int kReadSize = 64;
constexpr int kReadTimeoutMs = 10;
// An idle link waits on the port for a byte, a send or a stop, and looks at
// the adapter's silence at least this often.
constexpr int kIdleWaitMs = 250;
// A batch goes on while the next byte follows within this time (a character
// of the 9600-baud link takes about a millisecond).
constexpr int kBatchGapMs = 2;
// A batch is handed over after this many bytes or milliseconds at the latest,
// so that an adapter that never pauses cannot keep the line from sending,
// handing over and stopping.
constexpr int kBatchBytes = 1024;
constexpr int kBatchMs = 50;
// One adapter write holds at most this many codes.
constexpr int kBatchCodes = 16;
// Counted seconds without a byte from the adapter before it is given up.
constexpr int kSilenceLimit = 30;

constexpr uint8_t kEndOfWork = 0x60;
constexpr uint8_t kErrorFrame = 0x4F;
constexpr uint8_t kNoSignal = 0x5E;
// Where an error frame stands in the received codes (decoded as 0xB1).
constexpr uint8_t kErrorCode = 32;

uint8_t SpeedByte(int lineSpeed) {
    switch (lineSpeed) {
        case 50:
            return 0x65;
        case 100:
            return 0x66;
        case 200:
            return 0x67;
        default:
            return 0x64;
    }
}

}  // namespace

void CTlgClient::SetPortControl(std::shared_ptr<IPortControl> control) {
    Q_ASSERT(!isRunning());
    portControl_ = std::move(control);
}

void CTlgClient::Hold(int ms) {
    const QDeadlineTimer deadline(ms);
    QMutexLocker lock(&wakeLock_);
    while (!Terminated()) {
        if (!wake_.wait(&wakeLock_, deadline))
            return;
    }
}

void CTlgClient::AdapterCycle() {
    if (!serial_) {
        serial_ = std::make_unique<CComPort>(portControl_);
        // The operator's warning goes to the GUI thread without waiting.
        serial_->SetWarningHandler([this](const QString& text) { emit OnPortWarning(text); });
    }
    const QString label = WorkLabel();
    if (!serial_->Open(work_.comPort, 9600, 8, 'N', 1, kReadTimeoutMs)) {
        Hold(timings_.pauseMs);
        Report(label + QStringLiteral(" ОШИБКА ОТКРЫТИЯ."));
        waitSeconds_ = 60;
        return;
    }
    serialOpen_ = true;
    serial_->ClearBreak();
    Hold(timings_.pauseMs);
    Report(label + QStringLiteral(" ПОРТ ОТКРЫТ"));
    lastStatusCode_ = kStatusNone;

    const uint8_t speedByte = SpeedByte(work_.lineSpeed);
    serial_->Write(&speedByte, 1);
    int credit = 4;
    silenceSeconds_ = 0;

    for (;;) {
        if (Interrupted()) {
            serial_->Write(&kEndOfWork, 1);
            // Time for the adapter to take it, even when the program ends.
            QThread::msleep(unsigned(timings_.pauseMs / 2));
            break;
        }
        if (!AdapterReadBatch(speedByte, credit)) {
            AdapterLost();
            QThread::msleep(unsigned(qMax(1, timings_.pauseMs / 10)));
            break;
        }
        if (silenceSeconds_ > kSilenceLimit) {
            AdapterLost();
            Report(QStringLiteral("Адаптер не отвечает"));
            break;
        }
        AdapterSendBatch(credit);
    }

    serial_->SetBreak();
    Hold(timings_.pauseMs);
    serial_->Close();
    serialOpen_ = false;
    Report(QStringLiteral("ЛИН-9: ПОРТ ЗАКРЫТ "));
}

void CTlgClient::AdapterLost() {
    // An adapter pulled out or gone silent has lost what it held for the
    // line, and what it makes of the next codes is unknown. The rest of the
    // text goes too, as when a TCP/IP link breaks: the telegram it belongs
    // to then goes again whole, instead of with a hole where the adapter's
    // buffer was.
    ClearSend();
    lineEncoder_ = kRegisterNone;
}

bool CTlgClient::AdapterReadBatch(uint8_t speedByte, int& credit) {
    uint8_t bytes[kReadSize];
    // Text to send and the credit for it: only look what came meanwhile.
    const int wait = sendPending_ && credit > 0 ? 0 : kIdleWaitMs;
    uint16_t n = serial_->Read(bytes, kReadSize, wait, wakeFd_);
    if (n == CComPort::kReadError)
        return false;
    if (n == 0) {
        ++idlePasses_;
        return true;
    }
    silenceSeconds_ = 0;
    const QDeadlineTimer batchEnd(kBatchMs);
    int batchBytes = 0;
    int reports = 0;
    uint8_t codes[kReadSize];
    char text[kReadSize + 1];
    bool ok = true;
    while (n != 0) {
        int count = 0;
        for (int i = 0; i < n; ++i) {
            const uint8_t b = bytes[i];
            if (b < 0x20) {
                codes[count++] = b;
                continue;
            }
            ++reports;
            if (b < 0x40) {
                credit = b & 0x0F;
                if (credit != 0)
                    adapterFlags_ = 0;
            } else if (b == kErrorFrame) {
                codes[count++] = kErrorCode;
                adapterFlags_ |= 1;
            } else if (b == kNoSignal) {
                // Said once when the signal goes, not at every repeat.
                const bool had = adapterFlags_ & 2;
                adapterFlags_ |= 2;
                if (!had)
                    Report(QStringLiteral("Нет входного сигнала"));
            }
        }
        if (count > 0) {
            DecodeFiveBit(text, codes, count, lineDecoder_);
            receiveText_.append(text, count);
        }
        batchBytes += n;
        if (batchBytes >= kBatchBytes || batchEnd.hasExpired() || Interrupted())
            break;
        n = serial_->Read(bytes, kReadSize, kBatchGapMs);
        if (n == CComPort::kReadError) {
            ok = false;
            break;
        }
    }
    if (!receiveText_.isEmpty())
        RaiseReceive();
    if (ok && reports > 0)
        serial_->Write(&speedByte, 1);
    return ok;
}

void CTlgClient::AdapterSendBatch(int& credit) {
    sendLock_.Lock(-1);
    if (!sendPending_ || credit <= 0) {
        sendLock_.Unlock();
        return;
    }
    const LineText batch = sendText_.left(qMin<qsizetype>(credit, sendText_.size()));
    uint8_t codes[kBatchCodes];
    int consumed = 0;
    const uint8_t encoderBefore = lineEncoder_;
    const int count = EncodeFiveBit(codes, kBatchCodes, batch, lineEncoder_, &consumed);
    // What did not fit into one write stays at the front of the text.
    const LineText taken = batch.left(consumed);
    const quint64 generation = sendGeneration_;
    const SendPosition takenAt = sendFront_;
    sendText_.remove(0, consumed);
    sendFront_ += SendPosition(consumed);
    inFlightEnd_ = sendFront_;
    sendLock_.Unlock();

    const int written = serial_->Write(codes, count);

    sendLock_.Lock(-1);
    inFlightEnd_ = 0;
    const bool cleared = generation != sendGeneration_;
    if (written == 0) {
        // Nothing reached the adapter: the characters wait for the next
        // cycle, unless they were thrown away meanwhile.
        lineEncoder_ = encoderBefore;
        if (cleared) {
            NoteLoss(takenAt, takenAt + SendPosition(consumed));
        } else {
            sendText_.prepend(taken);
            sendFront_ = takenAt;
        }
        sendPending_ = !sendText_.isEmpty();
        sendLock_.Unlock();
        return;
    }
    writtenTo_ = qMax(writtenTo_, takenAt + SendPosition(consumed));
    lastSent_ = taken;
    sendPending_ = !sendText_.isEmpty();
    credit = 0;
    sendLock_.Unlock();
    emit OnSent(this);
}
