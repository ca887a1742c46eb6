// Whole streams: the same stream cut anywhere gives the same files, golden
// transcripts of a centre's day, and random input that must neither crash
// nor write where it should not.

#include "centrestream.h"
#include "config/settings.h"
#include "exchangesupport.h"
#include "receiveharness.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A folder for the many short runs below: in memory where the machine has
// /dev/shm, so that flushing every file costs nothing.
QString scratchBase() {
    return QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                              : QDir::tempPath();
}

struct Outcome {
    QMap<QString, QByteArray> files;
    LineText sent;
    int numberInput = 0;

    bool operator==(const Outcome&) const = default;
};

// Runs fresh exchange state over the chunks, in the current folder, and
// gives what it left.
Outcome RunStream(const _tlg_config& config, const QList<QByteArrayView>& chunks) {
    QDir("inp").removeRecursively();
    QDir().mkpath("inp/0130");
    _tlg_status status;
    status.FoldersReady = true;
    status.Automatic = true;
    status.DayText = "0130";
    FakeClock clock;
    TProtocol protocol;
    RecordingLine line;
    TExchange exchange(config, status, protocol, clock, "korvel.ini");
    exchange.SetLine(&line);
    for (QByteArrayView chunk : chunks)
        exchange.OnLineReceive(chunk.toByteArray());
    // The nine-pass limit catches up, then any wait runs out.
    for (int i = 0; i < 50; ++i)
        exchange.OnLineReceive(LineText());
    for (int i = 0; i < 100 && exchange.NotesCountdown() > 0; ++i)
        exchange.Tick();
    return {FilesBelow("inp"), line.sent, status.NumberInput};
}

// A stream with what makes the cut matter: junk, a telegram with a layout to
// correct, a service message, a telegram without trailer, an interrupted
// message, a category with К, an out-of-sequence repeat of a name, and the
// trailers and (when asked) receipts of the centre type.
LineText PropertyStream(int ccm, bool receipts) {
    auto tail = [&](int n) {
        return CentreTrailer(n, ccm) + (receipts ? CentreReceipt(n, ccm) : LineText());
    };
    LineText s = LineLiteral(u"ШУМ 12\r\n");
    s += CentreTelegram(1, "ПМ12 141911 7 12 1430", "МОСКВА ИВАНОВУ=ТЕКСТ=ЕЩЕ=\r\nПЕТРОВ-") +
         tail(1);
    s += CentreMessage("ССС 123456 СЛУЖЕБНАЯ");
    s += CentreTelegram(2, "СР5 142215 12 5 0930", "ТЕКСТ");
    s += LineLiteral(u"\r\nЗЦЗЦ 003 ПМ1");
    s += CentreTelegram(3, "КТ12 143301 20 4 1000", "ТЕКСТ").mid(2) + tail(3);
    s += CentreTelegram(1, "ПМ12 141911 7 12 1430", "ДУБЛЬ") + tail(1);
    s += LineLiteral(u"\r\n");
    return s;
}

class ByteBoundaryTest : public ::testing::TestWithParam<std::tuple<bool, bool, int>> {};

