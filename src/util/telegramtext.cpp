#include "util/telegramtext.h"

#include "util/codepages.h"

#include <QFile>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

QString DecodeTelegramText(QByteArrayView bytes) {
    auto utf16 = [&bytes](bool littleEndian) {
        QString text((bytes.size() - 2) / 2, Qt::Uninitialized);
        QChar* dst = text.data();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const uchar a = uchar(bytes[2 + 2 * i]);
            const uchar b = uchar(bytes[3 + 2 * i]);
            dst[i] = QChar(littleEndian ? char16_t(a | b << 8) : char16_t(b | a << 8));
        }
        return text;
    };
    if (bytes.startsWith("\xFF\xFE"))
        return utf16(true);
    if (bytes.startsWith("\xFE\xFF"))
        return utf16(false);
    return AnsiToWide(bytes);
}

QByteArray Utf16TelegramBytes(QStringView text, bool withMark) {
    QByteArray out;
    out.reserve(text.size() * 2 + 2);
    if (withMark)
        out.append("\xFF\xFE", 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

std::optional<QString> LoadTelegramText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        return std::nullopt;
    return DecodeTelegramText(bytes);
}

QStringList MemoLines(QStringView text) {
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start).toString();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines << text.mid(start).toString();
    return lines;
}

QString JoinLines(const QStringList& lines) {
    QString text;
    text.reserve(JoinedLength(lines));
    for (const QString& line : lines)
        text += line + kCrLf;
    return text;
}

qsizetype JoinedLength(const QStringList& lines) {
    qsizetype n = 0;
    for (const QString& line : lines)
        n += line.size() + 2;
    return n;
}

QString StringListText(QStringView text) {
    return JoinLines(MemoLines(text));
}

QString ToMemoText(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
