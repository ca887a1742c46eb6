// The raw printing path, into a file that stands for the device, to a
// loopback listener that stands for the network printer, and to a stand-in
// for the CUPS spooler.

#include "print/rawprint.h"
#include "print/psffont.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/stuckdevice.h"
#include "support/testhome.h"
#include "util/linecode.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kDateTime = QStringLiteral("30.01.26 12:00:05");
// Two line feeds, 43 hyphens, " KORVEL ", the date and time, two line feeds.
const QByteArray kBanner =
    "\n\n------------------------------------------- KORVEL 30.01.26 12:00:05\n\n";

// A telegram prints between two banners and the paper advance; a centre
// message as it is, without either.
TEST(RawPrint, ThePrintTextIsTheTelegramBetweenTwoBanners) {
    const struct {
        const char* what;
        QStringList lines;
        int skipLines;
        bool registers;
        QByteArray text;  // between the banners
        bool message = false;
    } rows[] = {
        {"every 4 is Ч",
         {QStringLiteral("ЗЦЗЦ 001 141911"), QStringLiteral("44")},
         4,
         false,
         L(u"ЗЦЗЦ 001 1Ч1911\r\nЧЧ\r\n")},
        {"two register marks in a row go",
         {QStringLiteral("ПМ|#12&ТЕКСТ")},
         4,
         false,
         L(u"ПМ12ТЕКСТ\r\n")},
        {"with PrintRegisters they stay", {QStringLiteral("ПМ|#12")}, 4, true, L(u"ПМ|#12\r\n")},
        {"SkipLines 0 ends with the banner", {QStringLiteral("А")}, 0, false, L(u"А\r\n")},
        {"7 000 bytes are cut after 6 143",
         {QString(7000, u'Б')},
         1,
         false,
         LineText(6143, char(0x81))},
        {"message: every 4 is Ч",
         {QStringLiteral("ЗЦЗЦ ОБРАЩАЙТЕСЬ В КСС ЗА 004"), QStringLiteral("")},
         4,
         false,
         L(u"ЗЦЗЦ ОБРАЩАЙТЕСЬ В КСС ЗА 00Ч\r\n\r\n"),
         true},
        {"message: marks go", {QStringLiteral("ПМ|#12&")}, 4, false, L(u"ПМ12\r\n"), true},
        {"message: marks kept", {QStringLiteral("ПМ|#12")}, 4, true, L(u"ПМ|#12\r\n"), true},
        {"message: 7 000 bytes are cut after 6 144",
         {QString(7000, u'Б')},
         4,
         false,
         LineText(6144, char(0x81)),
         true},
    };
    for (const auto& row : rows) {
        TRawPrintSettings s;
        s.skipLines = row.skipLines;
        s.printRegisters = row.registers;
        if (row.message)
            EXPECT_EQ(RawMessageText(WideToLine(row.lines.join("\r\n") + "\r\n"), s), row.text)
                << row.what;
        else
            EXPECT_EQ(RawPrintText(row.lines, s, kDateTime),
                      kBanner + row.text + kBanner + QByteArray(row.skipLines, '\n'))
                << row.what;
    }
}

