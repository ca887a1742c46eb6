// The printer thread inside the workstation: a printer that holds its job,
// the program's end with jobs unfinished, and centre messages.

#include "config/tlgconfig.h"
#include "print/printer.h"
#include "support/fakeclock.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/mainwindowfixture.h"
#include "support/protocolevents.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PrintJobsTest : public MainWindowFixture {};

// A pipe nobody reads stands for a printer out of paper: it takes the first
// 4 096 bytes of a job and no more.
TEST_F(PrintJobsTest, AHeldPrinterIsReportedAndTheEndDoesNotWaitForIt) {
    const QByteArray fifo = QFile::encodeName(home.file("lp0"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GT(::fcntl(reader, F_SETPIPE_SZ, 4096), 0);
    writeIni("[PRINT]\r\nPRN=" + fifo + "\r\n");
    auto window = startedWindow();
    const QStringList telegram{QString(5000, u'Б')};
    TTelegramPrinter* printer = window->Printer();
    printer->Print(telegram);
    printer->Print(telegram);
    auto held = [&] {
        return ProtocolEvents(protocol).filter(QStringLiteral("НЕ ПРИНИМАЕТ ЗАДАНИЕ"));
    };
    clock.AdvanceSeconds(TTelegramPrinter::kHeldSeconds - 1);
    printer->CheckHeld();
    EXPECT_TRUE(held().isEmpty());
    clock.AdvanceSeconds(1);
    printer->CheckHeld();
    printer->CheckHeld();
    printer->PrintMessage(L(u"ЗЦЗЦ ОБРАЩАЙТЕСЬ В КСС ЗА 004\r\n"));
    EXPECT_EQ(held(), (QStringList{"ОШИБКА ПЕЧАТИ (ПРИНТЕР НЕ ПРИНИМАЕТ ЗАДАНИЕ 60 СЕК), "
                                   "ЖДУТ ПЕЧАТИ: 1",
                                   "ОШИБКА ПЕЧАТИ (ПРИНТЕР НЕ ПРИНИМАЕТ ЗАДАНИЕ 60 СЕК), "
                                   "ЖДУТ ПЕЧАТИ: 2"}));

    // The end gives the three up, says so, and the window goes normally.
    window->OnSystemShutdown();
    const QStringList events = ProtocolEvents(protocol);
    const qsizetype lost = events.indexOf("ОШИБКА ПЕЧАТИ (ОСТАНОВКА ПРОГРАММЫ): НЕ НАПЕЧАТАНО 3");
    ASSERT_GE(lost, 0) << events.join(u'\n').toStdString();
    EXPECT_EQ(events.indexOf("ПРОГРАММА ОСТАНОВЛЕНА"), lost + 1);
    window.reset();
    ::close(reader);
}

// A centre message printed as it comes: no banner and no blank lines.
TEST_F(PrintJobsTest, ACentreMessagePrintsAsItIs) {
    home.write("lp0", "");
    writeIni("[PRINT]\r\nAutoPrintMsg=1\r\nPRN=" + home.file("lp0").toUtf8() + "\r\n");
    auto window = startedWindow();
    window->Exchange().OnLineReceive(L(u"\r\nЗЦЗЦ ПОВТОР ОКОНЧЕН\r\nНННН  #1430 0130\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return window->Printer()->JobsDone() == 1; }));
    EXPECT_EQ(ReadFileBytes(home.file("lp0")), L(u"ЗЦЗЦ ПОВТОР ОКОНЧЕН\r\n НННН  1Ч30\r\n"));
}

// A page printer whose print server does not answer holds its job beyond
// the end's wait: the thread is left to itself, never destroyed under it.
TEST(PrintJobs, AJobThatCannotStopIsLeftToItself) {
    LoopbackServer server;  // takes the connection, never answers
    ScopedEnv cups("CUPS_SERVER", kLoopbackHost + u':' + QString::number(server.Port()));
    _tlg_config config;
    config.MatrixRaw = false;
    _tlg_controls controls;
    FakeClock clock;
    auto printer = std::make_unique<TTelegramPrinter>(config, controls, clock);
    bool ended = false;
    QObject::connect(printer.get(), &TTelegramPrinter::jobEnded, printer.get(),
                     [&] { ended = true; });
    printer->Print({QStringLiteral("ТЕКСТ")});
    ASSERT_TRUE(server.Accept()) << "the job asks the print server";
    EXPECT_EQ(printer->Shutdown(200), 1);
    EXPECT_FALSE(ended);
    printer->Print({QStringLiteral("ТЕКСТ")});
    EXPECT_EQ(printer->JobsWaiting(), 1) << "nothing is taken after the end";
    printer.reset();
}

}  // namespace
