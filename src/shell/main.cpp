#include "shell/entry.h"

int main(int argc, char* argv[]) {
    TApplication app(argc, argv);
    return TarvoMain(app, app.arguments().mid(1), QCoreApplication::applicationDirPath());
}
