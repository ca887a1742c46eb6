#pragma once

#include "centre.h"

#include <QObject>
#include <QTimer>

class TCentreSession;

// Puts the centre's logic on the session: the session's bytes and connection
// events go to the centre, the centre's answers go out through the session,
// its events into the transcript, and a timer drives its clock.
class TCentreHost : public QObject, private ICentreLine {
    Q_OBJECT

public:
    TCentreHost(TCentreSession& session, IClock& clock, QObject* parent = nullptr);

    TCentre& Centre() { return centre_; }
    // Connects the session to the centre and starts ticking.
    void Start(int tickMs = kTickMs);

    static constexpr int kTickMs = 50;

private:
    bool IsConnected() const override;
    bool Send(const LineText& bytes) override;
    void Drop() override;

    TCentreSession& session_;
    TCentre centre_;
    QTimer tick_;
};
