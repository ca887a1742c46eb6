#include "exchange/telegramstore.h"

#include "protocol/protocol.h"
#include "util/codepages.h"
#include "util/fileops.h"
#include "util/linecode.h"
#include "util/telegramtext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace {

bool pathExists(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Flushes the folder that holds path, so that a name made or changed in it
// survives a crash as well as the file's bytes do.
void syncFolder(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

enum class WriteMode {
    Create,          // a new file; an existing one is an error
    Append,          // the end of an existing file
    CreateOrAppend,  // either
};

// Writes all of bytes and flushes them to the disk. It is all or nothing: when
// any step fails a file this call made is removed, and an existing file is
// cut back to the length it had.
bool writeDurably(const QString& path, QByteArrayView bytes, WriteMode mode) {
    const QByteArray name = QFile::encodeName(path);
    bool created = false;
    int fd = -1;
    if (mode != WriteMode::Append) {
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        created = fd >= 0;
        if (fd < 0 && (mode == WriteMode::Create || errno != EEXIST))
            return false;
    }
    if (fd < 0)
        fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;

    struct stat st {};
    const off_t oldSize = ::fstat(fd, &st) == 0 ? st.st_size : -1;
    bool ok = oldSize >= 0 && ::lseek(fd, 0, SEEK_END) == oldSize;
    qsizetype done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += n;
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (!ok && !created && oldSize >= 0) {
        // A partial append must not leave half a text at the end of a
        // stored telegram.
        if (::ftruncate(fd, oldSize) == 0)
            ::fsync(fd);
    }
    if (::close(fd) != 0)
        ok = false;
    if (!ok && created)
        ::unlink(name.constData());
    if (ok && created)
        syncFolder(path);
    return ok;
}

bool readWhole(const QString& path, QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool startsWithUtf16Mark(QByteArrayView bytes) {
    return bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE;
}

// The first bytes of a file, enough to see a byte-order mark; empty when the
// file is empty or unreadable.
QByteArray fileHead(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(2);
}

// Whether text in the given encoding may be appended to an existing file:
// only to one written in that same encoding (or an empty one).
bool encodingFits(const QString& path, bool unicode) {
    const QByteArray head = fileHead(path);
    if (head.isEmpty())
        return true;
    return startsWithUtf16Mark(head) == unicode;
}

// UTF-16 bytes to append to an existing Unicode file: a line break first
// when its last line is still open, as loading and saving the list would.
QByteArray unicodeAppendBytes(const QString& path, const QString& listText) {
    QByteArray tail;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const qint64 size = file.size();
        if (size <= 2)
            return Utf16TelegramBytes(listText, true);
        file.seek(size - 2);
        tail = file.read(2);
    }
    const bool open =
        tail.size() == 2 && !(tail.at(1) == '\0' && (tail.at(0) == '\n' || tail.at(0) == '\r'));
    return Utf16TelegramBytes(open ? QStringLiteral("\r\n") + listText : listText, false);
}

// The readable text of a body or completion: without register marks unless
// they are kept, and with a NUL (line noise) shown as a blank, so that the
// code page conversion, which ends at a NUL, does not lose the rest.
// Code page 1251 bytes to append to an existing file: a line break first
// when its text does not end with one, so that two telegrams under one name
// do not run into each other.
QByteArray ansiAppendBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0 || !file.seek(file.size() - 1))
        return bytes;
    const QByteArray last = file.read(1);
    return last == "\n" || last == "\r" ? bytes : QByteArrayLiteral("\r\n") + bytes;
}

LineText readableText(const LineText& text, bool keepMarks) {
    // Whole: the receive buffer's own limit is the only bound on a message.
    LineText out = keepMarks ? text : StripRegisterMarks(text);
    out.replace('\0', ' ');
    return out;
}

}  // namespace

TTelegramStore::TTelegramStore(const _tlg_config& config, TProtocol& protocol,
                               ITelegramStoreHost& host)
    : config_(config), protocol_(protocol), host_(host) {}

QString TTelegramStore::MakeUnique(const QString& path) {
    if (!pathExists(path))
        return path;
    for (int i = 0;; ++i) {
        const QString candidate = path + u'.' + QString::number(i);
        if (!pathExists(candidate))
            return candidate;
    }
}

void TTelegramStore::AppendRaw(const QString& path, QByteArrayView bytes) {
    writeDurably(path, bytes, WriteMode::CreateOrAppend);
}

