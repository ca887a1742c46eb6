#include "editor/outgoing.h"

#include "archive/folders.h"
#include "config/tlgconfig.h"
#include "exchange/linecode.h"
#include "protocol/protocol.h"
#include "util/fileops.h"

#include <QFile>
#include <QFileInfo>

TOutgoingWriter::TOutgoingWriter(const _tlg_config& config, _tlg_status& status,
                                 TProtocol& protocol, IOutgoingHost* host)
    : config_(config), status_(status), protocol_(protocol), host_(host) {}

QString TOutgoingWriter::OutgoingFileName(int number) const {
    return TArchiveFolders::AbsoluteFolder(config_.OutPath) + status_.DayText + u'q' +
           QString::fromLatin1(ThreeDigits(number));
}

void TOutgoingWriter::SkipTakenNumbers() {
    while (status_.EditNumber <= kLastEditNumber) {
        const QString path = OutgoingFileName(status_.EditNumber);
        if (!QFileInfo::exists(path))
            return;
        protocol_.AddMessage(
            QStringLiteral("ФАЙЛ ") + path + QStringLiteral(" УЖЕ ЖДЕТ ОТПРАВКИ, НОМЕР ПРОПУЩЕН"),
            kProtocolEvent);
        ++status_.EditNumber;
    }
}

TOutgoingWriter::Result TOutgoingWriter::WriteOutgoingFile(bool confirm) {
    SkipTakenNumbers();
    if (status_.EditNumber > kLastEditNumber) {
        reportError(QStringLiteral("ТЛГ НЕ ЗАПИСАНА: ИСЧЕРПАНЫ НОМЕРА ФАЙЛОВ ДНЯ (000-999)"));
        return Result::Refused;
    }
    const QString path = OutgoingFileName(status_.EditNumber);
    if (confirm && (!host_ || !host_->ConfirmSend(OutgoingLines)))
        return Result::Cancelled;
    if (!writeNew(path, fileBytes())) {
        reportError(QStringLiteral("ОШИБКА ЗАПИСИ ФАЙЛА ДЛЯ ОТПРАВКИ ТЛГ: ") + path);
        return Result::Failed;
    }
    ++status_.EditNumber;
    if (queue_)
        queue_->SetScanCountdown(kScanAfterWrite);
    if (host_)
        host_->OutgoingWritten(path, confirm);
    return Result::Written;
}

QByteArray TOutgoingWriter::fileBytes() const {
    if (config_.SaveTlgAnsi)
        return OutgoingText;
    QByteArray bytes("\xFF\xFE", 2);
    for (const QString& line : OutgoingLines) {
        for (const QChar c : line + QStringLiteral("\r\n")) {
            bytes += char(c.unicode() & 0xFF);
            bytes += char(c.unicode() >> 8);
        }
    }
    return bytes;
}

bool TOutgoingWriter::writeNew(const QString& path, const QByteArray& bytes) {
    // Written aside and renamed into place: the queue never sees half a
    // telegram, and the rename refuses to replace a file of that name.
    const QFileInfo target(path);
    const QString part =
        target.absolutePath() + QStringLiteral("/.~") + target.fileName() + QStringLiteral(".part");
    QFile::remove(part);
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (written && file.error() == QFile::NoError && SetArchiveMark(part, true) &&
        RenameNoReplace(part, path))
        return true;
    QFile::remove(part);
    return false;
}

void TOutgoingWriter::reportError(const QString& text) {
    protocol_.AddMessage(text, kProtocolError);
    if (host_)
        host_->ShowWriteError(text);
}
