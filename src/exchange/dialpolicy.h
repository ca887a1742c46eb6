#pragma once

#include <QString>

#include <functional>

class IDialPermission;
struct _tlg_config;

// When the dial-up connection may be up (VPN/Use): always, or with a time
// table (VPN/UseTimeTable) during the listed minutes, while telegrams wait
// to go out, and until DisconnectCountdown runs out after the last traffic.
class TDialPolicy {
public:
    // Seconds the "Dial" button keeps the connection.
    static constexpr int kDialButtonSeconds = 60;

    explicit TDialPolicy(const _tlg_config& config) : config_(config) {}

    void SetPermission(IDialPermission* permission) { permission_ = permission; }

    // The one-second tick (only with VPN/Use; nothing happens unless the
    // line goes through its dial-up connection): hhmm is the program's clock
    // time as "08:05"; telegramsWaiting whether a telegram file waits in the
    // output folder (asked only when it matters).
    void Tick(const QString& hhmm, const std::function<bool()>& telegramsWaiting);

    // Traffic: a telegram counted in or out, a received message being taken
    // apart. With a time table the countdown starts again from
    // VPN/DisconnectDelay.
    void Reload();
    // The "Dial" button: the connection for a minute.
    void DialPressed();

    int DisconnectCountdown() const { return disconnectCountdown_; }

private:
    bool OutsideTimeTable(const QString& hhmm) const;
    void CountDown();

    const _tlg_config& config_;
    IDialPermission* permission_ = nullptr;
    int disconnectCountdown_ = 0;
};
