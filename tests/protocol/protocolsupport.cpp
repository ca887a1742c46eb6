#include "protocolsupport.h"

#include "util/linecode.h"

LineText M(int level) {
    return LineText(1, char(level));
}

LineText L(std::u16string_view text) {
    return LineLiteral(text);
}

QByteArray Joined(const QList<LineText>& lines) {
    QByteArray bytes;
    for (const LineText& line : lines)
        bytes += line + "\r\n";
    return bytes;
}
