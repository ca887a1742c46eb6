#include "register/registercommand.h"

#include "config/settings.h"
#include "exchange/exchangeclock.h"
#include "register/register.h"
#include "register/registerprint.h"
#include "register/registertext.h"
#include "shell/startup.h"
#include "util/clock.h"
#include "util/datetimeformat.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace {

// Qt's own chatter (a missing runtime folder, fonts) would be more than the
// script asked for.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

int fail(const QString& text) {
    std::fputs((QStringLiteral("tarvo: ") + text + u'\n').toLocal8Bit().constData(), stderr);
    return 1;
}

}  // namespace

int RegisterCommandMain(int argc, char** argv) {
    // The pages are drawn without a screen: the program picks the platform
    // that needs none, whatever the session has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);

    const ProgramFolder folder =
        ResolveProgramFolder(QCoreApplication::applicationDirPath(), false);
    if (folder.path.isEmpty())
        return fail(folder.error);
    StartOptions options = ParseCommandLine(arguments, folder.path);
    if (options.RegisterCsv.isEmpty() && options.RegisterPdf.isEmpty())
        return fail(QStringLiteral("--register: укажите --csv FILE и/или --pdf FILE"));
    // The files are named from where the script runs, the settings from the
    // program folder, as the workstation takes them.
    for (QString* path : {&options.RegisterCsv, &options.RegisterPdf})
        if (!path->isEmpty())
            *path = QFileInfo(*path).absoluteFilePath();
    QDir::setCurrent(folder.path);

    _tlg_config config;
    _tlg_status status;
    SchemaCopyTable schemaCopies{};
    _tlg_controls controls;
    LoadSettings(options.IniPath, folder.path, config, status, schemaCopies, controls);
    const TRegisterSources sources{config.InpPath, config.OutPath, config.DayFormat,
                                   config.CorrectTimeTZ};

    SystemClock clock;
    const QDate today = WorkingTimeOf(clock.LocalTime(), config.CorrectTimeTZ).date();
    const QString dayText = options.RegisterDay.isEmpty()
                                ? FormatDelphiDate(today, config.DayFormat)
                                : options.RegisterDay;
    const QDate date = RegisterDateOf(dayText, config.DayFormat, today);
    if (!date.isValid() || !RegisterDayExists(sources, date))
        return fail(QStringLiteral("в архиве нет дня ") + dayText);

    TRegisterDocument document;
    document.workstation = options.AppTitle;
    document.day = ReadRegisterDay(sources, date);
    document.strip = ReadRegisterStrip(sources, date);
    if (!options.RegisterCsv.isEmpty())
        if (const QString error = WriteRegisterCsv(options.RegisterCsv, document.day);
            !error.isEmpty())
            return fail(error);
    if (!options.RegisterPdf.isEmpty())
        if (const QString error = WriteRegisterPdf(options.RegisterPdf, document); !error.isEmpty())
            return fail(error);
    return 0;
}
