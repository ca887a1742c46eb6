// The workstation as an operator starts it: a separate process with its own
// program folder, ended by the session's signals.

#include "support/ckssimprocess.h"
#include "support/loopback.h"
#include "support/tarvoprocess.h"
#include "support/testhome.h"
#include "util/codepages.h"
#include "util/linecode.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

namespace {

TEST(WorkstationProcess, SigtermSavesAndLogsTheShutdown) {
    TestHome home;
    TarvoProcess ws(home.path());
    ASSERT_TRUE(ws.Start());
    ASSERT_TRUE(ws.WaitForProtocol("ПРОГРАММА ЗАПУЩЕНА")) << "the workstation did not start";
    ASSERT_TRUE(ws.Terminate()) << "it ends by itself with status 0";
    const QString log = ws.Protocol();
    EXPECT_TRUE(log.contains("Windows shutdown")) << log.toStdString();
    EXPECT_TRUE(log.contains("ПРОГРАММА ОСТАНОВЛЕНА"));
    EXPECT_LT(log.indexOf("Windows shutdown"), log.indexOf("ПРОГРАММА ОСТАНОВЛЕНА"));
    EXPECT_TRUE(QFile::exists(home.file("korvel.ini")));
}

// The centre does not answer: the line thread hangs in its connect when the
// session ends. The workstation must still be gone at once, not after the
// connect's own time-out.
TEST(WorkstationProcess, EndsPromptlyWhileTheLineHangsInAConnect) {
    TestHome home;
    HangingListener centre;
    ASSERT_TRUE(centre.Ready());
    home.write("korvel.ini", CentreSettings(centre.Port()));
    TarvoProcess ws(home.path());
    ASSERT_TRUE(ws.Start());
    ASSERT_TRUE(ws.WaitForProtocol("ПРОГРАММА ЗАПУЩЕНА"));
    QThread::msleep(1500);  // the first connect starts a second after the start
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(ws.Terminate());
    // The connect alone would take twenty seconds; the bound is two, and
    // some room is left for a busy machine.
    EXPECT_LT(timer.elapsed(), 4500);
    EXPECT_TRUE(ws.Protocol().contains("ПРОГРАММА ОСТАНОВЛЕНА"));
}

// Killed right after the line has taken a telegram, before the centre's
// report: the next start asks the centre, files the telegram by its answer
// and never sends it again. The centre has it once.
TEST(WorkstationProcess, AKillAfterAHandOverIsSettledByTheNextStart) {
    TestHome home;
    CkssimProcess centre;
    ASSERT_TRUE(centre.Start({"-t", home.file("centre.txt"), "-k", "off", "--auto-open"}));
    // No КГ0 of its own for ten minutes after a telegram.
    home.write("korvel.ini",
               CentreSettings(centre.Port()) + "[OTHER]\r\nAskOnClose=0\r\nZZTimeOut=600\r\n");
    const QString day = QDate::currentDate().toString("MMdd");
    const QString name = day + "q001";
    home.write("out/" + name, WideToAnsi(QStringLiteral("ОДИН РАЗ")));
    {
        TarvoProcess first(home.path());
        ASSERT_TRUE(first.Start());
        ASSERT_TRUE(first.WaitForProtocol("ТЛГ ПЕРЕДАНА В ЛИНИЮ"))
            << first.Protocol().toStdString();
        ASSERT_TRUE(first.Kill());
    }
    ASSERT_TRUE(centre.WaitOutput("IN TELEGRAM 001 accepted"));
    const QByteArray ini = ReadFileBytes(home.file("korvel.ini"));
    EXPECT_TRUE(ini.contains("HandedOver=" + name.toLatin1())) << ini.toStdString();
    EXPECT_TRUE(ini.contains("NumberOutput=1")) << ini.toStdString();
    EXPECT_TRUE(QFile::exists(home.file("out/" + name)));

    TarvoProcess second(home.path());
    ASSERT_TRUE(second.Start());
    const QString filed = "out/" + day + "/" + name + ".001";
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(home.file(filed)); }, 30000))
        << second.Protocol().toStdString();
    EXPECT_FALSE(QFile::exists(home.file("out/" + name)));
    EXPECT_TRUE(centre.Status().contains("accepted=001"));
    EXPECT_EQ(centre.Output().count("IN TELEGRAM"), 1) << centre.Output().toStdString();
    // The record goes right after the file is filed.
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadFileBytes(home.file("korvel.ini")).contains("HandedOver=\r\n"); }));
    EXPECT_TRUE(second.Terminate());
}