TEST(RawPrint, DeviceFileNetworkPrinterAndSpooler) {
    TestHome home;
    const QByteArray text = RawPrintText({QStringLiteral("141911")}, {}, kDateTime);

    // An existing file stands for the device; it is appended to, never made.
    home.write("lp0", "");
    TRawPrintSettings device;
    device.prn = home.file("lp0");
    EXPECT_EQ(SendRawPrint(text, device).kind, TPrintOutcome::Printed);
    EXPECT_EQ(ReadFileBytes(home.file("lp0")), text);
    device.prn = home.file("lp9");
    EXPECT_EQ(SendRawPrint(text, device).kind, TPrintOutcome::NoDevice);
    EXPECT_FALSE(QFile::exists(home.file("lp9")));
    for (const char* notADevice : {"COM1", "", "cups:"})
        EXPECT_EQ(ResolvePrintDevice(QString::fromLatin1(notADevice)), QString()) << notADevice;

    // A device that stops taking bytes counts as missing after its bound; a
    // stop request ends the wait at once; a pipe nobody holds is no device.
    StuckDevice stuckDevice(home.file("stuck"));
    ASSERT_TRUE(stuckDevice.Ready());
    const QByteArray longText = RawPrintText({QString(5000, u'Б')}, {}, kDateTime);
    TRawPrintSettings stuck;
    stuck.prn = home.file("stuck");
    stuck.writeTimeoutMs = 300;
    EXPECT_EQ(SendRawPrint(longText, stuck).kind, TPrintOutcome::NoDevice);
    stuck.writeTimeoutMs = 60000;
    int asked = 0;
    EXPECT_EQ(SendRawPrint(longText, stuck, [&] { return ++asked > 3; }).kind,
              TPrintOutcome::Interrupted);
    stuckDevice.Unplug();
    EXPECT_EQ(SendRawPrint(longText, stuck).kind, TPrintOutcome::NoDevice);

    // A network printer: PRINT/PRN is not used at all.
    LoopbackServer printer;
    TRawPrintSettings network;
    network.prn = home.file("lp9");
    network.ip = kLoopbackHost;
    network.port = printer.Port();
    EXPECT_EQ(SendRawPrint(text, network).kind, TPrintOutcome::Printed);
    ASSERT_TRUE(printer.Accept());
    EXPECT_EQ(printer.Read(int(text.size())), text);
    EXPECT_TRUE(printer.WaitPeerClosed()) << "the sending side is shut down";
    // One that never answers gives up within its bound, and says so.
    HangingListener dead;
    ASSERT_TRUE(dead.Ready());
    network.port = dead.Port();
    network.connectTimeoutMs = 300;
    QElapsedTimer waited;
    waited.start();
    const TPrintOutcome lost = SendRawPrint(text, network);
    EXPECT_EQ(lost.kind, TPrintOutcome::NoConnection);
    EXPECT_EQ(lost.detail, kLoopbackHost + u':' + QString::number(dead.Port()));
    EXPECT_LT(waited.elapsed(), 5000) << "bounded";

    // A CUPS queue: the bytes on the spooler's standard input, its refusal
    // reported.
    home.write("lp",
               "#!/bin/sh\necho \"$@\" > \"$0.args\"\ncat > \"$0.job\"\n"
               "[ \"$2\" = offline ] && { echo 'lp: queue is offline' >&2; exit 1; }\n"
               "exit 0\n");
    QFile::setPermissions(home.file("lp"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SetCupsSubmitProgram(home.file("lp"));
    TRawPrintSettings cups;
    cups.prn = QStringLiteral("cups:matrix");
    EXPECT_EQ(SendRawPrint(text, cups).kind, TPrintOutcome::Printed);
    EXPECT_EQ(ReadFileBytes(home.file("lp.args")), "-d matrix -o raw\n");
    EXPECT_EQ(ReadFileBytes(home.file("lp.job")), text);
    cups.prn = QStringLiteral("cups:offline");
    const TPrintOutcome refused = SendRawPrint(text, cups);
    EXPECT_EQ(refused.kind, TPrintOutcome::NoDevice);
    EXPECT_EQ(refused.detail, "lp: queue is offline");
    SetCupsSubmitProgram(QStringLiteral("lp"));
}

// Dot graphics with Debian's 8x8 console font of code page 866: the full
// block is all dots, the blank none.
TEST(RawPrint, DotGraphicsWithTheConsoleFont) {
    TestHome home;
    QString error;
    const auto rows =
        ReadPsf1Font8x8(QStringLiteral("/usr/share/console-cyrillic/866_8x8.psf"), &error);
    ASSERT_TRUE(rows) << error.toStdString();
    home.write("font.bin", *rows);
    QByteArray font(2048, '\0');
    ASSERT_TRUE(LoadPrinterFont(home.file("font.bin"), font));
    const QByteArray full(8, char(0xFF));
    const QByteArray blank(8, '\0');
    const QByteArray head = QByteArrayLiteral("\x1B\x40\x1B\x33\x24");
    const QByteArray image = QByteArrayLiteral("\x1B\x2A\x04");

    const struct {
        const char* what;
        QByteArray text;
        QByteArray printed;  // after the reset and line spacing
    } table[] = {
        {"an empty line is a line feed", "\r\n", "\n"},
        {"three characters: 24 glyph bytes", "\xDB \xDB\r\n",
         image + QByteArray("\x18\x00", 2) + full + blank + full + "\n"},
        {"81 characters go on on the next line", QByteArray(81, char(0xDB)) + "\r\n",
         image + QByteArray("\x80\x02", 2) + QByteArray(640, char(0xFF)) + "\n" + image +
             QByteArray("\x08\x00", 2) + full + "\n"},
        {"the last character counts", "\xDB", image + QByteArray("\x08\x00", 2) + full},
    };
    for (const auto& row : table)
        EXPECT_EQ(DotGraphics(row.text, font), head + row.printed) << row.what;

    // A letter turned into columns: the top row of 'T' is its top dot in
    // every column the bar covers.
    const QByteArray t = font.mid('T' * 8, 8);
    const uint8_t topRow = uint8_t((*rows)['T' * 8]);
    for (int column = 0; column < 8; ++column)
        EXPECT_EQ(bool(uint8_t(t[column]) & 0x80), bool(topRow & (0x80 >> column))) << column;

    // A short file leaves the font as it was.
    home.write("short.bin", QByteArray(2047, '\x55'));
    EXPECT_FALSE(LoadPrinterFont(home.file("short.bin"), font));
    EXPECT_EQ(font.mid(0xDB * 8, 8), full);
}

}  // namespace
