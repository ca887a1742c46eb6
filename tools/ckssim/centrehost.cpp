#include "centrehost.h"

#include "centresession.h"

TCentreHost::TCentreHost(TCentreSession& session, IClock& clock, QObject* parent)
    : QObject(parent), session_(session), centre_(clock, *this) {
    centre_.AddListener(
        [this](const QString& event) { session_.Note(QStringLiteral("CENTRE"), event); });
}

void TCentreHost::Start(int tickMs) {
    connect(&session_, &TCentreSession::Connected, this, [this] { centre_.Connected(); });
    connect(&session_, &TCentreSession::Disconnected, this, [this] { centre_.Disconnected(); });
    connect(&session_, &TCentreSession::Received, this,
            [this](const LineText& block) { centre_.Receive(block); });
    connect(&tick_, &QTimer::timeout, this, [this] { centre_.Tick(); });
    tick_.start(tickMs);
    centre_.Tick();
}

bool TCentreHost::IsConnected() const {
    return session_.IsConnected();
}

bool TCentreHost::Send(const LineText& bytes) {
    return session_.Send(bytes);
}

void TCentreHost::Drop() {
    session_.Drop();
}
