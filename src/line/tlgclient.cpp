#include "line/tlgclient.h"

#include "line/threadwait.h"

#include <QDeadlineTimer>
#include <QMetaMethod>
#include <QMutexLocker>

#include <cstring>
#include <utility>

#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr int kBlockSize = 1024;
constexpr int kPeekLimit = 200;

QString HostPort(const QString& host, int port) {
    return host + QLatin1Char(':') + QString::number(port);
}

}  // namespace

CTlgClient::CTlgClient(QObject* parent)
    : QThread(parent),
      tcpClient_(std::make_unique<CTcpIpClient>()),
      wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    // A connect is cut short by a new configuration too; a block in flight
    // only by the end of the thread, so that a restart does not tear it.
    tcpClient_->SetAbortCheck([this] { return Terminated() || (connecting_ && restart_); });
    SetTimings(timings_);
}

CTlgClient::~CTlgClient() {
    if (!Shutdown(kShutdownWaitMs)) {
        // Only reached when the GUI thread itself holds up a handler the line
        // thread waits for (the thread destroyed from inside its own event).
        qWarning("CTlgClient: the line thread did not end in time and is terminated");
        terminate();
        wait(QDeadlineTimer(1000));
    }
    // Once the thread has ended, what it owned can go. The dial-up control
    // hangs up a connection it holds.
    if (!isRunning()) {
        vpn_.reset();
        serial_.reset();
        tcpClient_.reset();
        if (wakeFd_ >= 0)
            ::close(wakeFd_);
    }
}

// ------------------------------------------------------------ configuration

void CTlgClient::SetTcp(const QString& host, int port, const QString& host2, int port2) {
    {
        QMutexLocker lock(&settingsLock_);
        settings_.tcpMode = true;
        settings_.host = host;
        settings_.port = port;
        settings_.host2 = host2;
        settings_.port2 = port2;
        ++settingsVersion_;
    }
    RequestRestart();
    StartOnce();
}

void CTlgClient::SetSerial(const QString& comPort, int lineSpeed, int serialMode) {
    {
        QMutexLocker lock(&settingsLock_);
        settings_.tcpMode = false;
        settings_.comPort = comPort;
        settings_.lineSpeed = lineSpeed;
        settings_.serialMode = serialMode;
        ++settingsVersion_;
    }
    RequestRestart();
    StartOnce();
}

void CTlgClient::SetVpn(bool enabled, const QString& entry, const QString& user,
                        const QString& password, bool noDisturb) {
    bool tcpMode = false;
    {
        QMutexLocker lock(&settingsLock_);
        settings_.vpnEnabled = enabled;
        if (enabled) {
            settings_.vpnEntry = entry;
            settings_.vpnUser = user;
            settings_.vpnPassword = password;
            settings_.noDisturb = noDisturb;
        }
        ++settingsVersion_;
        tcpMode = settings_.tcpMode;
    }
    if (tcpMode)
        RequestRestart();
}

void CTlgClient::SetDialEnabled(bool on) {
    dialEnabled_ = on;
    // Any other link (the serial line, TCP/IP without NetworkManager) has no
    // connection to bring up or hang up: a new cycle would only break it off
    // and with it a telegram on its way.
    if (DialUpInUse())
        RequestRestart();
}

bool CTlgClient::DialUpInUse() const {
    return dialUpInUse_ && TcpMode();
}

void CTlgClient::SetDialUpFactory(DialUpFactory factory) {
    QMutexLocker lock(&settingsLock_);
    dialUpFactory_ = std::move(factory);
    ++settingsVersion_;
}

void CTlgClient::SetTimings(const TLinkTimings& timings) {
    Q_ASSERT(!isRunning());
    timings_ = timings;
    tcpClient_->SetConnectTimeout(timings.connectTimeoutMs);
    tcpClient_->SetSendTimeout(timings.sendTimeoutMs);
}

void CTlgClient::StartOnce() {
    if (started_)
        return;
    started_ = true;
    start();
}

void CTlgClient::RequestRestart() {
    restart_ = true;
    waitSeconds_ = 0;
    Wake();
}

void CTlgClient::Wake() {
    {
        QMutexLocker lock(&wakeLock_);
        wake_.wakeAll();
    }
    Nudge();
}

void CTlgClient::Nudge() {
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
    }
}

// ---------------------------------------------------------------- send text

SendPosition CTlgClient::AppendSend(QByteArrayView text) {
    CMutexLocker lock(sendLock_);
    sendText_ += text;
    sendPending_ = true;
    const SendPosition end = sendFront_ + SendPosition(sendText_.size());
    // The serial link waits on its port until there is something to do.
    Nudge();
    return end;
}

