#include "config/inifile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A value as one line: the profile format has no way to continue a value on
// the next line, and a line break would let a value make keys of its own.
QByteArray oneLine(QByteArrayView value) {
    const qsizetype nul = value.indexOf('\0');
    if (nul >= 0)
        value = value.first(nul);
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r') {
            out += ' ';
            if (i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Overwrites the file with bytes and flushes it; on a failure part-way the
// old bytes are put back as far as the disk lets us.
bool saveInPlace(const QByteArray& native, const QByteArray& bytes) {
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    QByteArray old;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        old.append(buffer, n);
    }
    auto replaceWith = [fd](const QByteArray& content) {
        return ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, content) &&
               ::ftruncate(fd, off_t(content.size())) == 0 && ::fsync(fd) == 0;
    };
    const bool ok = replaceWith(bytes);
    if (!ok)
        replaceWith(old);
    return (::close(fd) == 0) && ok;
}

}  // namespace

CIniFile::Line CIniFile::MakeLine(QByteArray text, QByteArray eol) {
    Line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const QByteArray& t = line.text;
    qsizetype i = 0;
    while (i < t.size() && isBlank(t.at(i)))
        ++i;
    if (i == t.size() || t.at(i) == ';')
        return line;
    if (t.at(i) == '[') {
        const qsizetype close = t.lastIndexOf(']');
        if (close > i) {
            line.kind = Kind::Section;
            line.name = t.mid(i + 1, close - i - 1).trimmed();
        }
        return line;
    }
    const qsizetype eq = t.indexOf('=', i);
    if (eq < 0)
        return line;
    QByteArray key = t.mid(i, eq - i).trimmed();
    if (key.isEmpty())
        return line;
    line.kind = Kind::Key;
    line.name = std::move(key);
    line.valuePos = eq + 1;
    return line;
}

void CIniFile::Parse(QByteArrayView bytes) {
    lines_.clear();
    eol_ = "\r\n";
    const qsizetype firstLf = bytes.indexOf('\n');
    if (firstLf >= 0 && (firstLf == 0 || bytes[firstLf - 1] != '\r'))
        eol_ = "\n";

    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', start);
        if (lf < 0) {
            lines_.append(MakeLine(bytes.sliced(start).toByteArray(), QByteArray()));
            break;
        }
        qsizetype end = lf;
        QByteArray eol("\n");
        if (end > start && bytes[end - 1] == '\r') {
            --end;
            eol = "\r\n";
        }
        lines_.append(MakeLine(bytes.sliced(start, end - start).toByteArray(), eol));
        start = lf + 1;
    }
}

QByteArray CIniFile::Serialize() const {
    QByteArray out;
    for (const Line& line : lines_)
        out += line.text + line.eol;
    return out;
}

CIniFile::LoadResult CIniFile::Load(const QString& path) {
    Parse({});
    const QFileInfo info(path);
    if (!info.exists())
        return LoadResult::Missing;
    if (!info.isFile())
        return LoadResult::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Unreadable;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return LoadResult::Unreadable;
    Parse(bytes);
    return LoadResult::Read;
}

qsizetype CIniFile::FindSection(QByteArrayView section) const {
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && sameName(lines_[i].name, section))
            return i;
    }
    return -1;
}

qsizetype CIniFile::SectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section)
        ++i;
    return i;
}

qsizetype CIniFile::FindKey(QByteArrayView section, QByteArrayView key) const {
    const qsizetype header = FindSection(section);
    if (header < 0)
        return -1;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Key && sameName(lines_[i].name, key))
            return i;
    }
    return -1;
}

bool CIniFile::SectionExists(QByteArrayView section) const {
    return FindSection(section) >= 0;
}

bool CIniFile::ValueExists(QByteArrayView section, QByteArrayView key) const {
    return FindKey(section, key) >= 0;
}

QByteArray CIniFile::ReadString(QByteArrayView section, QByteArrayView key,
                                QByteArrayView def) const {
    const qsizetype k = FindKey(section, key);
    if (k < 0)
        return def.toByteArray();
    const Line& line = lines_[k];
    QByteArray value = line.text.mid(line.valuePos).trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    value.truncate(kMaxValueLength);
    return value;
}

