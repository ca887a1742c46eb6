#include "centrelink.h"

#include "adaptersim/console.h"

#include <poll.h>

namespace {

constexpr int64_t kRetryUs = 1000000;
// Bounds of the socket's own waits: the loop also serves the port.
constexpr int kConnectTimeoutMs = 1000;
constexpr int kSendTimeoutMs = 1000;

}  // namespace

TCentreLink::TCentreLink(const QString& host, int port) : host_(host), port_(port) {
    client_.SetConnectTimeout(kConnectTimeoutMs);
    client_.SetSendTimeout(kSendTimeoutMs);
}

int TCentreLink::TimeoutMs(int64_t nowUs) const {
    if (client_.IsConnected())
        return -1;
    return nextAttemptUs_ <= nowUs ? 0 : int((nextAttemptUs_ - nowUs + 999) / 1000);
}

void TCentreLink::Service(short revents, int64_t nowUs) {
    if (!client_.IsConnected()) {
        if (nowUs < nextAttemptUs_)
            return;
        if (!client_.Connect(host_, port_)) {
            client_.Disconnect();
            nextAttemptUs_ = NowUs() + kRetryUs;
            return;
        }
        PrintEvent(QStringLiteral("CENTRE CONNECTED ") + Address());
        return;
    }
    if (revents & POLLPRI)
        AnswerUrgent();
    if (!(revents & (POLLIN | POLLHUP | POLLERR)))
        return;
    char buffer[4096];
    const int n = client_.Receive(buffer, sizeof buffer);
    // The receive may have taken an urgent byte aside.
    AnswerUrgent();
    if (n <= 0) {
        Drop(nowUs);
        return;
    }
    if (receiver_)
        receiver_(LineText(buffer, n));
}

void TCentreLink::AnswerUrgent() {
    uint8_t byte = 0;
    while (client_.ReceiveUrgent(byte) == 1)
        client_.SendUrgent(byte);
}

bool TCentreLink::Send(const LineText& text) {
    if (!client_.IsConnected())
        return false;
    if (client_.Send(text.constData(), int(text.size())) == text.size())
        return true;
    Drop(NowUs());
    return false;
}

void TCentreLink::Drop(int64_t nowUs) {
    client_.Disconnect();
    nextAttemptUs_ = nowUs + kRetryUs;
    PrintEvent(QStringLiteral("CENTRE DISCONNECTED"));
}
