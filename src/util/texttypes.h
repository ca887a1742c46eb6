#pragma once

#include <QByteArray>

// The three kinds of text the program handles. They are all byte strings or
// QString underneath; the aliases say in a signature which one is meant.

// Line code: code page 866 bytes, CR and LF, and the register marks
// '&' (Latin shift), '|' (Russian shift) and '#' (figures shift).
using LineText = QByteArray;

// Code page 1251 bytes: ANSI telegram files, the clipboard, most ini values.
using AnsiText = QByteArray;

// Display text is QString (UTF-16) and needs no alias.
