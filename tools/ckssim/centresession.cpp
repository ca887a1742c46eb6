#include "centresession.h"

#include <QSocketNotifier>

namespace {

QString Hex(uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

TCentreSession::TCentreSession(QObject* parent) : QObject(parent) {
    connect(&keepaliveTimer_, &QTimer::timeout, this, &TCentreSession::KeepaliveTick);
}

TCentreSession::~TCentreSession() {
    if (client_)
        Close(QStringLiteral("DROP"), QStringLiteral("centre ends"));
}

bool TCentreSession::Listen(const QString& address, int port) {
    delete acceptNotifier_;
    acceptNotifier_ = nullptr;
    if (!listener_.Listen(address, port))
        return false;
    address_ = address;
    acceptNotifier_ = new QSocketNotifier(listener_.Handle(), QSocketNotifier::Read, this);
    connect(acceptNotifier_, &QSocketNotifier::activated, this, &TCentreSession::AcceptReady);
    transcript_.Event(QStringLiteral("LISTEN"),
                      address_ + QLatin1Char(':') + QString::number(Port()));
    return true;
}

bool TCentreSession::OpenTranscript(const QString& path) {
    return transcript_.Open(path);
}

void TCentreSession::SetKeepalive(int value, int everyMs) {
    keepaliveValue_ = qBound(-1, value, 255);
    if (everyMs > 0)
        keepaliveEveryMs_ = everyMs;
    keepaliveTimer_.stop();
    if (client_)
        SendKeepalive();
}

void TCentreSession::AcceptReady() {
    auto incoming = std::make_unique<CTcpIpClient>();
    if (!listener_.Accept(*incoming, 0))
        return;
    if (client_)
        Close(QStringLiteral("DROP"), QStringLiteral("replaced by a new connection"));
    client_ = std::move(incoming);
    client_->SetSendTimeout(kSendTimeoutMs);
    peer_ = listener_.LastPeer();
    ++connections_;
    readNotifier_ = new QSocketNotifier(client_->Handle(), QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &TCentreSession::ReadReady);
    urgentNotifier_ = new QSocketNotifier(client_->Handle(), QSocketNotifier::Exception, this);
    connect(urgentNotifier_, &QSocketNotifier::activated, this, &TCentreSession::DrainUrgent);
    transcript_.Event(QStringLiteral("CONNECT"), peer_);
    SendKeepalive();
    emit Connected(peer_);
}

void TCentreSession::ReadReady() {
    if (!client_)
        return;
    char block[4096];
    const int n = client_->Receive(block, sizeof block);
    // Receive may have put an urgent byte aside before reading.
    DrainUrgent();
    if (n <= 0) {
        Close(QStringLiteral("CLOSED"),
              n == 0 ? QStringLiteral("by the workstation") : QStringLiteral("read error"));
        return;
    }
    const LineText bytes(block, n);
    bytesReceived_ += n;
    transcript_.Data(QStringLiteral("RX"), bytes);
    emit Received(bytes);
}

void TCentreSession::DrainUrgent() {
    if (!client_)
        return;
    uint8_t byte = 0;
    if (client_->ReceiveUrgent(byte) != 1)
        return;
    ++urgentReceived_;
    transcript_.Event(QStringLiteral("OOB"), Hex(byte));
    emit UrgentArrived(byte);
}

void TCentreSession::SendKeepalive() {
    if (keepaliveValue_ < 0)
        return;
    SendUrgent(uint8_t(keepaliveValue_));
    if (keepaliveValue_ > 0 && client_)
        keepaliveTimer_.start(keepaliveEveryMs_);
}

void TCentreSession::KeepaliveTick() {
    if (client_ && keepaliveValue_ > 0)
        SendUrgent(uint8_t(keepaliveValue_));
    else
        keepaliveTimer_.stop();
}

bool TCentreSession::Send(const LineText& bytes) {
    if (!client_)
        return false;
    const int sent = client_->Send(bytes.constData(), int(bytes.size()));
    if (sent > 0) {
        bytesSent_ += sent;
        transcript_.Data(QStringLiteral("TX"), bytes.left(sent));
    }
    if (sent != bytes.size()) {
        Close(QStringLiteral("CLOSED"), QStringLiteral("send failed"));
        return false;
    }
    return true;
}

bool TCentreSession::SendUrgent(uint8_t byte) {
    if (!client_)
        return false;
    if (client_->SendUrgent(byte) != 1)
        return false;
    transcript_.Event(QStringLiteral("URGENT"), Hex(byte));
    return true;
}

void TCentreSession::Drop() {
    if (client_)
        Close(QStringLiteral("DROP"), QStringLiteral("by the centre"));
}

void TCentreSession::Close(const QString& kind, const QString& reason) {
    keepaliveTimer_.stop();
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete urgentNotifier_;
    urgentNotifier_ = nullptr;
    client_->Disconnect();
    client_.reset();
    transcript_.Event(kind, reason);
    emit Disconnected(reason);
}
