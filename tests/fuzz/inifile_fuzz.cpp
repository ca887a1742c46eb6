// libFuzzer target over the settings file reader and writer. The input is a
// settings file, then a NUL, then a section, a key and a value to write
// (separated by NULs). Whatever the file holds:
//  - a document read and written back unchanged is the file byte for byte;
//  - a value written with WriteExactString reads back as it was given (made
//    one line, ended at a NUL, at most 2047 bytes), also after the document
//    was written out and read in again;
//  - every other key of the file reads the same before and after the write.

#include "config/inifile.h"

#include <QByteArray>
#include <QList>
#include <QPair>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fail(const char* what, QByteArrayView file, const QByteArray& detail) {
    std::fprintf(stderr, "%s\nfile: %s\n%s\n", what, file.toByteArray().toHex(' ').constData(),
                 detail.constData());
    std::abort();
}

// A name the program could ask for: letters, digits and the underscore.
QByteArray Name(QByteArrayView bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";
    QByteArray name;
    for (char c : bytes.first(qMin<qsizetype>(bytes.size(), 12)))
        name += kAlphabet[uchar(c) % (sizeof kAlphabet - 1)];
    return name.isEmpty() ? QByteArray("S") : name;
}

// What a value becomes as one line of the file: cut at a NUL, each line
// break one blank.
QByteArray OneLine(QByteArray value) {
    const qsizetype nul = value.indexOf('\0');
    if (nul >= 0)
        value.truncate(nul);
    value.replace("\r\n", " ");
    value.replace('\r', ' ');
    value.replace('\n', ' ');
    return value.left(CIniFile::kMaxValueLength);
}

// Section and key names the file seems to hold, found by a look of its own
// at the lines, only to choose what to read.
QList<QPair<QByteArray, QByteArray>> KeysOf(QByteArrayView file) {
    QList<QPair<QByteArray, QByteArray>> keys;
    QByteArray section;
    for (const QByteArray& raw : file.toByteArray().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[') && line.indexOf(']') > 1) {
            section = line.mid(1, line.indexOf(']') - 1).trimmed();
        } else if (line.indexOf('=') > 0 && keys.size() < 16) {
            keys.append({section, line.left(line.indexOf('=')).trimmed()});
        }
    }
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype end = input.indexOf('\0');
    const QByteArrayView file = end < 0 ? input : input.first(end);
    const QList<QByteArray> parts =
        end < 0 ? QList<QByteArray>() : input.sliced(end + 1).toByteArray().split('\0');

    CIniFile ini;
    ini.Parse(file);
    if (ini.Serialize() != file)
        Fail("a document read and written unchanged is not the file byte for byte", file,
             "written: " + ini.Serialize().toHex(' '));
    if (parts.size() < 3)
        return 0;

    const QByteArray section = Name(parts[0]);
    const QByteArray key = Name(parts[1]);
    const QByteArray value = parts.mid(2).join('\0');
    const auto keys = KeysOf(file);
    QList<QByteArray> before;
    for (const auto& k : keys)
        before.append(ini.ReadString(k.first, k.second, "<none>"));

    ini.WriteExactString(section, key, value);
    const QByteArray expected = OneLine(value);
    const QByteArray got = ini.ReadString(section, key, "<none>");
    if (got != expected)
        Fail("a value written exactly does not read back as it was given", file,
             "section " + section + " key " + key + "\nvalue: " + value.toHex(' ') +
                 "\nread: " + got.toHex(' '));
    CIniFile again;
    again.Parse(ini.Serialize());
    if (again.ReadString(section, key, "<none>") != expected)
        Fail("a value written exactly does not read back from the written file", file,
             "section " + section + " key " + key + "\nwritten: " + ini.Serialize().toHex(' '));
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i].first.compare(section, Qt::CaseInsensitive) == 0 &&
            keys[i].second.compare(key, Qt::CaseInsensitive) == 0)
            continue;
        const QByteArray now = again.ReadString(keys[i].first, keys[i].second, "<none>");
        if (now != before[i])
            Fail("writing one key changed what another key reads", file,
                 "written " + section + "/" + key + "; " + keys[i].first + "/" + keys[i].second +
                     " was " + before[i].toHex(' ') + ", now " + now.toHex(' '));
    }
    return 0;
}
