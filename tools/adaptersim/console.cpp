#include "adaptersim/console.h"

#include "util/linecode.h"

#include <chrono>
#include <cstdio>

namespace {
bool quietEvents = false;
}

void PrintLine(const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void PrintEvent(const QString& text) {
    if (!quietEvents)
        PrintLine(text);
}

void SetQuietEvents(bool quiet) {
    quietEvents = quiet;
}

QString Readable(const LineText& text) {
    QString wide = LineToWide(text, true);
    // The visible marks stay; the real line breaks would split the event.
    wide.remove(QLatin1Char('\r'));
    wide.remove(QLatin1Char('\n'));
    return wide;
}

int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
