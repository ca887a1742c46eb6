// libFuzzer target over the handlers of the centre's messages: counter
// reports, channel words, numbering changes, distortions, corrections of the
// counters and the rest, with a telegram of the workstation waiting for the
// centre's verdict. The first bytes choose the settings and the counters;
// then each message is one byte choosing the centre's opening words and the
// bytes up to the next line feed as the rest of it. Whatever the centre says:
//  - nothing crashes, and nothing is written outside inp/, out/, the
//    settings and the protocol;
//  - the telegram dropped into out/ is never lost: it waits in out/ or is
//    filed in the day folder under an outcome name, with its bytes;
//  - the counters stay within what a settings file can hold back.

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "protocol/protocol.h"
#include "support/fakeclock.h"
#include "support/recordingline.h"
#include "util/linecode.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

const QList<LineText>& Openings() {
    static const QList<LineText> openings = {
        LineLiteral(u"ВАШ "),
        LineLiteral(u"ВАШ 001 НАШ "),
        LineLiteral(u"ЗАПРОСИТЕ КВИТАНЦИЮ"),
        LineLiteral(u"ЗАПРОСИТЕ КВИТАНЦИЮ СМЕНА НУМЕРАЦИИ В 00.00"),
        LineLiteral(u"ОТКРОЙТЕ СВЯЗЬ"),
        LineLiteral(u"СВЯЗЬ "),
        LineLiteral(u"ЖДУ "),
        LineLiteral(u"ЖДУ ОТКРЫТИЯ СВЯЗИ"),
        LineLiteral(u"СМЕНА НУМЕРАЦИИ ПРИН "),
        LineLiteral(u"ОБРАЩАЙТЕСЬ В КСС ЗА "),
        LineLiteral(u"ПОВТОР ОКОНЧЕН"),
        LineLiteral(u"ИСКАЖЕНИЕ "),
        LineLiteral(u"ИСКАЖЕНИЯ "),
        LineLiteral(u"ПЕРЕДАЕТСЯ КАТЕГОРИЙНАЯ"),
        LineLiteral(u"ПОДТВЕРДИТЕ ПРИЕМ Р "),
        LineLiteral(u"ТЕЛЕГРАММА "),
        LineLiteral(u"ССС "),
        LineLiteral(u"ССС ПРИНЯТО"),
        LineText(),
    };
    return openings;
}

const QString kTelegram = QStringLiteral("0130q001");
const QByteArray kTelegramBytes = "\xD4\xC5\xD1\xD2 \xCE\xC4\xC8\xCD";  // code page 1251

[[noreturn]] void Fail(const QString& what, QByteArrayView input) {
    std::fprintf(stderr, "%s\ninput: %s\n", what.toLocal8Bit().constData(),
                 input.toByteArray().toHex(' ').constData());
    std::abort();
}

