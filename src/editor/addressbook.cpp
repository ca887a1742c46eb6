#include "editor/addressbook.h"

#include "archive/daylist.h"
#include "config/inifile.h"
#include "editor/compose.h"
#include "protocol/protocol.h"
#include "util/codepages.h"
#include "util/telegramtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kEntrySection = QStringLiteral("ADDRESS%1");
const QString kLineKey = QStringLiteral("Line");

bool allDigits(QStringView text, qsizetype count) {
    if (text.size() != count)
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The first character of a text that code page 1251 has no place for.
std::optional<QChar> lostIn1251(QStringView text) {
    const QString back = AnsiToWide(WideToAnsi(text));
    for (qsizetype i = 0; i < text.size(); ++i)
        if (back.at(i) != text.at(i))
            return text.at(i);
    return std::nullopt;
}

QString sameLineKey(QStringView line) {
    return line.toString().simplified().toUpper();
}

// A value as the profile functions read it: without the blanks around it
// and one enclosing pair of quotes.
QByteArray iniValue(QByteArrayView raw) {
    QByteArray value = raw.toByteArray().trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    value.truncate(CIniFile::kMaxValueLength);
    return value;
}

bool sameKey(const QByteArray& key, const char* name) {
    return key.toLower() == QByteArray(name).toLower();
}

}  // namespace

bool IsSchemaCategory(QStringView category) {
    return category.contains(u'Ц');
}

QString AddressEntryProblem(const TAddressEntry& entry) {
    if (entry.Name.trimmed().isEmpty())
        return QStringLiteral("Поле «Название» не заполнено.");
    if (entry.Category.trimmed().isEmpty())
        return QStringLiteral("Поле «Категория» не заполнено.");
    if (!allDigits(entry.Net, 2))
        return QStringLiteral("Поле «Сеть» должно содержать две цифры.");
    if (IsSchemaCategory(entry.Category)) {
        if (!allDigits(entry.Index, 3))
            return QStringLiteral("Поле «Схема» должно содержать три цифры.");
    } else if (!allDigits(entry.Index, 6)) {
        return QStringLiteral("Поле «Индекс» должно содержать шесть цифр.");
    }
    const std::pair<QString, QString> texts[] = {
        {QStringLiteral("Название"), entry.Name},
        {QStringLiteral("Категория"), entry.Category},
        {QStringLiteral("Адресные строки"), entry.Lines.join(u'\n')},
    };
    for (const auto& [field, text] : texts)
        if (const std::optional<QChar> lost = lostIn1251(text))
            return QStringLiteral("Поле «%1»: знак «%2» не записывается в адресную книгу.")
                .arg(field, *lost);
    return {};
}

bool IsUtf8Text(QByteArrayView bytes) {
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return false;
    const QByteArray owned = bytes.toByteArray();
    // Invalid sequences come back as U+FFFD and no longer match.
    return QString::fromUtf8(owned).toUtf8() == owned;
}

QByteArray SerializeAddressBook(const QList<TAddressEntry>& entries) {
    CIniFile ini;
    ini.Parse(
        WideToAnsi(u"; Адресная книга TARVO/COM: раздел на запись, кодовая страница 1251\r\n"));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const TAddressEntry& e = entries.at(i);
        const QByteArray section = kEntrySection.arg(i + 1).toLatin1();
        ini.WriteExactString(section, "Name", WideToAnsi(e.Name));
        ini.WriteExactString(section, "Category", WideToAnsi(e.Category));
        ini.WriteExactString(section, "Net", WideToAnsi(e.Net));
        ini.WriteExactString(section, "Index", WideToAnsi(e.Index));
        for (qsizetype n = 0; n < e.Lines.size(); ++n)
            ini.WriteExactString(section, (kLineKey + QString::number(n + 1)).toLatin1(),
                                 WideToAnsi(e.Lines.at(n)));
    }
    return ini.Serialize();
}

