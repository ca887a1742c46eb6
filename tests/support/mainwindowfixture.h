#pragma once

#include <QByteArray>
#include <QString>

#include "protocol/protocol.h"
#include "shell/TForm_TARVO.h"
#include "shell/startup.h"
#include "support/fakeclock.h"
#include "support/testhome.h"

#include <memory>

// The main window as the program makes it, in a program folder of its own,
// on a clock that stands at 30 January 12:00:05 until a test moves it.
class MainWindowFixture : public ProgramFolderTest {
protected:
    void writeIni(const QByteArray& text) const { home.write("korvel.ini", text); }
    // The window before its first tick.
    std::unique_ptr<TForm_TARVO> makeWindow();
    // The window after its first tick, which runs the post-start work.
    std::unique_ptr<TForm_TARVO> startedWindow();
    // The day's protocol file as display text.
    QString dayProtocol(const QString& day = QStringLiteral("0130")) const;
    // The settings as korvel.ini holds them now.
    TSettingsRecords savedSettings() const;

    FakeClock clock{QDateTime(QDate(2026, 1, 30), QTime(12, 0, 5))};
    TProtocol protocol;
    StartOptions options;
    TSettingsRecords records;
};
