#include "protocolsupport.h"

QByteArray Joined(const QList<LineText>& lines) {
    QByteArray bytes;
    for (const LineText& line : lines)
        bytes += line + "\r\n";
    return bytes;
}
