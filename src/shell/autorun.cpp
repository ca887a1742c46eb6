#include "shell/autorun.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// One argument of Exec: quoted, with the characters the quoting reserves
// escaped by a backslash, "%" doubled for the field codes, and then every
// backslash doubled once more for the string escapes of the file.
QString ExecArgument(const QString& argument) {
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'%', QStringLiteral("%%"));
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + quoted + u'"';
}

// A value of the file is one line.
QString OneLine(QString text) {
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text;
}

}  // namespace

QString AutorunEntryPath(const QString& instanceName) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/WIN_KORVELIP") + instanceName + QStringLiteral(".desktop");
}

QStringList AutorunArguments(const StartOptions& options, const QString& programFolder) {
    QStringList arguments;
    if (QFileInfo(options.IniPath).absoluteFilePath() !=
        QDir(programFolder).absoluteFilePath(QLatin1String(kIniFileName)))
        arguments << QStringLiteral("-i") << QFileInfo(options.IniPath).absoluteFilePath();
    if (options.AppTitle != StartOptions().AppTitle)
        arguments << QStringLiteral("-t") << options.AppTitle;
    if (!options.InstanceName.isEmpty())
        arguments << QStringLiteral("-n") << options.InstanceName;
    return arguments;
}

QString AutorunEntryText(const QString& program, const QStringList& arguments,
                         const QString& title) {
    QStringList exec{ExecArgument(program)};
    for (const QString& argument : arguments)
        exec << ExecArgument(OneLine(argument));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=") +
           OneLine(title) +
           QStringLiteral("\n"
                          "Comment=Telegraph operator's workstation\n"
                          "Exec=") +
           exec.join(u' ') +
           QStringLiteral("\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n");
}

bool SetAutorun(bool on, const StartOptions& options, const QString& programFolder,
                const QString& program) {
    const QString path = AutorunEntryPath(options.InstanceName);
    if (!on)
        return !QFile::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(AutorunEntryText(QFileInfo(program).absoluteFilePath(),
                                AutorunArguments(options, programFolder), options.AppTitle)
                   .toUtf8());
    return file.commit();
}
