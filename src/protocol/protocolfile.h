#pragma once

#include "util/texttypes.h"

#include <QList>
#include <QString>

#include <vector>

// Protocol files on disk: the lines in order, each followed by CR LF (the
// last one too), bytes exactly as in memory, no header.

enum class ProtocolRead {
    Missing,     // no file at the path
    Loaded,      // lines read
    Unreadable,  // something is there but it cannot be read as a file
};

// Reads a protocol file, splitting at CR LF, at a lone CR or at a lone LF.
// Text after the last line end is a line of its own. lines is emptied first.
ProtocolRead ReadProtocolFile(const QString& path, QList<LineText>& lines);

// The file's bytes for a list of lines.
QByteArray JoinProtocolLines(const QList<LineText>& lines, qsizetype from = 0);

// Keeps one file equal to a list of lines, writing only what changed.
//
// A protocol grows by a few bytes per received block while the day's file
// can reach megabytes, so rewriting the whole file on each block would make a
// day quadratic and leave a window in which a crash loses the day. The writer
// remembers where each line it wrote ends on disk; the owner reports the first
// line it changed, and the next Write cuts the file back to that line and
// appends from there. Whatever it cannot vouch for (a first write, a new
// path, a failed write, a file changed behind its back) is rewritten whole
// through a temporary file and a rename, so the old file stays intact until
// the new one is complete.
class ProtocolFileWriter {
public:
    struct Stats {
        bool whole = false;  // the last write replaced the whole file
        qint64 bytes = 0;    // bytes it wrote
    };

    // Forgets the file on disk: the next Write is whole.
    void Invalidate();
    // Lines from index on may differ from what the file holds.
    void LineChanged(qsizetype index);
    // Makes the file at path hold exactly JoinProtocolLines(lines). On
    // failure the file's state is unknown and the next Write is whole.
    bool Write(const QString& path, const QList<LineText>& lines);

    const Stats& LastWrite() const { return last_; }

private:
    bool writeWhole(const QString& path, const QList<LineText>& lines);
    bool writeTail(const QString& path, const QList<LineText>& lines);
    void rememberLines(const QList<LineText>& lines, qsizetype from, qint64 offset);

    bool valid_ = false;
    QString path_;
    qsizetype synced_ = 0;      // leading lines that equal the file's
    std::vector<qint64> ends_;  // end offset of each line in the file
    quint64 device_ = 0;        // the file written, so that a replaced
    quint64 inode_ = 0;         // file is noticed and rewritten whole
    Stats last_;
};
