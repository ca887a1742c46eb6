// libFuzzer target over the pattern matcher: the formats the program matches
// the centre's headers and messages with, against any subject, and any
// format against any subject. No input may crash it, write a text target
// past its capacity or report more conversions than the format holds.
// The first input byte chooses the format (255: the format is the input up
// to its first NUL, the subject what follows).

#include "exchange/matchpattern.h"
#include "util/linecode.h"

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <cstdlib>

namespace {

struct Format {
    QByteArray text;
    QByteArray kinds;  // 'd' for an int target, 't' for a text target
};

const QList<Format>& Formats() {
    static const QList<Format> formats = {
        {LineLiteral(u"ИСКАЖЕНИЕ %d ВАШ %d"), "dd"},
        {LineLiteral(u"ИСКАЖЕНИЯ %d"), "d"},
        {"%2d.%2d", "dd"},
        {"%2d%2d", "dd"},
        {"%.3A%d %06D %d", "tdtd"},
        {"%.3A%03D %03D %d", "tttd"},
        {"%.3A%03D=%03D %d %06D %d", "tttdtd"},
        {"%08d %06d/%06d", "ddd"},
        {LineLiteral(u"ВАШ %03d НАШ %03d ПОСЛЕДНИЕ %s %s"), "ddtt"},
        {"%s", "t"},
        {"%s %s", "tt"},
        {LineLiteral(u"НУМЕРАЦИИ ПРИН %04d ПЕР %04d %s %s"), "ddtt"},
        {"%03d-%03d", "dd"},
        {"%06D", "t"},
        {"%% % %3s%.2A%D", "ttt"},
    };
    return formats;
}

[[noreturn]] void Fail(const char* what, const QByteArray& format, QByteArrayView subject) {
    std::fprintf(stderr, "%s\nformat: %s\nsubject: %s\n", what, format.toHex(' ').constData(),
                 subject.toByteArray().toHex(' ').constData());
    std::abort();
}

// Conversions a format asks for, counted the way the matcher reads it.
int Conversions(const QByteArray& format) {
    int count = 0;
    for (qsizetype i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        if (format[i + 1] == '%' || format[i + 1] == ' ') {
            ++i;
            continue;
        }
        ++count;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    Format format;
    QByteArrayView subject;
    // Capacities small enough that a long subject overruns them.
    const int capacity = 1 + data[0] % 16;
    if (data[0] == 255) {
        const qsizetype nul = input.indexOf('\0');
        if (nul < 0)
            return 0;
        format.text = input.first(nul).toByteArray();
        subject = input.sliced(nul + 1);
        for (int i = 0; i < 8; ++i)
            format.kinds += (i % 2) ? 't' : 'd';
    } else {
        format = Formats()[data[0] % Formats().size()];
        subject = input;
    }

    int numbers[8] = {};
    QByteArray texts[8];
    QList<MatchTarget> targets;
    for (int i = 0; i < format.kinds.size(); ++i)
        targets.append(format.kinds[i] == 'd' ? MatchTarget(&numbers[i])
                                              : MatchTarget(&texts[i], capacity));
    const int found = MatchPatternList(format.text, subject, targets);
    if (found < 0 || found > qMin<int>(int(targets.size()), Conversions(format.text)))
        Fail("more conversions reported than the format and the targets hold", format.text,
             subject);
    for (const QByteArray& text : texts)
        if (text.size() > capacity)
            Fail("a text target was filled past its capacity", format.text, subject);
    // The same match again gives the same answer: the matcher keeps no state.
    int again[8] = {};
    QByteArray againTexts[8];
    QList<MatchTarget> second;
    for (int i = 0; i < format.kinds.size(); ++i)
        second.append(format.kinds[i] == 'd' ? MatchTarget(&again[i])
                                             : MatchTarget(&againTexts[i], capacity));
    if (MatchPatternList(format.text, subject, second) != found)
        Fail("the same match gave another count", format.text, subject);
    for (int i = 0; i < 8; ++i)
        if (again[i] != numbers[i] || againTexts[i] != texts[i])
            Fail("the same match gave other values", format.text, subject);
    return 0;
}
