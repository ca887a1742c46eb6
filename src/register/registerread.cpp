// Reading a day of the register, and the days around it, from the folders.

#include "register/register.h"

#include "archive/daylist.h"
#include "archive/folders.h"
#include "register/registerfiles.h"
#include "util/datetimeformat.h"

#include <QFile>
#include <QMap>
#include <QTimeZone>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <thread>

namespace {

// Enough for any telegram the exchange stores, in either encoding; a file
// to send needs only its header and address.
constexpr qsizetype kReceivedBytes = 24 * 1024;
constexpr qsizetype kSentBytes = 4 * 1024;
// How far back a day text is looked for among the dates it could stand for.
constexpr int kDateReach = 3660;

struct TFound {
    QString name;
    QByteArray raw;    // the name as the file system has it
    qint64 stamp = 0;  // last write, nanoseconds
    qint64 size = 0;
    bool archive = false;
    TRegisterName what;
};

qint64 stampOf(const struct stat& st) {
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

void takeStat(TFound& file, const struct stat& st) {
    file.stamp = stampOf(st);
    file.size = qint64(st.st_size);
    file.archive = (st.st_mode & S_IXUSR) != 0;
}

QString decodeName(const QByteArray& bytes) {
    for (const char c : bytes)
        if (uint8_t(c) >= 0x80)
            return QFile::decodeName(bytes);
    return QString::fromLatin1(bytes);
}

// A day folder, open while its files are looked at: each is reached from it
// by name, not by its whole path again (a day holds thousands).
class TFolder {
public:
    explicit TFolder(const QString& path) : dir_(::opendir(QFile::encodeName(path).constData())) {}
    ~TFolder() {
        if (dir_)
            ::closedir(dir_);
    }
    TFolder(const TFolder&) = delete;
    TFolder& operator=(const TFolder&) = delete;

    // The names classify takes, classified; nothing else is asked of the
    // file system yet, since a day folder holds a raw copy beside each
    // telegram.
    QList<TFound> Entries(const std::function<TRegisterName(QStringView)>& classify) {
        QList<TFound> files;
        if (!dir_)
            return files;
        while (const dirent* entry = ::readdir(dir_)) {
            if (entry->d_type == DT_DIR || entry->d_name[0] < '0' || entry->d_name[0] > '9')
                continue;
            TFound file;
            file.raw = QByteArray(entry->d_name);
            file.name = decodeName(file.raw);
            file.what = classify(file.name);
            if (file.what.kind != TRegisterName::Kind::Skip)
                files.append(std::move(file));
        }
        return files;
    }

    // Its times, size and read mark; false for what is no plain file.
    bool Stat(TFound& file) const {
        struct stat st {};
        if (!dir_ || ::fstatat(::dirfd(dir_), file.raw.constData(), &st, 0) != 0 ||
            !S_ISREG(st.st_mode))
            return false;
        takeStat(file, st);
        return true;
    }

    // Its first bytes, with its times, size and read mark as it was read.
    bool Read(TFound& file, qsizetype limit, QByteArray* bytes) const {
        if (!dir_)
            return false;
        const int fd =
            ::openat(::dirfd(dir_), file.raw.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            return false;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return false;
        }
        takeStat(file, st);
        bytes->resize(int(qMin<qint64>(limit, st.st_size)));
        qsizetype got = 0;
        while (got < bytes->size()) {
            const ssize_t r = ::read(fd, bytes->data() + got, size_t(bytes->size() - got));
            if (r <= 0)
                break;
            got += r;
        }
        ::close(fd);
        bytes->truncate(int(got));
        return true;
    }

private:
    DIR* dir_;
};

qint64 folderStamp(const QString& folder) {
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return -1;
    return stampOf(st);
}

// File times as local times on the exchange clock. The local offset is
// looked up once a quarter of an hour (every zone changes its offset on one)
// rather than for each of thousands of files: Qt 5 asks the C library each
// time, under a lock both reading threads would wait on.
class TWorkingTimes {
public:
    explicit TWorkingTimes(int shiftHours) : shift_(qint64(shiftHours) * 3600) {}

    QDateTime At(qint64 stamp) {
        const qint64 ms = stamp / 1000000 - shift_ * 1000;
        const qint64 quarter = ms / (kQuarterMs) - (ms % kQuarterMs < 0);
        auto zone = zones_.constFind(quarter);
        if (zone == zones_.cend()) {
            const int offset = QDateTime::fromMSecsSinceEpoch(quarter * kQuarterMs).offsetFromUtc();
            zone = zones_.insert(quarter, QTimeZone(offset));
        }
        return QDateTime::fromMSecsSinceEpoch(ms, *zone);
    }

private:
    static constexpr qint64 kQuarterMs = 15 * 60 * 1000;
    const qint64 shift_;
    QHash<qint64, QTimeZone> zones_;
};

// The entries of one folder of the day, each with what its text says (from
// the cache while the file is unchanged).
QList<TRegisterEntry> entriesOf(const QString& path, bool sent,
                                const std::function<TRegisterName(QStringView)>& classify,
                                TWorkingTimes& times, TRegisterCache* cache,
                                const std::atomic<bool>* stop, QList<TFound>* found = nullptr) {
    QList<TRegisterEntry> entries;
    TFolder folder(path);
    QByteArray bytes;
    for (TFound& file : folder.Entries(classify)) {
        if (stop && stop->load())
            break;
        const QString key = path + file.name;
        TRegisterCache::Content content;
        const TRegisterCache::Content* known = nullptr;
        if (cache && cache->contains(key, sent)) {
            if (!folder.Stat(file))
                continue;
            known = cache->find(key, sent, file.stamp, file.size);
        }
        if (known) {
            content = *known;
        } else {
            if (!folder.Read(file, sent ? kSentBytes : kReceivedBytes, &bytes))
                continue;
            content = ParseRegisterText(bytes, !sent);
            content.stamp = file.stamp;
            content.size = file.size;
            if (cache)
                cache->store(key, sent, content);
        }
        TRegisterEntry e;
        e.sent = sent;
        e.fate = file.what.fate;
        e.number = file.what.number;
        e.distortion = file.what.distortion;
        e.time = times.At(file.stamp);
        e.read = !file.archive;
        e.fileName = file.name;
        e.folder = path;
        e.category = content.category;
        e.index = content.index;
        e.firstLine = content.firstLine;
        e.words = e.fate == TRegisterFate::ServiceMessage ? -1 : content.words;
        entries.append(e);
        if (found)
            found->append(file);
    }
    return entries;
}

bool byTime(const TRegisterEntry& a, const TRegisterEntry& b) {
    if (a.time != b.time)
        return a.time < b.time;
    return a.fileName < b.fileName;
}

// The numbers of the received telegrams of a day, by name and time.
QList<TRegisterNumbered> numbersOf(const QList<TFound>& files) {
    QList<TRegisterNumbered> numbers;
    for (const TFound& f : files)
        if (f.what.kind == TRegisterName::Kind::Received)
            numbers.append({f.what.number,
                            QDateTime::fromMSecsSinceEpoch(f.stamp / 1000000, QTimeZone::utc())});
    return numbers;
}

TRegisterPreviousDay previousDay(const TRegisterSources& sources, QDate date) {
    const QString dayText = FormatDelphiDate(date, sources.dayFormat);
    TFolder folder(DayFolderPath(sources.inpPath, date, sources.dayFormat));
    QList<TFound> files =
        folder.Entries([&](QStringView n) { return ClassifyReceivedName(n, dayText); });
    files.erase(
        std::remove_if(files.begin(), files.end(), [&](TFound& f) { return !folder.Stat(f); }),
        files.end());
    const QList<TRegisterNumbered> numbers = numbersOf(files);
    TRegisterPreviousDay previous;
    if (numbers.isEmpty())
        return previous;
    const TRegisterGaps gaps = FindRegisterGaps(numbers, {});
    previous.exists = true;
    previous.last = gaps.last;
    previous.changed = gaps.numberings > 1;
    return previous;
}

// How many of a folder's names are counted.
int countOf(const QString& path, const std::function<bool(QStringView)>& counted) {
    TFolder folder(path);
    return int(folder
                   .Entries([&](QStringView name) {
                       TRegisterName what;
                       what.kind =
                           counted(name) ? TRegisterName::Kind::Sent : TRegisterName::Kind::Skip;
                       return what;
                   })
                   .size());
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

bool TRegisterCache::contains(const QString& path, bool sent) const {
    return files_[sent].contains(path);
}

const TRegisterCache::Content* TRegisterCache::find(const QString& path, bool sent, qint64 stamp,
                                                    qint64 size) const {
    const auto it = files_[sent].constFind(path);
    if (it == files_[sent].cend() || it->stamp != stamp || it->size != size)
        return nullptr;
    return &*it;
}

void TRegisterCache::store(const QString& path, bool sent, const Content& content) {
    files_[sent].insert(path, content);
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
    const QString& dayText = day.dayText;
    TWorkingTimes receivedTimes(sources.clockShiftHours);
    TWorkingTimes sentTimes(sources.clockShiftHours);

    // The sent side and the day before on a second thread: the day's files
    // are as many again as the received ones.
    TRegisterPreviousDay previous;
    std::thread sentSide([&] {
        for (const bool root : {false, true})
            day.sent += entriesOf(
                root ? outRoot : out, true,
                [&](QStringView n) { return ClassifySentName(n, dayText, root); }, sentTimes, cache,
                stop);
        previous = previousDay(sources, date.addDays(-1));
    });
    QList<TFound> received;
    const QList<TRegisterEntry> in = entriesOf(
        inp, false, [&](QStringView n) { return ClassifyReceivedName(n, dayText); }, receivedTimes,
        cache, stop, &received);
    sentSide.join();
    for (const TRegisterEntry& e : in)
        (e.fate == TRegisterFate::ServiceMessage ? day.service : day.received).append(e);
    std::sort(day.received.begin(), day.received.end(), byTime);
    std::sort(day.service.begin(), day.service.end(), byTime);
    std::sort(day.sent.begin(), day.sent.end(), byTime);

    for (const QList<TRegisterEntry>* list : {&day.received, &day.sent})
        for (const TRegisterEntry& e : *list)
            if (IsRegisterTraffic(e.fate))
                ++(e.sent ? day.sentPerHour : day.receivedPerHour)[size_t(e.time.time().hour())];

    const TRegisterGaps gaps = FindRegisterGaps(numbersOf(received), previous);
    day.gaps = gaps.gaps;
    day.numberings = gaps.numberings;
    return day;
}

QList<TRegisterDayTotal> ReadRegisterStrip(const TRegisterSources& sources, QDate last, int days,
                                           TRegisterCache* cache) {
    TRegisterCache local;
    TRegisterCache& counts = cache ? *cache : local;
    QList<TRegisterDayTotal> strip;
    QStringList dayTexts;
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
            count.received = countOf(inp, [&](QStringView n) {
                return ClassifyReceivedName(n, dayText).kind == TRegisterName::Kind::Received;
            });
            count.sent = countOf(out, [&](QStringView n) {
                const TRegisterName what = ClassifySentName(n, dayText, false);
                return what.kind == TRegisterName::Kind::Sent && IsRegisterTraffic(what.fate);
            });
        }
        strip.append({date, count.received, count.sent});
        dayTexts << dayText;
    }
    // The out root holds what waits or was set aside, for any day: one look.
    TFolder root(TArchiveFolders::AbsoluteFolder(sources.outPath));
    root.Entries([&](QStringView n) {
        for (int i = 0; i < dayTexts.size(); ++i) {
            const TRegisterName what = ClassifySentName(n, dayTexts.at(i), true);
            if (what.kind != TRegisterName::Kind::Skip) {
                strip[i].sent += IsRegisterTraffic(what.fate);
                break;
            }
        }
        return TRegisterName{};
    });
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
    // The dates of the last year and a bit at once; an older folder's (a day
    // format with the year, a cleanup turned off) is looked for further back.
    constexpr int kNear = 400;
    QHash<QString, QDate> dates;
    for (int k = kNear - 1; k >= 0; --k)
        dates.insert(FormatDelphiDate(today.addDays(-k), sources.dayFormat), today.addDays(-k));
    QList<QDate> days;
    for (const QString& base : {sources.inpPath, sources.outPath}) {
        DIR* dir = ::opendir(QFile::encodeName(TArchiveFolders::AbsoluteFolder(base)).constData());
        if (!dir)
            continue;
        while (const dirent* entry = ::readdir(dir)) {
            if ((entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) || entry->d_name[0] == '.')
                continue;
            const QString name = decodeName(QByteArray(entry->d_name));
            QDate date = dates.value(name);
            if (!date.isValid())
                date = RegisterDateOf(name, sources.dayFormat, today.addDays(-kNear));
            if (date.isValid() && !days.contains(date))
                days.append(date);
        }
        ::closedir(dir);
    }
    std::sort(days.begin(), days.end(), [](QDate a, QDate b) { return a > b; });
    return days;
}
