#include "line/fivebit.h"

#include <array>

namespace {

// Characters of the three registers by code; index 32 stands for any value of
// 32 and above. Cyrillic letters are code page 866 capitals.
// clang-format off
constexpr uint8_t CR = 0x0D, LF = 0x0A, ENQ = 0x05, BAD = 0xB1;
constexpr uint8_t RU_A = 0x80, RU_B = 0x81, RU_V = 0x82, RU_G = 0x83, RU_D = 0x84, RU_E = 0x85,
                  RU_ZH = 0x86, RU_Z = 0x87, RU_I = 0x88, RU_J = 0x89, RU_K = 0x8A, RU_L = 0x8B,
                  RU_M = 0x8C, RU_N = 0x8D, RU_O = 0x8E, RU_P = 0x8F, RU_R = 0x90, RU_S = 0x91,
                  RU_T = 0x92, RU_U = 0x93, RU_F = 0x94, RU_H = 0x95, RU_C = 0x96, RU_CH = 0x97,
                  RU_SH = 0x98, RU_SHCH = 0x99, RU_HARD = 0x9A, RU_Y = 0x9B, RU_SOFT = 0x9C,
                  RU_EH = 0x9D, RU_YU = 0x9E, RU_YA = 0x9F;

constexpr uint8_t kDecode[3][33] = {
    // Latin
    {'|', 'E', LF, 'A', ' ', 'S', 'I', 'U', CR,  'D', 'R', 'J', 'N', 'F', 'C', 'K', 'T',
     'Z', 'L', 'W', 'H', 'Y', 'P', 'Q', 'O', 'B', 'G', '#', 'M', 'X', 'V', '&', BAD},
    // Russian
    {'|',  RU_E, LF,   RU_A, ' ',  RU_S, RU_I, RU_U,  CR,   RU_D, RU_R,
     RU_J, RU_N, RU_F, RU_C, RU_K, RU_T, RU_Z, RU_L,  RU_V, RU_H, RU_Y,
     RU_P, RU_YA, RU_O, RU_B, RU_G, '#', RU_M, RU_SOFT, RU_ZH, '&', BAD},
    // Figures
    {'|', '3', LF,  '-', ' ', '\'', '8', '7', CR,  ENQ, '4', RU_YU, ',', RU_EH, ':', '(', '5',
     '+', ')', '2', RU_SHCH, '6', '0', '1', '9', '?', RU_SH, '#', '.', '/', '=', '&', BAD},
};
// clang-format on

// Encode entries: register in the top three bits, code in the low five.
// Register 4 means the character goes out in any register without a shift.
constexpr uint8_t kAnyRegister = 4;

constexpr uint8_t entry(uint8_t reg, uint8_t code) {
    return uint8_t(reg << 5 | code);
}

constexpr std::array<uint8_t, 256> makeEncodeTable() {
    std::array<uint8_t, 256> t{};
    // Anything without a place in the code goes out as a full stop.
    for (auto& e : t)
        e = entry(kRegisterFigures, 28);
    for (uint8_t reg = 0; reg < 3; ++reg)
        for (uint8_t code = 0; code < 32; ++code) {
            const uint8_t c = kDecode[reg][code];
            if (c == '|' || c == '#' || c == '&' || c == LF || c == CR || c == ' ')
                continue;
            t[c] = entry(reg, code);
        }
    // Small Latin and Cyrillic letters go as their capitals. Ч Ш Щ Ъ Э Ю are
    // not in the Russian row and are sent in figures; Ч as '4', Ъ as '\''.
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = t[c - 'a' + 'A'];
    for (int c = 0xA0; c <= 0xAF; ++c)
        t[c] = t[c - 0xA0 + 0x80];
    for (int c = 0xE0; c <= 0xEF; ++c)
        t[c] = t[c - 0xE0 + 0x90];
    t[RU_CH] = t[0xE7] = entry(kRegisterFigures, 10);
    t[RU_HARD] = t[0xEA] = entry(kRegisterFigures, 5);
    t['"'] = t['`'] = entry(kRegisterFigures, 5);
    t[LF] = t['>'] = entry(kAnyRegister, 2);
    t[CR] = t['<'] = entry(kAnyRegister, 8);
    t[' '] = entry(kAnyRegister, 4);
    t['|'] = entry(kAnyRegister, kShiftRussian);
    t['#'] = entry(kAnyRegister, kShiftFigures);
    t['&'] = entry(kAnyRegister, kShiftLatin);
    return t;
}

constexpr std::array<uint8_t, 256> kEncode = makeEncodeTable();

constexpr uint8_t shiftCode(uint8_t reg) {
    return reg == kRegisterLatin     ? kShiftLatin
           : reg == kRegisterRussian ? kShiftRussian
                                     : kShiftFigures;
}

}  // namespace

int EncodeFiveBit(uint8_t* codes, int capacity, QByteArrayView text, uint8_t& state,
                  int* consumed) {
    uint8_t a = state;
    int written = 0;
    qsizetype pos = 0;
    while (pos < text.size() && text[pos] != '\0' && written < capacity) {
        const uint8_t e = kEncode[uint8_t(text[pos])];
        const uint8_t reg = e >> 5;
        const uint8_t code = e & 0x1F;
        if (reg == kAnyRegister) {
            codes[written++] = code;
            if (code == kShiftRussian)
                a = kRegisterRussian;
            else if (code == kShiftFigures)
                a = kRegisterFigures;
            else if (code == kShiftLatin)
                a = kRegisterLatin;
        } else {
            if (reg != a || a == kRegisterNone) {
                a = reg;
                codes[written++] = shiftCode(reg);
                if (written >= capacity)
                    break;
            }
            codes[written++] = code;
        }
        ++pos;
    }
    state = a;
    if (consumed)
        *consumed = int(pos);
    return written;
}

int DecodeFiveBit(char* text, const uint8_t* codes, int count, uint8_t& state) {
    uint8_t a = state;
    // A state that never came from a decoder is read as Latin.
    if (a > kRegisterFigures)
        a = kRegisterLatin;
    for (int i = 0; i < count; ++i) {
        const uint8_t v = codes[i];
        if (v == kShiftLatin)
            a = kRegisterLatin;
        else if (v == kShiftRussian)
            a = kRegisterRussian;
        else if (v == kShiftFigures)
            a = kRegisterFigures;
        text[i] = char(kDecode[a][v < 32 ? v : 32]);
    }
    text[count < 0 ? 0 : count] = '\0';
    state = a;
    return count < 0 ? 0 : count;
}

QByteArray EncodeFiveBit(QByteArrayView text, uint8_t& state) {
    // A character needs at most two codes.
    QByteArray codes(text.size() * 2, Qt::Uninitialized);
    const int n =
        EncodeFiveBit(reinterpret_cast<uint8_t*>(codes.data()), int(codes.size()), text, state);
    codes.truncate(n);
    return codes;
}

QByteArray DecodeFiveBit(QByteArrayView codes, uint8_t& state) {
    // An empty array has no buffer of its own to take the NUL.
    if (codes.isEmpty())
        return QByteArray();
    QByteArray text(codes.size(), Qt::Uninitialized);
    // QByteArray keeps a NUL after its data, so count + 1 bytes are there.
    DecodeFiveBit(text.data(), reinterpret_cast<const uint8_t*>(codes.data()), int(codes.size()),
                  state);
    return text;
}
