#pragma once

#include "util/texttypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>

// A program folder of its own for one test, removed with the object.
class TestHome {
public:
    TestHome();
    QString path() const { return dir_.path(); }
    // Absolute path of a file inside the folder.
    QString file(const QString& name) const { return dir_.filePath(name); }
    // Writes bytes to a file inside the folder (creating folders on the way).
    void write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};

// Sets (or, with a null value, removes) an environment variable for as long
// as it lives, then puts back what was there, however the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value);
    ScopedEnv(const char* name, std::nullptr_t);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    QByteArray name_;
    QByteArray old_;
    bool had_ = false;
};

// Makes a folder the current one for as long as it lives.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const QString& folder);
    ~ScopedCurrentFolder();
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

private:
    QString saved_;
};

// The opening of a korvel.ini that points the workstation at a centre on
// this machine (SERVER/host and port); a test appends what else it needs,
// further SERVER keys first.
QByteArray CentreSettings(int port);

// The bytes of a file; empty when it cannot be read.
QByteArray ReadFileBytes(const QString& path);
// The bytes of a file, or "<missing>" when it cannot be read, for the tests
// where a file that is not there must not pass for an empty one.
QByteArray ReadFileOrMissing(const QString& path);
// The permission bits of a file, -1 when it cannot be looked at.
int FileMode(const QString& path);

// A text as a Unicode file holds it: the byte order mark FF FE, then UTF-16
// little-endian, built by hand so that it does not share the program's code.
QByteArray Utf16FileBytes(const QString& text);

// Sets a file's last-write time; false when it cannot.
bool SetWriteTime(const QString& path, const QDateTime& time);

// Bytes as "41 80 0D" for readable assertion messages.
std::string HexBytes(const QByteArray& bytes);

// Lets GoogleTest print byte strings and display texts readably.
QT_BEGIN_NAMESPACE
void PrintTo(const QByteArray& bytes, std::ostream* os);
void PrintTo(const QString& text, std::ostream* os);
QT_END_NAMESPACE

// A fixture that runs each test in its own program folder, made the current
// folder as the program makes it at start.
class ProgramFolderTest : public ::testing::Test {
protected:
    TestHome home;

private:
    ScopedCurrentFolder current_{home.path()};
};
