// libFuzzer target over the received stream: no input may crash the
// exchange, grow its buffer without bound or write outside the inp folder.
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARVO_FUZZ=ON
//   cmake --build build-fuzz --target fuzz_receive
//   mkdir -p corpus && cp tests/data/fuzz/receive/* corpus/
//   build-fuzz/tests/exchange/fuzz_receive -max_total_time=60 -max_len=20000 corpus
// (./test runs it for 10 seconds; TARVO_FUZZ_SECONDS changes that, 0 skips it.)

#include "receiveharness.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // In memory where possible: every stored telegram is flushed to the disk.
    static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm")
                                    : QDir::tempPath();
    static QTemporaryDir folder(base + QStringLiteral("/tarvo-fuzz-XXXXXX"));
    static TReceiveHarness harness(folder.path());
    const QString failure =
        harness.Run(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", failure.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
