#pragma once

#include "util/texttypes.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    ProgramFolderTest();
    ~ProgramFolderTest() override;

    TestHome home;

private:
    QString saved_;
};
