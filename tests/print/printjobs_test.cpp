// The printer thread inside the workstation: a printer that holds its job,
// the program's end with jobs unfinished, and centre messages.

#include "config/tlgconfig.h"
#include "print/printer.h"
#include "support/fakeclock.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/mainwindowfixture.h"
#include "support/protocolevents.h"
#include "support/stuckdevice.h"

#include <gtest/gtest.h>

namespace {

class PrintJobsTest : public MainWindowFixture {};

TEST_F(PrintJobsTest, AHeldPrinterIsReportedAndTheEndGivesItUp) {
    StuckDevice device(home.file("lp0"));
    ASSERT_TRUE(device.Ready());
    writeIni("[PRINT]\r\nPRN=" + device.Path() + "\r\n");
    auto window = startedWindow();
    TTelegramPrinter* printer = window->Printer();
    printer->Print({QString(5000, u'Б')});
    printer->Print({QStringLiteral("ТЕКСТ")});
    auto held = [&] { return ProtocolEvents(protocol).filter("НЕ ПРИНИМАЕТ ЗАДАНИЕ"); };
    clock.AdvanceSeconds(59);
    printer->CheckHeld();
    EXPECT_TRUE(held().isEmpty());
    clock.AdvanceSeconds(1);
    printer->CheckHeld();
    printer->CheckHeld();
    printer->PrintMessage(L(u"ЗЦЗЦ ОБРАЩАЙТЕСЬ В КСС ЗА 004\r\n"));
    const QString line = "ОШИБКА ПЕЧАТИ (ПРИНТЕР НЕ ПРИНИМАЕТ ЗАДАНИЕ 60 СЕК), ЖДУТ ПЕЧАТИ: ";
    EXPECT_EQ(held(), (QStringList{line + "1", line + "2"}));

    // The end gives the three up, says so, and the window goes normally.
    window->OnSystemShutdown();
    const QStringList events = ProtocolEvents(protocol);
    EXPECT_EQ(events.mid(events.size() - 2),
              (QStringList{"ОШИБКА ПЕЧАТИ (ОСТАНОВКА ПРОГРАММЫ): НЕ НАПЕЧАТАНО 3",
                           "ПРОГРАММА ОСТАНОВЛЕНА"}));
}

// A centre message prints as it comes: no banner and no blank lines.
TEST_F(PrintJobsTest, ACentreMessagePrintsAsItIs) {
    home.write("lp0", "");
    writeIni("[PRINT]\r\nAutoPrintMsg=1\r\nPRN=" + home.file("lp0").toUtf8() + "\r\n");
    auto window = startedWindow();
    window->Exchange().OnLineReceive(L(u"\r\nЗЦЗЦ ПОВТОР ОКОНЧЕН\r\nНННН  #1430 0130\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return window->Printer()->JobsDone() == 1; }));
    EXPECT_EQ(ReadFileBytes(home.file("lp0")), L(u"ЗЦЗЦ ПОВТОР ОКОНЧЕН\r\n НННН  1Ч30\r\n"));
}

// The end waits, within its bound, for a job that can still finish: a slow
// spooler takes it.
TEST(PrintJobs, TheEndLetsAJobThatCanFinishPrint) {
    TestHome home;
    home.write("lp", "#!/bin/sh\nsleep 0.3\ncat > \"$0.job\"\n");
    QFile::setPermissions(home.file("lp"), QFile::ReadOwner | QFile::ExeOwner);
    SetCupsSubmitProgram(home.file("lp"));
    _tlg_config config;
    config.Prn = QStringLiteral("cups:matrix");
    _tlg_controls controls;
    FakeClock clock;
    TTelegramPrinter printer(config, controls, clock);
    printer.Print({QStringLiteral("ТЕКСТ")});
    EXPECT_EQ(printer.Shutdown(), 0);
    EXPECT_TRUE(ReadFileBytes(home.file("lp.job")).contains(L(u"ТЕКСТ\r\n")));
    SetCupsSubmitProgram(QStringLiteral("lp"));
}

// A print server that takes the connection and never answers holds a page
// job beyond the end's wait: its thread is left to itself, not destroyed.
TEST(PrintJobs, AJobThatCannotStopIsLeftToItself) {
    // Kept to the process's end: the job stays blocked until then.
    static auto* server = new LoopbackServer;
    ScopedEnv cups("CUPS_SERVER", kLoopbackHost + u':' + QString::number(server->Port()));
    _tlg_config config;
    config.MatrixRaw = false;
    _tlg_controls controls;
    FakeClock clock;
    TTelegramPrinter printer(config, controls, clock);
    printer.Print({QStringLiteral("ТЕКСТ")});
    ASSERT_TRUE(server->Accept()) << "the job asks the print server";
    EXPECT_EQ(printer.Shutdown(200), 1);
}

}  // namespace