std::optional<QList<TAddressEntry>> ParseAddressBook(QByteArrayView bytes) {
    if (bytes.contains('\0'))
        return std::nullopt;
    bool utf8 = false;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
        utf8 = true;
    } else {
        utf8 = IsUtf8Text(bytes);
    }
    auto decode = [utf8](const QByteArray& value) {
        return utf8 ? QString::fromUtf8(value) : AnsiToWide(value);
    };

    QList<TAddressEntry> entries;
    QMap<int, QString> lines;  // the open entry's address lines by number
    auto closeEntry = [&entries, &lines] {
        if (!entries.isEmpty())
            entries.last().Lines = lines.values();
        lines.clear();
    };
    for (const QByteArray& rawLine : bytes.toByteArray().split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[')) {
            if (line.lastIndexOf(']') < 1)
                return std::nullopt;
            closeEntry();
            entries.append(TAddressEntry());
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        const QByteArray key = eq > 0 ? line.left(eq).trimmed() : QByteArray();
        if (key.isEmpty() || entries.isEmpty())
            return std::nullopt;
        const QString value = decode(iniValue(QByteArrayView(line).sliced(eq + 1)));
        TAddressEntry& entry = entries.last();
        if (sameKey(key, "Name"))
            entry.Name = value;
        else if (sameKey(key, "Category"))
            entry.Category = value;
        else if (sameKey(key, "Net"))
            entry.Net = value;
        else if (sameKey(key, "Index"))
            entry.Index = value;
        else if (key.toLower().startsWith(kLineKey.toLatin1().toLower())) {
            bool number = false;
            const int n = key.mid(kLineKey.size()).toInt(&number);
            if (number && n > 0)
                lines.insert(n, value);
        }
    }
    closeEntry();
    return entries;
}

TAddressBook::TAddressBook(QString path, TProtocol& protocol)
    : path_(std::move(path)), protocol_(protocol) {}

TAddressBook::Stamp TAddressBook::StampOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {true, info.size(), info.lastModified()};
}

void TAddressBook::Refresh() {
    if (!stamp_ || !(*stamp_ == StampOf(path_)))
        Read();
}

TAddressBook::Load TAddressBook::Read() {
    Entries.clear();
    stamp_ = StampOf(path_);
    damaged_ = false;
    Load result = Load::Read;
    QFile file(path_);
    if (!stamp_->exists) {
        result = Load::Missing;
    } else if (!file.open(QIODevice::ReadOnly)) {
        result = Load::Damaged;
    } else {
        const QByteArray bytes = file.readAll();
        const std::optional<QList<TAddressEntry>> entries =
            file.error() == QFileDevice::NoError ? ParseAddressBook(bytes) : std::nullopt;
        if (!entries)
            result = Load::Damaged;
        else if (entries->isEmpty())
            result = Load::Empty;
        else
            Entries = *entries;
    }
    damaged_ = result == Load::Damaged;

    // One line for each state the book comes to, not for every look at it.
    if (result != Load::Read && logged_ != result) {
        if (result == Load::Missing)
            protocol_.AddMessage(QStringLiteral("АДРЕСНАЯ КНИГА НЕ НАЙДЕНА: ") + path_,
                                 kProtocolEvent);
        else if (result == Load::Empty)
            protocol_.AddMessage(QStringLiteral("АДРЕСНАЯ КНИГА ПУСТА: ") + path_, kProtocolEvent);
        else
            protocol_.AddMessage(
                QStringLiteral("АДРЕСНАЯ КНИГА ПОВРЕЖДЕНА, ОТКРЫТА ПУСТОЙ: ") + path_,
                kProtocolError);
    }
    logged_ = result;
    return result;
}

