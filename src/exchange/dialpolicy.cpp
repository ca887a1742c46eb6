#include "exchange/dialpolicy.h"

#include "config/tlgconfig.h"
#include "exchange/linesink.h"

bool TDialPolicy::OutsideTimeTable(const QString& hhmm) const {
    return config_.VpnUseTimeTable && !config_.VpnTimeTable.contains(hhmm);
}

void TDialPolicy::Tick(const QString& hhmm, const std::function<bool()>& telegramsWaiting) {
    if (!permission_ || !permission_->DialUpInUse())
        return;
    if (OutsideTimeTable(hhmm) && !telegramsWaiting())
        CountDown();
    else if (!permission_->IsDialEnabled())
        permission_->SetDialEnabled(true);
}

void TDialPolicy::CountDown() {
    // While the countdown is 0 nothing is withdrawn: only traffic starts it.
    if (disconnectCountdown_ > 0 && --disconnectCountdown_ == 0)
        permission_->SetDialEnabled(false);
}

void TDialPolicy::Reload() {
    if (config_.VpnUse && config_.VpnUseTimeTable)
        disconnectCountdown_ = config_.VpnDisconnectDelay;
}

void TDialPolicy::DialPressed() {
    disconnectCountdown_ = kDialButtonSeconds;
    // Granted already: asking again would cut a working connection short.
    if (permission_ && !permission_->IsDialEnabled())
        permission_->SetDialEnabled(true);
}
