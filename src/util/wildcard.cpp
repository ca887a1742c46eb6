#include "util/wildcard.h"

#include <QDir>

namespace {

bool sameChar(QChar a, QChar b) {
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// A dot of the mask that only ?s and *s follow stands for "a dot or the end".
bool isOptionalDot(QStringView mask, qsizetype m) {
    for (qsizetype i = m + 1; i < mask.size(); ++i)
        if (mask[i] != u'?' && mask[i] != u'*')
            return false;
    return true;
}

bool matchFrom(QStringView name, qsizetype n, QStringView mask, qsizetype m) {
    while (m < mask.size()) {
        const QChar c = mask[m];
        if (c == u'*') {
            // Collapse a run of stars, then try every split.
            while (m < mask.size() && mask[m] == u'*')
                ++m;
            if (m == mask.size())
                return true;
            for (qsizetype k = n; k <= name.size(); ++k)
                if (matchFrom(name, k, mask, m))
                    return true;
            return false;
        }
        if (c == u'?') {
            if (n == name.size() || name[n] == u'.') {
                // The run of ?s matches nothing here.
                while (m < mask.size() && mask[m] == u'?')
                    ++m;
                continue;
            }
            ++n;
            ++m;
            continue;
        }
        if (c == u'.' && isOptionalDot(mask, m)) {
            if (n == name.size()) {
                ++m;
                continue;
            }
            if (name[n] != u'.')
                return false;
            ++n;
            ++m;
            continue;
        }
        if (n == name.size() || !sameChar(name[n], c))
            return false;
        ++n;
        ++m;
    }
    return n == name.size();
}

}  // namespace

bool MatchesMask(QStringView name, QStringView mask) {
    return matchFrom(name, 0, mask, 0);
}

QStringList ListMatching(const QString& folder, QStringView mask, bool filesOnly) {
    QDir dir(folder);
    QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::System;
    if (!filesOnly)
        filters |= QDir::Dirs | QDir::NoDotAndDotDot;
    QStringList out;
    for (const QString& entry : dir.entryList(filters, QDir::Name | QDir::IgnoreCase))
        if (MatchesMask(entry, mask))
            out.append(entry);
    return out;
}
