#pragma once

#include "util/qtcompat.h"
#include "util/texttypes.h"

#include <QString>
#include <QStringView>

#include <string_view>

// Line code, the text of the line, the protocol and the raw telegram copies
// (code page 866 with register marks): conversions to and from UTF-16
// display text, and the small helpers every part of the program uses on it.

// One byte per code unit. Small Cyrillic letters fold to capitals (the line
// has none), Armenian and Georgian letters go through the national letter
// table, anything else without a place in line code becomes a space. With
// visibleLineEnds, '<' and '>' become CR and LF and real CR/LF are dropped.
LineText WideToLine(QStringView text, bool visibleLineEnds = false);

// One character per byte. With visibleLineEnds, CR shows as '<' and LF as
// '>' followed by a real CR LF so that the text still breaks into lines.
QString LineToWide(QByteArrayView text, bool visibleLineEnds = false);

// A Russian line-code literal written in the source as UTF-8/UTF-16:
// LineLiteral(u"ЗЦЗЦ ").
LineText LineLiteral(std::u16string_view text);

// Letters as the matcher's %A sees them: ASCII letters and code page 866
// Cyrillic (0x80-0xAF, 0xE0-0xEF).
bool IsPatternLetter(char c);

// The three register marks '&', '|' and '#'.
bool IsRegisterMark(char c);

// The text without its register marks.
LineText StripRegisterMarks(QByteArrayView text);
// Bounded form, as a copy into a C buffer of the given capacity: at most
// capacity - 1 characters that are not register marks are kept. When
// stoppedAt is given it receives the 0-based position in text where copying
// stopped (text.size() when all of it was taken).
LineText StripRegisterMarks(QByteArrayView text, int capacity, qsizetype* stoppedAt = nullptr);

// 1-based position of needle in text at or after the 1-based start, or 0.
qsizetype FindFrom(QByteArrayView text, QByteArrayView needle, qsizetype start);

// Views into a text that, like QByteArray::left, mid and right, clamp their
// bounds instead of asserting on them.
QByteArrayView LeftView(QByteArrayView text, qsizetype count);
QByteArrayView MidView(QByteArrayView text, qsizetype pos, qsizetype count = -1);
QByteArrayView RightView(QByteArrayView text, qsizetype count);

// Number of decimal digits before the first non-digit.
int LeadingDigitCount(QByteArrayView text);
int LeadingDigitCount(QStringView text);

// A number as at least three digits, zero-padded ("%03d"): 7 -> "007".
QByteArray ThreeDigits(int value);

// Telegram words of a display text: WideToLine, then CountWords.
int CountWordsWide(QStringView text);