QString TAddressBook::Save() {
    if (damaged_ && QFileInfo::exists(path_)) {
        QString copy = path_ + QStringLiteral(".bad");
        for (int n = 1; QFileInfo::exists(copy); ++n)
            copy = path_ + QStringLiteral(".bad") + QString::number(n);
        if (!QFile::copy(path_, copy))
            return QStringLiteral(
                       "Адресная книга не записана: повреждённый файл %1 не удалось "
                       "сохранить в копию %2.")
                .arg(path_, copy);
        protocol_.AddMessage(QStringLiteral("КОПИЯ ПОВРЕЖДЕННОЙ АДРЕСНОЙ КНИГИ: ") + copy,
                             kProtocolEvent);
    }
    damaged_ = false;
    // A new file is made first, so that it gets the permissions the program
    // folder's files get (the settings writer makes new files private).
    const QByteArray native = QFile::encodeName(path_);
    if (const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        fd >= 0)
        ::close(fd);
    CIniFile ini;
    ini.Parse(SerializeAddressBook(Entries));
    if (!ini.Save(path_).isEmpty())
        return QStringLiteral("Адресная книга не записана в файл ") + path_ + u'.';
    stamp_ = StampOf(path_);
    return {};
}

QString DestinationHeader(const TAddressEntry& entry) {
    TComposeFields fields;
    fields.Category = entry.Category;
    fields.Net = entry.Net;
    fields.SchemaMode = IsSchemaCategory(entry.Category);
    (fields.SchemaMode ? fields.Schema : fields.Index) = entry.Index;
    return ComposeHeader(fields);
}

QString DestinationText(const TDestination& destination) {
    const TAddressEntry& e = destination.Entry;
    QString text = DestinationHeader(e);
    if (!e.Lines.isEmpty())
        text += QStringLiteral("  ") + e.Lines.first();
    if (destination.InBook)
        text += QStringLiteral(" — ") + e.Name;
    if (destination.Uses > 0)
        text += QStringLiteral("  (%1)").arg(destination.Uses);
    return text;
}

std::optional<TAddressEntry> SentDestination(QStringView text) {
    // The header as the editor composes it: the category, the network and a
    // blank unless it is 01, then six index digits or schema "=" schema.
    static const QRegularExpression header(
        QStringLiteral("^([^\\d\\s]+)(?:(\\d\\d) )?(?:(\\d{6})|(\\d{3})=\\4)\\s*$"));
    const QStringList lines = MemoLines(text);
    if (lines.isEmpty())
        return std::nullopt;
    const QRegularExpressionMatch m = header.match(lines.first());
    if (!m.hasMatch())
        return std::nullopt;
    TAddressEntry entry;
    entry.Category = m.captured(1);
    if (m.capturedLength(2) > 0)
        entry.Net = m.captured(2);
    const bool schema = m.capturedLength(4) > 0;
    if (schema != IsSchemaCategory(entry.Category))
        return std::nullopt;
    entry.Index = schema ? m.captured(4) : m.captured(3);

    qsizetype at = 1;
    // The origin line: three empty lines, "place words dd/mm hhnn=", an empty line.
    if (lines.size() > 5 && lines.at(1).isEmpty() && lines.at(2).isEmpty() &&
        lines.at(3).isEmpty() && lines.at(4).trimmed().endsWith(u'=') && lines.at(5).isEmpty())
        at = 6;
    for (; at < lines.size(); ++at)
        if (!lines.at(at).trimmed().isEmpty()) {
            entry.Lines = QStringList{lines.at(at).simplified()};
            break;
        }
    return entry;
}

