#include "archive/cleanup.h"

#include "archive/folders.h"
#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "util/wildcard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>

namespace {

bool startsWithFourDigits(const char* name) {
    for (int i = 0; i < 4; ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

// Without "*" a mask also fixes the length of the name: "????????.???" must
// not take "0130q215", a telegram still waiting in the out folder's root.
bool maskTakes(const QString& name, const QString& mask) {
    if (!mask.contains(u'*') && name.size() != mask.size())
        return false;
    return MatchesMask(name, mask);
}

bool isAncestorOrSelf(const QString& folder, const QString& of) {
    if (of.isEmpty())
        return false;
    const QString a = QDir::cleanPath(folder);
    const QString b = QDir::cleanPath(of);
    return a == b || a == QLatin1String("/") || b.startsWith(a + u'/');
}

// Never the root, the home folder, the program folder or anything above
// them: a wrong setting must not empty the computer.
bool safeToClean(const QString& canonical) {
    return !isAncestorOrSelf(canonical, QDir::current().canonicalPath()) &&
           !isAncestorOrSelf(canonical, QDir::home().canonicalPath());
}

bool olderThan(int dirFd, const char* name, const timespec& cutoff, bool* isDir) {
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (isDir)
        *isDir = S_ISDIR(st.st_mode);
    if (S_ISDIR(st.st_mode))
        return false;
    return st.st_mtim.tv_sec < cutoff.tv_sec ||
           (st.st_mtim.tv_sec == cutoff.tv_sec && st.st_mtim.tv_nsec < cutoff.tv_nsec);
}

// One deletion attempt per mask from the first that takes the file, as
// passes of their own would make them; true when the file is gone.
void deleteCounted(int dirFd, const char* name, int fromMask, int maskCount,
                   const std::function<bool(int)>& takes, QList<int>& counts) {
    for (int m = fromMask; m < maskCount; ++m) {
        if (!takes(m))
            continue;
        ++counts[m];
        if (::unlinkat(dirFd, name, 0) == 0)
            return;
    }
}

void cleanDayFolder(int baseFd, const char* day, const TCleanupStep& step, const timespec& cutoff,
                    QList<int>& counts, const std::atomic<bool>* cancel) {
    const int fd = ::openat(baseFd, day, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    const int masks = int(step.masks.size());
    while (const dirent* entry = ::readdir(dir)) {
        if (cancel && *cancel)
            break;
        if (entry->d_type == DT_DIR)
            continue;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        // The name first: most files of a day folder are looked at on the
        // disk only when a mask wants them.
        const QString text = QFile::decodeName(name);
        int first = 0;
        while (first < masks && !maskTakes(text, step.masks[first]))
            ++first;
        if (first == masks)
            continue;
        if (!olderThan(fd, name, cutoff, nullptr))
            continue;
        deleteCounted(
            fd, name, first, masks, [&](int m) { return maskTakes(text, step.masks[m]); }, counts);
    }
    ::closedir(dir);
}

}  // namespace

QList<TCleanupStep> CleanupPlan(const _tlg_config& config, const QDateTime& now) {
    const struct {
        const QString& folder;
        int days;
        QStringList masks;
    } table[] = {
        {config.InpPath, config.InpDays, {"????????.???", "*.tlg", "arc????????.???"}},
        {config.OutPath, config.OutDays, {"????????.???", "?????????.???", "arc????????.???"}},
        {config.PrtPath, config.PrtDays, {"????.prt"}},
    };
    QList<TCleanupStep> plan;
    for (const auto& row : table) {
        if (row.days <= 30)
            continue;
        TCleanupStep step;
        step.configured = row.folder;
        step.absolute = TArchiveFolders::AbsoluteFolder(row.folder);
        // A folder that is not there has nothing to clean.
        const QString canonical = QFileInfo(step.absolute).canonicalFilePath();
        if (canonical.isEmpty())
            continue;
        step.unsafe = !safeToClean(canonical);
        step.days = row.days;
        step.cutoff = now.addDays(-row.days);
        step.masks = row.masks;
        plan.append(step);
    }
    return plan;
}

QList<int> CleanFolder(const TCleanupStep& step, const std::atomic<bool>* cancel) {
    QList<int> counts;
    for (qsizetype i = 0; i < step.masks.size(); ++i)
        counts.append(0);
    if (step.masks.isEmpty())
        return counts;
    const qint64 ms = step.cutoff.toMSecsSinceEpoch();
    const timespec cutoff{time_t(ms / 1000), long(ms % 1000) * 1000000L};
    const QByteArray path = QFile::encodeName(step.absolute);
    const int baseFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0)
        return counts;
    DIR* base = ::fdopendir(baseFd);
    if (!base) {
        ::close(baseFd);
        return counts;
    }
    const int masks = int(step.masks.size());
    while (const dirent* entry = ::readdir(base)) {
        if (cancel && *cancel)
            break;
        const char* name = entry->d_name;
        if (std::strlen(name) < 4 || !startsWithFourDigits(name))
            continue;
        const bool dayName = name[4] == 0;
        if (entry->d_type == DT_DIR || (entry->d_type == DT_UNKNOWN && dayName)) {
            if (dayName)
                cleanDayFolder(baseFd, name, step, cutoff, counts, cancel);
            if (entry->d_type == DT_DIR)
                continue;
        }
        bool isDir = false;
        // Anything but a folder lying in the folder itself goes by its age,
        // whatever its name (a link to a folder is such a thing: it is never
        // entered).
        if (olderThan(baseFd, name, cutoff, &isDir) && !isDir)
            deleteCounted(
                baseFd, name, 0, masks, [](int) { return true; }, counts);
    }
    ::closedir(base);
    return counts;
}

QList<TCleanupLine> RunCleanup(const QList<TCleanupStep>& plan, const std::atomic<bool>* cancel) {
    QList<TCleanupLine> lines;
    for (const TCleanupStep& step : plan) {
        if (cancel && *cancel)
            break;
        if (step.unsafe) {
            lines.append(
                {kProtocolError, QStringLiteral("ОЧИСТКА КАТАЛОГА ") + step.configured +
                                     QStringLiteral(" НЕ ВЫПОЛНЕНА: НЕДОПУСТИМЫЙ КАТАЛОГ")});
            continue;
        }
        const QList<int> counts = CleanFolder(step, cancel);
        for (int m = 0; m < counts.size(); ++m)
            if (counts[m] > 0)
                lines.append({kProtocolEvent,
                              QStringLiteral("УДАЛЕНО ") + QString::number(counts[m]) +
                                  QStringLiteral(" ФАЙЛ(ОВ) СТАРШЕ ") + QString::number(step.days) +
                                  QStringLiteral(" ДНЕЙ В КАТАЛОГЕ ") + step.configured +
                                  step.masks[m]});
    }
    return lines;
}