QString TTelegramStore::WorkingBase(const QString& base) const {
    // A telegram left open by a failed completion keeps its working files.
    // In append mode a new one of the same name is appended to them, but
    // only where its text fits their encoding: the save and the completion
    // must work on the same file.
    const bool unicode = !config_.SaveTlgAnsi;
    auto taken = [&](const QString& candidate) {
        const QString rcv = candidate + QLatin1String(".rcv");
        if (config_.OutputInAppendMode)
            return pathExists(rcv) && !encodingFits(rcv, unicode);
        return pathExists(rcv) || pathExists(candidate + QLatin1String(".rcvtlg"));
    };
    QString candidate = base;
    for (int i = 0; taken(candidate); ++i)
        candidate = base + u'.' + QString::number(i);
    return candidate;
}

int TTelegramStore::PrintCopies(const QString& firstLine) const {
    const qsizetype eq = firstLine.indexOf(u'=');
    if (eq < 3 || eq + 3 >= firstLine.size())
        return 1;
    const QString before = firstLine.mid(eq - 3, 3);
    const QString after = firstLine.mid(eq + 1, 3);
    if (before != after || LeadingDigitCount(QStringView(before)) != 3)
        return 1;
    const int scheme = before.toInt();
    return schemaCopies_ ? (*schemaCopies_)[scheme] : kDefaultSchemaCopies;
}

bool TTelegramStore::SaveTelegram(const QString& path, const LineText& body, bool correct,
                                  QString* savedPath) {
    const bool unicode = !config_.SaveTlgAnsi;
    QString target = path;
    const bool append =
        config_.OutputInAppendMode && pathExists(path) && encodingFits(path, unicode);
    if (!append)
        target = MakeUnique(path);
    if (savedPath)
        *savedPath = target;

    AppendRaw(target + QLatin1String("tlg"), body);

    LineText text = LineLiteral(u"ЗЦЗЦ ") + readableText(body, config_.SaveRegisterInTlg);
    if (correct && text.size() < kCorrectionLimit)
        text = CorrectLayout(text);

    const bool ok = unicode ? saveUnicode(target, text, append) : saveAnsi(target, text, append);
    if (!ok) {
        host_.StoreFailed(target);
        return false;
    }
    SetArchiveMark(target, true);
    protocol_.AddMessage(QStringLiteral("ТЕЛЕГРАММА СОХРАНЕНА ") + target, kProtocolEvent);
    host_.ReceivedFileChanged();
    return true;
}

QStringList TTelegramStore::RecoverReadableFiles(const QString& folder) {
    QStringList made;
    const QDir dir(folder);
    const QStringList raws =
        dir.entryList({QStringLiteral("*.rcvtlg"), QStringLiteral("*.SSStlg")}, QDir::Files);
    // A completion gives the readable file its final name before the raw
    // copy gets its own: a stop between the two leaves the raw copy of a
    // complete telegram under its working name, beside a final file written
    // after it. An older final file of that name is another telegram's.
    auto completed = [&dir](const QString& rawName) {
        const QString base = rawName.chopped(int(qstrlen(".rcvtlg")));
        const QDateTime rawTime = QFileInfo(dir.filePath(rawName)).lastModified();
        for (const QString& name : dir.entryList({base, base + QLatin1String(".*")}, QDir::Files)) {
            const QStringView tail = QStringView(name).mid(base.size());
            const bool finalName =
                tail.isEmpty() ||
                (tail.size() > 1 && LeadingDigitCount(tail.mid(1)) == tail.size() - 1);
            if (finalName && QFileInfo(dir.filePath(name)).lastModified() >= rawTime)
                return true;
        }
        return false;
    };
    for (const QString& name : raws) {
        const QString raw = dir.filePath(name);
        const QString readable = raw.chopped(3);
        if (QFileInfo(readable).size() > 0)
            continue;
        if (name.endsWith(QLatin1String(".rcvtlg")) && !pathExists(readable) && completed(name))
            continue;
        QByteArray body;
        if (!readWhole(raw, body) || body.isEmpty())
            continue;
        // An empty readable file is what a stop between its creation and its
        // first write leaves: it holds nothing to keep.
        if (pathExists(readable) && ::unlink(QFile::encodeName(readable).constData()) != 0)
            continue;
        const LineText text = LineLiteral(u"ЗЦЗЦ ") + readableText(body, config_.SaveRegisterInTlg);
        if (!(config_.SaveTlgAnsi ? saveAnsi(readable, text, false)
                                  : saveUnicode(readable, text, false))) {
            protocol_.AddMessage(QStringLiteral(" ОШИБКА СОХРАНЕНИЯ ТЛГ В ФАЙЛЕ ") + readable,
                                 kProtocolError);
            continue;
        }
        SetArchiveMark(readable, true);
        protocol_.AddMessage(
            QStringLiteral("ТЕЛЕГРАММА ВОССТАНОВЛЕНА ПО КОПИИ С ЛИНИИ ") + readable,
            kProtocolError);
        made << readable;
    }
    if (!made.isEmpty())
        host_.ReceivedFileChanged();
    return made;
}

