// The line thread on the serial link, against a scripted line adapter on the
// other end of a pseudo-terminal.

#include "line/portlist.h"
#include "line/tlgclient.h"
#include "recorder.h"
#include "support/lineliterals.h"
#include "support/loopback.h"
#include "support/ptypeer.h"
#include "support/recordingport.h"

#include <gtest/gtest.h>

namespace {

// The line thread on the slave side of a fresh pseudo-terminal, whose master
// side the test plays as the adapter.
struct AdapterLink {
    PtyPeer adapter;
    std::shared_ptr<RecordingPortControl> control = std::make_shared<RecordingPortControl>();
    LinkRecorder rec;
    std::unique_ptr<CTlgClient> client;

    explicit AdapterLink(int lineSpeed = 50) {
        client = std::make_unique<CTlgClient>();
        client->SetTimings(FastTimings());
        client->SetPortControl(control);
        rec.Attach(*client);
        client->SetSerial(adapter.SlavePath(), lineSpeed, 1);
    }
    bool WaitReceived(const QByteArray& text) {
        return WaitUntil([&] { return rec.received.endsWith(text); });
    }
};

TEST(Adapter, TheCycleSpeaksTheAdaptersByteProtocol) {
    AdapterLink link(100);
    const QString opened = link.client->ConnectionLabel() + QStringLiteral(" ПОРТ ОТКРЫТ");
    ASSERT_TRUE(link.rec.WaitStatus(opened));
    EXPECT_TRUE(link.rec.statuses[link.rec.IndexOf(opened)].connected);
    EXPECT_EQ(link.control->Calls(), QStringList{"break off"}) << "break cleared after open";
    ASSERT_EQ(link.adapter.Take(1), Bytes({0x66})) << "the speed byte of 100 baud";

    // The credit after opening is 4: "ТЛГ " goes, the digit waits.
    link.client->AppendSend(L(u"ТЛГ 1"));
    EXPECT_EQ(link.adapter.Take(5), Bytes({0, 16, 18, 26, 4})) << "Russian shift, Т Л Г space";
    ASSERT_TRUE(WaitUntil([&] { return link.rec.sent.size() == 1; }));
    EXPECT_EQ(link.rec.sent[0].block, L(u"ТЛГ "));
    EXPECT_TRUE(link.rec.sent[0].pending);

    // Each row: what the adapter sends, the text the line thread receives,
    // what it writes back (the speed byte after every batch with a report,
    // then the next batch of codes), and AdapterFlags afterwards.
    const struct {
        QByteArray in;
        QByteArray received;
        QByteArray answer;
        int flags;
    } rows[] = {
        // A code, a credit of 5 (clears the flags), another code; the digit
        // follows in the figures register.
        {Bytes({0x03, 0x25, 0x18}), "AO", Bytes({0x66, 27, 23}), 0},
        // An unknown byte is a report; an error frame is 0xB1 and bit 0.
        {Bytes({0x41, 0x4F}), "\xB1", Bytes({0x66}), 1},
        // A credit of 0 leaves the flags and allows nothing.
        {Bytes({0x20}), "", Bytes({0x66}), 1},
        // Codes alone: no answer; the decoder is in Latin since the 'O'.
        {Bytes({0x1B, 0x17, 0x13}), "#12", QByteArray(), 1},
    };
    for (const auto& row : rows) {
        const QByteArray before = link.rec.received;
        ASSERT_TRUE(link.adapter.Write(row.in));
        if (!row.received.isEmpty()) {
            ASSERT_TRUE(link.WaitReceived(row.received)) << row.in.toHex().constData();
        }
        if (!row.answer.isEmpty()) {
            EXPECT_EQ(link.adapter.Take(int(row.answer.size())), row.answer)
                << row.in.toHex().constData();
        }
        ASSERT_TRUE(WaitUntil([&] { return link.client->AdapterFlags() == row.flags; }))
            << row.in.toHex().constData();
        EXPECT_EQ(link.rec.received, before + row.received) << row.in.toHex().constData();
    }
    EXPECT_FALSE(link.client->IsConnected()) << "an error frame makes the line unusable";
    link.client->AppendSend(L(u"2"));
    EXPECT_TRUE(link.adapter.Take(1, 200).isEmpty()) << "nothing without credit";

    // A dial permission, nothing to do with the serial line, does not end
    // the cycle: the next idle pass goes on as before.
    const quint64 passes = link.client->IdlePasses();
    link.client->SetDialEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return link.client->IdlePasses() > passes; }));
    // A credit of 1 clears the flag and lets the digit go (figures already).
    ASSERT_TRUE(link.adapter.Write(Bytes({0x21})));
    EXPECT_EQ(link.adapter.Take(2), Bytes({0x66, 19}));
    ASSERT_TRUE(WaitUntil([&] { return link.client->IsConnected(); }));

    // A credit of 15 for characters that each need a shift: 16 codes hold
    // eight of them, the rest stays at the front of the text.
    link.client->AppendSend(L(u"А1Б2В3Г4Д5"));
    ASSERT_TRUE(link.adapter.Write(Bytes({0x2F})));
    EXPECT_EQ(link.adapter.Take(17),
              Bytes({0x66, 0, 3, 27, 23, 0, 25, 27, 19, 0, 19, 27, 1, 0, 26, 27, 10}));
    ASSERT_TRUE(WaitUntil([&] { return link.rec.sent.size() == 4; }));
    EXPECT_EQ(link.rec.sent[3].block, L(u"А1Б2В3Г4"));
    EXPECT_EQ(link.client->PeekSend(), L(u"Д5"));
    ASSERT_TRUE(link.adapter.Write(Bytes({0x2F})));
    EXPECT_EQ(link.adapter.Take(5), Bytes({0x66, 0, 9, 27, 16}));

    // No input signal: said once, bit 1, the line down until a credit.
    ASSERT_TRUE(link.adapter.Write(Bytes({0x5E, 0x5E})));
    const QString noSignal = QStringLiteral("Нет входного сигнала");
    ASSERT_TRUE(link.rec.WaitStatus(noSignal));
    EXPECT_EQ(link.adapter.Take(1), Bytes({0x66}));
    EXPECT_EQ(link.client->AdapterFlags(), 2);
    EXPECT_FALSE(link.rec.statuses.last().connected);
    ASSERT_TRUE(link.adapter.Write(Bytes({0x5E, 0x24})));
    EXPECT_EQ(link.adapter.Take(1), Bytes({0x66}));
    ASSERT_TRUE(WaitUntil([&] { return link.client->IsConnected(); }));
    int said = 0;
    for (const auto& s : link.rec.statuses)
        said += s.text == noSignal;
    EXPECT_EQ(said, 1);

    // A full output queue: the operator is warned (without the line thread
    // waiting for it), and the write goes ahead.
    QStringList warnings;
    QObject::connect(
        link.client.get(), &CTlgClient::OnPortWarning, &link.rec.context,
        [&](const QString& text) { warnings << text; }, Qt::QueuedConnection);
    // (The credit of 4 that cleared the flag lets the digit go at once.)
    link.control->outQueue = 4095;
    link.client->AppendSend(L(u"3"));
    EXPECT_EQ(link.adapter.Take(1), Bytes({1}));
    ASSERT_TRUE(WaitUntil([&] { return !warnings.isEmpty(); }));
    EXPECT_EQ(warnings.first(), QStringLiteral("Невозможно поместить в выходной буфер "));
    link.control->outQueue = 0;

    // Ending: the end-of-work byte, then the break before the port closes.
    link.client->Terminate();
    EXPECT_EQ(link.adapter.Take(1), Bytes({0x60}));
    EXPECT_TRUE(link.client->Shutdown()) << "ended within its bound";
    EXPECT_EQ(link.control->Calls(), (QStringList{"break off", "break on"}));
}

