#pragma once

#include "util/texttypes.h"

#include "util/qtcompat.h"

// Plain-text clipboard access in the operator's code page (1251), as the
// protocol view and the crypto block exchange text with other programs.

// Puts the text on the clipboard; characters are read as code page 1251.
void CopyTextToClipboard(QByteArrayView text);

// The clipboard's plain text in code page 1251 ('?' for characters outside
// it), or the empty text when the clipboard holds no text.
AnsiText ClipboardText();