TEST_P(ByteBoundaryTest, EveryCutGivesTheSameFiles) {
    const auto [ansi, notes, ccm] = GetParam();
    _tlg_config config;
    config.SaveTlgAnsi = ansi;
    config.CheckTlgNotes = notes;
    config.Ccm = ccm;
    config.CorrectInputTlg = true;
    config.OutputInAppendMode = ansi;  // both ways of a repeated name
    const LineText stream = PropertyStream(ccm, notes);

    QTemporaryDir dir(scratchBase() + "/tarvo-cut-XXXXXX");
    const ScopedCurrentFolder current(dir.path());
    const Outcome whole = RunStream(config, {stream});
    // Eight files, two more when the repeated name is not appended to.
    ASSERT_EQ(whole.files.size(), ansi ? 8 : 10) << whole.files.keys().join(' ').toStdString();
    EXPECT_EQ(whole.numberInput, 3);

    QList<QByteArrayView> bytes;
    for (qsizetype i = 0; i < stream.size(); ++i)
        bytes << QByteArrayView(stream).sliced(i, 1);
    EXPECT_TRUE(RunStream(config, bytes) == whole) << "one byte at a time";

    for (qsizetype cut = 1; cut < stream.size(); ++cut) {
        const QByteArrayView view(stream);
        const Outcome split = RunStream(config, {view.first(cut), view.sliced(cut)});
        if (!(split == whole)) {
            for (auto it = whole.files.begin(); it != whole.files.end(); ++it)
                EXPECT_EQ(split.files.value(it.key()), it.value()) << it.key().toStdString();
            EXPECT_EQ(split.files.keys(), whole.files.keys());
            EXPECT_EQ(split.sent, whole.sent);
            FAIL() << "cut after byte " << cut << ": "
                   << LineToWide(view.first(cut).last(qMin<qsizetype>(cut, 30))).toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, ByteBoundaryTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Values(0, 1, 2)));

// Golden transcripts: tests/data/receive/<case>/ holds settings.ini (the
// settings file), stream.txt (the centre's stream, UTF-8 for line code) and
// expected/: the day folder's files, line.txt (what went to the line),
// counters.txt and events.txt (the protocol's event lines).
// TARVO_UPDATE_GOLDEN=1 writes expected/ from the program.
class GoldenTranscriptTest : public ::testing::TestWithParam<QString> {};

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST_P(GoldenTranscriptTest, TheDayFolderIsAsRecorded) {
    const QString data = QStringLiteral(TARVO_TEST_DATA "/receive/") + GetParam();
    TestHome home;
    const ScopedCurrentFolder current(home.path());
    QFile::copy(data + "/settings.ini", home.file("korvel.ini"));

    _tlg_config config;
    _tlg_status status;
    SchemaCopyTable schema;
    _tlg_controls controls;
    ASSERT_TRUE(
        LoadSettings(home.file("korvel.ini"), home.path(), config, status, schema, controls));
    FakeClock clock;
    TProtocol protocol;
    RecordingLine line;
    RecordingHost host;
    TExchange exchange(config, status, protocol, clock, home.file("korvel.ini"), &host);
    exchange.SetLine(&line);
    exchange.SetSchemaCopies(schema);
    ASSERT_TRUE(exchange.CheckFolders());
    status.FoldersReady = true;
    exchange.StartWorkingDay();

    const LineText stream = WideToLine(QString::fromUtf8(ReadFileBytes(data + "/stream.txt")));
    ASSERT_FALSE(stream.isEmpty());
    // Blocks of the size the line thread reads at 50 baud and more.
    for (qsizetype at = 0; at < stream.size(); at += 97)
        exchange.OnLineReceive(stream.mid(at, 97));
    for (int i = 0; i < 50; ++i)
        exchange.OnLineReceive(LineText());
    for (int i = 0; i < 100 && exchange.NotesCountdown() > 0; ++i)
        exchange.Tick();

    _tlg_status stored;
    LoadSettings(home.file("korvel.ini"), home.path(), config, stored, schema, controls);
    const QMap<QString, QByteArray> files = FilesBelow(home.file("inp"));
    const QByteArray sent = LineToWide(line.sent).toUtf8();
    QByteArray events;
    for (const LineText& l : protocol.Lines())
        if (l.startsWith('\x03') || l.startsWith('\x04'))
            events += LineToWide(l.mid(l.indexOf(' ') + 1)).toUtf8() + '\n';
    const QByteArray counters =
        QByteArray("NumberInput=") + QByteArray::number(stored.NumberInput) +
        "\nNumberInput(run)=" + QByteArray::number(status.NumberInput) + "\n";

    const QString expected = data + "/expected";
    if (qEnvironmentVariableIsSet("TARVO_UPDATE_GOLDEN")) {
        QDir(expected).removeRecursively();
        for (auto it = files.begin(); it != files.end(); ++it)
            writeFile(expected + "/inp/" + it.key(), it.value());
        writeFile(expected + "/line.txt", sent);
        writeFile(expected + "/counters.txt", counters);
        writeFile(expected + "/events.txt", events);
    }
    const QMap<QString, QByteArray> wanted = FilesBelow(expected + "/inp");
    EXPECT_EQ(files.keys(), wanted.keys());
    for (auto it = wanted.begin(); it != wanted.end(); ++it)
        EXPECT_EQ(files.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(sent, ReadFileBytes(expected + "/line.txt"));
    EXPECT_EQ(counters, ReadFileBytes(expected + "/counters.txt"));
    EXPECT_EQ(events, ReadFileBytes(expected + "/events.txt"));
}

QStringList goldenCases() {
    return QDir(QStringLiteral(TARVO_TEST_DATA "/receive"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

INSTANTIATE_TEST_SUITE_P(Days, GoldenTranscriptTest, ::testing::ValuesIn(goldenCases()),
                         [](const auto& info) {
                             QString name = info.param;
                             return name.replace('-', '_').toStdString();
                         });

TEST(RandomReceiveInput, NoCrashNoFileOutsideTheInpFolder) {
    QTemporaryDir dir(scratchBase() + "/tarvo-random-XXXXXX");
    TReceiveHarness harness(dir.path());
    for (quint32 seed = 1; seed <= 300; ++seed) {
        const QString failure = harness.Run(RandomReceiveInput(seed));
        ASSERT_TRUE(failure.isEmpty()) << "seed " << seed << ": " << failure.toStdString();
    }
}

}  // namespace
