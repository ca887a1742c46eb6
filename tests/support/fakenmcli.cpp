#include "support/fakenmcli.h"

#include <QFile>
#include <QDir>

namespace {

const char kScript[] = R"(#!/bin/sh
dir="$(dirname "$0")/scenario"
printf 'LC_ALL=%s %s\n' "$LC_ALL" "$*" >> "$dir/calls"
prev=""
for a in "$@"; do
  if [ "$prev" = "passwd-file" ]; then
    cat "$a" >> "$dir/passwords"
    stat -c %a "$a" >> "$dir/modes"
    printf '%s\n' "$a" >> "$dir/files"
  fi
  prev="$a"
done
case "$*" in
  *"general status"*) key=general ;;
  *"show --active"*) key=active ;;
  *"connection show"*) key=profiles ;;
  *"connection up"*) key=up ;;
  *"connection down"*) key=down ;;
  *) key=other ;;
esac
[ -f "$dir/$key.hang" ] && exec sleep 600
[ -f "$dir/$key.out" ] && cat "$dir/$key.out"
[ -f "$dir/$key.err" ] && cat "$dir/$key.err" >&2
code=0
[ -f "$dir/$key.exit" ] && code=$(cat "$dir/$key.exit")
if [ "$code" = 0 ] && [ -f "$dir/$key.then-active" ]; then
  cp "$dir/$key.then-active" "$dir/active.out"
fi
exit "$code"
)";

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Lines(const QByteArray& bytes) {
    QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

}  // namespace

FakeNmcli::FakeNmcli() {
    QFile script(Program());
    script.open(QIODevice::WriteOnly);
    script.write(kScript);
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(dir_.path()).mkdir(QStringLiteral("scenario"));
    Answer(QStringLiteral("general"), "running\n");
}

QString FakeNmcli::Program() const {
    return dir_.filePath(QStringLiteral("nmcli"));
}

QString FakeNmcli::Folder() const {
    return dir_.path();
}

QString FakeNmcli::Path(const QString& name) const {
    return dir_.filePath(QStringLiteral("scenario/") + name);
}

void FakeNmcli::Answer(const QString& call, const QByteArray& out, int exitCode,
                       const QByteArray& err) {
    Write(Path(call + ".out"), out);
    Write(Path(call + ".err"), err);
    Write(Path(call + ".exit"), QByteArray::number(exitCode));
}

void FakeNmcli::Hang(const QString& call) {
    Write(Path(call + ".hang"), {});
}

void FakeNmcli::ThenActive(const QString& call, const QByteArray& active) {
    Write(Path(call + ".then-active"), active);
}

QStringList FakeNmcli::Calls() const {
    return Lines(Read(Path(QStringLiteral("calls"))));
}

QStringList FakeNmcli::CallsWith(const QString& words) const {
    return Calls().filter(words);
}

QByteArray FakeNmcli::Passwords() const {
    return Read(Path(QStringLiteral("passwords")));
}

QStringList FakeNmcli::PasswordModes() const {
    return Lines(Read(Path(QStringLiteral("modes"))));
}

QStringList FakeNmcli::PasswordFiles() const {
    return Lines(Read(Path(QStringLiteral("files"))));
}
