#pragma once

#include "util/qtcompat.h"
#include "util/texttypes.h"

#include <QString>
#include <QStringView>

#include <optional>

// Texts that come into the editor from elsewhere: a received telegram taken
// over from a list, a file loaded from disk, a file loaded into the crypto
// block.

// A received telegram's shown text as the editor takes it: without its first
// line (the one with "ЗЦЗЦ "), and cut at "НННН  " so that the text ends with
// one empty line. Line breaks come back as "\n".
QString ReceivedTextForEditor(QStringView shownText);

// A loaded file's text without what the line adds around a telegram:
// everything up to "ЗЦЗЦ " and the character after it, and everything from
// "НННН  " on except the text's final line break. A text with neither marker
// comes back unchanged.
QString StripTelegramFrame(QStringView text);

// Reads a file for the editor: UTF-16 after a byte-order mark, otherwise
// code page 1251, taken as code page 866 when it looks like it; then
// StripTelegramFrame. Nothing when the file cannot be read.
std::optional<QString> ReadFileForEditor(const QString& path);

// The largest file part read for the crypto block, and the first size that
// is refused.
inline constexpr int kCryptoFileReadLimit = 6144;
inline constexpr int kCryptoFileRefused = 5000;

// A file for the crypto block: its first bytes (up to a NUL) when 1 to 4 999
// bytes were read, the empty text for an empty or too large file, nothing
// when it cannot be opened.
std::optional<LineText> ReadCryptoBlockFile(const QString& path);

// The crypto block's pieces that the move buttons take: the first byte, the
// first line (up to and including its LF), the last byte, the last line
// (after the last LF that comes before the final byte).
enum class TCryptoPiece { FirstByte, FirstLine, LastByte, LastLine };

// Cuts the piece from the block and returns it; nothing, and the block left
// alone, when the block is too short for it (one byte for a byte, two for a
// line). A block without a line break gives all of itself as a line.
std::optional<LineText> CutCryptoPiece(LineText& block, TCryptoPiece piece);

// A piece as the header part or the signature receives it: CR as '<' and LF
// as '>' with a line break, register marks as they are; without registers
// shown the marks and both signs are dropped, leaving a line break per LF.
QString CryptoPieceText(QByteArrayView piece, bool showRegisters);

// The block as its pane shows it: as CryptoPieceText with registers shown,
// otherwise its plain text without register marks.
QString CryptoBlockDisplay(QByteArrayView block, bool showRegisters);

// Appends the block to a file, creating it when absent. False when the file
// can be neither opened nor created.
bool AppendCryptoBlock(const QString& path, QByteArrayView block);
