// What the names and the first lines of the day's files say.

#include "register/registerfiles.h"

#include "exchange/matchpattern.h"
#include "exchange/receiveparser.h"
#include "util/linecode.h"
#include "util/telegramtext.h"
#include "util/textutil.h"

#include <QRegularExpression>

namespace {

// Room of the C buffer the exchange reads a header from.
constexpr int kHeadCapacity = 128;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool allDigits(QStringView s) {
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (!isDigit(c))
            return false;
    return true;
}

// What a second file of the same name gets appended: nothing, or ".0",
// ".1", ... (as often as it happened).
bool isUniqueSuffix(QStringView s) {
    while (!s.isEmpty()) {
        if (s.front() != u'.')
            return false;
        qsizetype n = 1;
        while (n < s.size() && isDigit(s.at(n)))
            ++n;
        if (n == 1)
            return false;
        s = s.mid(n);
    }
    return true;
}

// The extension after the first full stop, without a unique suffix; empty
// and false when what follows it is no unique suffix.
bool splitExtension(QStringView rest, qsizetype dot, QStringView* extension) {
    QStringView tail = rest.mid(dot + 1);
    const qsizetype next = tail.indexOf(u'.');
    *extension = next < 0 ? tail : tail.left(next);
    return next < 0 || isUniqueSuffix(tail.mid(next));
}

bool isWhite(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool startsWithNumber(QByteArrayView h) {
    return h.size() >= 4 && LeadingDigitCount(LeftView(h, 3)) == 3 && isWhite(h[3]);
}

QString wide(const QByteArray& line) {
    return LineToWide(line);
}

struct THeaderParts {
    QString category, index;
};

// A received header after the centre's number, by the centre's header forms
// in the exchange's order; the index group is the six-digit group, the two
// three-digit groups of the second form, or the scheme of the third when it
// has no index.
THeaderParts receivedHeader(QByteArrayView rest) {
    const TCentreHeader h = MatchCentreHeader(rest);
    switch (h.form) {
        case 1:
            return {wide(h.category), wide(h.six)};
        case 2:
            return {wide(h.category), wide(h.groupA + h.groupB)};
        case 3:
            return {wide(h.category),
                    h.conversions == 6 ? wide(h.six) : wide(h.groupA + '=' + h.groupB)};
        default:
            return {wide(h.category), QString()};
    }
}

// A header as the editor writes it: category, the network number when it is
// not 01, then the index or the scheme.
THeaderParts sentHeader(QByteArrayView line) {
    LineText letters, net, six, groupA, groupB;
    if (MatchPattern("%.3A%02D %06D", line, &letters, &net, &six) == 3)
        return {wide(letters), wide(six)};
    if (MatchPattern("%.3A%03D=%03D", line, &letters, &groupA, &groupB) == 3)
        return {wide(letters), wide(groupA + '=' + groupB)};
    if (MatchPattern("%.3A%06D", line, &letters, &six) == 2)
        return {wide(letters), wide(six)};
    MatchPattern("%.3A", line, &letters);
    return {wide(letters), QString()};
}

// The origin line the editor puts before the text: place, words, "dd/mm hhnn=".
bool isOriginLine(QStringView line) {
    static const QRegularExpression origin(
        QStringLiteral("^\\S.*\\s\\d+\\s+\\d\\d/\\d\\d\\s+\\d{4}=\\s*$"));
    return origin.match(line.toString()).hasMatch();
}

struct TLine {
    qsizetype start = 0;
    qsizetype end = 0;  // before its line break
};

// The lines of a text: CR LF, a lone CR or a lone LF ends one.
QList<TLine> splitLines(QStringView text, int most) {
    QList<TLine> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size() && lines.size() < most; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append({start, i});
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size() && lines.size() < most)
        lines.append({start, text.size()});
    return lines;
}

bool isEndMark(QStringView line) {
    return line.startsWith(u"НННН");
}

QString displayLine(QStringView line) {
    return LineToWide(StripRegisterMarks(WideToLine(line.trimmed())));
}

}  // namespace

TRegisterName ClassifyReceivedName(QStringView name, QStringView dayText) {
    TRegisterName result;
    if (dayText.isEmpty() || !name.startsWith(dayText))
        return result;
    QStringView rest = name.mid(dayText.size());
    // Raw copies: ".tlg", ".rcvtlg", and "tlg" after ".SSS".
    if (rest.endsWith(u"tlg", Qt::CaseInsensitive))
        return result;
    bool working = false;
    if (rest.endsWith(u".rcv", Qt::CaseInsensitive)) {
        rest.chop(4);
        working = true;
    }
    if (rest.size() < 2)
        return result;
    const QChar first = rest.front().toLower();
    const qsizetype dot = rest.indexOf(u'.');
    QStringView extension;
    if (dot < 1 || dot > 4 || !splitExtension(rest, dot, &extension))
        return result;
    if (first == u'c' && dot == 4 && extension.compare(u"SSS", Qt::CaseInsensitive) == 0) {
        result.kind = TRegisterName::Kind::Service;
        result.fate = TRegisterFate::ServiceMessage;
        const QStringView digits = rest.mid(1, 3);
        result.number = allDigits(digits) ? digits.toInt() : -1;
        return result;
    }
    if ((first == u'q' || first == u'u') && extension.size() == 3 && allDigits(extension)) {
        result.kind = TRegisterName::Kind::Received;
        result.fate = working ? TRegisterFate::Receiving : TRegisterFate::Received;
        result.number = extension.toInt();
    }
    return result;
}

