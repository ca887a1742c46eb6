// tarvo-printer-font: makes the 8 x 8 font file of the raw printer's dot
// graphics from a PSF1 console font, and shows its glyphs.

#include "print/psffont.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>

#include <cstdio>
#include <optional>

namespace {

const char* const kDescription = R"(
tarvo-printer-font makes the printer font file of a TARVO/COM workstation
from an 8 x 8 console font in PSF1 format. The file holds 256 glyphs of
8 x 8 dots (2 048 bytes, eight row bytes a glyph, row 0 on top, bit 7 the
leftmost dot); glyph c prints the line-code byte c, so the console font must
be in code page 866 order. With PRINT/LoadFont=1 the raw printer path
(PRINT/MatrixRAW=1) prints telegrams as dot graphics drawn with this font
instead of sending characters, for printers without Cyrillic letters.

Debian's code page 866 font of 8 x 8 dots is
  /usr/share/console-cyrillic/866_8x8.psf   (package console-cyrillic)

  tarvo-printer-font /usr/share/console-cyrillic/866_8x8.psf printer866.fnt

then, with the file in the program folder (beside korvel.ini), in korvel.ini:
  [PRINT]
  MatrixRAW=1
  LoadFont=1
  LoadFontFileName=printer866.fnt

  tarvo-printer-font --show INPUT.psf CODE
prints glyph CODE (decimal, or hex as 0x86) as eight lines of '#' and '.'.

Exit codes: 0 done; 1 bad arguments, a file that is not an 8 x 8 PSF1 font,
or an output file that cannot be written.)";

int Fail(const QString& message) {
    std::fprintf(stderr, "tarvo-printer-font: %s\n", qPrintable(message));
    return 1;
}

int Show(const QString& input, const QString& codeText) {
    bool ok = false;
    const int code = codeText.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                         ? codeText.mid(2).toInt(&ok, 16)
                         : codeText.toInt(&ok, 10);
    if (!ok || code < 0 || code > 255)
        return Fail(QStringLiteral("the code must be 0 to 255 (or 0x00 to 0xFF): ") + codeText);
    QString error;
    const std::optional<QByteArray> font = ReadPsf1Font8x8(input, &error);
    if (!font)
        return Fail(error);
    for (int row = 0; row < 8; ++row) {
        const uchar bits = uchar(font->at(code * 8 + row));
        char line[10];
        for (int dot = 0; dot < 8; ++dot)
            line[dot] = (bits & (0x80 >> dot)) ? '#' : '.';
        line[8] = '\n';
        line[9] = '\0';
        std::fputs(line, stdout);
    }
    return 0;
}

int Convert(const QString& input, const QString& output) {
    QString error;
    const std::optional<QByteArray> font = ReadPsf1Font8x8(input, &error);
    if (!font)
        return Fail(error);
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(*font) != font->size() || !file.commit())
        return Fail(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addHelpOption();
    const QCommandLineOption show(QStringLiteral("show"),
                                  QStringLiteral("Print one glyph of INPUT as '#' and '.'."));
    parser.addOption(show);
    parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("the PSF1 font, 8 x 8"));
    parser.addPositionalArgument(QStringLiteral("OUTPUT"),
                                 QStringLiteral("the printer font file (CODE with --show)"));
    if (!parser.parse(app.arguments()))
        return Fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2)
        return Fail(QStringLiteral("two arguments are needed; see --help"));
    return parser.isSet(show) ? Show(args[0], args[1]) : Convert(args[0], args[1]);
}
