#pragma once

#include "line/dialup.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>

// The dial-up connection through NetworkManager's command-line client. The
// entry name is the name of a connection profile; "dial-up" connections are
// profiles of type vpn, wireguard, pppoe, gsm, cdma or bluetooth. Every call
// runs nmcli in the C locale and terse mode, bounded in time and given up
// when the line thread stops.
class CVPNControl : public IDialUpControl {
public:
    // How long an answer of IsUp is trusted before nmcli is asked again: the
    // line thread asks on every poll pass. A dial or a hang-up forgets it.
    static constexpr int kDefaultCacheMs = 10000;

    explicit CVPNControl(QString program = QStringLiteral("nmcli"),
                         int cacheMs = kDefaultCacheMs);
    // Hangs up a connection it holds without waiting for NetworkManager.
    ~CVPNControl() override;

    void SetCredentials(const QString& entry, const QString& user,
                        const QString& password) override;
    bool IsUp() override;
    bool OtherActive() override;
    bool Dial(const std::function<bool()>& stopRequested) override;
    void HangUp() override;
    QString ErrorText() override;
    void SetInterruption(std::function<bool()> stopRequested) override;
    QString Unavailable() override;

    // The names of the dial-up connection profiles; empty when nmcli cannot
    // be asked.
    void ListEntries(QStringList& list);

    // The profile this object holds ("" when none).
    const QString& Connection() const { return connection_; }
    quint32 LastError() const { return lastError_; }

    // One line of nmcli's terse output cut into its fields ("\:" is a colon
    // inside a field, "\\" a backslash).
    static QStringList TerseFields(QStringView line);
    static bool IsDialUpType(QStringView type);

private:
    struct ActiveConnection {
        QString name;
        QString type;
        QString state;
    };
    bool Run(const QStringList& args, int timeoutMs, const std::function<bool()>& stop,
             QByteArray* out = nullptr);
    bool ListActive(QList<ActiveConnection>& list);
    // Writes the credentials for nmcli's passwd-file; "" when there are none
    // or the file cannot be made.
    QString WritePasswordFile() const;
    bool Stopping() const { return stop_ && stop_(); }
    void Forget() { cacheValid_ = false; }

    QString connection_;
    QString entryName_;
    QString userName_;
    QString password_;
    QString errorText_;
    quint32 lastError_ = 0;

    QString program_;
    int cacheMs_;
    std::function<bool()> stop_;
    bool cacheValid_ = false;
    bool cachedUp_ = false;
    QElapsedTimer cacheAge_;
};
