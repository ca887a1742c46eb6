#pragma once

#include <QString>

// File operations with the guarantees the telegram store depends on.

// Renames a file, refusing when the target exists: a rename must never
// destroy a stored telegram (POSIX rename() would silently replace it).
// False when the target exists or the rename fails.
bool RenameNoReplace(const QString& from, const QString& to);

// The operator's read mark: a telegram file carries the "archive" mark while
// unread. It is the owner-execute bit, as Samba's "map archive" has it.
bool HasArchiveMark(const QString& path);
bool SetArchiveMark(const QString& path, bool archive);
