#pragma once

#include "util/qtcompat.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class TProtocol;

// The editor's address book, and the destinations of the telegrams sent in
// the last days: what the operator picks a destination from instead of
// typing its header fields and address lines once more. Nothing here knows a
// widget; the editor page and TForm_AddressBook drive it.

// One destination: the header fields of a telegram and the lines that open
// its text.
struct TAddressEntry {
    QString Name;
    QString Category;
    QString Net = QStringLiteral("01");
    // Six digits; for a category with "Ц" the three-digit schema.
    QString Index;
    // The address lines at the top of the text ("МОСКВА ИВАНОВУ").
    QStringList Lines;

    bool operator==(const TAddressEntry&) const = default;
};

// A category whose header carries a schema instead of an index.
bool IsSchemaCategory(QStringView category);

// Empty when the entry can be kept; otherwise what is wrong, naming the field
// ("Поле «Индекс» должно содержать шесть цифр").
QString AddressEntryProblem(const TAddressEntry& entry);

// The book's file in the program folder.
inline constexpr char kAddressBookFileName[] = "addressbook.ini";

// Whether bytes are UTF-8 text with at least one character beyond ASCII: a
// file written by hand in an editor of today rather than in code page 1251.
// A code page 1251 text of Russian words is practically never valid UTF-8.
bool IsUtf8Text(QByteArrayView bytes);

// The book's file: an ini file in code page 1251, like korvel.ini, with a
// section per entry (Name, Category, Net, Index, Line1, Line2, ...).
QByteArray SerializeAddressBook(const QList<TAddressEntry>& entries);
// The entries of such a file, in file order; a section of any name is an
// entry. The file may also be UTF-8 (with or without a byte-order mark).
// Nothing when the file is damaged: a NUL byte, or a line that is neither
// blank, a comment, a section nor a key of a section.
std::optional<QList<TAddressEntry>> ParseAddressBook(QByteArrayView bytes);

// The address book's file and its entries. Reading a file that is missing,
// empty or damaged gives an empty book and one protocol line; a damaged file
// is copied aside before the first save writes over it, and when that copy
// cannot be made nothing is written.
class TAddressBook {
public:
    enum class Load { Read, Missing, Empty, Damaged };

    TAddressBook(QString path, TProtocol& protocol);

    const QString& Path() const { return path_; }
    // Reads the file again when it changed since it was last read or
    // written, or was never read.
    void Refresh();
    // Reads the file, replacing the entries.
    Load Read();
    // Writes the entries atomically, as the settings are written. Empty on
    // success, else the text to show.
    QString Save();

    QList<TAddressEntry> Entries;

private:
    struct Stamp {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const QString& path);

    QString path_;
    TProtocol& protocol_;
    std::optional<Stamp> stamp_;  // of the file as last read or written
    std::optional<Load> logged_;  // the last state a protocol line told
    bool damaged_ = false;        // the file as it lies is damaged: copy it first
};

// A destination with the number of telegrams sent to it lately.
struct TDestination {
    TAddressEntry Entry;  // Name is empty for one known from the sent telegrams only
    int Uses = 0;
    bool InBook = false;
};

// A destination as the completion and the lists show it: the header the
// editor composes for it ("П141911", "П02 141911", "Ц123=123"), its first
// address line, the entry's name and how often it was used.
QString DestinationHeader(const TAddressEntry& entry);
QString DestinationText(const TDestination& destination);

// The days of sent telegrams the completion and "Из переданных" look at.
inline constexpr int kRecentDays = 30;

// The destination of a sent telegram's text: category, network and index
// (or schema) from its header line, and its first address line, the first
// line of the text after the origin line when there is one. Nothing when the
// header is not one the editor composes.
std::optional<TAddressEntry> SentDestination(QStringView text);

// The destinations of the telegrams filed as sent (a three-digit number
// extension) in the output day folders of the days up to today, with how
// often each was used, most used first. A day folder is read again only when
// it changed since the last scan.
class TSentDestinations {
public:
    QList<TDestination> Scan(const QString& outPath, const QString& dayFormat, QDate today,
                             int days = kRecentDays);

private:
    struct Folder {
        QDateTime modified;  // the folder's last change
        QDateTime listed;    // when its names were read
        QList<TAddressEntry> sent;
    };
    QHash<QString, Folder> folders_;
};

// Whether a book entry stands for a sent destination: the same kind of
// header, network and index, and, when the entry has address lines, the same
// first line (without regard to case and blanks).
bool EntryCovers(const TAddressEntry& entry, const TAddressEntry& sent);

// The book's usable entries, each counting the sent telegrams it covers,
// and the sent destinations no entry covers: most used first, then the
// book's before the others, then by name or first line.
QList<TDestination> MergeDestinations(const QList<TAddressEntry>& book,
                                      const QList<TDestination>& sent);

enum class TCompletionField { Index, Schema, FirstLine };

// The fewest characters of a first line that are completed.
inline constexpr int kFirstLineCompletionStart = 2;

// The destinations, in their order, that complete what was typed: an index
// (or schema) they begin with, or a first line or name they begin with,
// without regard to case.
QList<TDestination> CompletionCandidates(const QList<TDestination>& merged, TCompletionField field,
                                         QStringView typed);
