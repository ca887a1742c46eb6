#pragma once

#include "util/qtcompat.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// Telegram files as text, and text as lines: what the exchange, the archive
// and the editor all read and show, kept below all three.

// A telegram file's bytes as text: UTF-16 after a byte-order mark (little or
// big endian), otherwise code page 1251.
QString DecodeTelegramText(QByteArrayView bytes);
// A text as a Unicode telegram file holds it: UTF-16 little endian, after
// the byte-order mark unless withMark is false (bytes appended to such a
// file).
QByteArray Utf16TelegramBytes(QStringView text, bool withMark = true);
// A telegram file as text; nothing when it cannot be read.
std::optional<QString> LoadTelegramText(const QString& path);

// The lines of a text as a memo or a string list counts them: split at CR
// LF, a lone CR or a lone LF; a line break at the very end opens no further
// line.
QStringList MemoLines(QStringView text);
// The lines each followed by CR LF, as a memo gives its whole text.
QString JoinLines(const QStringList& lines);
// Length of that text.
qsizetype JoinedLength(const QStringList& lines);
// A text as a Unicode string list holds it: its lines, each ended by CR LF.
QString StringListText(QStringView text);
// A text with its line breaks as the memo widgets show them ("\n").
QString ToMemoText(QStringView text);