TEST(Adapter, SilenceAndUnplugEndTheCycleAndANewOneBegins) {
    AdapterLink link;
    const QString opened = link.client->ConnectionLabel() + QStringLiteral(" ПОРТ ОТКРЫТ");
    const QString closed = QStringLiteral("ЛИН-9: ПОРТ ЗАКРЫТ ");
    ASSERT_TRUE(link.rec.WaitStatus(opened));
    ASSERT_EQ(link.adapter.Take(1), Bytes({0x65}));
    // A telegram partly written when the adapter falls silent.
    const SendPosition telegram = link.client->AppendSend(L(u"ТЛГ 1"));
    EXPECT_EQ(link.adapter.Take(5), Bytes({0, 16, 18, 26, 4}));

    // 31 counted seconds without a byte.
    for (int i = 0; i < 30; ++i)
        link.client->TickSilence();
    EXPECT_TRUE(link.adapter.Take(1, 100).isEmpty());
    EXPECT_EQ(link.rec.IndexOf(QStringLiteral("Адаптер не отвечает")), -1);
    link.client->TickSilence();
    ASSERT_TRUE(link.rec.WaitStatus(QStringLiteral("Адаптер не отвечает")));
    // What the adapter held is lost: the rest is thrown away, so that the
    // telegram goes again whole.
    EXPECT_EQ(link.client->FateOf(telegram - 5, telegram), SendFate::Discarded);
    EXPECT_TRUE(link.client->PeekSend().isEmpty());
    ASSERT_TRUE(link.rec.WaitStatus(closed));
    EXPECT_EQ(link.control->Calls().mid(0, 2), (QStringList{"break off", "break on"}));
    // At once a new cycle, with the speed byte again.
    ASSERT_TRUE(WaitUntil([&] { return link.rec.statuses.last().text == opened; }));
    EXPECT_EQ(link.adapter.Take(1), Bytes({0x65}));
    EXPECT_EQ(link.client->SilenceSeconds(), 0);
    // The adapter's register is not known: the next letter is shifted again.
    link.client->AppendSend(L(u"Т"));
    EXPECT_EQ(link.adapter.Take(2), Bytes({0, 16}));

    // A received code counts as life: the silence starts again.
    for (int i = 0; i < 20; ++i)
        link.client->TickSilence();
    ASSERT_TRUE(link.adapter.Write(Bytes({0x04})));
    ASSERT_TRUE(link.WaitReceived(" "));
    EXPECT_EQ(link.client->SilenceSeconds(), 0);

    // Unplugged: the read error ends the cycle, the port is gone, and the
    // open failure waits a minute.
    const qsizetype before = link.rec.statuses.size();
    const SendPosition waiting = link.client->AppendSend(L(u"ЗЦЗЦ"));
    link.adapter.Close();
    const QString failed = link.client->ConnectionLabel() + QStringLiteral(" ОШИБКА ОТКРЫТИЯ.");
    ASSERT_TRUE(link.rec.WaitStatus(failed));
    const auto& s = link.rec.statuses[link.rec.IndexOf(failed)];
    EXPECT_FALSE(s.connected);
    EXPECT_EQ(link.rec.statuses[before].text, closed);
    EXPECT_EQ(link.client->LastStatusCode(), 0);
    EXPECT_EQ(link.client->FateOf(waiting - 4, waiting), SendFate::Discarded);
}

