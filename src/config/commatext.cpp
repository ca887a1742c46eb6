#include "config/commatext.h"

namespace {

bool isSeparatorChar(QChar c) {
    return c.unicode() <= u' ';
}

bool needsQuotes(const QString& item) {
    for (QChar c : item) {
        if (isSeparatorChar(c) || c == u',' || c == u'"')
            return true;
    }
    return false;
}

}  // namespace

QString ListToCommaText(const QStringList& items) {
    if (items.size() == 1 && items.front().isEmpty())
        return QStringLiteral("\"\"");
    QString out;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += u',';
        const QString& item = items[i];
        if (needsQuotes(item)) {
            out += u'"';
            out += QString(item).replace(u'"', QStringLiteral("\"\""));
            out += u'"';
        } else {
            out += item;
        }
    }
    return out;
}

QStringList CommaTextToList(QStringView text) {
    // A NUL ends the text, as it ended the C string the format comes from.
    const qsizetype nul = text.indexOf(u'\0');
    if (nul >= 0)
        text = text.left(nul);
    const qsizetype n = text.size();
    const auto skipSeparators = [&](qsizetype i) {
        while (i < n && isSeparatorChar(text[i]))
            ++i;
        return i;
    };

    QStringList items;
    qsizetype i = skipSeparators(0);
    while (i < n) {
        QString item;
        if (text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && !isSeparatorChar(text[i]) && text[i] != u',')
                ++i;
            item = text.mid(start, i - start).toString();
        }
        items.append(item);
        i = skipSeparators(i);
        if (i < n && text[i] == u',') {
            if (i + 1 == n)
                items.append(QString());
            i = skipSeparators(i + 1);
        }
    }
    return items;
}

QByteArray ListToCommaText(const QList<QByteArray>& items) {
    QStringList wide;
    wide.reserve(items.size());
    for (const QByteArray& item : items)
        wide.append(QString::fromLatin1(item));
    return ListToCommaText(wide).toLatin1();
}

QList<QByteArray> CommaTextToList(QByteArrayView text) {
    QList<QByteArray> items;
    for (const QString& item : CommaTextToList(QString::fromLatin1(text.data(), int(text.size()))))
        items.append(item.toLatin1());
    return items;
}
