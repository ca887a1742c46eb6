#pragma once

#include "config/tlgconfig.h"

#include <QLatin1String>
#include <QString>

// Reading and writing the settings file. The application owns one instance of
// each record and hands them in; nothing here is global.

// Name of the settings file in the program folder.
inline constexpr QLatin1String IniFileName{"korvel.ini"};

// The file LoadSettings reads: iniPath when that file exists, otherwise
// IniFileName in the program folder (so that a new path given on the command
// line starts from the settings of the default file).
QString SettingsSourcePath(const QString& iniPath, const QString& programFolder);

// Reads every setting into the records, the schema table and the window's
// controls, key by key with the defaults and rules of each key. Sets the
// starting mode (status.Automatic: automatic when OTHER/StartAutomateMode is
// set, else STATUS/Automatic) and, with WINDOW/RestorePosition, the window
// geometry and page; otherwise the geometry fields keep what the caller put
// there. A missing or unreadable file gives every default. True when a file
// was read.
bool LoadSettings(const QString& iniPath, const QString& programFolder, _tlg_config& config,
                  _tlg_status& status, SchemaCopyTable& schemaCopies, _tlg_controls& controls);

// Writes every key except PRINT/IP and SCHEMA_PRINT to iniPath, in one write
// of the whole file; lines of the file that are not ours stay as they were.
// Empty on success, else "Unable to write to " + iniPath, and then the file
// is as it was before the call.
QString SaveSettings(const QString& iniPath, const _tlg_config& config, const _tlg_status& status,
                     const _tlg_controls& controls);

// Writes the keys that change with every telegram: STATUS/NumberInput,
// NumberOutput, the day they belong to (MMDD) and the telegram handed over
// (HandedOver, HandedOverNumber), in one write; the result as for
// SaveSettings.
QString SaveCounters(const QString& iniPath, const _tlg_status& status);

// A folder as the settings hold it, read from the file or typed in the
// dialog alike: '\' (from files and habits carried over from Windows) and
// '/' both separate, and it ends in '/' so that names can be appended to it.
QString FolderSetting(QString folder);

// Every entry at its default of 2 copies.
SchemaCopyTable DefaultSchemaCopies();

// Width at which the protocol wraps traffic text: 0 (no wrapping) when
// OTHER/ProtocolWidth is 0, 69 for any other value.
int ProtocolWrapWidth(const _tlg_config& config);

// OPERATOR/List as read, with the quote repair: the reader drops one
// enclosing pair of double quotes, so a list whose first and last items were
// quoted comes back without its outer quotes; they are put back here.
QString RepairOperatorList(const QString& value);