TRegisterName ClassifySentName(QStringView name, QStringView dayText, bool root) {
    TRegisterName result;
    if (dayText.isEmpty() || !name.startsWith(dayText))
        return result;
    const QStringView rest = name.mid(dayText.size());
    if (rest.isEmpty())
        return result;
    const QChar first = rest.front().toLower();
    if (first != u'q' && first != u'u')
        return result;
    const qsizetype dot = rest.indexOf(u'.');
    auto fate = [&result](TRegisterFate fate, int number = -1) {
        result.kind = TRegisterName::Kind::Sent;
        result.fate = fate;
        result.number = number;
        return result;
    };
    // The queue's own names: the letter and up to three characters.
    if (dot < 0 || dot == rest.size() - 1)
        return root && (dot < 0 ? rest.size() : dot) <= 4 ? fate(TRegisterFate::Waiting) : result;
    QStringView extension;
    if (dot > 4 || !splitExtension(rest, dot, &extension))
        return result;
    if (extension.size() == 3 && allDigits(extension))
        return fate(TRegisterFate::Confirmed, extension.toInt());
    if (extension.compare(u"SSS", Qt::CaseInsensitive) == 0)
        return fate(TRegisterFate::ServiceAccepted);
    if (extension.compare(u"brk", Qt::CaseInsensitive) == 0)
        return fate(TRegisterFate::Distorted);
    if (extension.compare(u"brd", Qt::CaseInsensitive) == 0)
        return fate(TRegisterFate::Unreadable);
    if (extension.compare(u"bSSS", Qt::CaseInsensitive) == 0)
        return fate(TRegisterFate::Unconfirmed);
    if (extension.size() < 3 || extension.front().toLower() != u'b' || !allDigits(extension.mid(1)))
        return result;
    const int n = extension.mid(1).toInt();
    // Three digits are the output number: refused by the count in the day
    // folder, set aside unconfirmed in the root. Other counts of digits are
    // the centre's number of a distortion (".b%02d").
    if (extension.size() == 4)
        return fate(root ? TRegisterFate::Unconfirmed : TRegisterFate::CountersDisagreed, n);
    fate(TRegisterFate::Distorted);
    result.distortion = n;
    return result;
}

TRegisterCache::Content ParseRegisterText(QByteArrayView bytes, bool received) {
    TRegisterCache::Content content;
    const QString text = DecodeTelegramText(bytes);
    // The header, an origin line, and a few more to find the address in.
    const QList<TLine> lines = splitLines(text, 24);
    if (lines.isEmpty())
        return content;
    const QStringView all(text);
    auto line = [&](int i) { return all.mid(lines[i].start, lines[i].end - lines[i].start); };

    static const LineText kStart = LineLiteral(u"ЗЦЗЦ ");
    LineText head = StripRegisterMarks(WideToLine(line(0)), kHeadCapacity);
    if (head.startsWith(kStart))
        head.remove(0, kStart.size());
    int next = 1;
    if (received) {
        if (!startsWithNumber(head)) {
            // A service message: its first line is its text.
            content.firstLine = LineToWide(head).trimmed();
            return content;
        }
        const THeaderParts header = receivedHeader(MidView(head, 4));
        content.category = header.category;
        content.index = header.index;
    } else {
        if (startsWithNumber(head))
            head.remove(0, 4);
        const THeaderParts header = sentHeader(head);
        content.category = header.category;
        content.index = header.index;
    }

    // The address: the first line with text after the header block (lines
    // in brackets belong to it) and the origin line.
    qsizetype textStart = -1;
    bool originSeen = false;
    for (; next < lines.size(); ++next) {
        const QStringView l = line(next).trimmed();
        if (l.isEmpty() || l.startsWith(u'('))
            continue;
        if (!originSeen && isOriginLine(l)) {
            originSeen = true;
            continue;
        }
        if (!isEndMark(l)) {
            content.firstLine = displayLine(l);
            textStart = lines[next].start;
        }
        break;
    }
    if (received) {
        // The words from the address to the end mark, as the editor counts
        // them: neither the header nor the origin line.
        content.words = 0;
        if (textStart >= 0) {
            qsizetype end = text.indexOf(QStringLiteral("\nНННН"), textStart);
            const qsizetype cr = text.indexOf(QStringLiteral("\rНННН"), textStart);
            if (end < 0 || (cr >= 0 && cr < end))
                end = cr;
            if (end < 0)
                end = text.size();
            content.words = CountWordsWide(all.mid(textStart, end - textStart));
        }
    }
    return content;
}