bool TTelegramStore::saveAnsi(const QString& path, const LineText& text, bool append) {
    const AnsiText bytes = Cp866ToCp1251(text);
    if (bytes.isEmpty())
        return false;
    if (append)
        return writeDurably(path, ansiAppendBytes(path, bytes), WriteMode::Append);
    return writeDurably(path, bytes, WriteMode::Create);
}

bool TTelegramStore::saveUnicode(const QString& path, const LineText& text, bool append) {
    const QString list = StringListText(LineToWide(text));
    if (append)
        return writeDurably(path, unicodeAppendBytes(path, list), WriteMode::Append);
    return writeDurably(path, Utf16TelegramBytes(list, true), WriteMode::Create);
}

bool TTelegramStore::complete(const QString& base, const LineText& text, QString& final,
                              QStringList& lines) {
    const QString rcv = base + QLatin1String(".rcv");
    if (!pathExists(rcv))
        return false;
    // The working file keeps the encoding it was saved in, even when the
    // setting changed in between.
    const LineText completion = readableText(text, config_.SaveRegisterInTlg);
    return startsWithUtf16Mark(fileHead(rcv)) ? completeUnicode(base, completion, final, lines)
                                              : completeAnsi(base, completion, final, lines);
}

void TTelegramStore::afterCompletion(const QString& base, const QString& final,
                                     const QStringList& lines) {
    SetArchiveMark(final, true);
    completeRaw(base, final);
    // The new names of both files reach the disk together.
    syncFolder(final);
    autoPrint(base, lines);
}

bool TTelegramStore::CompleteTelegram(const QString& base, const LineText& text,
                                      QString* finalPath) {
    QString final;
    QStringList lines;
    const bool ok = complete(base, text, final, lines);
    if (finalPath)
        *finalPath = final;
    if (!ok) {
        host_.StoreFailed(base);
        return false;
    }
    afterCompletion(base, final, lines);
    host_.ReceivedFileChanged();
    return true;
}

QString TTelegramStore::completedFinal(const QString& base) const {
    const QString rcv = base + QLatin1String(".rcv");
    QByteArray working;
    if (!readWhole(rcv, working) || working.isEmpty())
        return {};
    const QString open =
        startsWithUtf16Mark(working) ? DecodeTelegramText(working) : AnsiToWide(working);
    const QDateTime openTime = QFileInfo(rcv).lastModified();
    const QFileInfo baseInfo(base);
    const QDir dir = baseInfo.dir();
    const QString name = baseInfo.fileName();
    // A completion writes the whole working text, and at most a trailer or
    // a receipt after it, into the final file, after the working file's
    // last change; an older file of the name is another telegram's.
    constexpr qsizetype kCompletionSlack = 4096;
    for (const QString& candidate :
         dir.entryList({name, name + QLatin1String(".*")}, QDir::Files)) {
        const QStringView tail = QStringView(candidate).mid(name.size());
        if (!tail.isEmpty() &&
            (tail.size() < 2 || LeadingDigitCount(tail.mid(1)) != tail.size() - 1))
            continue;
        const QString path = dir.filePath(candidate);
        if (QFileInfo(path).lastModified() < openTime)
            continue;
        QByteArray bytes;
        if (!readWhole(path, bytes))
            continue;
        const QString text =
            startsWithUtf16Mark(bytes) ? DecodeTelegramText(bytes) : AnsiToWide(bytes);
        const qsizetype at = text.lastIndexOf(open);
        if (at < 0)
            continue;
        const QStringView rest = QStringView(text).mid(at + open.size());
        if (rest.size() <= kCompletionSlack && !rest.contains(QStringLiteral("ЗЦЗЦ ")))
            return path;
    }
    return {};
}

