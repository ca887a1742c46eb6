#pragma once

#include <QApplication>
#include <QStringList>

#include <functional>
#include <typeinfo>

class IClock;
class TProtocol;

// The application object: an error that escapes an event handler ends the
// program with a protocol line of level 5 and the standard error box.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    void SetProtocol(TProtocol* protocol) { protocol_ = protocol; }
    // The shutdown sequence of the main window, run after the protocol line
    // and before the error box.
    void SetFatalHandler(std::function<void()> handler) { fatalHandler_ = std::move(handler); }

private:
    void fail(const QString& kind, const QString& message);

    TProtocol* protocol_ = nullptr;
    std::function<void()> fatalHandler_;
};

// The name of a type as the source writes it ("std::runtime_error"), for the
// protocol line of a fatal error.
QString ReadableClassName(const std::type_info& type);

// The entry routine: program folder, protocol, command line, single
// instance, the main window and the message loop. arguments excludes the
// program name. clock may be null for the system clock.
int TarvoMain(QApplication& app, const QStringList& arguments, const QString& executableFolder,
              IClock* clock = nullptr);