void CTlgClient::ClearSend() {
    CMutexLocker lock(sendLock_);
    // A block on its way is not thrown away: its send decides its fate.
    const SendPosition end = sendFront_ + SendPosition(sendText_.size());
    NoteLoss(qMax(sendFront_, inFlightEnd_), end);
    sendFront_ = end;
    sendText_.clear();
    sendPending_ = false;
    ++sendGeneration_;
}

void CTlgClient::NoteLoss(SendPosition from, SendPosition to) {
    if (from >= to)
        return;
    if (!losses_.empty() && losses_.back().second == from) {
        losses_.back().second = to;
        return;
    }
    // The exchange asks about the telegram on its way at every event, long
    // before this many losses have come after it.
    constexpr size_t kKeptLosses = 64;
    if (losses_.size() == kKeptLosses)
        losses_.erase(losses_.begin());
    losses_.emplace_back(from, to);
}

SendFate CTlgClient::FateOf(SendPosition from, SendPosition to) const {
    CMutexLocker lock(sendLock_);
    for (const auto& [lostFrom, lostTo] : losses_)
        if (lostFrom < to && lostTo > from)
            return SendFate::Discarded;
    return writtenTo_ >= to ? SendFate::Written : SendFate::Waiting;
}

LineText CTlgClient::PeekSend() const {
    CMutexLocker lock(sendLock_);
    if (sendText_.size() >= kPeekLimit)
        return sendText_.left(kPeekLimit - 1);
    return sendText_;
}

// --------------------------------------------------------------- link state

bool CTlgClient::TcpMode() const {
    QMutexLocker lock(&settingsLock_);
    return settings_.tcpMode;
}

bool CTlgClient::IsConnected() const {
    if (TcpMode())
        return tcpClient_->IsConnected();
    return serialOpen_ && adapterFlags_ == 0;
}

bool CTlgClient::HasVpn() const {
    QMutexLocker lock(&settingsLock_);
    return settings_.vpnEnabled && dialUpFactory_;
}

QString CTlgClient::ConnectionLabel() const {
    QMutexLocker lock(&settingsLock_);
    if (!settings_.tcpMode)
        return QStringLiteral("ЛИН-9: ") + settings_.comPort + QLatin1Char(':') +
               QString::number(settings_.lineSpeed);
    const bool vpn = settings_.vpnEnabled && dialUpFactory_;
    return (vpn ? QStringLiteral("VPN:TCP/IP ") : QStringLiteral("TCP/IP ")) +
           HostPort(settings_.host, settings_.port);
}

LineText CTlgClient::TakeReceiveText() {
    return std::exchange(receiveText_, LineText());
}

QString CTlgClient::StatusLine() const {
    const int wait = waitSeconds_;
    if (wait == 0)
        return statusText_;
    return statusText_ + QStringLiteral(" ОЖИДАНИЕ ") + QString::number(wait) +
           QStringLiteral(" сек");
}

// ------------------------------------------------------------------- ending

void CTlgClient::Terminate() {
    stop_ = true;
    requestInterruption();
    Wake();
}

bool CTlgClient::Shutdown(int timeoutMs) {
    disconnect(this, &CTlgClient::OnReceive, nullptr, nullptr);
    disconnect(this, &CTlgClient::OnSent, nullptr, nullptr);
    disconnect(this, &CTlgClient::OnStatus, nullptr, nullptr);
    Terminate();
    // The line thread may be waiting in an event already queued to this
    // thread: keep delivering events so that the handler runs and frees it.
    return WaitDeliveringEvents(*this, timeoutMs);
}

bool CTlgClient::Terminated() const {
    return stop_ || isInterruptionRequested();
}

bool CTlgClient::Pause(int ms) {
    const QDeadlineTimer deadline(ms);
    QMutexLocker lock(&wakeLock_);
    while (!Interrupted()) {
        if (!wake_.wait(&wakeLock_, deadline))
            return true;
    }
    return false;
}

// -------------------------------------------------------------- line thread

void CTlgClient::run() {
    waitSeconds_ = 0;
    lastStatusCode_ = kStatusNone;
    while (!Terminated()) {
        if (waitSeconds_ > 0) {
            if (Interrupted())
                waitSeconds_ = 0;
            else
                CountDownWait();
            continue;
        }
        restart_ = false;
        // A connection made just before new settings arrived must not
        // outlive them.
        if (TakeSettings())
            tcpClient_->Disconnect();
        if (work_.tcpMode)
            TcpLinkCycle();
        else
            AdapterCycle();
    }
    tcpClient_->Disconnect();
}

