#include "recorder.h"

#include <QElapsedTimer>

void LinkRecorder::Attach(CTlgClient& client) {
    QObject::connect(
        &client, &CTlgClient::OnStatus, &context,
        [this](CTlgClient* thread) {
            const Status s{thread->StatusText(), thread->StatusLine(), thread->IsConnected(),
                           thread->WaitSeconds(), thread->IdlePasses()};
            statuses.append(s);
            if (onStatus)
                onStatus(*thread, s);
        },
        Qt::BlockingQueuedConnection);
    QObject::connect(
        &client, &CTlgClient::OnReceive, &context,
        [this](CTlgClient* thread) {
            ++receiveEvents;
            received += thread->TakeReceiveText();
        },
        Qt::BlockingQueuedConnection);
    QObject::connect(
        &client, &CTlgClient::OnSent, &context,
        [this](CTlgClient* thread) {
            const Sent s{thread->LastSent(), thread->IsSendPending()};
            sent.append(s);
            if (onSent)
                onSent(*thread, s);
        },
        Qt::BlockingQueuedConnection);
}

bool LinkRecorder::WaitStatuses(int count, int ceilingMs) {
    return WaitUntil([&] { return statuses.size() >= count; }, ceilingMs);
}

bool LinkRecorder::WaitStatus(const QString& text, int ceilingMs) {
    return WaitUntil([&] { return IndexOf(text) >= 0; }, ceilingMs);
}

int LinkRecorder::IndexOf(const QString& text) const {
    for (int i = 0; i < statuses.size(); ++i)
        if (statuses[i].text == text)
            return i;
    return -1;
}

qsizetype LinkRecorder::WaitSendsStall() {
    qsizetype count = 0;
    QElapsedTimer quiet;
    quiet.start();
    WaitUntil([&] {
        if (sent.size() != count) {
            count = sent.size();
            quiet.restart();
        }
        return count > 0 && quiet.elapsed() > 300;
    });
    return count;
}

TLinkTimings FastTimings() {
    TLinkTimings t;
    t.secondMs = 1;
    t.pauseMs = 1;
    t.idleSleepMs = 1;
    t.connectTimeoutMs = 3000;
    t.sendTimeoutMs = 3000;
    return t;
}

std::unique_ptr<CTlgClient> MakeClient(LinkRecorder& recorder, const TLinkTimings& timings) {
    auto client = std::make_unique<CTlgClient>();
    client->SetTimings(timings);
    recorder.Attach(*client);
    return client;
}

QString Endpoint(int port) {
    return kLoopbackHost + QLatin1Char(':') + QString::number(port);
}
