// The workstation as an operator starts it: a separate process with its own
// program folder, ended by the session's signals.

#include "support/ckssimprocess.h"
#include "support/loopback.h"
#include "support/testhome.h"
#include "util/codepages.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class Workstation {
public:
    Workstation(const QString& home, const QString& runtime, const QStringList& args)
        : home_(home) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TARVO_HOME", home);
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(TARVO_BINARY, args);
        process_.waitForStarted(10000);
    }
    ~Workstation() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // The protocol of the working day, once it holds text.
    QString protocolText() const {
        const QStringList days = QDir(home_ + "/prt").entryList({"????.prt"}, QDir::Files);
        return days.isEmpty() ? QString() : Cp866ToWide(ReadFileBytes(home_ + "/prt/" + days[0]));
    }
    bool waitForProtocol(const QString& text, int ms = 20000) const {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (protocolText().contains(text))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QProcess process_;

private:
    QString home_;
};

TEST(WorkstationProcess, SigtermSavesAndLogsTheShutdown) {
    TestHome home;
    Workstation ws(home.path(), home.path(), {});
    ASSERT_TRUE(ws.waitForProtocol("ПРОГРАММА ЗАПУЩЕНА")) << "the workstation did not start";
    ::kill(pid_t(ws.process_.processId()), SIGTERM);
    ASSERT_TRUE(ws.process_.waitForFinished(10000));
    EXPECT_EQ(ws.process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ws.process_.exitCode(), 0);
    const QString log = ws.protocolText();
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
    home.write("korvel.ini",
               "[SERVER]\r\nhost=127.0.0.1\r\nport=" + QByteArray::number(centre.Port()) + "\r\n");
    Workstation ws(home.path(), home.path(), {});
    ASSERT_TRUE(ws.waitForProtocol("ПРОГРАММА ЗАПУЩЕНА"));
    QThread::msleep(1500);  // the first connect starts a second after the start
    QElapsedTimer timer;
    timer.start();
    ::kill(pid_t(ws.process_.processId()), SIGTERM);
    ASSERT_TRUE(ws.process_.waitForFinished(10000));
    // The connect alone would take twenty seconds; the bound is two, and
    // some room is left for a busy machine.
    EXPECT_LT(timer.elapsed(), 4500);
    EXPECT_TRUE(ws.protocolText().contains("ПРОГРАММА ОСТАНОВЛЕНА"));
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
               "[SERVER]\r\nhost=127.0.0.1\r\nport=" + QByteArray::number(centre.Port()) +
                   "\r\n[OTHER]\r\nAskOnClose=0\r\nZZTimeOut=600\r\n");
    const QString day = QDate::currentDate().toString("MMdd");
    const QString name = day + "q001";
    home.write("out/" + name, WideToAnsi(QStringLiteral("ОДИН РАЗ")));
    {
        Workstation first(home.path(), home.path(), {});
        ASSERT_TRUE(first.waitForProtocol("ТЛГ ПЕРЕДАНА В ЛИНИЮ"))
            << first.protocolText().toStdString();
        ::kill(pid_t(first.process_.processId()), SIGKILL);
        ASSERT_TRUE(first.process_.waitForFinished(10000));
    }
    ASSERT_TRUE(centre.WaitOutput("IN TELEGRAM 001 accepted"));
    const QByteArray ini = ReadFileBytes(home.file("korvel.ini"));
    EXPECT_TRUE(ini.contains("HandedOver=" + name.toLatin1())) << ini.toStdString();
    EXPECT_TRUE(ini.contains("NumberOutput=1")) << ini.toStdString();
    EXPECT_TRUE(QFile::exists(home.file("out/" + name)));

    Workstation second(home.path(), home.path(), {});
    const QString filed = "out/" + day + "/" + name + ".001";
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(home.file(filed)); }, 30000))
        << second.protocolText().toStdString();
    EXPECT_FALSE(QFile::exists(home.file("out/" + name)));
    EXPECT_TRUE(centre.Status().contains("accepted=001"));
    EXPECT_EQ(centre.Output().count("IN TELEGRAM"), 1) << centre.Output().toStdString();
    EXPECT_TRUE(ReadFileBytes(home.file("korvel.ini")).contains("HandedOver=\r\n"));
    ::kill(pid_t(second.process_.processId()), SIGTERM);
    EXPECT_TRUE(second.process_.waitForFinished(10000));
}

TEST(WorkstationProcess, InstancesWithDifferentNamesRunSideBySide) {
    TestHome runtime, a, b;
    Workstation first(a.path(), runtime.path(), {"-n", "north"});
    ASSERT_TRUE(first.waitForProtocol("Set Mutex KORVEL_COMnorth"));
    Workstation second(b.path(), runtime.path(), {"-nSouth"});
    ASSERT_TRUE(second.waitForProtocol("Set Mutex KORVEL_COMsouth"));
    EXPECT_EQ(first.process_.state(), QProcess::Running);
    for (Workstation* ws : {&first, &second}) {
        ::kill(pid_t(ws->process_.processId()), SIGTERM);
        EXPECT_TRUE(ws->process_.waitForFinished(10000));
    }
}

}  // namespace