void CTlgClient::CountDownWait() {
    // The GUI thread may zero the wait at any moment; never count below that.
    int wait = waitSeconds_;
    if (wait > 0 && waitSeconds_.compare_exchange_strong(wait, wait - 1))
        Pause(timings_.secondMs);
}

bool CTlgClient::TakeSettings() {
    DialUpFactory factory;
    {
        QMutexLocker lock(&settingsLock_);
        if (workVersion_ == settingsVersion_)
            return false;
        // A fresh copy also undoes the reserve-server exchange of failed connects.
        work_ = settings_;
        workVersion_ = settingsVersion_;
        factory = dialUpFactory_;
    }
    SyncDialUp(factory);
    dialUpInUse_ = work_.tcpMode && vpn_;
    return true;
}

void CTlgClient::SyncDialUp(const DialUpFactory& factory) {
    if (!work_.vpnEnabled) {
        vpn_.reset();
        return;
    }
    if (!factory) {
        vpn_.reset();
        if (work_.tcpMode)
            Report(QStringLiteral("VPN НЕДОСТУПЕН В ЭТОЙ СБОРКЕ: ПОДКЛЮЧЕНИЕ БЕЗ VPN"));
        return;
    }
    if (!vpn_) {
        vpn_ = factory();
        if (!vpn_)
            return;
        vpn_->SetInterruption([this] { return Interrupted(); });
        const QString why = vpn_->Unavailable();
        if (!why.isEmpty()) {
            vpn_.reset();
            if (work_.tcpMode && !Interrupted())
                Report(QStringLiteral("VPN НЕДОСТУПЕН: ") + why +
                       QStringLiteral(". ПОДКЛЮЧЕНИЕ БЕЗ VPN"));
            return;
        }
    }
    vpn_->SetCredentials(work_.vpnEntry, work_.vpnUser, work_.vpnPassword);
}

QString CTlgClient::WorkLabel() const {
    return QStringLiteral("ЛИН-9: ") + work_.comPort + QLatin1Char(':') +
           QString::number(work_.lineSpeed);
}

void CTlgClient::TcpLinkCycle() {
    oobTicks_ = 0;
    while (!Interrupted()) {
        // Each stage returns true when the cycle ends; a stop or a new
        // configuration met on the way also ends the connection below.
        if (vpn_ && DialUpStage()) {
            if (Interrupted())
                break;
            return;
        }
        if (!tcpClient_->IsConnected()) {
            if (ConnectStage() && !Interrupted())
                return;
            break;
        }
        PollPass();
        if (waitSeconds_ > 0)
            return;
    }
    tcpClient_->Disconnect();
}

bool CTlgClient::DialUpStage() {
    if (!dialEnabled_) {
        if (vpn_->IsUp()) {
            vpn_->HangUp();
            // The path to the centre went with the dial-up connection.
            tcpClient_->Disconnect();
            Report(QStringLiteral("RAS HangUp"));
        }
        Pause(timings_.pauseMs);
        return true;
    }
    if (vpn_->IsUp())
        return false;
    if (work_.noDisturb && vpn_->OtherActive()) {
        waitSeconds_ = 300;
        ReportOnce(kStatusOtherDialUp, QStringLiteral("Other RAS active."));
        return true;
    }
    if (vpn_->Dial([this] { return Interrupted(); })) {
        waitSeconds_ = 5;
        return true;
    }
    if (Interrupted())
        return true;
    retryCycle_ = (retryCycle_ + 1) % 3;
    waitSeconds_ = retryCycle_ != 0 ? 60 : 300;
    ReportOnce(kStatusDialError, QStringLiteral("Error RAS DIAL. ") + vpn_->ErrorText());
    return true;
}

bool CTlgClient::ConnectStage() {
    Pause(timings_.pauseMs);
    if (Interrupted())
        return true;
    receiveText_.clear();
    ClearSend();
    connecting_ = true;
    const bool connected = tcpClient_->Connect(work_.host, work_.port);
    connecting_ = false;
    if (connected) {
        Report(QStringLiteral("Connect ") + HostPort(work_.host, work_.port));
        lastStatusCode_ = kStatusNone;
        return true;
    }
    if (Interrupted())
        return true;
    retryCycle_ = (retryCycle_ + 1) % 6;
    waitSeconds_ = (dialEnabled_ ? 30 : 10) * (retryCycle_ + 1);
    ReportOnce(kStatusTcpConnect, QStringLiteral("Error TCP connect ") +
                                      HostPort(work_.host, work_.port) + QLatin1Char('.'));
    if (!work_.host2.isEmpty() && work_.port2 != 0) {
        std::swap(work_.host, work_.host2);
        std::swap(work_.port, work_.port2);
    }
    return true;
}

