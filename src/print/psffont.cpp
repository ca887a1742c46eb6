#include "print/psffont.h"

#include <QFile>

namespace {

constexpr unsigned char kPsf1Magic0 = 0x36;
constexpr unsigned char kPsf1Magic1 = 0x04;
constexpr int kHeaderSize = 4;
constexpr int kGlyphCount = 256;
constexpr int kGlyphRows = 8;
constexpr int kFontSize = kGlyphCount * kGlyphRows;

std::optional<QByteArray> Fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return std::nullopt;
}

}  // namespace

std::optional<QByteArray> ReadPsf1Font8x8(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    // Only the header and the first 256 glyphs matter; a 512-glyph font or
    // the unicode table behind the glyphs is not read at all.
    const QByteArray data = file.read(kHeaderSize + kFontSize);
    if (data.size() < kHeaderSize || uchar(data[0]) != kPsf1Magic0 || uchar(data[1]) != kPsf1Magic1)
        return Fail(error,
                    QStringLiteral("%1 is not a PSF1 font (no 36 04 at its start)").arg(path));
    const int charSize = uchar(data[3]);
    if (charSize != kGlyphRows)
        return Fail(error,
                    QStringLiteral("%1 has glyphs of %2 rows, not 8: an 8 x 8 font is needed")
                        .arg(path)
                        .arg(charSize));
    if (data.size() < kHeaderSize + kFontSize)
        return Fail(error, QStringLiteral("%1 is too short: %2 bytes of glyphs, 256 glyphs need %3")
                               .arg(path)
                               .arg(data.size() - kHeaderSize)
                               .arg(kFontSize));
    return data.mid(kHeaderSize);
}
