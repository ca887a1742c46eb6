#include "util/linecode.h"

#include "util/textutil.h"

#include <QMetaType>

#include <array>
#include <cstdio>

namespace {

// The text aliases by their own names, for signals that carry them: Qt 5
// knows a signal's parameter only by the name it was declared with.
const bool kTextTypesKnown = [] {
    qRegisterMetaType<LineText>("LineText");
    qRegisterMetaType<AnsiText>("AnsiText");
    return true;
}();

// Line-code bytes for the Armenian alphabet (capitals and small letters share
// an entry) and the Georgian letters U+10D0-U+10F0 (the first 33 entries):
// the code page 866 small-letter positions except those of а е о р с у х,
// then 0xF0-0xF9 and 0xFC-0xFE.
// clang-format off
constexpr std::array<uchar, 38> kNationalLetters = {
    0xA1, 0xA2, 0xA3, 0xA4, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAF,
    0xE2, 0xE4, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF, 0xF0,
    0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFC, 0xFD, 0xFE,
};
// clang-format on

}  // namespace

namespace {

// Line-code byte of one UTF-16 code unit outside visible-line-end handling.
char lineByte(char16_t c) {
    if (c >= 0x01 && c <= 0x7F)
        return char(c);
    if (c == 0x00B1)
        return char(0xB1);
    if (c >= 0x0410 && c <= 0x042F)
        return char(c - 0x390);
    if (c >= 0x0430 && c <= 0x044F)
        return char(c - 0x3B0);
    if (c >= 0x0531 && c <= 0x0556)
        return char(kNationalLetters[c - 0x531]);
    if (c >= 0x0561 && c <= 0x0586)
        return char(kNationalLetters[c - 0x561]);
    if (c >= 0x10D0 && c <= 0x10F0)
        return char(kNationalLetters[c - 0x10D0]);
    return ' ';
}

// Display character of one line-code byte.
char16_t wideChar(uchar b) {
    if (b >= 0x01 && b <= 0x7F)
        return b;
    if (b >= 0x80 && b <= 0x9F)
        return char16_t(b + 0x390);
    if (b == 0xB1)
        return 0x00B1;
    if (b >= 0xA0 && b <= 0xAF)
        return char16_t(b - 0xA0 + 0x0430);
    if (b >= 0xE0 && b <= 0xEF)
        return char16_t(b - 0xE0 + 0x0440);
    return u' ';
}

}  // namespace

LineText WideToLine(QStringView text, bool visibleLineEnds) {
    LineText out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    qsizetype n = 0;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (visibleLineEnds && c < 0x80) {
            if (c == '\r' || c == '\n')
                continue;
            if (c == '>') {
                dst[n++] = '\n';
                continue;
            }
            if (c == '<') {
                dst[n++] = '\r';
                continue;
            }
        }
        dst[n++] = lineByte(c);
    }
    out.truncate(n);
    return out;
}

QString LineToWide(QByteArrayView text, bool visibleLineEnds) {
    if (!visibleLineEnds) {
        QString out(text.size(), Qt::Uninitialized);
        QChar* dst = out.data();
        for (qsizetype i = 0; i < text.size(); ++i)
            dst[i] = QChar(wideChar(uchar(text[i])));
        return out;
    }
    QString out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch == '\r')
            out.append(QLatin1Char('<'));
        else if (ch == '\n')
            out.append(QLatin1String(">\r\n"));
        else
            out.append(QChar(wideChar(uchar(ch))));
    }
    return out;
}

LineText LineLiteral(std::u16string_view text) {
    return WideToLine(QStringView(text.data(), qsizetype(text.size())));
}

bool IsPatternLetter(char c) {
    const uchar b = uchar(c);
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= 0x80 && b <= 0xAF) ||
           (b >= 0xE0 && b <= 0xEF);
}

bool IsRegisterMark(char c) {
    return c == '&' || c == '|' || c == '#';
}

LineText StripRegisterMarks(QByteArrayView text) {
    LineText out;
    out.reserve(text.size());
    for (char c : text)
        if (!IsRegisterMark(c))
            out.append(c);
    return out;
}

LineText StripRegisterMarks(QByteArrayView text, int capacity, qsizetype* stoppedAt) {
    LineText out;
    qsizetype pos = 0;
    if (capacity > 1) {
        out.reserve(qMin<qsizetype>(text.size(), capacity - 1));
        while (pos < text.size() && out.size() < capacity - 1) {
            if (!IsRegisterMark(text[pos]))
                out.append(text[pos]);
            ++pos;
        }
    }
    if (stoppedAt)
        *stoppedAt = pos;
    return out;
}

qsizetype FindFrom(QByteArrayView text, QByteArrayView needle, qsizetype start) {
    if (start < 1)
        start = 1;
    if (start > text.size())
        return 0;
    const qsizetype at = text.indexOf(needle, start - 1);
    return at < 0 ? 0 : at + 1;
}

QByteArrayView LeftView(QByteArrayView text, qsizetype count) {
    return text.first(qBound<qsizetype>(0, count, text.size()));
}

QByteArrayView MidView(QByteArrayView text, qsizetype pos, qsizetype count) {
    pos = qBound<qsizetype>(0, pos, text.size());
    const qsizetype left = text.size() - pos;
    return text.sliced(pos, count < 0 ? left : qMin(count, left));
}

QByteArrayView RightView(QByteArrayView text, qsizetype count) {
    return text.last(qBound<qsizetype>(0, count, text.size()));
}

int LeadingDigitCount(QByteArrayView text) {
    int n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9')
        ++n;
    return n;
}

int LeadingDigitCount(QStringView text) {
    int n = 0;
    while (n < text.size() && text[n] >= u'0' && text[n] <= u'9')
        ++n;
    return n;
}

QByteArray ThreeDigits(int value) {
    char buf[16];
    const int len = std::snprintf(buf, sizeof buf, "%03d", value);
    return QByteArray(buf, len);
}

int CountWordsWide(QStringView text) {
    return CountWords(WideToLine(text));
}
