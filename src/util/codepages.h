#pragma once

#include "util/qtcompat.h"
#include "util/texttypes.h"

#include <QString>
#include <QStringView>

// Whole-text conversions between code pages 866 and 1251 and to and from
// UTF-16, over our own tables. A byte or character without a counterpart in
// the target becomes '?'. Byte-to-byte conversions keep the length and end at
// the first NUL of the input, as the Windows OEM conversions did.

QByteArray Cp1251ToCp866(QByteArrayView text);
AnsiText Cp866ToCp1251(QByteArrayView text);

// Code page 1251 <-> UTF-16. The one unassigned byte 0x98 maps to U+0098 and
// back, so that no byte of a file is lost on the way through the display.
QString AnsiToWide(QByteArrayView text);
AnsiText WideToAnsi(QStringView text);

// Code page 866 <-> UTF-16, for texts that are plain 866 rather than line code.
QString Cp866ToWide(QByteArrayView text);
QByteArray WideToCp866(QStringView text);
