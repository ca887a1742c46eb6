#include "util/textutil.h"

#include <QFile>

bool IsVisibleMark(char c) {
    return c == '#' || c == '|' || c == '&' || c == '<' || c == '>';
}

QByteArray StripVisibleMarks(QByteArrayView text) {
    return StripVisibleMarks(text, int(qMin<qsizetype>(text.size() + 1, INT_MAX)));
}

QByteArray StripVisibleMarks(QByteArrayView text, int capacity) {
    QByteArray out;
    if (capacity <= 1)
        return out;
    out.reserve(qMin<qsizetype>(text.size(), capacity - 1));
    for (char c : text) {
        if (out.size() >= capacity - 1)
            break;
        if (!IsVisibleMark(c))
            out.append(c);
    }
    return out;
}

namespace {

bool isTransparent(char c) {
    return c == '#' || c == '|' || c == '&';
}

bool isBlank(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool isSeparator(char c) {
    return isBlank(c) || c == '-';
}

}  // namespace

int CountWords(QByteArrayView text) {
    const qsizetype n = text.size();

    // Runs of word characters.
    int words = 0;
    bool inWord = false;
    for (char c : text) {
        if (isTransparent(c))
            continue;
        if (isSeparator(c)) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++words;
        }
    }

    // An equals sign between two word characters splits them into two words.
    int equals = 0;
    for (qsizetype i = 1; i < n; ++i) {
        if (text[i] != '=')
            continue;
        qsizetype after = i + 1;
        while (after < n && isTransparent(text[after]))
            ++after;
        qsizetype before = i - 1;
        while (before >= 0 && isTransparent(text[before]))
            --before;
        if (after < n && before >= 0 && !isSeparator(text[after]) && !isSeparator(text[before]))
            ++equals;
    }

    // A run of hyphens standing between blanks (or the ends of the text) is a word.
    int dashes = 0;
    bool afterBlank = true;
    bool dashPending = false;
    for (char c : text) {
        if (isBlank(c)) {
            if (dashPending)
                ++dashes;
            afterBlank = true;
            dashPending = false;
        } else if (isTransparent(c)) {
        } else if (c == '-') {
            if (afterBlank)
                dashPending = true;
        } else {
            afterBlank = false;
            dashPending = false;
        }
    }
    if (dashPending)
        ++dashes;

    return words + equals + dashes;
}

int LooksLikeCp866(QByteArrayView text) {
    int oem = 0;
    int ansi = 0;
    for (char c : text) {
        const uchar b = uchar(c);
        if (b >= 0x80 && b <= 0xAF)
            ++oem;
        else if (b >= 0xC0 && b <= 0xDF)
            ++ansi;
    }
    return oem > ansi ? oem : 0;
}

QByteArray ReadSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = file.read(kSmallFileLimit);
    const qsizetype nul = data.indexOf('\0');
    if (nul >= 0)
        data.truncate(nul);
    return data;
}
