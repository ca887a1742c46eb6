// Reading a day of the register, and the days around it, from the folders.

#include "register/register.h"

#include "archive/daylist.h"
#include "archive/folders.h"
#include "register/registerfiles.h"
#include "util/datetimeformat.h"

#include <QFile>
#include <QMap>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

namespace {

// Enough for any telegram the exchange stores, in either encoding; a file
// to send needs only its header and address.
constexpr qsizetype kReceivedBytes = 24 * 1024;
constexpr qsizetype kSentBytes = 4 * 1024;
// How far back a day text is looked for among the dates it could stand for.
constexpr int kDateReach = 3660;

struct TFound {
    QString name;
    QByteArray path;
    qint64 stamp = 0;  // last write, nanoseconds
    qint64 size = 0;
    bool archive = false;
    TRegisterName what;
};

qint64 stampOf(const struct stat& st) {
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

QString decodeName(const char* raw) {
    const QByteArray bytes(raw);
    for (const char c : bytes)
        if (uint8_t(c) >= 0x80)
            return QFile::decodeName(bytes);
    return QString::fromLatin1(bytes);
}

// The files of a folder that classify takes, with one stat each; names are
// classified before anything else is asked of the file system, since a day
// folder holds a raw copy beside each telegram.
QList<TFound> filesOf(const QString& folder,
                      const std::function<TRegisterName(QStringView)>& classify, bool stat = true) {
    QList<TFound> files;
    const QByteArray base = QFile::encodeName(folder);
    DIR* dir = ::opendir(base.constData());
    if (!dir)
        return files;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_type == DT_DIR || entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        TFound file;
        file.name = decodeName(entry->d_name);
        file.what = classify(file.name);
        if (file.what.kind == TRegisterName::Kind::Skip)
            continue;
        if (stat) {
            struct stat st {};
            if (::fstatat(fd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode))
                continue;
            file.stamp = stampOf(st);
            file.size = qint64(st.st_size);
            file.archive = (st.st_mode & S_IXUSR) != 0;
            file.path = base + entry->d_name;
        } else if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) {
            continue;
        }
        files.append(std::move(file));
    }
    ::closedir(dir);
    return files;
}

QByteArray readHead(const QByteArray& path, qsizetype limit) {
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return bytes;
    bytes.resize(int(limit));
    qsizetype got = 0;
    while (got < limit) {
        const ssize_t r = ::read(fd, bytes.data() + got, size_t(limit - got));
        if (r <= 0)
            break;
        got += r;
    }
    ::close(fd);
    bytes.truncate(int(got));
    return bytes;
}

qint64 folderStamp(const QString& folder) {
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return -1;
    return stampOf(st);
}

QDateTime workingTime(qint64 stamp, int shiftHours) {
    QDateTime t = QDateTime::fromMSecsSinceEpoch(stamp / 1000000);
    return shiftHours != 0 ? t.addSecs(-qint64(shiftHours) * 3600) : t;
}

TRegisterEntry entryOf(const TFound& file, const QString& folder, bool sent, int shiftHours,
                       TRegisterCache* cache) {
    TRegisterEntry e;
    e.sent = sent;
    e.fate = file.what.fate;
    e.number = file.what.number;
    e.distortion = file.what.distortion;
    e.time = workingTime(file.stamp, shiftHours);
    e.read = !file.archive;
    e.fileName = file.name;
    e.folder = folder;
    const QString key = folder + file.name;
    TRegisterCache::Content* known = cache ? cache->find(key, file.stamp, file.size) : nullptr;
    TRegisterCache::Content content;
    if (known) {
        content = *known;
    } else {
        content = ParseRegisterText(readHead(file.path, sent ? kSentBytes : kReceivedBytes), !sent);
        content.stamp = file.stamp;
        content.size = file.size;
        if (cache)
            cache->store(key, content);
    }
    e.category = content.category;
    e.index = content.index;
    e.firstLine = content.firstLine;
    e.words = e.fate == TRegisterFate::ServiceMessage ? -1 : content.words;
    return e;
}

bool byTime(const TRegisterEntry& a, const TRegisterEntry& b) {
    if (a.time != b.time)
        return a.time < b.time;
    return a.fileName < b.fileName;
}

