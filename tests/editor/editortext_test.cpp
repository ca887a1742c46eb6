#include "editor/editortext.h"

#include "support/testhome.h"
#include "util/codepages.h"

#include <gtest/gtest.h>

namespace {

TEST(ReceivedTextForEditor, DropsStartLineAndTrailer) {
    EXPECT_EQ(ReceivedTextForEditor(u"ЗЦЗЦ 215\nП141911\nТЕКСТ\nНННН  \n0130 1205\n"),
              "П141911\nТЕКСТ\n\n");
    EXPECT_EQ(ReceivedTextForEditor(u"ЗЦЗЦ 215\r\nП141911\r\nТЕКСТ"), "П141911\nТЕКСТ\n")
        << "without the end marker the text stays";
    EXPECT_EQ(ReceivedTextForEditor(u"ЗЦЗЦ 215"), "");
    EXPECT_EQ(ReceivedTextForEditor(u"ЗЦЗЦ 215\nТЕКСТ НННН  "), "ТЕКСТ \n");
}

TEST(StripTelegramFrame, RemovesMarkersKeepsTheRest) {
    struct Case {
        QString in;
        QString out;
    } cases[] = {
        {"ЗЦЗЦ 1П141911\r\nТЕКСТ\r\nНННН  \r\n", "П141911\r\nТЕКСТ\r\n\r\n"},
        {"ШУМ ЗЦЗЦ  ТЕКСТ\r\n", "ТЕКСТ\r\n"},
        {"ТЕКСТ\nНННН  ХВОСТ", "ТЕКСТ\n"},
        {"ТЕКСТ\nНННН  ХВОСТ\n", "ТЕКСТ\n\n"},
        {"ПРОСТО ТЕКСТ\r\n", "ПРОСТО ТЕКСТ\r\n"},
        {"ЗЦЗЦ ", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StripTelegramFrame(c.in), c.out) << c.in.toStdString();
}

class EditorFileTest : public ProgramFolderTest {};

TEST_F(EditorFileTest, ReadsAnsiUnicodeAndCp866) {
    home.write("ansi", WideToAnsi(u"ЗЦЗЦ  П141911\r\nТЕКСТ\r\nНННН  \r\n"));
    EXPECT_EQ(ReadFileForEditor(home.file("ansi")), "П141911\r\nТЕКСТ\r\n\r\n");

    home.write("unicode", Utf16FileBytes("ПРИВЕТ\r\n"));
    EXPECT_EQ(ReadFileForEditor(home.file("unicode")), "ПРИВЕТ\r\n");

    home.write("oem", WideToCp866(u"МОСКВА ПРИВЕТ\r\n"));
    EXPECT_EQ(ReadFileForEditor(home.file("oem")), "МОСКВА ПРИВЕТ\r\n");

    const QByteArray plain = WideToAnsi(u"Без маркеров, как есть\r\n");
    home.write("plain", plain);
    EXPECT_EQ(ReadFileForEditor(home.file("plain")), AnsiToWide(plain));

    EXPECT_FALSE(ReadFileForEditor(home.file("missing")).has_value());
}

TEST_F(EditorFileTest, CryptoBlockFileSizes) {
    home.write("small", QByteArray("12345\0tail", 10));
    EXPECT_EQ(ReadCryptoBlockFile(home.file("small")), QByteArray("12345"));
    home.write("max", QByteArray(4999, '7'));
    EXPECT_EQ(ReadCryptoBlockFile(home.file("max"))->size(), 4999);
    home.write("big", QByteArray(5000, '7'));
    EXPECT_EQ(ReadCryptoBlockFile(home.file("big")), QByteArray());
    home.write("empty", QByteArray());
    EXPECT_EQ(ReadCryptoBlockFile(home.file("empty")), QByteArray());
    EXPECT_FALSE(ReadCryptoBlockFile(home.file("missing")).has_value());
}

}  // namespace
