// The campaigns' judge on program folders made by hand: it fails what the
// operator would miss and passes what a kill may leave with word to the
// operator.

#include "campaigncheck.h"
#include "support/lineliterals.h"
#include "support/testhome.h"
#include "transcript.h"
#include "util/codepages.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Telegram n as the centre sends it (a figures shift before the number, as a
// centre of type 1 does) and as the operator must find it.
LineText Frame(int n) {
    return L(u"ЗЦЗЦ #00") + QByteArray::number(n) +
           L(u" ОБ1 141911 3 30 1200\r\nУЧЕБНАЯ ТЕЛЕГРАММА 00") + QByteArray::number(n) +
           L(u"\r\nНННН  0130 12.00 000") + QByteArray::number(n) + "\r\n";
}
QString Readable(int n) {
    return QStringLiteral(
               "ЗЦЗЦ 00%1 ОБ1 141911 3 30 1200\r\nУЧЕБНАЯ ТЕЛЕГРАММА 00%1\r\nНННН  0130 "
               "12.00 000%1")
        .arg(n);
}

struct Scene {
    const char* what;
    bool referTwo;  // the centre sent "ОБРАЩАЙТЕСЬ В КСС ЗА 002-002"
    std::function<void(const TestHome&)> change;
    const char* failure;  // part of the expected failure line; none when null
};

void Move(const TestHome& home, const QString& from, const QString& to) {
    ASSERT_TRUE(QFile::rename(home.file(from), home.file(to))) << from.toStdString();
}

// What a kill in the middle of the line's text leaves of telegram 2.
void CutTwoAtKill(const TestHome& home) {
    const QString two = QStringLiteral("inp/0130/0130q911.002");
    QFile::remove(home.file(two));
    QFile::remove(home.file(two + ".tlg"));
    home.write(two + ".rcv", WideToAnsi(u"ЗЦЗЦ 002 ОБ1 141911 3 3"));
    home.write(two + ".rcvtlg", Frame(2).mid(5, 20));
}

TEST(CampaignCheck, FailsWhatTheOperatorWouldMissAndNothingElse) {
    const QString two = QStringLiteral("inp/0130/0130q911.002");
    const Scene scenes[] = {
        {"all delivered", false, [](const TestHome&) {}, nullptr},
        {"completed when the wait for the trailer ran out", false,
         [&](const TestHome& h) { h.write(two, WideToAnsi(Readable(2)).chopped(21)); }, nullptr},
        {"a letter of the text changed", false,
         [&](const TestHome& h) {
             h.write(two, WideToAnsi(
                              Readable(2).replace(QStringLiteral("АММА"), QStringLiteral("АММЫ"))));
         },
         "the readable file of telegram 2"},
        {"the trailer appended twice", false,
         [&](const TestHome& h) { h.write(two, WideToAnsi(Readable(2) + Readable(2).right(21))); },
         "the readable file of telegram 2"},
        {"whole under the working names", true,
         [&](const TestHome& h) {
             Move(h, two, two + ".rcv");
             Move(h, two + ".tlg", two + ".rcvtlg");
         },
         "2 is left unseen under its working names"},
        {"cut under the working names without a word", false, CutTwoAtKill, "without a word"},
        {"cut under the working names and referred", true, CutTwoAtKill, nullptr},
        {"an accepted file filed as refused", false,
         [](const TestHome& h) { Move(h, "out/0130/0130q001.001", "out/0130/0130q001.b001"); },
         "0130q001 was accepted as 1"},
        {"an accepted file set aside as distorted", false,
         [](const TestHome& h) { Move(h, "out/0130/0130q001.001", "out/0130q001.brk"); },
         "0130q001 was accepted as 1"},
        {"an accepted file waiting to go again", false,
         [](const TestHome& h) { Move(h, "out/0130/0130q001.001", "out/0130q001"); },
         "0130q001 was accepted as 1"},
    };
    const QByteArray sent = WideToAnsi(u"КАМПАНИЯ ФАЙЛ 0130Q001 ПЕРЕДАНА");
    for (const Scene& scene : scenes) {
        TestHome home;
        TTranscript transcript;
        ASSERT_TRUE(transcript.Open(home.file("centre.txt")));
        transcript.Event(QStringLiteral("CONNECT"));
        transcript.Data(QStringLiteral("TX"), Frame(1) + Frame(2));
        if (scene.referTwo)
            transcript.Data(QStringLiteral("TX"),
                            L(u"ЗЦЗЦ ОБРАЩАЙТЕСЬ В КСС ЗА 002-002 НННН  \r\n"));
        transcript.Data(QStringLiteral("RX"),
                        L(u"ЗЦЗЦ 001 ") + Cp1251ToCp866(sent) + L(u"\r\nНННН  \r\n"));
        transcript.Event(QStringLiteral("CENTRE"), QStringLiteral("IN TELEGRAM 001 accepted"));
        transcript.Event(QStringLiteral("CLOSED"));
        for (int n = 1; n <= 2; ++n) {
            const QString name = QStringLiteral("inp/0130/0130q911.00%1").arg(n);
            home.write(name, WideToAnsi(Readable(n)));
            home.write(name + ".tlg", Frame(n).mid(5, Frame(n).indexOf(L(u"НННН")) - 5));
        }
        home.write("out/0130/0130q001.001", sent);
        home.write("korvel.ini",
                   "[SERVER]\r\nport=1\r\n[STATUS]\r\nNumberInput=2\r\n"
                   "NumberOutput=1\r\nHandedOver=\r\n");
        scene.change(home);

        const CampaignCheck check = CheckCampaign(home.path(), QStringLiteral("0130"),
                                                  CentreRecord::Read(home.file("centre.txt")),
                                                  {{QStringLiteral("0130q001"), sent}});
        const QString failures = check.failures.join(u'\n');
        if (scene.failure)
            EXPECT_TRUE(failures.contains(QString::fromUtf8(scene.failure)))
                << scene.what << ": " << failures.toStdString();
        else
            EXPECT_TRUE(failures.isEmpty()) << scene.what << ": " << failures.toStdString();
    }
}

}  // namespace