TEST(Adapter, ALongRunOfCodesIsHandedOverInBoundedBatches) {
    AdapterLink link;
    ASSERT_EQ(link.adapter.Take(1), Bytes({0x65}));
    // All there at once: no gap at which a batch of reads would end.
    ASSERT_TRUE(link.adapter.Write(QByteArray(3000, char(4))));
    ASSERT_TRUE(link.WaitReceived(QByteArray(3000, ' ')));
    EXPECT_GE(link.rec.receiveEvents, 3) << "a hand-over at least every 1024 bytes";
}

TEST(Adapter, PortsAreListedWithTheAdaptersRecognised) {
    const struct {
        TPortDevice device;
        int kind;
        QString serial;
        QString shown;
    } rows[] = {
        {{"ttyS0", false, 0, 0, ""}, 0, "", "ttyS0"},
        {{"ttyUSB0", true, 0x0403, 0x6001, "2A1B3C4D"}, 2, "2A1B3C4D", "ttyUSB0 ЛЕНТ-9 2A1B3C4D"},
        {{"ttyUSB1", true, 0x0403, 0x6001, "1F00A7"}, 1, "1F00A7", "ttyUSB1 ЛИН-9 1F00A7"},
        {{"ttyUSB2", true, 0x0403, 0x6001, "3000000012"}, 1, "30000000", "ttyUSB2 ЛИН-9 30000000"},
        {{"ttyUSB3", true, 0x0403, 0x6001, "A1234567"}, 0, "", "ttyUSB3"},
        {{"ttyUSB4", true, 0x0403, 0x6015, "1A2B3C4D"}, 0, "", "ttyUSB4"},
        {{"ttyACM0", true, 0x2341, 0x0043, "1A2B3C4D"}, 0, "", "ttyACM0"},
        {{"ttyUSB5", true, 0x0403, 0x6001, ""}, 0, "", "ttyUSB5"},
    };
    QList<TPortDevice> devices;
    for (const auto& row : rows)
        devices << row.device;
    // More than ten ports: every one is listed.
    for (int i = 1; i <= 6; ++i)
        devices << TPortDevice{QStringLiteral("ttyS%1").arg(i), false, 0, 0, {}};
    const QList<TPortRecord> records = ListPorts([&] { return devices; });
    ASSERT_EQ(records.size(), devices.size());
    for (size_t i = 0; i < std::size(rows); ++i) {
        const TPortRecord& r = records[qsizetype(i)];
        EXPECT_EQ(r.Name, rows[i].device.name);
        EXPECT_EQ(r.Kind, rows[i].kind) << r.Name.toStdString();
        EXPECT_EQ(r.UsbSerial, rows[i].serial) << r.Name.toStdString();
        EXPECT_EQ(r.DisplayText(), rows[i].shown);
        EXPECT_EQ(r.OfferedForLine(), rows[i].kind != 2);
        EXPECT_EQ(r.OfferedForTape(), rows[i].kind != 1);
    }
    EXPECT_EQ(records.last().Name, "ttyS6");
}

}  // namespace
