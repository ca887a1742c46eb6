#include "support/centrecuts.h"

#include "support/lineliterals.h"
#include "util/linecode.h"

const LineText kKg0 = LineLiteral(u"|ЗЗ ");

LineText Kg1(int n) {
    const LineText nnn = ThreeDigits(n);
    return L(u"|ЗЦЗЦ КС ВАШ ") + nnn + '=' + nnn + L(u" НННН  ");
}

QList<CentreCut> CutMessages(const LineText& stream) {
    const LineText start = L(u"ЗЦЗЦ ");
    const LineText end = L(u"НННН  ");
    QList<CentreCut> cuts;
    qsizetype z = stream.indexOf(start);
    while (z >= 0) {
        const qsizetype n = stream.indexOf(end, z);
        if (n < 0)
            break;
        const qsizetype next = stream.indexOf(start, n);
        cuts.append({stream.mid(z + start.size(), n - z - start.size()),
                     stream.mid(n + end.size(), next < 0 ? -1 : next - n - end.size())});
        z = next;
    }
    return cuts;
}
