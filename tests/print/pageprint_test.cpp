#include "print/pageprint.h"
#include "config/tlgconfig.h"
#include "print/printer.h"
#include "support/fakeclock.h"
#include "support/loopback.h"
#include "support/pdftext.h"
#include "support/testhome.h"
#include "util/qtcompat.h"

#include <QPrinter>

#include <gtest/gtest.h>

namespace {

const QString kDateTime = QStringLiteral("09.12.2024 19:05:00");
const QString kBanner =
    QStringLiteral("------------------------------------------- KORVEL/COM 09.12.2024 19:05:00");

// The pages of the telegram printed into a PDF file, as pdftotext reads
// them; nothing when it cannot (a document that was not ended).
std::optional<QList<QStringList>> PrintToPdf(const QString& pdf, const QStringList& lines,
                                             const TPagePrintSettings& settings, QString* error) {
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        *error = PrintPages(printer, lines, settings, kDateTime);
    }
    return PdfPages(pdf);
}

TPagePrintSettings Settings(bool printRegisters, bool autoWordWrap) {
    TPagePrintSettings settings;
    settings.printRegisters = printRegisters;
    settings.autoWordWrap = autoWordWrap;
    settings.font = QFont(QStringLiteral("DejaVu Sans"), 14);
    return settings;
}

TEST(PrintPages, PrintsTheTelegramUnderOneBanner) {
    ASSERT_TRUE(HasFontFamily(QStringLiteral("DejaVu Sans")))
        << "package fonts-dejavu-core is needed";
    // Far wider than a page; no digit 4 and no spaces, so that the pieces
    // read back join into the line again.
    QString pattern;
    for (int i = 0; i < 300; ++i)
        pattern += QChar(u'A' + i % 26);
    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QStringLiteral("СТРОКА ") + QChar(u'A' + i / 26) + QChar(u'A' + i % 26);

    enum class Body { Exact, Wrapped, Clipped };
    const struct {
        const char* name;
        QStringList lines;
        bool printRegisters;
        bool autoWordWrap;
        Body body;
        QStringList expected;  // Wrapped, Clipped: the one line as given
        bool manyPages;
        bool banner = true;
    } cases[] = {
        {"index and marks",
         {QStringLiteral("ЗЦЗЦ 141911"), QStringLiteral("А#Б|В&Г"), QStringLiteral("Д|#Е")},
         false,
         true,
         Body::Exact,
         {QStringLiteral("ЗЦЗЦ 1Ч1911"), QStringLiteral("АБВГ"), QStringLiteral("ДЕ")},
         false},
        {"marks kept",
         {QStringLiteral("А#Б|В&Г")},
         true,
         true,
         Body::Exact,
         {QStringLiteral("А#Б|В&Г")},
         false},
        {"wrapped", {pattern}, false, true, Body::Wrapped, {pattern}, false},
        {"clipped", {pattern}, false, false, Body::Clipped, {pattern}, false},
        {"pages", many, false, true, Body::Exact, many, true},
        {"centre message: no banner",
         {QStringLiteral("ЗЦЗЦ ОБРАЩАЙТЕСЬ В КСС ЗА 004")},
         false,
         true,
         Body::Exact,
         {QStringLiteral("ЗЦЗЦ ОБРАЩАЙТЕСЬ В КСС ЗА 00Ч")},
         false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestHome home;
        TPagePrintSettings settings = Settings(c.printRegisters, c.autoWordWrap);
        settings.banner = c.banner;
        QString error;
        const auto pages =
            PrintToPdf(home.file(QStringLiteral("telegram.pdf")), c.lines, settings, &error);
        EXPECT_EQ(error, QString());
        // pdftotext reads only a document that was ended.
        ASSERT_TRUE(pages);
        ASSERT_FALSE(pages->isEmpty());
        ASSERT_FALSE(pages->first().isEmpty());
        EXPECT_EQ(pages->first().first() == kBanner, c.banner);
        EXPECT_EQ(pages->size() > 1, c.manyPages) << pages->size();

        QStringList body;
        for (const QStringList& page : *pages)
            body += page;
        if (c.banner)
            body.removeFirst();
        EXPECT_FALSE(body.join(u'\n').contains(QLatin1String("KORVEL"))) << "a second banner";
        switch (c.body) {
            case Body::Exact:
                EXPECT_EQ(body, c.expected);
                break;
            case Body::Wrapped:
                EXPECT_GT(body.size(), 1);
                EXPECT_EQ(body.join(QString()), c.expected[0]);
                break;
            case Body::Clipped:
                ASSERT_EQ(body.size(), 1);
                EXPECT_LT(body[0].size(), c.expected[0].size());
                EXPECT_TRUE(c.expected[0].startsWith(body[0])) << body[0].toStdString();
                break;
        }
    }
}

TEST(PrintPages, SaysWhenThePrinterDoesNotStart) {
    TestHome home;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(home.file(QStringLiteral("no-such-folder/telegram.pdf")));
    EXPECT_TRUE(PrintPages(printer, {QStringLiteral("ТЕКСТ")}, Settings(false, true), kDateTime)
                    .startsWith(QStringLiteral("Не удалось начать печать на принтере ")));
}

TEST(SelectPagePrinter, SaysWhenThereIsNoPrinter) {
    // A print server that is not there lists no printers.
    TestHome home;
    ScopedEnv server("CUPS_SERVER", home.file(QStringLiteral("no-cups.sock")));
    QPrinter printer;
    QString error;
    EXPECT_FALSE(SelectPagePrinter(printer, -1, &error));
    EXPECT_EQ(error, QStringLiteral("Нет доступных принтеров: печать невозможна"));

    // The same through the printer thread: the job ends with the reason.
    _tlg_config config;
    config.MatrixRaw = false;
    _tlg_controls controls;
    FakeClock clock(QDateTime(QDate(2026, 1, 30), QTime(12, 0, 5)));
    TTelegramPrinter telegrams(config, controls, clock);
    QList<std::pair<int, QString>> ended;
    QObject::connect(&telegrams, &TTelegramPrinter::jobEnded, &telegrams,
                     [&](int kind, const QString& detail) {
                         ended.append({kind, detail});
                     });
    telegrams.Print({QStringLiteral("141911")});
    ASSERT_TRUE(WaitUntil([&] { return !ended.isEmpty(); }));
    EXPECT_EQ(ended.first().first, kPageError);
    EXPECT_EQ(ended.first().second, error);
}

}  // namespace
