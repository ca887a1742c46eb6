#include "support/testhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

TestHome::TestHome() : dir_(QDir::tempPath() + QStringLiteral("/tarvo-test-XXXXXX")) {
    if (!dir_.isValid())
        ADD_FAILURE() << "cannot create a temporary program folder";
}

void TestHome::write(const QString& name, const QByteArray& bytes) const {
    const QString full = file(name);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << full.toStdString();
}

std::string HexBytes(const QByteArray& bytes) {
    return bytes.toHex(' ').toUpper().toStdString();
}

QT_BEGIN_NAMESPACE
void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '[' << HexBytes(bytes) << ']';
}

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

ProgramFolderTest::ProgramFolderTest() : saved_(QDir::currentPath()) {
    QDir::setCurrent(home.path());
}

ProgramFolderTest::~ProgramFolderTest() {
    QDir::setCurrent(saved_);
}
