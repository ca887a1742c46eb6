#include "support/protocolevents.h"

#include "protocol/protocol.h"
#include "util/linecode.h"

namespace {

QStringList eventLines(const TProtocol& protocol, bool withLevel) {
    QStringList out;
    for (const LineText& line : protocol.Lines()) {
        if (line.isEmpty() || (line[0] != kProtocolEvent && line[0] != kProtocolError))
            continue;
        // The marker, the time stamp (empty before the clock's first step), a
        // blank, then the text.
        const QString text = LineToWide(line.mid(line.indexOf(' ') + 1));
        out << (withLevel ? QString::number(line[0]) + text : text);
    }
    return out;
}

}  // namespace

QStringList ProtocolEvents(const TProtocol& protocol) {
    return eventLines(protocol, false);
}

QStringList ProtocolEventsWithLevel(const TProtocol& protocol) {
    return eventLines(protocol, true);
}
