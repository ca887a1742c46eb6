#include "register/registercommand.h"
#include "shell/entry.h"
#include "shell/startup.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    // Settled before the application object: Qt aborts without a display,
    // and --help and --version must work without one.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Preflight preflight = CheckBeforeStart(arguments);
    if (preflight.exit) {
        std::fputs(preflight.out.toLocal8Bit().constData(), stdout);
        std::fputs(preflight.err.toLocal8Bit().constData(), stderr);
        return preflight.code;
    }
    // The register's files need neither a display nor the workstation.
    if (preflight.registerOnly)
        return RegisterCommandMain(argc, argv);
    TApplication app(argc, argv);
    return TarvoMain(app, app.arguments().mid(1), QCoreApplication::applicationDirPath());
}
