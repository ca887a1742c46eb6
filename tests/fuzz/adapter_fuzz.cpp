// libFuzzer target over what the line adapter sends the workstation: the
// input is written, as the adapter would, into a pseudo-terminal whose other
// end the real line thread has open as its port, while the workstation has
// text to send (so that credits make it write). However the bytes come, the
// cycle's sorting must hand over one character of text for every code (a
// byte below 0x20) and every error frame (0x4F), in order, and nothing for
// the reports (credits, no signal and the rest); it must neither crash nor
// stop reading. The thread and its port live for the whole run.

#include "line/tlgclient.h"
#include "line/recorder.h"
#include "support/loopback.h"
#include "support/ptypeer.h"
#include "support/recordingport.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

[[noreturn]] void Fail(const char* what, QByteArrayView input, qsizetype expected, qsizetype got) {
    std::fprintf(stderr, "%s\ninput: %s\nexpected %lld characters of text, got %lld\n", what,
                 input.toByteArray().toHex(' ').constData(), (long long)expected, (long long)got);
    std::abort();
}

struct Link {
    Link() {
        int argc = 1;
        static char name[] = "fuzz_adapter";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QCoreApplication>(argc, argv);
        TLinkTimings timings;
        timings.pauseMs = 1;
        timings.secondMs = 1;
        client.SetTimings(timings);
        client.SetPortControl(std::make_shared<RecordingPortControl>());
        rec.Attach(client);
        client.SetSerial(adapter.SlavePath(), 50, 1);
        if (!WaitUntil([&] { return client.IsConnected(); }))
            Fail("the line thread never opened the port", {}, 0, 0);
    }
    ~Link() { client.Shutdown(); }

    std::unique_ptr<QCoreApplication> app;
    PtyPeer adapter;
    LinkRecorder rec;
    CTlgClient client;
    qsizetype expected = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Link link;
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!link.client.IsSendPending())
        link.client.AppendSend(QByteArray(48, 'A'));
    qsizetype codes = 0;
    for (char c : input)
        if (uchar(c) < 0x20 || uchar(c) == 0x4F)
            ++codes;
    if (!link.adapter.Write(input.toByteArray()))
        Fail("the pseudo-terminal refused the bytes", input, 0, 0);
    link.expected += codes;
    const bool all = WaitUntil([&] {
        link.adapter.ReadSome(0);  // what the workstation writes back, thrown away
        return link.rec.received.size() >= link.expected;
    });
    if (!all || link.rec.received.size() != link.expected)
        Fail("the text handed over is not one character per code and error frame", input,
             link.expected, link.rec.received.size());
    // Keep the record short; only its length counts.
    link.expected -= link.rec.received.size();
    link.rec.received.clear();
    return 0;
}
