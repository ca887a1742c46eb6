#include "archive/search.h"

#include "archive/daylist.h"
#include "util/codepages.h"
#include "util/datetimeformat.h"
#include "util/wildcard.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>

namespace {

// Larger files are not telegrams; their index lines are read all the same.
constexpr qsizetype kTextLimit = 1 << 20;
constexpr qsizetype kHeadBytes = 4096;

enum class Encoding { Ansi, Utf16Le, Utf16Be, Utf8 };

// The search texts as bytes, once per encoding.
struct TNeedles {
    QByteArray ansiIndex, ansiText;
    QByteArray le16Index, le16Text;
    QByteArray be16Index, be16Text;
    QByteArray utf8Index, utf8Text;
};

QByteArray Utf16(const QString& text, bool bigEndian) {
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (bigEndian) {
            bytes += char(u >> 8);
            bytes += char(u & 0xFF);
        } else {
            bytes += char(u & 0xFF);
            bytes += char(u >> 8);
        }
    }
    return bytes;
}

TNeedles MakeNeedles(const TSearchQuery& q) {
    TNeedles n;
    n.ansiIndex = WideToAnsi(q.indexText);
    n.ansiText = WideToAnsi(q.searchText);
    n.le16Index = Utf16(q.indexText, false);
    n.le16Text = Utf16(q.searchText, false);
    n.be16Index = Utf16(q.indexText, true);
    n.be16Text = Utf16(q.searchText, true);
    n.utf8Index = q.indexText.toUtf8();
    n.utf8Text = q.searchText.toUtf8();
    return n;
}

// Whether needle occurs in [data, data + size); for two-byte text only at
// character boundaries (offsets of the same parity as start).
bool Contains(const char* data, qsizetype size, const QByteArray& needle, int unit,
              qsizetype start) {
    if (needle.isEmpty())
        return true;
    const char* p = data;
    const char* end = data + size;
    while (p < end) {
        const void* hit = ::memmem(p, size_t(end - p), needle.constData(), size_t(needle.size()));
        if (!hit)
            return false;
        const qsizetype at = static_cast<const char*>(hit) - data;
        if (unit == 1 || (at - start) % 2 == 0)
            return true;
        p = static_cast<const char*>(hit) + 1;
    }
    return false;
}

char16_t CharAt(const char* data, qsizetype i, int unit, bool bigEndian) {
    if (unit == 1)
        return char16_t(uint8_t(data[i]));
    return bigEndian ? char16_t(uint8_t(data[i]) << 8 | uint8_t(data[i + 1]))
                     : char16_t(uint8_t(data[i + 1]) << 8 | uint8_t(data[i]));
}

// The end of the second line (just after its line break, or the end of the
// data), or -1 when the text has fewer than two lines; CR, LF and CR LF
// each end a line. complete is false when the data ended inside the second
// line, so that more of the file could change the answer.
qsizetype SecondLineEnd(const char* data, qsizetype size, int unit, bool bigEndian, qsizetype start,
                        bool& complete) {
    complete = true;
    qsizetype firstEnd = -1;
    for (qsizetype i = start; i + unit <= size; i += unit) {
        const char16_t c = CharAt(data, i, unit, bigEndian);
        if (c != u'\r' && c != u'\n')
            continue;
        if (c == u'\r' && i + 2 * unit <= size && CharAt(data, i + unit, unit, bigEndian) == u'\n')
            i += unit;
        if (firstEnd >= 0)
            return i + unit;
        firstEnd = i + unit;
    }
    complete = false;
    // A last line without its break still is a line.
    return firstEnd >= 0 && firstEnd < size ? size : -1;
}

bool ContentMatches(int fd, qsizetype fileSize, const TSearchQuery& q, const TNeedles& n,
                    QByteArray& buffer) {
    const bool needText = !q.searchText.isEmpty();
    const qsizetype want = needText ? qMin(fileSize, kTextLimit) : qMin(fileSize, kHeadBytes);
    buffer.resize(want);
    qsizetype got = 0;
    while (got < want) {
        const ssize_t r = ::read(fd, buffer.data() + got, size_t(want - got));
        if (r <= 0)
            break;
        got += r;
    }
    const char* data = buffer.constData();
    Encoding enc = Encoding::Ansi;
    qsizetype start = 0;
    if (!q.ansi && got >= 2 && uint8_t(data[0]) == 0xFF && uint8_t(data[1]) == 0xFE) {
        enc = Encoding::Utf16Le;
        start = 2;
    } else if (!q.ansi && got >= 2 && uint8_t(data[0]) == 0xFE && uint8_t(data[1]) == 0xFF) {
        enc = Encoding::Utf16Be;
        start = 2;
    } else if (!q.ansi && got >= 3 && uint8_t(data[0]) == 0xEF && uint8_t(data[1]) == 0xBB &&
               uint8_t(data[2]) == 0xBF) {
        enc = Encoding::Utf8;
        start = 3;
    }
    const int unit = enc == Encoding::Utf16Le || enc == Encoding::Utf16Be ? 2 : 1;
    const QByteArray& index = enc == Encoding::Utf16Le   ? n.le16Index
                              : enc == Encoding::Utf16Be ? n.be16Index
                              : enc == Encoding::Utf8    ? n.utf8Index
                                                         : n.ansiIndex;
    const QByteArray& text = enc == Encoding::Utf16Le   ? n.le16Text
                             : enc == Encoding::Utf16Be ? n.be16Text
                             : enc == Encoding::Utf8    ? n.utf8Text
                                                        : n.ansiText;
    if (!q.indexText.isEmpty()) {
        bool complete = true;
        qsizetype end = SecondLineEnd(data, got, unit, enc == Encoding::Utf16Be, start, complete);
        if (!complete && got < qMin(fileSize, kTextLimit)) {
            // Long first lines: read on.
            const qsizetype more = qMin(fileSize, kTextLimit);
            buffer.resize(more);
            while (got < more) {
                const ssize_t r = ::read(fd, buffer.data() + got, size_t(more - got));
                if (r <= 0)
                    break;
                got += r;
            }
            data = buffer.constData();
            end = SecondLineEnd(data, got, unit, enc == Encoding::Utf16Be, start, complete);
        }
        if (end < 0 || !Contains(data + start, end - start, index, unit, 0))
            return false;
    }
    if (needText && !Contains(data + start, got - start, text, unit, 0))
        return false;
    return true;
}

}  // namespace

