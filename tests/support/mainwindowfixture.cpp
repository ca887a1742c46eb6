#include "support/mainwindowfixture.h"

#include "config/settings.h"
#include "util/codepages.h"

std::unique_ptr<TForm_TARVO> MainWindowFixture::makeWindow() {
    options.IniPath = home.file("korvel.ini");
    return std::make_unique<TForm_TARVO>(options, home.path() + "/", protocol, clock, records);
}

std::unique_ptr<TForm_TARVO> MainWindowFixture::startedWindow() {
    auto window = makeWindow();
    window->Timer_1secTimer();
    return window;
}

QString MainWindowFixture::dayProtocol(const QString& day) const {
    return Cp866ToWide(ReadFileBytes(home.file("prt/" + day + ".prt")));
}

TSettingsRecords MainWindowFixture::savedSettings() const {
    TSettingsRecords saved;
    LoadSettings(home.file("korvel.ini"), home.path(), saved.config, saved.status,
                 saved.schemaCopies, saved.controls);
    return saved;
}