QList<TDestination> TSentDestinations::Scan(const QString& outPath, const QString& dayFormat,
                                            QDate today, int days) {
    static const QRegularExpression sentName(QStringLiteral("\\.\\d{3}$"));
    QMap<QString, TDestination> grouped;
    QHash<QString, Folder> seen;
    for (int back = days - 1; back >= 0; --back) {
        const QString folder = DayFolderPath(outPath, today.addDays(-back), dayFormat);
        const QFileInfo info(folder);
        if (!info.isDir())
            continue;
        // A folder's time changes with every name made, renamed or removed in
        // it, so an unchanged time spares listing it at every key the
        // operator types. A change in the same tick of the clock as the one
        // before would not show: a folder listed less than two seconds after
        // its last change is listed again.
        const QDateTime modified = info.lastModified();
        Folder cached = folders_.value(folder);
        if (!cached.listed.isValid() || cached.modified != modified ||
            cached.listed < modified.addSecs(2)) {
            cached = {modified, QDateTime::currentDateTime(), {}};
            for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
                if (!sentName.match(name).hasMatch())
                    continue;
                if (const std::optional<QString> text = LoadTelegramText(folder + name))
                    if (std::optional<TAddressEntry> sent = SentDestination(*text))
                        cached.sent << *sent;
            }
        }
        seen.insert(folder, cached);
        for (const TAddressEntry& sent : std::as_const(cached.sent)) {
            const QString key =
                (IsSchemaCategory(sent.Category) ? QStringLiteral("Ц") : QString()) + sent.Net +
                u'|' + sent.Index + u'|' + sameLineKey(sent.Lines.value(0));
            TDestination& d = grouped[key];
            // Oldest first: the category is that of the latest telegram.
            d.Entry = sent;
            ++d.Uses;
        }
    }
    folders_ = seen;
    QList<TDestination> out = grouped.values();
    std::stable_sort(out.begin(), out.end(),
                     [](const TDestination& a, const TDestination& b) { return a.Uses > b.Uses; });
    return out;
}

bool EntryCovers(const TAddressEntry& entry, const TAddressEntry& sent) {
    return IsSchemaCategory(entry.Category) == IsSchemaCategory(sent.Category) &&
           entry.Net == sent.Net && entry.Index == sent.Index &&
           (entry.Lines.isEmpty() ||
            sameLineKey(entry.Lines.first()) == sameLineKey(sent.Lines.value(0)));
}

QList<TDestination> MergeDestinations(const QList<TAddressEntry>& book,
                                      const QList<TDestination>& sent) {
    QList<TDestination> out;
    std::vector<char> covered(size_t(sent.size()), 0);
    for (const TAddressEntry& entry : book) {
        if (!AddressEntryProblem(entry).isEmpty())
            continue;
        TDestination d{entry, 0, true};
        for (qsizetype i = 0; i < sent.size(); ++i)
            if (EntryCovers(entry, sent.at(i).Entry)) {
                d.Uses += sent.at(i).Uses;
                covered[size_t(i)] = 1;
            }
        out << d;
    }
    for (qsizetype i = 0; i < sent.size(); ++i)
        if (!covered[size_t(i)])
            out << sent.at(i);
    auto title = [](const TDestination& d) {
        return d.InBook ? d.Entry.Name : d.Entry.Lines.value(0);
    };
    std::stable_sort(out.begin(), out.end(),
                     [&title](const TDestination& a, const TDestination& b) {
                         if (a.Uses != b.Uses)
                             return a.Uses > b.Uses;
                         if (a.InBook != b.InBook)
                             return a.InBook;
                         if (const int c = title(a).compare(title(b), Qt::CaseInsensitive); c != 0)
                             return c < 0;
                         return a.Entry.Index < b.Entry.Index;
                     });
    return out;
}

QList<TDestination> CompletionCandidates(const QList<TDestination>& merged, TCompletionField field,
                                         QStringView typed) {
    QList<TDestination> out;
    const QString wanted = typed.toString().simplified();
    if (wanted.isEmpty())
        return out;
    for (const TDestination& d : merged) {
        const TAddressEntry& e = d.Entry;
        bool fits = false;
        switch (field) {
            case TCompletionField::Index:
            case TCompletionField::Schema:
                fits = IsSchemaCategory(e.Category) == (field == TCompletionField::Schema) &&
                       e.Index.startsWith(wanted);
                break;
            case TCompletionField::FirstLine:
                fits = wanted.size() >= kFirstLineCompletionStart &&
                       (e.Lines.value(0).startsWith(wanted, Qt::CaseInsensitive) ||
                        (d.InBook && e.Name.startsWith(wanted, Qt::CaseInsensitive)));
                break;
        }
        if (fits)
            out << d;
    }
    return out;
}