// The numbers of the received telegrams of a day folder, by name and time.
QList<TRegisterNumbered> numbersOf(const QList<TFound>& files) {
    QList<TRegisterNumbered> numbers;
    for (const TFound& f : files)
        if (f.what.kind == TRegisterName::Kind::Received)
            numbers.append({f.what.number, QDateTime::fromMSecsSinceEpoch(f.stamp / 1000000)});
    return numbers;
}

TRegisterPreviousDay previousDay(const TRegisterSources& sources, QDate date) {
    const QString dayText = FormatDelphiDate(date, sources.dayFormat);
    const QList<TRegisterNumbered> numbers =
        numbersOf(filesOf(DayFolderPath(sources.inpPath, date, sources.dayFormat),
                          [&](QStringView n) { return ClassifyReceivedName(n, dayText); }));
    TRegisterPreviousDay previous;
    if (numbers.isEmpty())
        return previous;
    const TRegisterGaps gaps = FindRegisterGaps(numbers, {});
    previous.exists = true;
    previous.last = gaps.last;
    previous.changed = gaps.numberings > 1;
    return previous;
}

}  // namespace

bool IsRegisterTraffic(TRegisterFate fate) {
    switch (fate) {
        case TRegisterFate::Received:
        case TRegisterFate::Receiving:
        case TRegisterFate::Confirmed:
        case TRegisterFate::CountersDisagreed:
        case TRegisterFate::ServiceAccepted:
        case TRegisterFate::Distorted:
        case TRegisterFate::Unconfirmed:
            return true;
        case TRegisterFate::ServiceMessage:
        case TRegisterFate::Unreadable:
        case TRegisterFate::Waiting:
            return false;
    }
    return false;
}

TRegisterCache::Content* TRegisterCache::find(const QString& path, qint64 stamp, qint64 size) {
    const auto it = files_.find(path);
    if (it == files_.end() || it->stamp != stamp || it->size != size)
        return nullptr;
    return &*it;
}

void TRegisterCache::store(const QString& path, const Content& content) {
    files_.insert(path, content);
}

TRegisterDay ReadRegisterDay(const TRegisterSources& sources, QDate date, TRegisterCache* cache,
                             const std::atomic<bool>* stop) {
    TRegisterDay day;
    day.date = date;
    day.dayText = FormatDelphiDate(date, sources.dayFormat);
    const QString inp = DayFolderPath(sources.inpPath, date, sources.dayFormat);
    const QString out = DayFolderPath(sources.outPath, date, sources.dayFormat);
    const QString outRoot = TArchiveFolders::AbsoluteFolder(sources.outPath);
    day.exists = folderStamp(inp) >= 0 || folderStamp(out) >= 0;
    auto stopped = [stop] { return stop && stop->load(); };
    const QString& dayText = day.dayText;

    const QList<TFound> received =
        filesOf(inp, [&](QStringView n) { return ClassifyReceivedName(n, dayText); });
    for (const TFound& f : received) {
        if (stopped())
            return day;
        TRegisterEntry e = entryOf(f, inp, false, sources.clockShiftHours, cache);
        (f.what.kind == TRegisterName::Kind::Service ? day.service : day.received).append(e);
    }
    for (const bool root : {false, true}) {
        const QString folder = root ? outRoot : out;
        const QList<TFound> sent =
            filesOf(folder, [&](QStringView n) { return ClassifySentName(n, dayText, root); });
        for (const TFound& f : sent) {
            if (stopped())
                return day;
            day.sent.append(entryOf(f, folder, true, sources.clockShiftHours, cache));
        }
    }
    std::sort(day.received.begin(), day.received.end(), byTime);
    std::sort(day.service.begin(), day.service.end(), byTime);
    std::sort(day.sent.begin(), day.sent.end(), byTime);

    for (const QList<TRegisterEntry>* list : {&day.received, &day.sent})
        for (const TRegisterEntry& e : *list)
            if (IsRegisterTraffic(e.fate))
                ++(e.sent ? day.sentPerHour : day.receivedPerHour)[size_t(e.time.time().hour())];

    const TRegisterGaps gaps =
        FindRegisterGaps(numbersOf(received), previousDay(sources, date.addDays(-1)));
    day.gaps = gaps.gaps;
    day.numberings = gaps.numberings;
    return day;
}

