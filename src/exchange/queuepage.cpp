// What the operator does with the files of the output folder on the queue
// page: look, delete, send again.

#include "exchange/outgoingqueue.h"

#include "protocol/protocol.h"
#include "util/fileops.h"
#include "util/wildcard.h"

#include <QFile>

QStringList TOutgoingQueue::QueueFiles() const {
    QStringList files;
    for (const QString& name : ListMatching(OutFolder(), u"*.?*"))
        if (name.at(0).isDigit())
            files.append(name);
    return files;
}

bool TOutgoingQueue::HasOutcome(QStringView name) {
    return name.contains(u'.');
}

QString TOutgoingQueue::RetryName(QStringView name) {
    // Up to the first full stop; the stop itself goes too, as the Windows
    // file system drops a trailing one, so the name is a waiting one again.
    const qsizetype dot = name.indexOf(u'.');
    return (dot < 0 ? name : name.left(dot)).toString();
}

bool TOutgoingQueue::DeleteQueueFile(const QString& name) {
    if (name.isEmpty() || name == sendingFile_)
        return false;
    const QString path = OutFolder() + name;
    Log(QStringLiteral("УДАЛЕНИЕ ОПЕРАТОРОМ: ") + path, kProtocolEvent);
    const bool removed = QFile::remove(path);
    if (!removed)
        Log(QStringLiteral("ОШИБКА УДАЛЕНИЯ ФАЙЛА: ") + path, kProtocolError);
    RefreshQueueList();
    return removed;
}

bool TOutgoingQueue::RetryQueueFile(const QString& name) {
    if (!HasOutcome(name))
        return false;
    const QString from = OutFolder() + name;
    const QString to = OutFolder() + RetryName(name);
    Log(QStringLiteral("ПЕРЕИМЕНОВАНИЕ ОПЕРАТОРОМ: ") + from + QStringLiteral(" -> ") + to,
        kProtocolEvent);
    // A waiting file of the same name stays as it is: the operator sees the
    // failure and decides which of the two is to go.
    const bool renamed = RenameNoReplace(from, to);
    if (!renamed)
        Log(QStringLiteral("ОШИБКА ПЕРЕИМЕНОВАНИЯ: ") + from + QStringLiteral(" -> ") + to,
            kProtocolEvent);
    RefreshQueueList();
    return renamed;
}