QStringList FilesBelow(const QString& folder) {
    QStringList out;
    const QDir root(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << root.relativeFilePath(it.next());
    return out;
}

// Where the telegram may be: waiting under its own name or one the queue
// gives a file it will send again, or filed under a verdict.
bool IsOutcomeName(const QString& relative) {
    if (relative == QLatin1String("out/") + kTelegram)
        return true;
    const QString root = QLatin1String("out/") + kTelegram + QLatin1Char('.');
    const QString day = QLatin1String("out/0130/") + kTelegram + QLatin1Char('.');
    if (relative.startsWith(root))  // .bNN / .brk / .brd, made unique
        return relative.mid(root.size()).startsWith(QLatin1Char('b'));
    return relative.startsWith(day);  // .NNN, .bNNN, .SSS
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm")
                                    : QDir::tempPath();
    static QTemporaryDir folder(base + QStringLiteral("/tarvo-fuzz-XXXXXX"));
    static const bool inFolder = QDir::setCurrent(folder.path());
    if (!inFolder)
        Fail(QStringLiteral("no folder to work in"), {});
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto byte = [&input](qsizetype i) { return i < input.size() ? uchar(input[i]) : 0; };

    for (const QString& name : {QStringLiteral("inp"), QStringLiteral("out")})
        QDir(name).removeRecursively();
    QFile::remove(QStringLiteral("korvel.ini"));
    QFile::remove(QStringLiteral("0130.prt"));
    QDir().mkpath(QStringLiteral("out"));
    {
        QFile file(QStringLiteral("out/") + kTelegram);
        if (!file.open(QIODevice::WriteOnly) || file.write(kTelegramBytes) != kTelegramBytes.size())
            Fail(QStringLiteral("cannot drop the telegram"), input);
    }

    _tlg_config config;
    config.Ccm = byte(0) % 3;
    config.ZZTimeOut = 4;
    config.ReSendEnable = byte(0) & 4;
    _tlg_status status;
    status.Automatic = true;
    status.NumberInput = byte(1) % 100;
    status.NumberOutput = byte(2) % 100;
    FakeClock clock;
    TProtocol protocol;
    protocol.SetFileName(QStringLiteral("0130.prt"));
    RecordingLine line;
    TExchange exchange(config, status, protocol, clock, QStringLiteral("korvel.ini"));
    exchange.SetLine(&line);
    status.FoldersReady = exchange.CheckFolders();
    exchange.StartWorkingDay();
    exchange.SetChannelState(LineLiteral(u"РБ"));
    exchange.ArmAnswerback();

    // The telegram goes to the line; with bit 3 the line writes it, so that
    // it waits for the centre's verdict.
    for (int i = 0; i < 30 && line.sent.isEmpty(); ++i) {
        clock.AdvanceSeconds(1);
        exchange.Tick();
    }
    if (byte(0) & 8) {
        const LineText block = line.Take();
        if (!block.isEmpty())
            exchange.OnLineSent(block);
    }

    const QStringList before = FilesBelow(folder.path());
    for (qsizetype at = 3; at < input.size();) {
        qsizetype end = input.indexOf('\n', at + 1);
        if (end < 0)
            end = input.size();
        const LineText& opening = Openings()[uchar(input[at]) % Openings().size()];
        const LineText rest = input.sliced(at + 1, end - at - 1).toByteArray();
        exchange.OnLineReceive(LineLiteral(u"\r\nЗЦЗЦ ") + opening + rest +
                               LineLiteral(u"\r\nНННН  \r\n"));
        for (int i = 0; i < 10; ++i)
            exchange.OnLineReceive(LineText());
        if (uchar(input[at]) & 0x80) {
            const LineText block = line.Take();
            if (!block.isEmpty())
                exchange.OnLineSent(block);
        }
        clock.AdvanceSeconds(1);
        exchange.Tick();
        at = end + 1;
    }

    int copies = 0;
    for (const QString& file : FilesBelow(folder.path())) {
        if (file.startsWith(QLatin1String("out/")) && file.contains(kTelegram)) {
            if (!IsOutcomeName(file))
                Fail(QStringLiteral("the telegram is under a name that is no outcome: ") + file,
                     input);
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly) || f.readAll() != kTelegramBytes)
                Fail(QStringLiteral("the telegram's bytes changed in ") + file, input);
            ++copies;
            continue;
        }
        if (file.startsWith(QLatin1String("inp/")) || file == QLatin1String("korvel.ini") ||
            file.endsWith(QLatin1String(".prt")) || before.contains(file))
            continue;
        Fail(QStringLiteral("written outside inp/ and out/: ") + file, input);
    }
    if (copies != 1)
        Fail(QStringLiteral("the telegram is on disk %1 times, not once").arg(copies), input);
    if (status.NumberInput < 0 || status.NumberOutput < 0 || status.NumberInput > 9999 ||
        status.NumberOutput > 9999)
        Fail(QStringLiteral("counters out of range: in %1 out %2")
                 .arg(status.NumberInput)
                 .arg(status.NumberOutput),
             input);
    return 0;
}
