#include "exchange/queuefiles.h"

#include "protocol/protocol.h"
#include "util/fileops.h"
#include "util/wildcard.h"

#include <QFile>
#include <QFileInfo>

QStringList QueueFileNames(const QString& outRoot) {
    QStringList names = ListMatching(outRoot, u"*.?*");
    names.removeIf(
        [](const QString& name) { return name.isEmpty() || name[0] < u'0' || name[0] > u'9'; });
    return names;
}

bool IsQueueOutcomeName(QStringView name) {
    return name.contains(u'.');
}

QString RetryFileName(QStringView name) {
    const qsizetype dot = name.indexOf(u'.');
    return (dot < 0 ? name : name.left(dot)).toString();
}

bool DeleteQueueFile(const QString& path, TProtocol& protocol) {
    protocol.AddMessage(QStringLiteral("УДАЛЕНИЕ ОПЕРАТОРОМ: ") + path, kProtocolEvent);
    if (QFile::remove(path))
        return true;
    protocol.AddMessage(QStringLiteral("ОШИБКА УДАЛЕНИЯ ФАЙЛА: ") + path, kProtocolError);
    return false;
}

TRetryResult RetryQueueFile(const QString& outRoot, const QString& name, TProtocol& protocol) {
    if (!IsQueueOutcomeName(name))
        return TRetryResult::NotAnOutcome;
    const QString from = outRoot + name;
    const QString to = outRoot + RetryFileName(name);
    protocol.AddMessage(
        QStringLiteral("ПЕРЕИМЕНОВАНИЕ ОПЕРАТОРОМ: ") + from + QStringLiteral(" -> ") + to,
        kProtocolEvent);
    if (RenameNoReplace(from, to))
        return TRetryResult::Renamed;
    protocol.AddMessage(
        QStringLiteral("ОШИБКА ПЕРЕИМЕНОВАНИЯ: ") + from + QStringLiteral(" -> ") + to,
        kProtocolError);
    // The existing file is another telegram waiting under that name: it
    // must never be replaced.
    return QFileInfo::exists(to) ? TRetryResult::TargetExists : TRetryResult::Failed;
}
