#include "util/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

namespace {

TEST(Clipboard, CarriesCodePage1251Text) {
    CopyTextToClipboard("\xCF\xF0\xE8\xE2\xE5\xF2, 123");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Привет, 123"));
    EXPECT_EQ(ClipboardText(), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2, 123"));

    CopyTextToClipboard(QByteArray("ab\0cd", 5));
    EXPECT_EQ(ClipboardText(), QByteArray("ab"));
}

TEST(Clipboard, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    QGuiApplication::clipboard()->setText(QStringLiteral("Ж✓"));
    EXPECT_EQ(ClipboardText(), QByteArray("\xC6?"));
}

TEST(Clipboard, AnImageIsNoText) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    EXPECT_EQ(ClipboardText(), QByteArray());
    QGuiApplication::clipboard()->clear();
    EXPECT_EQ(ClipboardText(), QByteArray());
}

}  // namespace
