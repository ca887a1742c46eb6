#include "shell/version.h"

QString VersionNumber() {
    return QStringLiteral(TARVO_VERSION);
}

QString VersionText() {
    return QStringLiteral(" RU  Version: ") + VersionNumber() + QStringLiteral(" Build: ") +
           QLatin1String(__DATE__) + QLatin1Char(' ');
}

QString DefaultCaption() {
    return QStringLiteral("TARVO/COM") + VersionText();
}
