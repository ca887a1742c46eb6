#pragma once

#include "line/tcpip.h"
#include "transcript.h"
#include "util/texttypes.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>

class QSocketNotifier;

// The centre's side of the line: one listening socket and at most one
// workstation connected to it (a new connection replaces the old one), the
// urgent keepalive, and the transcript of everything received.
//
// It moves bytes only. Whatever plays the centre (the centre's logic through
// TCentreHost, the command runner) listens to Connected/Received/Disconnected
// and answers through Send.
class TCentreSession : public QObject {
    Q_OBJECT

public:
    explicit TCentreSession(QObject* parent = nullptr);
    ~TCentreSession() override;

    // Listens on a numeric IPv4 address; port 0 picks a free one.
    bool Listen(const QString& address, int port);
    QString Address() const { return address_; }
    int Port() const { return listener_.LocalPort(); }

    bool OpenTranscript(const QString& path);
    QString TranscriptPath() const { return transcript_.Path(); }

    bool IsConnected() const { return client_ != nullptr; }
    QString Peer() const { return peer_; }
    int Connections() const { return connections_; }
    // Counted over the whole run, across connections.
    qint64 BytesReceived() const { return bytesReceived_; }
    qint64 BytesSent() const { return bytesSent_; }
    int UrgentReceived() const { return urgentReceived_; }

    // The keepalive: value > 0 is sent at every connect and then every
    // everyMs; value 0 is sent once (it stops the workstation's countdown);
    // value < 0 sends nothing.
    void SetKeepalive(int value, int everyMs);
    int KeepaliveValue() const { return keepaliveValue_; }
    int KeepaliveEveryMs() const { return keepaliveEveryMs_; }

    // False when no workstation is connected or the send failed (which drops
    // the connection).
    bool Send(const LineText& bytes);
    bool SendUrgent(uint8_t byte);
    // Closes the connection from the centre's side.
    void Drop();
    // A line of the transcript without payload.
    void Note(const QString& kind, const QString& detail) { transcript_.Event(kind, detail); }

    static constexpr int kSendTimeoutMs = 5000;

signals:
    void Connected(const QString& peer);
    void Disconnected(const QString& reason);
    void Received(const LineText& block);
    void UrgentArrived(uint8_t byte);

private:
    void AcceptReady();
    void ReadReady();
    void DrainUrgent();
    void KeepaliveTick();
    void SendKeepalive();
    void Close(const QString& kind, const QString& reason);

    CTcpIpListener listener_;
    QString address_;
    QSocketNotifier* acceptNotifier_ = nullptr;
    std::unique_ptr<CTcpIpClient> client_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* urgentNotifier_ = nullptr;
    QString peer_;
    TTranscript transcript_;
    QTimer keepaliveTimer_;
    int keepaliveValue_ = 10;
    int keepaliveEveryMs_ = 3000;
    int connections_ = 0;
    qint64 bytesReceived_ = 0;
    qint64 bytesSent_ = 0;
    int urgentReceived_ = 0;
};
