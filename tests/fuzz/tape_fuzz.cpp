// libFuzzer target over what the tape adapter sends the workstation: the
// input is written, as the adapter's reader would, into a pseudo-terminal
// whose other end the real perforator thread holds open, while it has text to
// punch (so that credits make it write). However the bytes come, the cycle's
// sorting must hand over one character of text for every code (0x00-0x20),
// in order, one tape end for every end report (a byte above 0x3F whose low
// five bits are 0x10), and nothing for the other reports; it must neither
// crash nor stop reading. The thread and its port live for the whole run.

#include "line/prfclient.h"
#include "support/loopback.h"
#include "support/ptypeer.h"
#include "support/recordingport.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

[[noreturn]] void Fail(const char* what, QByteArrayView input, qsizetype expected, qsizetype got) {
    std::fprintf(stderr, "%s\ninput: %s\nexpected %lld, got %lld\n", what,
                 input.toByteArray().toHex(' ').constData(), (long long)expected, (long long)got);
    std::abort();
}

struct Link {
    Link() {
        int argc = 1;
        static char name[] = "fuzz_tape";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QCoreApplication>(argc, argv);
        TTapeTimings timings;
        timings.secondMs = 1;
        timings.lingerMs = 1;
        client.SetTimings(timings);
        client.SetPortControl(std::make_shared<RecordingPortControl>());
        const auto blocking = Qt::BlockingQueuedConnection;
        QObject::connect(
            &client, &CPrfClient::OnReceive, &context,
            [this](CPrfClient* c) { received += c->TakeReceiveText().size(); }, blocking);
        QObject::connect(
            &client, &CPrfClient::OnTapeEnd, &context, [this](CPrfClient*) { ++tapeEnds; },
            blocking);
        client.SetPerforator(adapter.SlavePath(), 0, 1, false);
        if (!WaitUntil([&] { return client.IsOpen(); }))
            Fail("the perforator thread never opened the port", {}, 0, 0);
        client.StartReading();
    }
    ~Link() { client.Shutdown(); }

    std::unique_ptr<QCoreApplication> app;
    PtyPeer adapter;
    QObject context;
    CPrfClient client;
    qsizetype received = 0;
    qsizetype expected = 0;
    qsizetype tapeEnds = 0;
    qsizetype expectedEnds = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Link link;
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!link.client.IsSendPending())
        link.client.AppendSend(QByteArray(48, 'A'));
    for (char c : input) {
        const uchar b = uchar(c);
        if (b <= 0x20)
            ++link.expected;
        else if (b > 0x3F && (b & 0x1F) == 0x10)
            ++link.expectedEnds;
    }
    if (!link.adapter.Write(input.toByteArray()))
        Fail("the pseudo-terminal refused the bytes", input, 0, 0);
    const bool all = WaitUntil([&] {
        link.adapter.ReadSome(0);  // what the workstation punches, thrown away
        return link.received >= link.expected && link.tapeEnds >= link.expectedEnds;
    });
    if (!all || link.received != link.expected)
        Fail("the text handed over is not one character per code", input, link.expected,
             link.received);
    if (link.tapeEnds != link.expectedEnds)
        Fail("the tape ends handed over are not one per end report", input, link.expectedEnds,
             link.tapeEnds);
    return 0;
}
