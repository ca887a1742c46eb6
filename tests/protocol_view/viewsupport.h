#pragma once

#include "protocol/protocol.h"
#include "protocol/protocoltyping.h"
#include "support/lineliterals.h"
#include "support/testhome.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QRect>

#include <gtest/gtest.h>

// The font the view tests draw with: one that is installed (fonts-dejavu-core),
// sized in pixels so that screen and image agree, and without antialiasing so
// that glyph pixels have exactly the text's colour.
QFont ViewFont(int pixelSize = 14);

// Pixels of a colour inside a rectangle of the image.
int CountColor(const QImage& image, const QRect& rect, const QColor& color);
// Leftmost and rightmost column of rect holding the colour, -1 when none.
int FirstX(const QImage& image, const QRect& rect, const QColor& color);
int LastX(const QImage& image, const QRect& rect, const QColor& color);
// Row number row of the image, lineHeight pixels high.
QRect Row(const QImage& image, int row, int lineHeight);

// Each test runs in a program folder of its own, made the current folder.
class ViewTest : public ProgramFolderTest {
protected:
    QFont font = ViewFont();
};

// The line's side of the typing, as the exchange does it: the text goes to
// the send buffer, which the protocol shows as its pending text.
struct RecordingTyping : IProtocolTyping {
    explicit RecordingTyping(TProtocol& p) : protocol(p) {}
    bool IsManualMode() const override { return manual; }
    void SendToLine(const LineText& text) override;

    TProtocol& protocol;
    bool manual = false;
    QList<LineText> sends;
    LineText sendText;
};
