#pragma once

#include "util/qtcompat.h"

#include <QByteArray>

#include <cstdint>

// The five-unit telegraph code of the serial adapters (ITA2 with a third,
// Russian, register) and its conversion to and from line code.

// Register numbers. A register state is one byte per direction and device,
// kept for the life of the program: decoders start at kRegisterLatin,
// encoders at kRegisterNone so that the first character is always shifted.
inline constexpr uint8_t kRegisterLatin = 0;
inline constexpr uint8_t kRegisterRussian = 1;
inline constexpr uint8_t kRegisterFigures = 2;
inline constexpr uint8_t kRegisterNone = 255;

// Shift codes.
inline constexpr uint8_t kShiftRussian = 0;
inline constexpr uint8_t kShiftFigures = 27;
inline constexpr uint8_t kShiftLatin = 31;

// Encodes line code (up to its end or first NUL) into at most `capacity`
// codes. A register mark in the text is sent as its shift code. When a shift
// fills the last place, the character after it is left for the next call.
// Returns the number of codes written; `consumed` receives the number of
// text bytes converted.
int EncodeFiveBit(uint8_t* codes, int capacity, QByteArrayView text, uint8_t& state,
                  int* consumed = nullptr);

// Decodes `count` codes into `text`, which must hold count + 1 bytes; a NUL
// follows the characters. Shift codes come out as their register marks, so
// the register structure survives. Returns count.
int DecodeFiveBit(char* text, const uint8_t* codes, int count, uint8_t& state);

// Convenience over the buffer forms for callers that hold byte strings.
QByteArray EncodeFiveBit(QByteArrayView text, uint8_t& state);
QByteArray DecodeFiveBit(QByteArrayView codes, uint8_t& state);