QStringList TTelegramStore::CompleteOpenTelegrams(const QString& folder) {
    QStringList done;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.rcv")}, QDir::Files)) {
        const QString base = dir.filePath(name.chopped(4));
        const QString rcv = base + QLatin1String(".rcv");
        QString final = completedFinal(base);
        QStringList lines;
        bool ok;
        if (!final.isEmpty()) {
            // Completed but for its working names: nothing is written twice.
            ok = QFile::remove(rcv);
            if (ok) {
                SetArchiveMark(final, true);
                completeRaw(base, final);
                syncFolder(final);
            }
        } else {
            ok = complete(base, LineText(), final, lines);
            if (ok)
                afterCompletion(base, final, lines);
        }
        if (!ok) {
            protocol_.AddMessage(QStringLiteral("ТЕЛЕГРАММА НЕ ЗАВЕРШЕНА, ОСТАЛАСЬ В ФАЙЛЕ ") + rcv,
                                 kProtocolError);
            continue;
        }
        protocol_.AddMessage(
            QStringLiteral("ТЕЛЕГРАММА ЗАВЕРШЕНА ПОСЛЕ ОСТАНОВА (БЕЗ ОКОНЧАНИЯ) ") + final,
            kProtocolError);
        done << final;
    }
    if (!done.isEmpty())
        host_.ReceivedFileChanged();
    return done;
}

bool TTelegramStore::completeAnsi(const QString& base, const LineText& text, QString& final,
                                  QStringList& lines) {
    const QString rcv = base + QLatin1String(".rcv");
    const AnsiText bytes = Cp866ToCp1251(text);
    if (!bytes.isEmpty() && !writeDurably(rcv, bytes, WriteMode::Append))
        return false;
    QByteArray content;
    if (!readWhole(rcv, content))
        return false;
    lines = MemoLines(AnsiToWide(content));

    if (!pathExists(base)) {
        final = base;
        return RenameNoReplace(rcv, final);
    }
    if (config_.OutputInAppendMode && encodingFits(base, false)) {
        final = base;
        if (!writeDurably(base, ansiAppendBytes(base, content), WriteMode::Append))
            return false;
        QFile::remove(rcv);
        return true;
    }
    final = MakeUnique(base);
    return RenameNoReplace(rcv, final);
}

bool TTelegramStore::completeUnicode(const QString& base, const LineText& text, QString& final,
                                     QStringList& lines) {
    const QString rcv = base + QLatin1String(".rcv");
    QByteArray content;
    if (!readWhole(rcv, content))
        return false;
    const QString list = StringListText(DecodeTelegramText(content) + LineToWide(text));
    lines = MemoLines(list);

    bool ok;
    if (!pathExists(base)) {
        final = base;
        ok = writeDurably(final, Utf16TelegramBytes(list, true), WriteMode::Create);
    } else if (config_.OutputInAppendMode && encodingFits(base, true)) {
        final = base;
        ok = writeDurably(final, unicodeAppendBytes(final, list), WriteMode::Append);
    } else {
        final = MakeUnique(base);
        ok = writeDurably(final, Utf16TelegramBytes(list, true), WriteMode::Create);
    }
    if (ok)
        QFile::remove(rcv);
    return ok;
}

void TTelegramStore::completeRaw(const QString& base, const QString& final) {
    const QString raw = base + QLatin1String(".rcvtlg");
    if (!pathExists(raw))
        return;
    const QString target = final + QLatin1String(".tlg");
    if (!pathExists(target)) {
        RenameNoReplace(raw, target);
    } else if (config_.OutputInAppendMode && final == base) {
        QByteArray content;
        if (readWhole(raw, content) && writeDurably(target, content, WriteMode::Append))
            QFile::remove(raw);
    } else {
        RenameNoReplace(raw, MakeUnique(target));
    }
}

void TTelegramStore::autoPrint(const QString& base, const QStringList& lines) {
    if (!config_.AutoPrintTlg)
        return;
    const int copies = PrintCopies(lines.value(0));
    for (int i = 0; i < copies; ++i) {
        protocol_.AddMessage(QStringLiteral("АВТОМАТИЧЕСКАЯ ПЕЧАТЬ СОХРАНЕННОЙ ТЛГ ") + base,
                             kProtocolEvent);
        host_.PrintStoredTelegram(lines);
    }
}
