// Printing through a real CUPS scheduler (a private one the test starts): a
// raw queue whose printer is a loopback listener of the test, and a PDF
// printer whose files are read back with pdftotext.

#include "config/tlgconfig.h"
#include "print/printer.h"
#include "support/cupsscheduler.h"
#include "support/fakeclock.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/pdftext.h"
#include "support/testhome.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

// The lines of the PDF files a folder holds, which it removes.
QStringList TakePdfLines(const QString& folder) {
    QStringList lines;
    for (const QFileInfo& pdf : QDir(folder).entryInfoList({QStringLiteral("*.pdf")})) {
        for (const QStringList& page : PdfPages(pdf.filePath()).value_or(QList<QStringList>()))
            lines += page;
        QFile::remove(pdf.filePath());
    }
    return lines;
}

TEST(Cups, RawQueueAndPagePrinterThroughTheScheduler) {
    CupsScheduler cups;
    if (!cups.Unavailable().isEmpty())
        GTEST_SKIP() << "no CUPS scheduler: " << cups.Unavailable().toStdString();
    TestHome home;
    LoopbackServer matrix;
    ASSERT_TRUE(cups.AddRawQueue(QStringLiteral("matrix"), matrix.Port()))
        << cups.ErrorLog().toStdString();
    ASSERT_TRUE(cups.AddPdfQueue(QStringLiteral("pages"), home.file("pdf")))
        << cups.ErrorLog().toStdString();
    ScopedEnv server("CUPS_SERVER", cups.Server());

    _tlg_config config;
    config.Prn = QStringLiteral("cups:matrix");
    config.SkipLines = 0;
    _tlg_controls controls;
    controls.WindowsPrinterFont = {QStringLiteral("DejaVu Sans"), 12, false};
    FakeClock clock;
    TTelegramPrinter printer(config, controls, clock);
    QList<int> outcomes;
    QObject::connect(&printer, &TTelegramPrinter::jobEnded, &printer,
                     [&](int kind) { outcomes << kind; });
    const QByteArray banner = "\n\n------------------------------------------- KORVEL " +
                              TTelegramPrinter::DateTimeText(clock.LocalTime()).toUtf8() + "\n\n";
    const QString pageBanner =
        QStringLiteral("------------------------------------------- KORVEL/COM ") +
        TTelegramPrinter::DateTimeText(clock.LocalTime());

    const QStringList telegram{QStringLiteral("ЗЦЗЦ 001 141911"), QStringLiteral("ТЕКСТ")};
    const LineText message = L(u"ЗЦЗЦ ПОВТОР ОКОНЧЕН\r\n НННН  #1430\r\n");
    const struct {
        const char* what;
        bool raw;
        bool message;      // the centre message, or else the telegram
        QByteArray bytes;  // raw: what the printer's port takes
        QStringList text;  // page: what the PDF reads
    } rows[] = {
        {"raw telegram", true, false, banner + L(u"ЗЦЗЦ 001 1Ч1911\r\nТЕКСТ\r\n") + banner, {}},
        {"raw centre message", true, true, L(u"ЗЦЗЦ ПОВТОР ОКОНЧЕН\r\n НННН  1Ч30\r\n"), {}},
        {"page telegram", false, false, {}, {pageBanner, "ЗЦЗЦ 001 1Ч1911", "ТЕКСТ"}},
        {"page centre message", false, true, {}, {"ЗЦЗЦ ПОВТОР ОКОНЧЕН", "НННН 1Ч30"}},
    };
    const auto log = [&] { return cups.ErrorLog().toStdString(); };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        config.MatrixRaw = row.raw;
        outcomes.clear();
        if (row.message)
            printer.PrintMessage(message);
        else
            printer.Print(telegram);
        ASSERT_TRUE(WaitUntil([&] { return !outcomes.isEmpty(); }));
        EXPECT_EQ(outcomes, QList<int>{TPrintOutcome::Printed});
        if (row.raw) {
            ASSERT_TRUE(matrix.Accept()) << log();
            EXPECT_EQ(matrix.Read(int(row.bytes.size())), row.bytes);
            EXPECT_TRUE(matrix.WaitPeerClosed()) << "nothing more";
            // The printer's side ends the job.
            matrix.CloseConnection();
        } else {
            ASSERT_TRUE(cups.WaitJobsDone()) << log();
            EXPECT_EQ(TakePdfLines(home.file("pdf")), row.text) << log();
        }
    }
}

}  // namespace
