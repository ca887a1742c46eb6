#include "protocol/protocolfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace {

const QByteArray kLineEnd("\r\n");

enum class TailResult { Done, NeedWhole, Failed };

}  // namespace

ProtocolRead ReadProtocolFile(const QString& path, QList<LineText>& lines) {
    lines.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return ProtocolRead::Missing;
    // A folder, a pipe or a device in the file's place is not a protocol;
    // reading a pipe could also block the GUI thread.
    if (!info.isFile())
        return ProtocolRead::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ProtocolRead::Unreadable;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return ProtocolRead::Unreadable;

    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(bytes.mid(start));
    return ProtocolRead::Loaded;
}

QByteArray JoinProtocolLines(const QList<LineText>& lines, qsizetype from) {
    qsizetype size = 0;
    for (qsizetype i = from; i < lines.size(); ++i)
        size += lines[i].size() + kLineEnd.size();
    QByteArray bytes;
    bytes.reserve(size);
    for (qsizetype i = from; i < lines.size(); ++i) {
        bytes += lines[i];
        bytes += kLineEnd;
    }
    return bytes;
}

void ProtocolFileWriter::Invalidate() {
    valid_ = false;
    synced_ = 0;
    ends_.clear();
}

void ProtocolFileWriter::LineChanged(qsizetype index) {
    synced_ = std::min(synced_, std::max<qsizetype>(index, 0));
}

bool ProtocolFileWriter::Write(const QString& path, const QList<LineText>& lines) {
    bool ok = false;
    if (valid_ && path == path_) {
        ok = writeTail(path, lines);
        if (!ok && valid_)
            ok = writeWhole(path, lines);
    } else {
        ok = writeWhole(path, lines);
    }
    if (!ok)
        Invalidate();
    return ok;
}

bool ProtocolFileWriter::writeWhole(const QString& path, const QList<LineText>& lines) {
    const QByteArray bytes = JoinProtocolLines(lines);
    last_ = {true, bytes.size()};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return false;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || st.st_size != bytes.size())
        return false;
    valid_ = true;
    path_ = path;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    ends_.clear();
    rememberLines(lines, 0, 0);
    return true;
}

// False with valid_ still set when the file is not the one last written (so
// a whole write is due); false with valid_ cleared when writing failed.
// POSIX calls, because QFile cannot open a file for writing in place without
// truncating it or forcing every write to its end.
bool ProtocolFileWriter::writeTail(const QString& path, const QList<LineText>& lines) {
    synced_ = std::min({synced_, qsizetype(lines.size()), qsizetype(ends_.size())});
    const qint64 onDisk = ends_.empty() ? 0 : ends_.back();
    const qint64 offset = synced_ == 0 ? 0 : ends_[synced_ - 1];

    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || quint64(st.st_dev) != device_ ||
        quint64(st.st_ino) != inode_ || st.st_size != onDisk) {
        ::close(fd);
        return false;
    }

    const QByteArray bytes = JoinProtocolLines(lines, synced_);
    last_ = {false, bytes.size()};
    bool ok = true;
    qint64 done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done),
                                   off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += n;
    }
    // Lines only grow while traffic runs on, so the cut is rarely needed.
    const qint64 end = offset + bytes.size();
    if (ok && end < onDisk)
        ok = ::ftruncate(fd, off_t(end)) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        Invalidate();
        return false;
    }
    ends_.resize(size_t(synced_));
    rememberLines(lines, synced_, offset);
    return true;
}

void ProtocolFileWriter::rememberLines(const QList<LineText>& lines, qsizetype from,
                                       qint64 offset) {
    for (qsizetype i = from; i < lines.size(); ++i) {
        offset += lines[i].size() + kLineEnd.size();
        ends_.push_back(offset);
    }
    synced_ = lines.size();
}
