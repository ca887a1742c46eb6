#pragma once

#include "shell/startup.h"

#include <QString>
#include <QStringList>

// Autorun: the desktop's autostart entry that starts this program, with the
// options it was started with, when the operator logs in.

// $XDG_CONFIG_HOME/autostart/WIN_KORVELIP<instance>.desktop
QString AutorunEntryPath(const QString& instanceName);

// The options that make a new start the same instance as this one: -i for a
// settings file other than the program folder's, -t for a title of its own,
// -n for an instance name.
QStringList AutorunArguments(const StartOptions& options, const QString& programFolder);

// The entry: Exec holds the program and its arguments, each quoted, with
// the escapes of the desktop entry format ("%" as "%%").
QString AutorunEntryText(const QString& program, const QStringList& arguments,
                         const QString& title);

// Writes (on) or removes (off) the entry. An entry that cannot be written
// or removed is left as it is, without a word: false.
bool SetAutorun(bool on, const StartOptions& options, const QString& programFolder,
                const QString& program);
