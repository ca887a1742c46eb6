#include "shell/entry.h"

#include "protocol/protocol.h"
#include "shell/TForm_TARVO.h"
#include "shell/shutdownsignals.h"
#include "shell/startup.h"
#include "util/clock.h"

#include <QDir>
#include <QMessageBox>
#include <QSessionManager>

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <typeinfo>
#include <utility>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

QString ReadableClassName(const std::type_info& type) {
    int status = 0;
    char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    const QString readable = QString::fromLatin1(status == 0 && name ? name : type.name());
    std::free(name);
    return readable;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        fail(ReadableClassName(typeid(e)), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        fail(QStringLiteral("unknown"), QString());
    }
    return false;
}

void TApplication::fail(const QString& kind, const QString& message) {
    if (protocol_)
        protocol_->AddMessage(QStringLiteral("Работа завершена по ошибке:") + kind + u' ' + message,
                              kProtocolFatal);
    // Settings saved, the line stopped, the day's protocol written, as on
    // every way out; once.
    if (fatalHandler_)
        std::exchange(fatalHandler_, nullptr)();
    QMessageBox::critical(nullptr, QStringLiteral("Error"), kind + u' ' + message);
    exit(1);
}

namespace {

// A box that ends the start is also said on standard error, where the
// session's log keeps it for the administrator.
void sayOnStderr(const QString& text) {
    std::fputs((QStringLiteral("tarvo: ") + text + u'\n').toLocal8Bit().constData(), stderr);
}

}  // namespace

int TarvoMain(QApplication& app, const QStringList& arguments, const QString& executableFolder,
              IClock* clock) {
    const ProgramFolder folder = ResolveProgramFolder(executableFolder);
    if (folder.path.isEmpty()) {
        sayOnStderr(folder.error);
        QMessageBox::critical(nullptr, QStringLiteral("Error"), folder.error);
        return 1;
    }
    if (folder.shared)
        LetGroupWriteNewFiles();
    const QString programFolder = folder.path;
    SeedProgramFolder(programFolder, InstalledDataFolder(executableFolder), folder.shared);
    // The program folder becomes current before the protocol exists, so that
    // its "startup.prt" is the only one it ever deletes.
    QDir::setCurrent(programFolder);
    TProtocol protocol;
    if (auto* tarvo = dynamic_cast<TApplication*>(&app))
        tarvo->SetProtocol(&protocol);
    protocol.SetFolder(QString());

    const StartOptions options = ParseCommandLine(arguments, programFolder);
    CInstanceLock lock;
    // In a shared folder the lock lies there, so that it holds for every
    // account of the machine.
    const CInstanceLock::Result locked =
        lock.Acquire(options.MutexName, folder.shared ? programFolder : QString());
    if (locked != CInstanceLock::Result::Acquired) {
        // Another copy runs; or no lock can be had at all, and then nothing
        // would keep a second copy from filing into the same folders.
        const bool held = locked == CInstanceLock::Result::Held;
        const QString text = held ? options.AppTitle + QStringLiteral(" уже запущена")
                                  : QStringLiteral("Невозможно создать файл блокировки ") +
                                        lock.LockPath() + QStringLiteral(": ") + lock.Error() +
                                        QStringLiteral(". Программа не запущена.");
        sayOnStderr(text);
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Внимание"), text, QMessageBox::Ok);
        box.setObjectName(held ? QStringLiteral("Form_AlreadyRunning")
                               : QStringLiteral("Form_NoInstanceLock"));
        box.exec();
        if (auto* tarvo = dynamic_cast<TApplication*>(&app))
            tarvo->SetProtocol(nullptr);
        return held ? 0 : 1;
    }

    // The program ends only through its own shutdown sequence (the close
    // countdown, a system shutdown, a fatal error), never because the last
    // visible window closed while the main window sits in the tray.
    app.setQuitOnLastWindowClosed(false);
    SystemClock systemClock;
    TSettingsRecords records;
    int result = 0;
    {
        TForm_TARVO window(options, programFolder, protocol, clock ? *clock : systemClock, records);
        if (auto* tarvo = dynamic_cast<TApplication*>(&app))
            tarvo->SetFatalHandler([&window] { window.OnFatalError(); });
        TShutdownSignals shutdownSignals;
        QObject::connect(&shutdownSignals, &TShutdownSignals::shutdownRequested, &window,
                         &TForm_TARVO::OnSystemShutdown);
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                         [&window](QSessionManager&) { window.OnSystemShutdown(); });
        QObject::connect(&window, &TForm_TARVO::finishedWorking, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        window.show();
        result = app.exec();
        if (auto* tarvo = dynamic_cast<TApplication*>(&app))
            tarvo->SetFatalHandler(nullptr);
    }
    if (auto* tarvo = dynamic_cast<TApplication*>(&app))
        tarvo->SetProtocol(nullptr);
    return result;
}