QList<TRegisterDayTotal> ReadRegisterStrip(const TRegisterSources& sources, QDate last, int days,
                                           TRegisterCache* cache) {
    // The out root holds what waits or was set aside, for any day: one look.
    QMap<QString, int> rootTraffic;
    const QString root = TArchiveFolders::AbsoluteFolder(sources.outPath);
    TRegisterCache local;
    TRegisterCache& counts = cache ? *cache : local;
    QList<TRegisterDayTotal> strip;
    for (int k = days - 1; k >= 0; --k) {
        const QDate date = last.addDays(-k);
        const QString dayText = FormatDelphiDate(date, sources.dayFormat);
        const QString inp = DayFolderPath(sources.inpPath, date, sources.dayFormat);
        const QString out = DayFolderPath(sources.outPath, date, sources.dayFormat);
        const qint64 inpStamp = folderStamp(inp);
        const qint64 outStamp = folderStamp(out);
        TRegisterCache::DayCount& count = counts.days[date];
        // The last day is counted afresh: a folder's time may not move
        // between two changes that come close together.
        if (count.inpStamp != inpStamp || count.outStamp != outStamp || k == 0) {
            count = {inpStamp, outStamp, 0, 0};
            for (const TFound& f : filesOf(
                     inp, [&](QStringView n) { return ClassifyReceivedName(n, dayText); }, false))
                count.received += f.what.kind == TRegisterName::Kind::Received;
            for (const TFound& f : filesOf(
                     out, [&](QStringView n) { return ClassifySentName(n, dayText, false); },
                     false))
                count.sent += IsRegisterTraffic(f.what.fate);
        }
        strip.append({date, count.received, count.sent});
        rootTraffic.insert(dayText, 0);
    }
    const QList<TFound> rooted = filesOf(
        root,
        [&](QStringView n) {
            for (auto it = rootTraffic.cbegin(); it != rootTraffic.cend(); ++it) {
                const TRegisterName what = ClassifySentName(n, it.key(), true);
                if (what.kind != TRegisterName::Kind::Skip)
                    return IsRegisterTraffic(what.fate) ? what : TRegisterName{};
            }
            return TRegisterName{};
        },
        false);
    for (const TFound& f : rooted)
        for (TRegisterDayTotal& total : strip)
            if (f.name.startsWith(FormatDelphiDate(total.date, sources.dayFormat)))
                ++total.sent;
    return strip;
}

QDate RegisterDateOf(const QString& dayText, const QString& dayFormat, QDate today) {
    for (int k = 0; k < kDateReach; ++k) {
        const QDate date = today.addDays(-k);
        if (FormatDelphiDate(date, dayFormat) == dayText)
            return date;
    }
    return QDate();
}

bool RegisterDayExists(const TRegisterSources& sources, QDate date) {
    return folderStamp(DayFolderPath(sources.inpPath, date, sources.dayFormat)) >= 0 ||
           folderStamp(DayFolderPath(sources.outPath, date, sources.dayFormat)) >= 0;
}

QList<QDate> RegisterDays(const TRegisterSources& sources, QDate today) {
    QHash<QString, QDate> dates;
    for (int k = kDateReach - 1; k >= 0; --k)
        dates.insert(FormatDelphiDate(today.addDays(-k), sources.dayFormat), today.addDays(-k));
    QList<QDate> days;
    for (const QString& base : {sources.inpPath, sources.outPath}) {
        DIR* dir = ::opendir(QFile::encodeName(TArchiveFolders::AbsoluteFolder(base)).constData());
        if (!dir)
            continue;
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN)
                continue;
            const auto it = dates.constFind(decodeName(entry->d_name));
            if (it != dates.cend() && !days.contains(*it))
                days.append(*it);
        }
        ::closedir(dir);
    }
    std::sort(days.begin(), days.end(), [](QDate a, QDate b) { return a > b; });
    return days;
}
