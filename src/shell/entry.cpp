#include "shell/entry.h"

#include "protocol/protocol.h"
#include "shell/TForm_TARVO.h"
#include "shell/shutdownsignals.h"
#include "shell/startup.h"
#include "util/clock.h"

#include <QDir>
#include <QMessageBox>
#include <QSessionManager>

#include <exception>
#include <typeinfo>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        fail(QString::fromLatin1(typeid(e).name()), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        fail(QStringLiteral("unknown"), QString());
    }
    return false;
}

void TApplication::fail(const QString& kind, const QString& message) {
    if (protocol_)
        protocol_->AddMessage(QStringLiteral("Работа завершена по ошибке:") + kind + u' ' + message,
                              kProtocolFatal);
    QMessageBox::critical(nullptr, QStringLiteral("Error"), kind + u' ' + message);
    exit(1);
}

int TarvoMain(QApplication& app, const QStringList& arguments, const QString& executableFolder,
              IClock* clock) {
    const QString programFolder = ResolveProgramFolder(executableFolder);
    if (programFolder.isEmpty()) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"),
                              QStringLiteral("Folder not found: ") + executableFolder);
        return 1;
    }
    // The program folder becomes current before the protocol exists, so that
    // its "startup.prt" is the only one it ever deletes.
    QDir::setCurrent(programFolder);
    TProtocol protocol;
    if (auto* tarvo = dynamic_cast<TApplication*>(&app))
        tarvo->SetProtocol(&protocol);
    protocol.SetFolder(QString());

    const StartOptions options = ParseCommandLine(arguments, programFolder);
    CInstanceLock lock;
    if (!lock.Acquire(options.MutexName)) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Внимание"),
                        options.AppTitle + QStringLiteral(" уже запущена"), QMessageBox::Ok);
        box.setObjectName(QStringLiteral("Form_AlreadyRunning"));
        box.exec();
        if (auto* tarvo = dynamic_cast<TApplication*>(&app))
            tarvo->SetProtocol(nullptr);
        return 0;
    }

    SystemClock systemClock;
    TSettingsRecords records;
    int result = 0;
    {
        TForm_TARVO window(options, programFolder, protocol, clock ? *clock : systemClock, records);
        TShutdownSignals shutdownSignals;
        QObject::connect(&shutdownSignals, &TShutdownSignals::shutdownRequested, &window,
                         &TForm_TARVO::OnSystemShutdown);
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                         [&window](QSessionManager&) { window.OnSystemShutdown(); });
        QObject::connect(&window, &TForm_TARVO::finishedWorking, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        window.show();
        result = app.exec();
    }
    if (auto* tarvo = dynamic_cast<TApplication*>(&app))
        tarvo->SetProtocol(nullptr);
    return result;
}
