#include "transcript.h"

#include "util/linecode.h"

#include <QDateTime>

bool TTranscript::Open(const QString& path) {
    file_.close();
    file_.setFileName(path);
    return file_.open(QIODevice::WriteOnly | QIODevice::Append);
}

void TTranscript::WriteHeader(const QString& kind, const QString& detail) {
    QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    line += QLatin1Char(' ') + kind;
    if (!detail.isEmpty())
        line += QLatin1Char(' ') + detail;
    file_.write(line.toUtf8() + '\n');
}

void TTranscript::Event(const QString& kind, const QString& detail) {
    if (!file_.isOpen())
        return;
    WriteHeader(kind, detail);
    file_.flush();
}

void TTranscript::Data(const QString& kind, const LineText& bytes) {
    if (!file_.isOpen())
        return;
    WriteHeader(kind, QString::number(bytes.size()));
    file_.write(bytes);
    file_.write("\n");
    // Tests and a second terminal read the file while the centre runs.
    file_.flush();
}

QList<TTranscript::Record> TTranscript::Parse(const QByteArray& bytes) {
    QList<Record> records;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            end = bytes.size();
        const QString header = QString::fromUtf8(bytes.mid(pos, end - pos));
        pos = end + 1;
        // "date time KIND detail"
        const QStringList parts = header.split(QLatin1Char(' '));
        if (parts.size() < 3)
            continue;
        Record r;
        r.stamp = parts[0] + QLatin1Char(' ') + parts[1];
        r.kind = parts[2];
        r.detail = parts.mid(3).join(QLatin1Char(' '));
        if (r.kind == QLatin1String("RX") || r.kind == QLatin1String("TX")) {
            const qsizetype n = qMax<qsizetype>(r.detail.toLongLong(), 0);
            r.payload = bytes.mid(pos, n);
            pos += n + 1;
        }
        records.append(r);
    }
    return records;
}

QString TTranscript::Readable(const QByteArray& bytes) {
    QString out;
    for (const Record& r : Parse(bytes)) {
        out += r.stamp + QLatin1Char(' ') + r.kind;
        if (!r.detail.isEmpty())
            out += QLatin1Char(' ') + r.detail;
        out += QLatin1Char('\n');
        if (r.kind == QLatin1String("RX") || r.kind == QLatin1String("TX")) {
            QString text = LineToWide(r.payload, true);
            if (!text.endsWith(QLatin1Char('\n')))
                text += QLatin1Char('\n');
            out += text;
        }
    }
    return out;
}

LineText TTranscript::Payload(const QByteArray& bytes, const QString& kind) {
    LineText out;
    for (const Record& r : Parse(bytes))
        if (r.kind == kind)
            out += r.payload;
    return out;
}
