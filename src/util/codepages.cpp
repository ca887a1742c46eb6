#include "util/codepages.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Upper halves (0x80-0xFF) of the two code pages as Unicode.
// clang-format off
constexpr std::array<char16_t, 128> kCp866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // A0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // E0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // E8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // F8
};
// clang-format on

// clang-format off
constexpr std::array<char16_t, 128> kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};
// clang-format on

// Reverse lookup of one code page: Unicode -> byte, sorted for binary search.
struct ReverseTable {
    std::array<std::pair<char16_t, uint8_t>, 128> entries{};

    explicit ReverseTable(const std::array<char16_t, 128>& upper) {
        for (int i = 0; i < 128; ++i)
            entries[i] = {upper[i], uint8_t(0x80 + i)};
        std::sort(entries.begin(), entries.end());
    }

    char find(char16_t c) const {
        if (c != 0 && c < 0x80)
            return char(c);
        auto it =
            std::lower_bound(entries.begin(), entries.end(), std::pair<char16_t, uint8_t>{c, 0});
        if (it != entries.end() && it->first == c)
            return char(it->second);
        return '?';
    }
};

const ReverseTable& reverse866() {
    static const ReverseTable table(kCp866);
    return table;
}

const ReverseTable& reverse1251() {
    static const ReverseTable table(kCp1251);
    return table;
}

// Byte-to-byte table from one code page to the other.
struct ByteTable {
    std::array<char, 256> map{};

    ByteTable(const std::array<char16_t, 128>& from, const ReverseTable& to) {
        for (int b = 0; b < 0x80; ++b)
            map[b] = char(b);
        for (int i = 0; i < 128; ++i)
            map[0x80 + i] = to.find(from[i]);
    }
};

QByteArray mapBytes(QByteArrayView text, const ByteTable& table) {
    qsizetype end = text.indexOf('\0');
    if (end < 0)
        end = text.size();
    QByteArray out(end, Qt::Uninitialized);
    char* dst = out.data();
    for (qsizetype i = 0; i < end; ++i)
        dst[i] = table.map[uint8_t(text[i])];
    return out;
}

QString toWide(QByteArrayView text, const std::array<char16_t, 128>& upper) {
    QString out(text.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const uint8_t b = uint8_t(text[i]);
        dst[i] = b < 0x80 ? QChar(b) : QChar(upper[b - 0x80]);
    }
    return out;
}

QByteArray fromWide(QStringView text, const ReverseTable& table) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        dst[i] = c == 0 ? '\0' : table.find(c);
    }
    return out;
}

}  // namespace

QByteArray Cp1251ToCp866(QByteArrayView text) {
    static const ByteTable table(kCp1251, reverse866());
    return mapBytes(text, table);
}

AnsiText Cp866ToCp1251(QByteArrayView text) {
    static const ByteTable table(kCp866, reverse1251());
    return mapBytes(text, table);
}

QString AnsiToWide(QByteArrayView text) {
    return toWide(text, kCp1251);
}

AnsiText WideToAnsi(QStringView text) {
    return fromWide(text, reverse1251());
}

QString Cp866ToWide(QByteArrayView text) {
    return toWide(text, kCp866);
}

QByteArray WideToCp866(QStringView text) {
    return fromWide(text, reverse866());
}
