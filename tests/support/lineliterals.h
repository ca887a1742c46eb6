#pragma once

#include "util/linecode.h"

#include <QByteArray>

#include <initializer_list>
#include <string_view>

// Short names for the line-code texts that the tests are full of.

// Line code from a literal (Russian capitals, ASCII).
inline LineText L(std::u16string_view text) {
    return LineLiteral(text);
}

// A protocol line's level marker byte.
inline LineText M(int level) {
    return LineText(1, char(level));
}

// Bytes from their values: the codes, commands and reports of the adapters.
template <typename Values = std::initializer_list<int>>
QByteArray Bytes(const Values& values) {
    QByteArray bytes;
    for (const int v : values)
        bytes.append(char(v));
    return bytes;
}
