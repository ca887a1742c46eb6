#pragma once

#include "util/texttypes.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// The training centre's transcript: every event of the line, time-stamped,
// with the bytes received (and sent) kept exactly as line code.
//
// Format: a header line per record, "yyyy-MM-dd hh:mm:ss.zzz KIND detail\n".
// For the kinds RX (received) and TX (sent) the detail is the byte count and
// exactly that many bytes of line code follow the header, then one "\n".
// Other kinds (LISTEN, CONNECT, DROP, CLOSED, OOB, URGENT) have no payload.
class TTranscript {
public:
    struct Record {
        QString stamp;
        QString kind;
        QString detail;
        LineText payload;
    };

    // Opens (appends to) the file. False when it cannot be written.
    bool Open(const QString& path);
    bool IsOpen() const { return file_.isOpen(); }
    QString Path() const { return file_.fileName(); }

    void Event(const QString& kind, const QString& detail = QString());
    void Data(const QString& kind, const LineText& bytes);

    // Splits transcript bytes into records; a cut-off last record keeps what
    // is there.
    static QList<Record> Parse(const QByteArray& bytes);
    // The records as readable text: payloads through LineToWide with visible
    // line ends ('<' for CR, '>' for LF).
    static QString Readable(const QByteArray& bytes);
    // All payload bytes of one kind, in order.
    static LineText Payload(const QByteArray& bytes, const QString& kind);

private:
    void WriteHeader(const QString& kind, const QString& detail);
    QFile file_;
};
