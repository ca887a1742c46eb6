#pragma once

#include "util/qtcompat.h"
#include "util/texttypes.h"

#include <QString>

// Stateless text and file helpers shared by the editor, the lists, the
// protocol and the tape windows.

// True for the five characters that only serve display: the register marks
// '#', '|', '&' and '<', '>' which stand for CR and LF in visible-line-end text.
bool IsVisibleMark(char c);

// The text without '#', '|', '&', '<' and '>'.
QByteArray StripVisibleMarks(QByteArrayView text);
// Bounded form: at most capacity - 1 characters are kept, as a C buffer of
// that capacity would hold them. A capacity of 1 or less gives the empty text.
QByteArray StripVisibleMarks(QByteArrayView text, int capacity);

// Number of telegram words in a line-code text: runs of word characters, plus
// one for each '=' joining two word characters, plus one for each free-standing
// run of hyphens. Register marks neither make nor split a word.
int CountWords(QByteArrayView text);

// A positive count when an 8-bit text looks like code page 866 rather than
// 1251 (more bytes in 0x80-0xAF than in 0xC0-0xDF), else 0.
int LooksLikeCp866(QByteArrayView text);

// The largest number of bytes ReadSmallFile returns.
inline constexpr int kSmallFileLimit = 10239;

// The first bytes of a file (at most kSmallFileLimit, up to the first NUL),
// or the empty text when it cannot be opened.
QByteArray ReadSmallFile(const QString& path);
