#include "util/fileops.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

bool RenameNoReplace(const QString& from, const QString& to) {
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the flag: a hard link fails on an existing target.
    if (::link(src.constData(), dst.constData()) != 0)
        return false;
    if (::unlink(src.constData()) != 0) {
        ::unlink(dst.constData());
        return false;
    }
    return true;
}

bool HasArchiveMark(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return (st.st_mode & S_IXUSR) != 0;
}

bool SetArchiveMark(const QString& path, bool archive) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return false;
    const mode_t mode = archive ? (st.st_mode | S_IXUSR) : (st.st_mode & ~mode_t(S_IXUSR));
    return ::chmod(name.constData(), mode & 07777) == 0;
}
