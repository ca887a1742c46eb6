#include "exchange/autokss.h"

#include <QStringList>

TAutoKssFields AutoKssFields(const QString& defaultIndex) {
    const QString prefix = defaultIndex.left(3);
    return {prefix + QStringLiteral("997"), prefix + QStringLiteral("000")};
}

QString AutoKssText(const TAutoKssRequest& request) {
    return QStringList{request.Journal, request.Direction,
                       request.Channel, request.ChannelS,
                       request.Number,  request.Date.toString(QStringLiteral("dd.MM"))}
        .join(u' ');
}
