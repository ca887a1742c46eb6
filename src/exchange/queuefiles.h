#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

class TProtocol;

// The file side of the queue page ("Передача"): which files of the output
// folder's root it lists and what the operator's delete and retry do to
// them. No widget is involved, so the outgoing queue can call these too.

// The out root's files the page lists: every file matching "*.?*" whose name
// starts with a digit, folders left out, in the finder's order. Waiting
// files (no extension) are listed too.
QStringList QueueFileNames(const QString& outRoot);

// Whether the operator may act on a listed file: only names with a full
// stop, the ones an outcome gave an extension. A file without one waits for
// the scan and may be on the line right now.
bool IsQueueOutcomeName(QStringView name);

// The name a retried file gets back: the part before its first full stop
// ("0130q001.b012" -> "0130q001"). The design keeps the full stop, which
// Windows drops; here it is dropped explicitly, so that the scan's masks
// ("q???.") find the file again.
QString RetryFileName(QStringView name);

// Logs "УДАЛЕНИЕ ОПЕРАТОРОМ: " + path (event) and deletes the file. A file
// that cannot be deleted is reported in an error line; false then.
bool DeleteQueueFile(const QString& path, TProtocol& protocol);

enum class TRetryResult {
    Renamed,
    NotAnOutcome,  // the name has no full stop: it is already waiting
    TargetExists,  // a file of the new name waits already; nothing renamed
    Failed,        // the rename failed for another reason
};

// Gives the file of the out root its waiting name again, so that the next
// scan sends it: logs "ПЕРЕИМЕНОВАНИЕ ОПЕРАТОРОМ: " + old + " -> " + new
// (event) and renames without replacing. A refused rename is logged as an
// error line "ОШИБКА ПЕРЕИМЕНОВАНИЯ: " + old + " -> " + new.
TRetryResult RetryQueueFile(const QString& outRoot, const QString& name, TProtocol& protocol);
