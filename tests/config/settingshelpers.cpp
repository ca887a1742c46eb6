#include "config/settingshelpers.h"

#include "support/testhome.h"
#include "util/codepages.h"
#include "util/linecode.h"

Loaded LoadFrom(const TestHome& home, const QString& iniPath) {
    Loaded l;
    l.read = LoadSettings(iniPath, home.path(), l.config, l.status, l.schemaCopies, l.controls);
    return l;
}

Loaded LoadText(const QString& text) {
    TestHome home;
    home.write("korvel.ini", IniBytes(text));
    return LoadFrom(home, home.file("korvel.ini"));
}

QByteArray IniBytes(const QString& text) {
    QByteArray out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'{', i);
        if (open < 0) {
            out += WideToAnsi(QStringView(text).mid(i));
            break;
        }
        const qsizetype close = text.indexOf(u'}', open);
        out += WideToAnsi(QStringView(text).mid(i, open - i));
        out += WideToLine(QStringView(text).mid(open + 1, close - open - 1));
        i = close + 1;
    }
    return out;
}
