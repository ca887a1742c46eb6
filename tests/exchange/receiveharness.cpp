#include "receiveharness.h"

#include "centrestream.h"
#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "protocol/protocol.h"
#include "support/fakeclock.h"
#include "support/recordingline.h"
#include "util/linecode.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>

namespace {

// Files outside inp/ that the program may write: its settings and protocols.
bool allowedOutsideInp(const QString& relative) {
    return relative == QLatin1String("korvel.ini") || relative.endsWith(QLatin1String(".prt"));
}

// Every file of the folder tree, relative; folders that are not inp/ or
// below it are listed with a trailing '/' when empty.
QStringList entriesBelow(const QString& folder) {
    QStringList out;
    const QDir root(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QString relative = root.relativeFilePath(path);
        if (it.fileInfo().isDir())
            relative += u'/';
        out << relative;
    }
    return out;
}

}  // namespace

TReceiveHarness::TReceiveHarness(const QString& folder)
    : folder_(QDir(folder).absolutePath()), saved_(QDir::currentPath()) {
    QDir::setCurrent(folder_);
}

TReceiveHarness::~TReceiveHarness() {
    QDir::setCurrent(saved_);
}

QString TReceiveHarness::Run(QByteArrayView input) {
    QDir(folder_ + QLatin1String("/inp")).removeRecursively();
    QDir().mkpath(folder_ + QLatin1String("/inp/0130"));

    const auto byte = [&input](qsizetype i) { return i < input.size() ? uchar(input[i]) : 0; };
    _tlg_config config;
    const uchar flags = byte(0);
    config.Ccm = (flags & 3) % 3;
    config.CheckTlgNotes = flags & 4;
    config.SaveTlgAnsi = !(flags & 8);
    config.OutputInAppendMode = flags & 16;
    config.CorrectInputTlg = flags & 32;
    config.ServicePlace = flags & 64;
    config.SaveRegisterInTlg = flags & 128;
    config.CorrectTime = byte(1) & 1;
    config.AutoPrintMsg = byte(1) & 2;
    config.AutoPrintTlg = byte(1) & 4;
    config.ReSendEnable = byte(1) & 8;
    config.TlgTimeOut = byte(1) >> 4;
    config.SoundCategories = {LineLiteral(u"ПМ"), LineText()};
    config.OType = 2;
    config.TextAA = QStringLiteral("ПОСТ");
    QRandomGenerator chunks(byte(2) | (byte(3) << 8));
    const QByteArrayView stream = input.size() > 4 ? input.sliced(4) : QByteArrayView();

    _tlg_status status;
    status.FoldersReady = true;
    status.DayText = QStringLiteral("0130");
    status.Automatic = true;
    FakeClock clock;
    TProtocol protocol;
    RecordingLine line;
    TExchange exchange(config, status, protocol, clock, folder_ + QLatin1String("/korvel.ini"));
    exchange.SetLine(&line);
    exchange.ArmAnswerback();

    const QStringList before = entriesBelow(folder_);
    qsizetype largest = 0;
    qsizetype largestChunk = 0;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype size = qMin<qsizetype>(1 + chunks.bounded(300), stream.size() - at);
        exchange.OnLineReceive(stream.sliced(at, size).toByteArray());
        at += size;
        largestChunk = qMax(largestChunk, size);
        largest = qMax<qsizetype>(largest, exchange.ReceiveBuffer().size());
        if (chunks.bounded(8) == 0)
            exchange.Tick();
    }
    for (int i = 0; i < 20; ++i)
        exchange.OnLineReceive(LineText());
    for (int i = 0; i < 20 && exchange.NotesCountdown() > 0; ++i)
        exchange.Tick();

    if (largest > TExchange::kOpenMessageLimit + largestChunk)
        return QStringLiteral("the receive buffer grew to %1 bytes").arg(largest);
    for (const QString& entry : entriesBelow(folder_)) {
        if (entry.startsWith(QLatin1String("inp/")) || before.contains(entry) ||
            allowedOutsideInp(entry))
            continue;
        return QStringLiteral("written outside the inp folder: ") + entry;
    }
    for (const QString& entry : entriesBelow(folder_ + QLatin1String("/inp")))
        if (!entry.startsWith(QLatin1String("0130/")) && entry != QLatin1String("0130/"))
            return QStringLiteral("written outside the day folder: ") + entry;
    return {};
}

QByteArray RandomReceiveInput(quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray input(4, '\0');
    for (char& c : input)
        c = char(random.bounded(256));
    const int ccm = int(random.bounded(3));
    const LineText day = CentreDay(int(random.bounded(1000)), 1 + int(random.bounded(6)), ccm,
                                   random.bounded(2), random.generate());
    static const QList<LineText> pieces = {
        LineLiteral(u"ЗЦЗЦ "),
        LineLiteral(u"НННН  "),
        LineLiteral(u"РАСПИСКА"),
        LineLiteral(u".....|МИН"),
        LineLiteral(u"-------------"),
        LineLiteral(u"Р А С П И С К А"),
        LineLiteral(u"ССС 123456 "),
        LineLiteral(u"ВАШ 001 НАШ 002 ПОСЛЕДНИЕ СВЯЗЬ ОТКРЫТА"),
        LineLiteral(u"ИСКАЖЕНИЕ 5 ВАШ 4"),
        LineLiteral(u"ПОДТВЕРДИТЕ ПРИЕМ Р "),
        LineLiteral(u"#14.30"),
        LineLiteral(u"ОБРАЩАЙТЕСЬ В КСС ЗА 001-005"),
        QByteArray("\x05"),
        QByteArray(40, '\0'),
        QByteArray(300, '\xFF'),
    };
    LineText stream = day;
    const int edits = int(random.bounded(12));
    for (int i = 0; i < edits && !stream.isEmpty(); ++i) {
        const qsizetype at = random.bounded(stream.size());
        switch (random.bounded(4)) {
            case 0:
                stream.insert(at, pieces[random.bounded(int(pieces.size()))]);
                break;
            case 1:
                stream.remove(at, random.bounded(64));
                break;
            case 2:
                stream.data()[at] = char(random.bounded(256));
                break;
            default:
                stream.insert(at, stream.mid(random.bounded(stream.size()), 200));
                break;
        }
    }
    return input + stream;
}
