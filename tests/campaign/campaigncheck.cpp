#include "campaigncheck.h"

#include "config/inifile.h"
#include "line/fivebit.h"
#include "support/campaignrun.h"
#include "support/testhome.h"
#include "transcript.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>

namespace {

int Number3(QByteArrayView text) {
    if (text.size() < 3 || LeadingDigitCount(text.first(3)) != 3)
        return -1;
    return (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0');
}

// The number a framed body starts with ("#005 ..." for a centre of type 1).
int BodyNumber(QByteArrayView body) {
    const LineText t = StripRegisterMarks(body);
    QByteArrayView v(t);
    if (v.startsWith('#'))
        v = v.sliced(1);
    if (v.size() < 4 || (v[3] != ' ' && v[3] != '\r' && v[3] != '\n'))
        return -1;
    return Number3(v);
}

// Where found parts from expected, for a failure line.
QString Mismatch(const QByteArray& found, const QByteArray& expected) {
    qsizetype i = 0;
    while (i < found.size() && i < expected.size() && found.at(i) == expected.at(i))
        ++i;
    return QStringLiteral("%1 bytes where %2 were expected, from byte %3: %4 where %5 was expected")
        .arg(found.size())
        .arg(expected.size())
        .arg(i)
        .arg(QString::fromStdString(HexBytes(found.mid(i, 24))),
             QString::fromStdString(HexBytes(expected.mid(i, 24))));
}

}  // namespace

CentreRecord CentreRecord::Read(const QString& transcriptPath) {
    CentreRecord record;
    const LineText start = LineLiteral(u"ЗЦЗЦ ");
    const LineText end = LineLiteral(u"НННН  ");
    const LineText referral = LineLiteral(u"ОБРАЩАЙТЕСЬ В КСС ЗА ");
    LineText tx;
    LineText rx;
    QMap<int, LineText> cut;
    std::deque<LineText> framed;  // telegrams from the workstation awaiting their verdict
    static const QRegularExpression verdictLine(QStringLiteral("^IN TELEGRAM (\\d{3}) (.*)$"));

    // A frame is taken once the line end after its trailer has come; when the
    // connection ends first, with the trailer as far as it came.
    auto takeFrames = [&](bool connectionEnded) {
        for (;;) {
            const qsizetype z = tx.indexOf(start);
            const qsizetype n = z < 0 ? -1 : tx.indexOf(end, z + start.size());
            if (n < 0)
                return;
            qsizetype lineEnd = tx.indexOf('\r', n + end.size());
            if (lineEnd < 0 && !connectionEnded)
                return;
            if (lineEnd < 0)
                lineEnd = tx.size();
            const LineText body = tx.mid(z + start.size(), n - z - start.size());
            const LineText trailer = tx.mid(n + end.size(), lineEnd - n - end.size());
            tx.remove(0, lineEnd);
            const LineText plain = StripRegisterMarks(body);
            if (plain.startsWith(referral)) {
                const QByteArrayView range = QByteArrayView(plain).sliced(referral.size());
                const int a = Number3(range);
                const int b = range.size() >= 7 ? Number3(range.sliced(4)) : -1;
                if (a > 0 && b >= a)
                    record.referred.append({a, b});
                continue;
            }
            const int number = BodyNumber(body);
            if (number < 0)
                continue;
            if (record.sent.contains(number))
                record.repeats.append(number);
            record.sent.insert(number, body);
            record.trailers.insert(number, trailer);
        }
    };

    for (const TTranscript::Record& r : TTranscript::Parse(ReadFileBytes(transcriptPath))) {
        if (r.kind == QLatin1String("TX")) {
            tx += r.payload;
            takeFrames(false);
        } else if (r.kind == QLatin1String("RX")) {
            // Framed the way the centre frames what it receives.
            rx += r.payload;
            for (;;) {
                const qsizetype z = rx.indexOf(start);
                if (z < 0) {
                    if (rx.size() > 4096)
                        rx.remove(0, rx.size() - 8);
                    break;
                }
                const qsizetype n = rx.indexOf(end, z + start.size());
                if (n < 0)
                    break;
                LineText body = rx.mid(z + start.size(), n - z - start.size());
                rx.remove(0, n + end.size());
                qsizetype again;
                while ((again = body.indexOf(start)) >= 0)
                    body.remove(0, again + start.size());
                if (BodyNumber(body) >= 0)
                    framed.push_back(body);
            }
        } else if (r.kind == QLatin1String("CENTRE")) {
            const auto m = verdictLine.match(r.detail);
            if (!m.hasMatch())
                continue;
            if (framed.empty()) {
                record.problem = QStringLiteral("a verdict without a telegram: ") + r.detail;
                continue;
            }
            record.inbound.append({m.captured(2), m.captured(1).toInt(), framed.front()});
            framed.pop_front();
        } else if (r.kind == QLatin1String("CONNECT") || r.kind == QLatin1String("DROP") ||
                   r.kind == QLatin1String("CLOSED")) {
            // A new connection starts a new stream; what was cut off is gone.
            takeFrames(true);
            const qsizetype z = tx.indexOf(start);
            if (z >= 0 && BodyNumber(tx.mid(z + start.size())) >= 0)
                cut.insert(BodyNumber(tx.mid(z + start.size())), tx.mid(z + start.size()));
            rx.clear();
            tx.clear();
            framed.clear();
        }
    }
    takeFrames(true);
    for (auto it = cut.cbegin(); it != cut.cend(); ++it) {
        if (record.sent.contains(it.key()))
            continue;
        record.sent.insert(it.key(), it.value());
        record.partial.append(it.key());
    }
    return record;
}

bool CentreRecord::Referred(int number) const {
    for (const auto& range : referred)
        if (number >= range.first && number <= range.second)
            return true;
    return false;
}

QString CheckSettingsWhole(const QString& path) {
    const QByteArray bytes = ReadFileOrMissing(path);
    if (bytes == "<missing>")
        return QStringLiteral("korvel.ini is missing");
    if (!bytes.endsWith('\n'))
        return QStringLiteral("korvel.ini does not end with a line end (cut off?)");
    CIniFile ini;
    ini.Parse(bytes);
    for (const char* key : {"NumberInput", "NumberOutput", "HandedOver"})
        if (!ini.ValueExists("STATUS", key))
            return QStringLiteral("korvel.ini has no STATUS/") + QLatin1String(key);
    if (!ini.ValueExists("SERVER", "port") && !ini.ValueExists("SERVER", "Port"))
        return QStringLiteral("korvel.ini lost SERVER/port");
    return {};
}

CampaignCheck CheckCampaign(const QString& home, const QString& day, const CentreRecord& centre,
                            const QMap<QString, QByteArray>& dropped, bool fiveBitLine) {
    CampaignCheck check;
    auto fail = [&check](const QString& line) { check.failures << line; };
    CampaignFigures& f = check.figures;
    f.centreSent = int(centre.sent.size());
    if (!centre.problem.isEmpty())
        fail(QStringLiteral("the centre's transcript pairs every verdict with a telegram: ") +
             centre.problem);
    for (int n : centre.repeats)
        fail(QStringLiteral("the centre sends each number once a day, but sent %1 twice").arg(n));

    const QString inp = home + QStringLiteral("/inp/") + day;
    const QStringList inpFiles = QDir(inp).entryList(QDir::Files, QDir::Name);
    const QString settings = home + QStringLiteral("/korvel.ini");

    // No file anywhere below inp/ and out/ is empty.
    for (const QString& folder : {home + QStringLiteral("/inp"), home + QStringLiteral("/out")}) {
        QDir root(folder);
        const QStringList all =
            root.entryList(QDir::Files) + QDir(folder + u'/' + day).entryList(QDir::Files);
        for (const QString& name : QDir(folder + u'/' + day).entryList(QDir::Files))
            if (QFileInfo(folder + u'/' + day + u'/' + name).size() == 0)
                fail(QStringLiteral("no file is empty, but %1/%2/%3 is").arg(folder, day, name));
        for (const QString& name : root.entryList(QDir::Files))
            if (QFileInfo(folder + u'/' + name).size() == 0)
                fail(QStringLiteral("no file is empty, but %1/%2 is").arg(folder, name));
    }

    // Received: a telegram reaches the operator only under its final name,
    // its readable text and raw copy whole. Any other the centre must have
    // referred the operator to; those, and the ones the centre itself cut
    // off, may lie under the working names as far as they came.
    static const QRegularExpression received(QStringLiteral("^\\d{4}[qu]\\d{3}\\.(\\d{3})(.*)$"));
    QMap<int, QStringList> byNumber;
    for (const QString& name : inpFiles) {
        const auto m = received.match(name);
        if (m.hasMatch())
            byNumber[m.captured(1).toInt()] << name;
    }
    for (auto it = byNumber.cbegin(); it != byNumber.cend(); ++it)
        if (!centre.sent.contains(it.key()))
            fail(QStringLiteral("inp/ holds only telegrams the centre sent, but it holds %1")
                     .arg(it.value().join(u' ')));
    // The text as the line carried it, without the register marks, which
    // are the line's (the serial line puts its own shifts in).
    auto carried = [fiveBitLine](const LineText& text) {
        if (!fiveBitLine)
            return StripRegisterMarks(text);
        uint8_t encoder = 255;
        uint8_t decoder = 0;
        return StripRegisterMarks(DecodeFiveBit(EncodeFiveBit(text, encoder), decoder));
    };
    for (auto it = centre.sent.cbegin(); it != centre.sent.cend(); ++it) {
        const int n = it.key();
        const QStringList names = byNumber.value(n);
        QStringList readables, raws, open;
        for (const QString& name : names) {
            const QString tail = received.match(name).captured(2);
            if (tail.isEmpty())
                readables << name;
            else if (tail == QLatin1String(".tlg"))
                raws << name;
            else if (tail == QLatin1String(".rcv") || tail == QLatin1String(".rcvtlg"))
                open << name;
            else
                fail(QStringLiteral("a received telegram has its final or working name, but "
                                    "telegram %1 is filed as %2")
                         .arg(n)
                         .arg(name));
        }
        const LineText body = carried(it.value());
        if (readables.isEmpty() && raws.isEmpty()) {
            // Under the working names only: what a kill cut off as it came,
            // and only where the operator has word of it.
            const QString openRaw = open.filter(QStringLiteral(".rcvtlg")).value(0);
            const QByteArray rawBytes =
                openRaw.isEmpty() ? QByteArray()
                                  : StripRegisterMarks(ReadFileBytes(inp + u'/' + openRaw));
            if (open.isEmpty() && centre.Referred(n))
                ++f.lostReported;
            else if (open.isEmpty())
                fail(QStringLiteral("every telegram the centre sent is in inp/ or was referred "
                                    "to the operator, but %1 is lost without a word")
                         .arg(n));
            else if (rawBytes == body)
                fail(QStringLiteral("a telegram that came whole reaches the operator under its "
                                    "final name, but %1 is left unseen under its working names "
                                    "(%2)")
                         .arg(n)
                         .arg(open.join(u' ')));
            else if (!centre.Referred(n) && !centre.partial.contains(n))
                fail(QStringLiteral("a telegram cut at a kill is one the centre cut or referred "
                                    "the operator to, but %1 is left cut under its working names "
                                    "(%2) without a word")
                         .arg(n)
                         .arg(open.join(u' ')));
            else if (!body.startsWith(rawBytes))
                fail(QStringLiteral("the raw copy of telegram %1 under its working name is what "
                                    "came of its body; %2 holds %3")
                         .arg(n)
                         .arg(openRaw, Mismatch(rawBytes, body)));
            else
                ++f.cutAtKill;
            continue;
        }
        if (readables.size() != 1 || raws.size() != 1 || !open.isEmpty()) {
            fail(QStringLiteral("telegram %1 is on disk once, under its final name with its raw "
                                "copy, but found: %2")
                     .arg(n)
                     .arg(names.join(u' ')));
            continue;
        }
        // The raw copy is the body as it came, the line end before the end
        // mark included.
        const QByteArray rawBytes = StripRegisterMarks(ReadFileBytes(inp + u'/' + raws[0]));
        const bool rawWhole = rawBytes == body;
        if (!rawWhole)
            fail(QStringLiteral("the raw copy of telegram %1 is its body once, byte for byte; "
                                "%2 holds %3")
                     .arg(n)
                     .arg(raws[0], Mismatch(rawBytes, body)));
        // The readable file: "ЗЦЗЦ " and the body, then the trailer as far as
        // the workstation had it when it completed the telegram (none when
        // the wait for it ran out), in code page 1251.
        const AnsiText text = ReadFileBytes(inp + u'/' + readables[0]);
        const AnsiText head = WideToAnsi(LineToWide(LineLiteral(u"ЗЦЗЦ ") + body));
        const AnsiText tail =
            WideToAnsi(LineToWide(LineLiteral(u"НННН  ") + carried(centre.trailers.value(n))));
        const bool readableWhole = text.startsWith(head) && tail.startsWith(text.mid(head.size()));
        if (!readableWhole)
            fail(
                QStringLiteral("the readable file of telegram %1 is ЗЦЗЦ, its text and its "
                               "trailer in code page 1251; %2 holds %3")
                    .arg(n)
                    .arg(readables[0], Mismatch(text, text.startsWith(head) ? head + tail : head)));
        if (rawWhole && readableWhole)
            ++f.delivered;
    }

    // STATUS/NumberInput counts no telegram that is not on disk (but for
    // the ones the centre referred the operator to).
    CIniFile ini;
    ini.Load(settings);
    const int numberInput = ini.ReadInteger("STATUS", "NumberInput", -1);
    for (int n = 1; n <= numberInput; ++n)
        if (!byNumber.contains(n) && !centre.Referred(n))
            fail(QStringLiteral("STATUS/NumberInput=%1 counts only telegrams on disk, but %2 "
                                "is not there")
                     .arg(numberInput)
                     .arg(n));

    // Sent: every dropped file is filed under an outcome name or waits, once,
    // with its bytes; the centre accepted none twice, and a file filed as
    // sent under a number was accepted under that number.
    const QString out = home + QStringLiteral("/out");
    const QStringList outRoot = QDir(out).entryList(QDir::Files, QDir::Name);
    const QStringList outDay = QDir(out + u'/' + day).entryList(QDir::Files, QDir::Name);
    QMap<QString, int> acceptedAs;  // marker -> accepted count
    QMap<QString, int> acceptedNumber;
    for (const auto& in : centre.inbound) {
        if (!in.verdict.startsWith(QLatin1String("accepted")))
            continue;
        ++f.centreAccepted;
        const QString text = LineToWide(StripRegisterMarks(in.body));
        bool known = false;
        for (auto d = dropped.cbegin(); d != dropped.cend(); ++d) {
            if (!text.contains(DropMarker(d.key())))
                continue;
            known = true;
            ++acceptedAs[d.key()];
            acceptedNumber[d.key()] = in.number;
        }
        if (!known)
            fail(QStringLiteral("the centre accepts only files that were dropped, but it "
                                "accepted %1: %2")
                     .arg(in.number)
                     .arg(text.left(60)));
    }
    f.dropped = int(dropped.size());
    static const QRegularExpression dayName(QStringLiteral("^(\\d{4}q\\d{3})\\.(b?)(\\d{3}|SSS)$"));
    static const QRegularExpression rootName(
        QStringLiteral("^(\\d{4}q\\d{3})(\\.b\\d{2,}|\\.brk)?(\\.\\d+)?$"));
    for (auto d = dropped.cbegin(); d != dropped.cend(); ++d) {
        QStringList places;
        QString filedAs;
        for (const QString& name : outDay) {
            const auto m = dayName.match(name);
            if (m.hasMatch() && m.captured(1) == d.key()) {
                places << day + u'/' + name;
                if (m.captured(2).isEmpty())
                    filedAs = m.captured(3);
            }
        }
        for (const QString& name : outRoot) {
            const auto m = rootName.match(name);
            if (m.hasMatch() && m.captured(1) == d.key())
                places << name;
        }
        const int accepted = acceptedAs.value(d.key());
        if (accepted > 1)
            fail(QStringLiteral("the centre never accepts the same outgoing file twice, but "
                                "it accepted %1 %2 times")
                     .arg(d.key())
                     .arg(accepted));
        if (places.size() != 1) {
            fail(QStringLiteral("every dropped file is filed or waits, once; %1 is at: [%2]")
                     .arg(d.key(), places.join(u' ')));
            continue;
        }
        if (ReadFileBytes(out + u'/' + places[0]) != d.value())
            fail(QStringLiteral("a dropped file keeps its bytes, but out/%1 changed")
                     .arg(places[0]));
        if (places[0].startsWith(day + u'/')) {
            ++f.filedSent;
        } else {
            ++f.waiting;
        }
        // One the centre took must not wait to go again, nor lie where the
        // operator would send it again (refused, or set aside as distorted).
        if (accepted > 0 && (filedAs.isEmpty() || filedAs == QLatin1String("SSS")))
            fail(QStringLiteral("a file the centre accepted is filed as sent, never as refused "
                                "or set aside to go again; %1 was accepted as %2 but is at %3")
                     .arg(d.key())
                     .arg(acceptedNumber.value(d.key()))
                     .arg(places[0]));
        if (!filedAs.isEmpty() && filedAs != QLatin1String("SSS") &&
            (accepted != 1 || acceptedNumber.value(d.key()) != filedAs.toInt()))
            fail(QStringLiteral("a file filed as sent under number %1 was accepted by the "
                                "centre under it, but %2 was accepted %3 times (number %4)")
                     .arg(filedAs, d.key())
                     .arg(accepted)
                     .arg(acceptedNumber.value(d.key())));
    }
    for (const QString& name : outRoot)
        if (!rootName.match(name).hasMatch())
            fail(QStringLiteral("out/ holds only the dropped files, but it holds %1").arg(name));

    const QString whole = CheckSettingsWhole(settings);
    if (!whole.isEmpty())
        fail(QStringLiteral("korvel.ini is always whole: ") + whole);
    return check;
}

QString CampaignFigures::Summary() const {
    return QStringLiteral(
               "centre sent %1 telegrams: %2 delivered whole under the final name, "
               "%3 cut at a kill under the working names, %4 lost and referred "
               "by the centre; %5 files dropped: %6 filed as sent, %7 waiting; the "
               "centre accepted %8")
        .arg(centreSent)
        .arg(delivered)
        .arg(cutAtKill)
        .arg(lostReported)
        .arg(dropped)
        .arg(filedSent)
        .arg(waiting)
        .arg(centreAccepted);
}

void ReportCampaign(const QString& headline, const CampaignCheck& check) {
    for (const QString& line : check.failures)
        ADD_FAILURE() << line.toStdString();
    std::printf("%s; %s\n", qPrintable(headline), qPrintable(check.figures.Summary()));
    std::fflush(stdout);
}
