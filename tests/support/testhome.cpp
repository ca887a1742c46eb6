#include "support/testhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/stat.h>

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

QByteArray CentreSettings(int port) {
    return "[SERVER]\r\nhost=127.0.0.1\r\nport=" + QByteArray::number(port) + "\r\n";
}

QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray ReadFileOrMissing(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

int FileMode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

QByteArray Utf16FileBytes(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
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

ScopedEnv::ScopedEnv(const char* name, const QString& value)
    : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value.toLocal8Bit());
}

ScopedEnv::ScopedEnv(const char* name, std::nullptr_t)
    : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    qunsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        qputenv(name_.constData(), old_);
    else
        qunsetenv(name_.constData());
}

ScopedCurrentFolder::ScopedCurrentFolder(const QString& folder) : saved_(QDir::currentPath()) {
    QDir::setCurrent(folder);
}

ScopedCurrentFolder::~ScopedCurrentFolder() {
    QDir::setCurrent(saved_);
}

bool SetWriteTime(const QString& path, const QDateTime& time) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(time, QFileDevice::FileModificationTime);
}
