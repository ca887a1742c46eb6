#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into a Qt signal on the GUI thread. The
// handler only writes a byte to a socket pair; the notifier reads it in the
// event loop, where anything may be done.
class TShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit TShutdownSignals(QObject* parent = nullptr);
    ~TShutdownSignals() override;

Q_SIGNALS:
    void shutdownRequested();

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};