// The session ends (SIGTERM) or the power goes (SIGKILL) while a telegram
// the centre has sent, counted and saved, waits for its receipt: the stop or
// the next start completes it, so that the operator finds it under its final
// name, with its raw copy, once.
TEST(WorkstationProcess, ATelegramWaitingForItsReceiptIsCompletedByTheStopOrTheNextStart) {
    const QString day = QDate::currentDate().toString("MMdd");
    const QString text = QStringLiteral("ЗЦЗЦ 001 ПМ12 141911 7 12 1430\r\nЖДЕТ РАСПИСКИ\r\n");
    const QString trailer = QStringLiteral("НННН  0130 14.30 0001");
    for (const bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "SIGKILL" : "SIGTERM");
        TestHome home;
        LoopbackServer centre;
        home.write("korvel.ini", CentreSettings(centre.Port()) +
                                     "[OTHER]\r\nAskOnClose=0\r\nCheckTlgNotes=1\r\n");
        {
            TarvoProcess ws(home.path());
            ASSERT_TRUE(ws.Start());
            ASSERT_TRUE(centre.Accept(20000)) << ws.Protocol().toStdString();
            centre.Send(WideToLine(QStringLiteral("ЗЦЗЦ СВЯЗЬ ОТКРЫТА НННН  \r\n") + text +
                                   trailer + QStringLiteral("\r\n")));
            ASSERT_TRUE(ws.WaitForProtocol("ТЕЛЕГРАММА СОХРАНЕНА")) << ws.Protocol().toStdString();
            ASSERT_TRUE(kill ? ws.Kill() : ws.Terminate());
        }
        const QString folder = "inp/" + day + "/";
        const QString name = day + "u911.001";
        if (kill) {
            EXPECT_TRUE(QFile::exists(home.file(folder + name + ".rcv")));
            TarvoProcess next(home.path());
            ASSERT_TRUE(next.Start());
            EXPECT_TRUE(next.WaitForProtocol(
                "ТЕЛЕГРАММА ЗАВЕРШЕНА ПОСЛЕ ОСТАНОВА (БЕЗ ОКОНЧАНИЯ) " + folder + name))
                << next.Protocol().toStdString();
            ASSERT_TRUE(next.Terminate());
        }
        // The receipt that never came is not waited for; what came of the
        // trailer stays with the telegram when the program saw the stop.
        EXPECT_EQ(AnsiToWide(ReadFileBytes(home.file(folder + name))),
                  kill ? text : text + trailer);
        EXPECT_EQ(QDir(home.file(folder)).entryList(QDir::Files),
                  (QStringList{name, name + ".tlg"}));
    }
}

TEST(WorkstationProcess, InstancesWithDifferentNamesRunSideBySide) {
    TestHome runtime, a, b;
    TarvoProcess first(a.path(), runtime.path());
    ASSERT_TRUE(first.Start({"-n", "north"}));
    ASSERT_TRUE(first.WaitForProtocol("Set Mutex KORVEL_COMnorth"));
    TarvoProcess second(b.path(), runtime.path());
    ASSERT_TRUE(second.Start({"-nSouth"}));
    ASSERT_TRUE(second.WaitForProtocol("Set Mutex KORVEL_COMsouth"));
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(first.Terminate());
    EXPECT_TRUE(second.Terminate());
}

}  // namespace