bool CIniFile::ParseInteger(QByteArrayView text, int* value) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint64_t v = 0;
        for (qsizetype i = 2; i < text.size(); ++i) {
            const int d = hexDigit(text[i]);
            if (d < 0)
                return false;
            v = v * 16 + uint64_t(d);
            if (v > 0xFFFFFFFFu)
                return false;
        }
        // Eight hexadecimal digits are a 32-bit pattern: 0xFFFFFFFF is -1.
        *value = int(int32_t(uint32_t(v)));
        return true;
    }
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
        if (v > int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v > INT32_MAX)
        return false;
    *value = int(v);
    return true;
}

int CIniFile::ReadInteger(QByteArrayView section, QByteArrayView key, int def) const {
    int value = def;
    if (!ParseInteger(ReadString(section, key, {}), &value))
        return def;
    return value;
}

bool CIniFile::ReadBool(QByteArrayView section, QByteArrayView key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void CIniFile::AppendLine(QByteArray text) {
    if (!lines_.isEmpty() && lines_.last().eol.isEmpty())
        lines_.last().eol = eol_;
    lines_.append(MakeLine(std::move(text), eol_));
}

void CIniFile::WriteString(QByteArrayView section, QByteArrayView key, QByteArrayView value) {
    const QByteArray v = oneLine(value);
    const qsizetype header = FindSection(section);
    if (header < 0) {
        AppendLine('[' + section.toByteArray() + ']');
        AppendLine(key.toByteArray() + '=' + v);
        return;
    }
    const qsizetype k = FindKey(section, key);
    if (k >= 0) {
        Line& line = lines_[k];
        // An unchanged value keeps its line exactly as it was written.
        if (QByteArrayView(line.text).sliced(line.valuePos) != v)
            line = MakeLine(line.name + '=' + v, line.eol);
        return;
    }
    // A new key goes after the section's last key, so that blank lines and
    // comments ahead of the next section stay with that section.
    const qsizetype end = SectionEnd(header);
    qsizetype at = header + 1;
    for (qsizetype i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Key)
            at = i + 1;
    }
    if (at == lines_.size()) {
        AppendLine(key.toByteArray() + '=' + v);
        return;
    }
    lines_.insert(at, MakeLine(key.toByteArray() + '=' + v, eol_));
}

void CIniFile::WriteInteger(QByteArrayView section, QByteArrayView key, int value) {
    WriteString(section, key, QByteArray::number(value));
}

void CIniFile::WriteBool(QByteArrayView section, QByteArrayView key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void CIniFile::WriteExactString(QByteArrayView section, QByteArrayView key, QByteArrayView value) {
    const QByteArray v = oneLine(value);
    const bool quotedPair =
        v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
    if (quotedPair || v.trimmed() != v)
        WriteString(section, key, '"' + v + '"');
    else
        WriteString(section, key, v);
}

QString CIniFile::WriteFailure(const QString& path) {
    return QStringLiteral("Unable to write to ") + path;
}

QString CIniFile::Save(const QString& path) const {
    const QString failure = WriteFailure(path);

    // A settings file that is a symbolic link stays one: the file it names
    // is replaced, not the link.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        target = info.canonicalFilePath();
        if (target.isEmpty())
            target = info.symLinkTarget();
    }
    const QByteArray native = QFile::encodeName(target);

    struct stat old {};
    bool existed = false;
    if (::stat(native.constData(), &old) == 0) {
        if (!S_ISREG(old.st_mode))
            return failure;
        existed = true;
    } else if (errno != ENOENT) {
        return failure;
    }

    const QFileInfo targetInfo(target);
    QByteArray temp = QFile::encodeName(targetInfo.absolutePath() + QLatin1String("/.") +
                                        targetInfo.fileName() + QLatin1String(".XXXXXX"));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        // A file we may write in a folder we may not (a shared settings
        // file): written in place, as the profile functions would.
        if (existed && (errno == EACCES || errno == EPERM) &&
            ::access(native.constData(), W_OK) == 0)
            return saveInPlace(native, Serialize()) ? QString() : failure;
        return failure;
    }

    bool ok = writeAll(fd, Serialize());
    if (ok && existed) {
        // Only root may hand the file back to its owner; anyone else writes
        // the file as their own, as any editor would.
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    }
    ok = ok && ::fchmod(fd, existed ? (old.st_mode & 07777) : 0600) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.constData(), native.constData()) == 0;
    if (!ok) {
        ::unlink(temp.constData());
        return failure;
    }

    // The rename itself must reach the disk too, or a crash may bring the old
    // file back after the program has reported success.
    const int dir = ::open(QFile::encodeName(targetInfo.absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}
