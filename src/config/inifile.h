#pragma once

#include "util/qtcompat.h"

#include <QByteArray>
#include <QList>
#include <QString>

// An ini file held in memory, read and written with the rules of the Windows
// profile-file functions that the settings file has always been written with:
//  - section and key names compare without regard to (ASCII) case;
//  - a value read loses the blanks around it and one enclosing pair of
//    double or single quotes, and is at most 2047 bytes long;
//  - an integer is an optional sign and decimal digits, or "0x"/"0X" and
//    hexadecimal digits, and nothing else; other text gives the default;
//  - a boolean is an integer, non-zero being true, written "1" or "0".
// Lines the reader does not understand, and keys and sections nobody asks
// for, stay where they are and come back out byte for byte. A file may end its
// lines with CR LF or LF; new lines follow the file's first line end, and a
// new file gets CR LF.
//
// Values are bytes; which code page they are in is the caller's business.
//
// Unlike the profile functions, writing a key only changes the document; Save
// writes the whole document at once, through a temporary file in the same
// folder that is flushed to disk and then renamed over the old file, so that
// a crash or a full disk never leaves a truncated settings file behind.
class CIniFile {
public:
    enum class LoadResult {
        Read,        // the file was read
        Missing,     // there is no such file: the document is empty
        Unreadable,  // something is there but cannot be read: the document is empty
    };

    // The longest value ReadString returns, as a 2048-byte buffer would hold it.
    static constexpr int kMaxValueLength = 2047;

    CIniFile() = default;

    // Replaces the document with the file's contents.
    LoadResult Load(const QString& path);
    // Replaces the document with the given file contents.
    void Parse(QByteArrayView bytes);
    // The document as file contents.
    QByteArray Serialize() const;

    bool SectionExists(QByteArrayView section) const;
    bool ValueExists(QByteArrayView section, QByteArrayView key) const;

    QByteArray ReadString(QByteArrayView section, QByteArrayView key, QByteArrayView def) const;
    int ReadInteger(QByteArrayView section, QByteArrayView key, int def) const;
    bool ReadBool(QByteArrayView section, QByteArrayView key, bool def) const;

    // Sets a key, adding the key at the end of its section or the section at
    // the end of the document when missing. A value is one line: each line
    // break in it (CR LF, CR or LF) becomes one blank, and it ends at a NUL,
    // so that a value can never add lines of its own to the file.
    void WriteString(QByteArrayView section, QByteArrayView key, QByteArrayView value);
    void WriteInteger(QByteArrayView section, QByteArrayView key, int value);
    void WriteBool(QByteArrayView section, QByteArrayView key, bool value);
    // Like WriteString, but a value that the reader would change (blanks
    // around it, or an enclosing pair of quotes) is put inside one more pair
    // of double quotes, which the reader takes off again. Any reader of the
    // profile format gets the value back as it was given (as one line).
    void WriteExactString(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    // Writes the document to path. A file that exists keeps its permission
    // bits (and, where allowed, its owner); a new file gets mode 0600, since
    // the settings hold passwords. On any failure the old file is untouched,
    // no temporary file is left, and the result is "Unable to write to " +
    // path; on success it is empty.
    QString Save(const QString& path) const;

    // The error text of a refused write: "Unable to write to " + path.
    static QString WriteFailure(const QString& path);

    // The text of an integer as the reader accepts it; false when it is not one.
    static bool ParseInteger(QByteArrayView text, int* value);

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        QByteArray text;  // without its line end
        QByteArray eol;   // "\r\n", "\n", or "" for a last line without one
        Kind kind = Kind::Other;
        QByteArray name;         // section or key name, blanks removed
        qsizetype valuePos = 0;  // where a key's raw value starts in text
    };

    static Line MakeLine(QByteArray text, QByteArray eol);
    qsizetype FindSection(QByteArrayView section) const;
    qsizetype SectionEnd(qsizetype header) const;
    qsizetype FindKey(QByteArrayView section, QByteArrayView key) const;
    void AppendLine(QByteArray text);

    QList<Line> lines_;
    QByteArray eol_ = "\r\n";
};