void CTlgClient::PollPass() {
    if (tcpClient_->WaitReadable()) {
        if (Terminated())
            return;
        char block[kBlockSize];
        const int n = tcpClient_->Receive(block, kBlockSize);
        if (n > 0) {
            const void* nul = std::memchr(block, 0, size_t(n));
            receiveText_.append(block, nul ? static_cast<const char*>(nul) - block : n);
            RaiseReceive();
        } else {
            LinkFailure(QStringLiteral("Error TCP Read. Disconnect."));
        }
        return;
    }

    ++idlePasses_;
    Pause(timings_.idleSleepMs);
    if (Terminated())
        return;

    uint8_t urgent = 0;
    if (tcpClient_->ReceiveUrgent(urgent) == 1) {
        // The byte is the interval in seconds; 0 or a "negative" byte stops
        // the keepalive.
        oobTicks_ = int(int8_t(urgent)) * 20;
        tcpClient_->SendUrgent(urgent);
    }
    if (oobTicks_ > 0 && --oobTicks_ == 0) {
        tcpClient_->Disconnect();
        waitSeconds_ = FailureWait();
        if (dialEnabled_ && vpn_)
            vpn_->HangUp();
        Report(QStringLiteral("Timeout OOB. Disconnect."));
        return;
    }
    SendPass();
}

void CTlgClient::SendPass() {
    sendLock_.Lock(-1);
    if (!sendPending_) {
        sendLock_.Unlock();
        return;
    }
    // Only what is waiting now goes out in this pass; text appended while a
    // block is on its way waits for the next one.
    qsizetype n = sendText_.size();
    for (;;) {
        // A ClearSend in the last OnSent handler may have shortened the text.
        n = qMin<qsizetype>(n, sendText_.size());
        if (n == 0) {
            sendPending_ = !sendText_.isEmpty();
            sendLock_.Unlock();
            return;
        }
        const qsizetype k = qMin<qsizetype>(n, kBlockSize);
        const LineText block = sendText_.left(k);
        const quint64 generation = sendGeneration_;
        const SendPosition blockAt = sendFront_;
        inFlightEnd_ = blockAt + SendPosition(k);
        // The socket may make us wait; the GUI thread must still be able to
        // append in the meantime.
        sendLock_.Unlock();
        const int sent = tcpClient_->Send(block.constData(), int(k));
        sendLock_.Lock(-1);
        inFlightEnd_ = 0;
        const bool cleared = generation != sendGeneration_;
        if (sent != k) {
            // A block still in the text is thrown away with it at the next
            // connect; one a ClearSend let go of is lost now.
            if (cleared)
                NoteLoss(blockAt, blockAt + SendPosition(k));
            sendLock_.Unlock();
            LinkFailure(QStringLiteral("Error TCP Send. Disconnect."));
            return;
        }
        writtenTo_ = qMax(writtenTo_, blockAt + SendPosition(k));
        // A ClearSend while the block was on its way already removed it.
        if (!cleared) {
            sendText_.remove(0, k);
            sendFront_ += SendPosition(k);
        }
        n -= k;
        lastSent_ = block;
        const bool last = n == 0;
        if (last)
            sendPending_ = !sendText_.isEmpty();
        sendLock_.Unlock();
        emit OnSent(this);
        if (last || Terminated())
            return;
        sendLock_.Lock(-1);
    }
}

void CTlgClient::LinkFailure(const QString& text) {
    tcpClient_->Disconnect();
    waitSeconds_ = FailureWait();
    Report(text);
}

void CTlgClient::Report(const QString& text) {
    statusText_ = text;
    RaiseStatus();
}

void CTlgClient::ReportOnce(int code, const QString& text) {
    // A repeated failure carries an empty text, so the log shows only the
    // waiting suffix.
    if (lastStatusCode_ != code) {
        statusText_ = text;
        lastStatusCode_ = code;
    }
    RaiseStatus();
}

void CTlgClient::RaiseStatus() {
    emit OnStatus(this);
    statusText_.clear();
}

void CTlgClient::RaiseReceive() {
    emit OnReceive(this);
    // Nobody takes the text without a handler: do not let it pile up.
    if (!isSignalConnected(QMetaMethod::fromSignal(&CTlgClient::OnReceive)))
        receiveText_.clear();
}
