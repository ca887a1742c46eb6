#include "archive/daylist.h"

#include "archive/folders.h"
#include "util/codepages.h"
#include "util/datetimeformat.h"
#include "util/wildcard.h"

#include <QFile>
#include <QLocale>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

struct FoundFile {
    QString name;
    QDateTime modified;
    bool archive = false;
    bool arc = false;  // an archive file of another tool
};

// One pass over the folder. Only names the list takes are looked at
// further, with one stat each: a day folder may hold thousands of
// telegrams and as many raw copies.
QList<FoundFile> filesOf(const QString& folder) {
    QList<FoundFile> files;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return files;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_type == DT_DIR)
            continue;
        FoundFile file;
        file.name = QFile::decodeName(entry->d_name);
        file.arc = IsArcName(file.name);
        if (!file.arc && !IsDayListName(file.name))
            continue;
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, 0) != 0 || S_ISDIR(st.st_mode))
            continue;
        file.modified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                                       st.st_mtim.tv_nsec / 1000000);
        file.archive = (st.st_mode & S_IXUSR) != 0;
        files.append(std::move(file));
    }
    ::closedir(dir);
    // The order of the Windows finder, which ties in "N" keep.
    std::sort(files.begin(), files.end(), [](const FoundFile& a, const FoundFile& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return files;
}

}  // namespace

QString DayListNumber(QStringView fileName) {
    if (!fileName.isEmpty() && isDigit(fileName.back()))
        return fileName.right(3).toString();
    const qsizetype end = std::max<qsizetype>(0, fileName.size() - 4);
    const qsizetype start = std::max<qsizetype>(0, end - 3);
    return fileName.mid(start, end - start).toString();
}

bool IsDayListName(QStringView fileName) {
    return !fileName.isEmpty() && isDigit(fileName.front()) && MatchesMask(fileName, u"*.?*") &&
           !fileName.contains(u".tlg", Qt::CaseInsensitive) &&
           !fileName.contains(u".rcv", Qt::CaseInsensitive) &&
           // The raw copy of a centre message has "tlg" appended to ".SSS".
           !fileName.endsWith(u"tlg", Qt::CaseInsensitive);
}

bool IsArcName(QStringView fileName) {
    return MatchesMask(fileName, u"ARC*.?*");
}

QList<TDayListItem> DayListItems(const QString& folder) {
    const QList<FoundFile> files = filesOf(folder);
    QList<TDayListItem> items;
    items.reserve(files.size());
    for (const FoundFile& file : files) {
        if (!file.arc)
            items.append({DayListNumber(file.name), file.modified, file.name, true, !file.archive});
    }
    for (const FoundFile& file : files) {
        if (!file.arc)
            continue;
        items.append({file.name.right(3), file.modified, file.name, false, false});
    }
    std::stable_sort(items.begin(), items.end(), [](const TDayListItem& a, const TDayListItem& b) {
        return a.Number.compare(b.Number, Qt::CaseInsensitive) < 0;
    });
    return items;
}

QString DayFolderPath(const QString& base, QDate date, const QString& dayFormat) {
    return TArchiveFolders::AbsoluteFolder(base) + FormatDelphiDate(date, dayFormat) + u'/';
}

QString DayListTimeText(const QDateTime& time) {
    static const QString format = [] {
        QString f = QLocale::system().timeFormat(QLocale::LongFormat);
        f.remove(u't');
        return f.trimmed();
    }();
    return QLocale::system().toString(time.time(), format);
}
