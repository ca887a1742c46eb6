#include "editor/outgoing.h"

#include "archive/folders.h"
#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "util/fileops.h"
#include "util/linecode.h"
#include "util/telegramtext.h"

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

int TOutgoingWriter::FreeNumber() {
    SkipTakenNumbers();
    int number = status_.EditNumber;
    while (number <= kLastEditNumber &&
           (number == reserved_ || QFileInfo::exists(OutgoingFileName(number))))
        ++number;
    return number;
}

TOutgoingWriter::Result TOutgoingWriter::WriteOutgoingFile(bool confirm) {
    return WriteOutgoing(*this, confirm);
}

TOutgoingWriter::Result TOutgoingWriter::WriteOutgoing(const TOutgoingBuffers& telegram,
                                                       bool confirm) {
    // Taken now: while the operator reads the confirmation, other work
    // (a forward) may write files and use the composition buffers.
    const QByteArray bytes = fileBytes(telegram);
    const QStringList lines = telegram.OutgoingLines;
    auto refused = [this] {
        reportError(QStringLiteral("ТЛГ НЕ ЗАПИСАНА: ИСЧЕРПАНЫ НОМЕРА ФАЙЛОВ ДНЯ (000-999)"));
        return Result::Refused;
    };
    int number = FreeNumber();
    if (number > kLastEditNumber)
        return refused();
    if (confirm) {
        const int previous = reserved_;
        reserved_ = number;
        const bool accepted = host_ && host_->ConfirmSend(lines);
        reserved_ = previous;
        if (!accepted)
            return Result::Cancelled;
        // A file that appeared under it meanwhile is never replaced.
        if (QFileInfo::exists(OutgoingFileName(number)))
            number = FreeNumber();
        if (number > kLastEditNumber)
            return refused();
    }
    const QString path = OutgoingFileName(number);
    if (!writeNew(path, bytes)) {
        reportError(QStringLiteral("ОШИБКА ЗАПИСИ ФАЙЛА ДЛЯ ОТПРАВКИ ТЛГ: ") + path);
        return Result::Failed;
    }
    status_.EditNumber = qMax(status_.EditNumber, number + 1);
    if (queue_)
        queue_->SetScanCountdown(kScanAfterWrite);
    if (host_)
        host_->OutgoingWritten(path, confirm);
    return Result::Written;
}

QByteArray TOutgoingWriter::fileBytes(const TOutgoingBuffers& telegram) const {
    return config_.SaveTlgAnsi ? telegram.OutgoingText
                               : Utf16TelegramBytes(JoinLines(telegram.OutgoingLines));
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
