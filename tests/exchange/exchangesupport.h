#pragma once

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "protocol/protocol.h"
#include "support/fakeclock.h"
#include "support/lineliterals.h"
#include "support/protocolevents.h"
#include "support/recordingline.h"
#include "support/testhome.h"
#include "util/linecode.h"

#include <QMap>
#include <QStringList>

#include <functional>

#include <gtest/gtest.h>

// The operator's side: every call is noted, in order, in calls ("Name arg").
struct RecordingHost : IExchangeHost {
    void ShowErrorBox(const QString& caption, const QString& text) override;
    void ModeChanged(bool automatic) override;
    void ShowToday() override { ++todays; }
    void DayStarted() override { ++days; }
    void CloseMainWindow() override { ++closes; }
    void LineActivity(bool received) override { (received ? rx : tx)++; }
    void ShowStatusText(const QString& text) override { statusText = text; }
    void ShowChannelState(const QString& code) override;
    void EnableServiceButtons(std::optional<bool> kg1, std::optional<bool> kg2,
                              std::optional<bool> kg4) override;
    void ShowCategoryAlert() override;
    void CloseCategoryAlert() override { calls << "CloseCategoryAlert"; }
    void OpenConfirmation(const LineText& message) override;
    void ShowOperatorMessage(const LineText& text) override;
    void Beep() override { calls << "Beep"; }
    void PlaySound(const QString& file) override { calls << "PlaySound " + file; }
    void PrintTelegram(const QStringList& lines) override;
    void PrintCentreMessage(const LineText& text) override;
    void ForwardTelegram(const QString& text) override {
        calls << "ForwardTelegram " + text;
        if (whileForwarding)
            whileForwarding();
    }
    void RefreshInListIfToday() override { ++listRefreshes; }
    void ManualExchangeFromLine(const LineText& chunk) override { manualChunks << chunk; }
    void RefreshQueueList() override { ++queueRefreshes; }
    void ShowScanCountdown(int seconds) override { scanCountdown = seconds; }
    void ShowQueueCount(int count) override { queueCount = count; }
    void RefreshOutListIfToday() override { ++outListRefreshes; }

    // Calls whose name starts with prefix.
    QStringList Calls(const QString& prefix) const;

    // ShowCategoryAlert throws, as a window that cannot be made might.
    bool alertFails = false;
    // Run inside ForwardTelegram (a box the forward might open, say).
    std::function<void()> whileForwarding;
    QStringList boxes;
    QList<bool> modes;
    QStringList calls;
    QList<QStringList> printed;
    QList<LineText> manualChunks;
    int todays = 0, days = 0, closes = 0, rx = 0, tx = 0, listRefreshes = 0;
    int queueRefreshes = 0, outListRefreshes = 0, scanCountdown = -1, queueCount = -1;
    QString statusText;
};

// An exchange in automatic mode on a recording line and host, in a program
// folder of its own, the clock at 30 January 12:00; neither its folders nor
// a working day are started.
class BareExchangeFixture : public ProgramFolderTest {
protected:
    BareExchangeFixture();

    QStringList Events() const { return ProtocolEvents(protocol); }

    FakeClock clock;
    _tlg_config config;
    _tlg_status status;
    TProtocol protocol;
    RecordingLine line;
    RecordingHost host;
    TExchange exchange{config, status, protocol, clock, home.file("korvel.ini"), &host};
};

// The same with its working folders and the day 0130 started.
class ExchangeFixture : public BareExchangeFixture {
protected:
    ExchangeFixture();

    // The stream received as one chunk, then empty chunks until the
    // extraction has caught up with it.
    void Receive(const LineText& stream);
    // Empty chunks until the buffer stops changing.
    void CatchUp();
    // Ticks until the wait for a trailer or receipt is over.
    void RunOutNotes();

    // Every file below inp/, by path relative to inp/, with its bytes.
    QMap<QString, QByteArray> InpFiles() const;
    // A file of today's inp folder ("0130u911.001"), or empty.
    QByteArray DayFile(const QString& name) const;
};

// Files of a folder tree by relative path (folders are not listed).
QMap<QString, QByteArray> FilesBelow(const QString& folder);
