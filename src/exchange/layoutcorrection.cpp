// The layout correction of received telegrams (PATH/CorrectInputTlg).

#include "exchange/telegramstore.h"
#include "util/linecode.h"

namespace {

bool isControl(char c) {
    return uchar(c) < 0x20;
}

// The white space the correction steps over between parts.
bool isGap(char c) {
    return c == '\r' || c == '\n' || c == ' ';
}

qsizetype lineEnd(const LineText& text, qsizetype from) {
    while (from < text.size() && !isControl(text.at(from)))
        ++from;
    return from;
}

qsizetype skipGap(const LineText& text, qsizetype from) {
    while (from < text.size() && isGap(text.at(from)))
        ++from;
    return from;
}

// End of the header block: the first line, the lines starting with "(" that
// follow it, and an "А/О " line right after them.
qsizetype headerEnd(const LineText& text) {
    qsizetype end = lineEnd(text, 0);
    for (;;) {
        const qsizetype next = skipGap(text, end);
        if (next >= text.size() || text.at(next) != '(')
            break;
        end = lineEnd(text, next);
    }
    static const LineText kAddressLine = LineLiteral(u"А/О ");
    const qsizetype next = skipGap(text, end);
    if (MidView(text, next).startsWith(kAddressLine))
        end = lineEnd(text, next);
    return end;
}

}  // namespace

LineText CorrectLayout(const LineText& text) {
    const qsizetype size = text.size();
    const qsizetype header = headerEnd(text);

    qsizetype equals[4] = {-1, -1, -1, -1};
    int count = 0;
    for (qsizetype i = 0; i < size && count < 4; ++i)
        if (text.at(i) == '=')
            equals[count++] = i;
    // Exactly three "=", all after the header, and a signature dash after the
    // last: the shape "address=text=...=signature-".
    if (count != 3 || equals[0] < header || text.indexOf('-', equals[2] + 1) < 0)
        return text;

    LineText out;
    out.reserve(size + 16);
    out += LeftView(text, header);
    // Blank lines after the header replace the gap there, except the spaces
    // that indent the first line of the address.
    qsizetype pos = header;
    qsizetype indent = header;
    while (pos < size && isGap(text.at(pos))) {
        if (text.at(pos) != ' ')
            indent = pos + 1;
        ++pos;
    }
    out += "\r\n\n\n";
    if (pos < size)
        out += MidView(text, indent, pos - indent);

    int seen = 0;
    while (pos < size) {
        const char c = text.at(pos);
        if (c == '=') {
            ++seen;
            out += c;
            out += seen < 3 ? "\r\n\n" : "\r\n";
            pos = skipGap(text, pos + 1);
            continue;
        }
        if (c == '-' && seen >= 3 && skipGap(text, pos + 2) >= size) {
            // The signature's closing dash: the text ends here. The character
            // right after the dash is kept when it is part of the signature.
            out += c;
            if (pos + 1 < size && !isGap(text.at(pos + 1)))
                out += text.at(pos + 1);
            out += "\n\n";
            return out;
        }
        out += c;
        ++pos;
    }
    return out;
}
