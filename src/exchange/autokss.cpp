#include "exchange/autokss.h"

#include <QStringList>

void PrepareAutoKssRequest(const QString& editorIndex, QString& index, QString& channel) {
    const QString prefix = editorIndex.left(3);
    if (index == prefix + QStringLiteral("997"))
        return;
    index = prefix + QStringLiteral("997");
    channel = prefix + QStringLiteral("000");
}

QString AutoKssText(const TAutoKssRequest& request) {
    return QStringList{request.JC,       request.IO, request.Channel,
                       request.ChannelS, request.N,  request.Date.toString(QStringLiteral("dd.MM"))}
        .join(u' ');
}
