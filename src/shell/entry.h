#pragma once

#include <QApplication>
#include <QStringList>

class IClock;
class TProtocol;

// The application object: an error that escapes an event handler ends the
// program with a protocol line of level 5 and the standard error box.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    void SetProtocol(TProtocol* protocol) { protocol_ = protocol; }

private:
    void fail(const QString& kind, const QString& message);

    TProtocol* protocol_ = nullptr;
};

// The entry routine: program folder, protocol, command line, single
// instance, the main window and the message loop. arguments excludes the
// program name. clock may be null for the system clock.
int TarvoMain(QApplication& app, const QStringList& arguments, const QString& executableFolder,
              IClock* clock = nullptr);