QChar SearchCategory(bool ordinary, bool urgent) {
    if (ordinary != urgent)
        return ordinary ? u'u' : u'q';
    return u'?';
}

QString SearchIndexPattern(const QString& indexField) {
    QString pattern = QStringLiteral("???");
    for (int i = 0; i < 3; ++i) {
        const int at = 3 + i;
        if (at < indexField.size() && indexField[at] >= u'0' && indexField[at] <= u'9')
            pattern[i] = indexField[at];
    }
    return pattern;
}

QList<TSearchHit> SearchDay(const QString& folder, const QString& mask, const TSearchQuery& query,
                            const QDateTime& from, const QDateTime& to,
                            const std::atomic<bool>& stop) {
    QList<TSearchHit> hits;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return hits;
    // Names stay bytes until they are hits; nearly all are plain ASCII.
    QList<QByteArray> entries;
    QString name;
    while (const dirent* e = ::readdir(dir)) {
        const char* raw = e->d_name;
        if (raw[0] < '0' || raw[0] > '9')
            continue;
        if (std::strstr(raw, ".tlg") || std::strstr(raw, ".rcv"))
            continue;
        const QByteArray bytes(raw);
        bool ascii = true;
        for (const char c : bytes)
            ascii = ascii && uint8_t(c) < 0x80;
        name = ascii ? QString::fromLatin1(bytes) : QFile::decodeName(bytes);
        if (MatchesMask(name, mask))
            entries.append(bytes);
    }
    // In the finder's order: by name, ignoring case.
    std::sort(entries.begin(), entries.end(), [](const QByteArray& a, const QByteArray& b) {
        return ::strcasecmp(a.constData(), b.constData()) < 0;
    });
    const TNeedles needles = MakeNeedles(query);
    const bool content = !query.indexText.isEmpty() || !query.searchText.isEmpty();
    const qint64 fromSecs = from.toSecsSinceEpoch();
    const qint64 toSecs = to.toSecsSinceEpoch();
    QByteArray buffer;
    const int dfd = ::dirfd(dir);
    for (const QByteArray& entry : entries) {
        if (stop)
            break;
        const int fd = ::openat(dfd, entry.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        struct stat st {};
        bool hit = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime >= fromSecs &&
                   st.st_mtime <= toSecs;
        if (hit && content)
            hit = ContentMatches(fd, qsizetype(st.st_size), query, needles, buffer);
        ::close(fd);
        if (!hit)
            continue;
        TSearchHit h;
        h.written = QDateTime::fromSecsSinceEpoch(st.st_mtime);
        h.name = QFile::decodeName(entry);
        h.folder = folder;
        h.read = query.readMarks && !(st.st_mode & S_IXUSR);
        hits.append(h);
    }
    ::closedir(dir);
    return hits;
}

bool RunSearch(const TSearchQuery& query, const std::atomic<bool>& stop,
               const std::function<void(const QList<TSearchHit>&)>& found,
               const std::function<void(int done, int total)>& progress) {
    const qint64 days = query.from.isValid() && query.to.isValid() && query.to >= query.from
                            ? query.from.daysTo(query.to) + 1
                            : 0;
    const int passes = int(query.input) + int(query.output);
    const int total = int(days) * passes;
    int done = 0;
    for (int pass = 0; pass < 2; ++pass) {
        if (!(pass == 0 ? query.input : query.output))
            continue;
        const QString& base = pass == 0 ? query.inpPath : query.outPath;
        for (QDate d = query.from; days > 0 && d <= query.to; d = d.addDays(1)) {
            if (stop)
                return false;
            const QString dayText = FormatDelphiDate(d, query.dayFormat);
            const QString folder = DayFolderPath(base, d, query.dayFormat);
            const QString mask =
                dayText + query.category + query.indexPattern + QStringLiteral(".?*");
            const QList<TSearchHit> hits =
                SearchDay(folder, mask, query, QDateTime(d, query.timeFrom),
                          QDateTime(d, query.timeTo), stop);
            if (stop)
                return false;
            if (!hits.isEmpty() && found)
                found(hits);
            if (progress)
                progress(++done, total);
        }
    }
    return true;
}
