#pragma once

#include "config/settings.h"

#include <QByteArray>
#include <QString>

class TestHome;

// Everything LoadSettings fills, read from one file.
struct Loaded {
    _tlg_config config;
    _tlg_status status;
    SchemaCopyTable schemaCopies{};
    _tlg_controls controls;
    bool read = false;
};

// LoadSettings with the test's folder as the program folder.
Loaded LoadFrom(const TestHome& home, const QString& iniPath);
// LoadSettings of a korvel.ini holding iniBytes(text).
Loaded LoadText(const QString& text);

// An ini file written in UTF-8 in a test, as the program stores it: code
// page 1251, except for the text between '{' and '}', which becomes line code.
QByteArray IniBytes(const QString& text);
