#include "archive/folders.h"

#include "config/tlgconfig.h"
#include "protocol/protocol.h"
#include "util/clock.h"
#include "util/wildcard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

bool startsWithFourDigits(const QString& name) {
    if (name.size() < 4)
        return false;
    for (int i = 0; i < 4; ++i)
        if (!name[i].isDigit() || name[i].unicode() > '9')
            return false;
    return true;
}

// Last-write time and kind without following symbolic links: a link to a
// folder elsewhere is never entered.
struct EntryInfo {
    bool exists = false;
    bool isDir = false;
    QDateTime modified;
};

EntryInfo entryInfo(const QString& path) {
    struct stat st {};
    EntryInfo info;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return info;
    info.exists = true;
    info.isDir = S_ISDIR(st.st_mode);
    info.modified = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec);
    return info;
}

// Without "*" a mask also fixes the length of the name: "????????.???" must
// not take "0130q215", a telegram still waiting in the out folder's root.
bool maskTakes(const QString& name, const QString& mask) {
    if (!MatchesMask(name, mask))
        return false;
    return mask.contains(u'*') || name.size() == mask.size();
}

bool isAncestorOrSelf(const QString& folder, const QString& of) {
    if (of.isEmpty())
        return false;
    const QString a = QDir::cleanPath(folder);
    const QString b = QDir::cleanPath(of);
    return a == b || a == QLatin1String("/") || b.startsWith(a + u'/');
}

}  // namespace

TArchiveFolders::TArchiveFolders(const _tlg_config& config, _tlg_status& status,
                                 TProtocol& protocol, IClock& clock, IFolderHost* host)
    : config_(config), status_(status), protocol_(protocol), clock_(clock), host_(host) {}

QString TArchiveFolders::AbsoluteFolder(const QString& configured) {
    QString path = configured;
    if (!path.startsWith(u'/'))
        path = QDir::currentPath() + u'/' + path;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

QString TArchiveFolders::EnsureFolder(const QString& configured, const QString& purpose) {
    const QString path = AbsoluteFolder(configured);
    const QFileInfo info(path);
    if (info.isDir() || QDir().mkpath(path))
        return {};
    return QStringLiteral("Folder not found: ") + path + purpose;
}

bool TArchiveFolders::CheckFolders() {
    QString error = EnsureFolder(config_.InpPath, QStringLiteral(" ДЛЯ СОХРАНЕНИЯ ПРИНЯТЫХ ТЛГ"));
    if (error.isEmpty())
        error = EnsureFolder(config_.OutPath, QStringLiteral(" ДЛЯ СОХРАНЕНИЯ ПЕРЕДАННЫХ ТЛГ"));
    if (error.isEmpty())
        error = EnsureFolder(config_.PrtPath, QStringLiteral(" ДЛЯ СОХРАНЕНИЯ ПРОТОКОЛА ТЛГ"));
    if (error.isEmpty())
        return true;
    protocol_.AddMessage(error, kProtocolError);
    if (host_) {
        host_->ShowFolderError(error);
        host_->FoldersUnavailable();
    }
    return false;
}

void TArchiveFolders::StartDay(const QString& dayText) {
    QDir().mkdir(AbsoluteFolder(config_.InpPath) + dayText);
    QDir().mkdir(AbsoluteFolder(config_.OutPath) + dayText);
    status_.DayText = dayText;
    // The day text ends with month and day ("mmdd", "yymmdd"): "dd/mm".
    if (dayText.size() >= 4)
        status_.CurrentDateText = dayText.right(2) + u'/' + dayText.mid(dayText.size() - 4, 2);
    protocol_.SetFileName(dayText + QStringLiteral(".prt"));
    CleanupOldFiles();
    if (host_)
        host_->DayStarted();
}

bool TArchiveFolders::SafeToClean(const QString& absoluteFolder) {
    const QString folder = QFileInfo(absoluteFolder).canonicalFilePath();
    if (folder.isEmpty())
        return false;
    return !isAncestorOrSelf(folder, QDir::current().canonicalPath()) &&
           !isAncestorOrSelf(folder, QDir::home().canonicalPath());
}

void TArchiveFolders::CleanupOldFiles() {
    const struct {
        const QString& folder;
        int days;
        QStringList masks;
    } plan[] = {
        {config_.InpPath, config_.InpDays, {"????????.???", "*.tlg", "arc????????.???"}},
        {config_.OutPath, config_.OutDays, {"????????.???", "?????????.???", "arc????????.???"}},
        {config_.PrtPath, config_.PrtDays, {"????.prt"}},
    };
    for (const auto& step : plan) {
        if (step.days <= 30)
            continue;
        const QString base = AbsoluteFolder(step.folder);
        if (!SafeToClean(base)) {
            protocol_.AddMessage(QStringLiteral("ОЧИСТКА КАТАЛОГА ") + base +
                                     QStringLiteral(" НЕ ВЫПОЛНЕНА: НЕДОПУСТИМЫЙ КАТАЛОГ"),
                                 kProtocolError);
            continue;
        }
        for (const QString& mask : step.masks) {
            const int n = CleanFolder(base, step.days, mask);
            if (n > 0)
                protocol_.AddMessage(QStringLiteral("УДАЛЕНО ") + QString::number(n) +
                                         QStringLiteral(" ФАЙЛ(ОВ) СТАРШЕ ") +
                                         QString::number(step.days) +
                                         QStringLiteral(" ДНЕЙ В КАТАЛОГЕ ") + base + mask,
                                     kProtocolEvent);
        }
    }
}

int TArchiveFolders::CleanFolder(const QString& base, int days, const QString& mask) {
    const QDateTime cutoff = clock_.LocalTime().addDays(-days);
    const QString folder = base.endsWith(u'/') ? base : base + u'/';
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
    int attempted = 0;
    for (const QString& name : entries) {
        if (!startsWithFourDigits(name))
            continue;
        const QString path = folder + name;
        const EntryInfo info = entryInfo(path);
        if (!info.exists)
            continue;
        if (info.isDir) {
            if (name.size() != 4)
                continue;
            const QStringList files =
                QDir(path).entryList(QDir::Files | QDir::Hidden | QDir::System);
            for (const QString& file : files) {
                const QString filePath = path + u'/' + file;
                const EntryInfo fileInfo = entryInfo(filePath);
                if (!fileInfo.exists || fileInfo.isDir || !maskTakes(file, mask) ||
                    fileInfo.modified >= cutoff)
                    continue;
                ++attempted;
                QFile::remove(filePath);
            }
        } else if (info.modified < cutoff) {
            ++attempted;
            QFile::remove(path);
        }
    }
    return attempted;
}
