#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Console fonts in PSF1 format as the raw printer's 8 x 8 font: the row font
// file that PRINT/LoadFontFileName names is made from one of them.

// The first 256 glyphs of an 8 x 8 PSF1 font as 2 048 row bytes: glyph c at
// 8 * c, row 0 on top, bit 7 the leftmost dot, in the file's glyph order.
// A font of 512 glyphs gives its first 256; a unicode table is ignored.
// Nothing, with the reason in error, when the file is not such a font.
std::optional<QByteArray> ReadPsf1Font8x8(const QString& path, QString* error);
