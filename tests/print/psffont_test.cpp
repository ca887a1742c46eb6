#include "print/psffont.h"

#include "support/runprogram.h"
#include "support/testhome.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kFont866 = QStringLiteral("/usr/share/console-cyrillic/866_8x8.psf");
const QString kFont866x16 = QStringLiteral("/usr/share/console-cyrillic/866_8x16.psf");

QByteArray Glyph(const QByteArray& font, int code) {
    return font.mid(code * 8, 8);
}

TEST(ReadPsf1Font8x8, TakesTheCodePage866Font) {
    ASSERT_TRUE(QFile::exists(kFont866)) << "package console-cyrillic is needed";
    QString error;
    const std::optional<QByteArray> font = ReadPsf1Font8x8(kFont866, &error);
    ASSERT_TRUE(font) << error.toStdString();
    ASSERT_EQ(font->size(), 2048);
    // The space is blank and the full block (0xDB in code page 866) is all
    // dots: the glyphs start right after the header, in code order.
    EXPECT_EQ(Glyph(*font, 0x20), QByteArray(8, '\0'));
    EXPECT_EQ(Glyph(*font, 0xDB), QByteArray(8, '\xFF'));
}

TEST(ReadPsf1Font8x8, RefusesWhatIsNotAnEightByEightFont) {
    TestHome home;
    const QByteArray real = ReadFileBytes(kFont866);
    ASSERT_GT(real.size(), 2052);
    QByteArray psf2 = real;
    psf2.replace(0, 4, QByteArray::fromHex("72b54a86"));
    home.write(QStringLiteral("psf2.psf"), psf2);
    home.write(QStringLiteral("short.psf"), real.left(4 + 8 * 255));
    home.write(QStringLiteral("empty.psf"), QByteArray());

    const struct {
        QString path;
        const char* reason;
    } cases[] = {
        {home.file(QStringLiteral("psf2.psf")), "not a PSF1 font"},
        {home.file(QStringLiteral("empty.psf")), "not a PSF1 font"},
        {home.file(QStringLiteral("short.psf")), "too short"},
        {kFont866x16, "not 8"},
        {home.file(QStringLiteral("missing.psf")), "cannot open"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(ReadPsf1Font8x8(c.path, &error)) << c.path.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.reason)))
            << c.path.toStdString() << ": " << error.toStdString();
    }
}

TEST(ReadPsf1Font8x8, TakesTheFirstHalfOfA512GlyphFont) {
    TestHome home;
    QByteArray file = QByteArray::fromHex("36040108");
    file += QByteArray(256 * 8, '\x11') + QByteArray(256 * 8, '\x22');
    home.write(QStringLiteral("512.psf"), file);
    const std::optional<QByteArray> font =
        ReadPsf1Font8x8(home.file(QStringLiteral("512.psf")), nullptr);
    ASSERT_TRUE(font);
    EXPECT_EQ(*font, QByteArray(2048, '\x11'));
}

TEST(PrinterFontTool, WritesTheFontFileAndShowsGlyphs) {
    TestHome home;
    const QString out = home.file(QStringLiteral("printer866.fnt"));
    ProgramRun run = RunProgram(QStringLiteral(PRINTER_FONT_PATH), {kFont866, out});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFileBytes(out), ReadPsf1Font8x8(kFont866, nullptr).value_or("<unreadable>"));

    // Ж is 0x86 in code page 866; row 0 on top, bit 7 on the left.
    run = RunProgram(QStringLiteral(PRINTER_FONT_PATH),
                     {QStringLiteral("--show"), kFont866, QStringLiteral("0x86")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "##.#.##.\n"
              "##.#.##.\n"
              ".#####..\n"
              "..###...\n"
              ".#####..\n"
              "##.#.##.\n"
              "##.#.##.\n"
              "........\n");

    run = RunProgram(QStringLiteral(PRINTER_FONT_PATH), {QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("/usr/share/console-cyrillic/866_8x8.psf"));
    EXPECT_TRUE(run.out.contains("LoadFont=1"));

    // A font it cannot take leaves no file behind.
    const QString badOut = home.file(QStringLiteral("bad.fnt"));
    run = RunProgram(QStringLiteral(PRINTER_FONT_PATH), {kFont866x16, badOut});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("not 8")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(badOut));
    run = RunProgram(QStringLiteral(PRINTER_FONT_PATH),
                     {QStringLiteral("--show"), kFont866, QStringLiteral("256")});
    EXPECT_EQ(run.exitCode, 1);
}

}  // namespace
