#pragma once

#include "support/testhome.h"

#include <QDate>
#include <QList>
#include <QStringList>

// A working day of the register, 30 January 2026 (0130), laid out as the
// exchange files it: received telegrams in both encodings, one still under
// its working name, a service message, raw copies and strangers; sent
// telegrams of every fate in the out day folder and the out root; and the
// end of the day before (0129). The centre changes its numbering soon after
// midnight: 117 and 118 of the old numbering (116 is missing), then 001,
// 002, 004 and 005 of the new one (003 is missing).
inline const QDate kRegisterDay(2026, 1, 30);

struct TRegisterDayFile {
    const char* path;  // in the program folder
    const char* time;  // last write on its day, "HH:mm"
    bool unicode;      // UTF-16 with a byte-order mark, else code page 1251
    bool unread;       // carries the archive mark
    const char* text;
    // What the register says of it, as the export's fields from the
    // direction to the file, without the date: empty for a file it leaves
    // out.
    QStringList row;
};

const QList<TRegisterDayFile>& RegisterDayFiles();

// Writes the day into home; flip swaps every file's encoding.
void MakeRegisterDay(const TestHome& home, bool flip = false);
