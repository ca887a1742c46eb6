// The daily counters kept in step with the centre: its counter reports, its
// numbering change, and the operator's correction.

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "protocol/protocol.h"
#include "util/linecode.h"

bool InputCountersDisagree(int numberInput, int centreOurs, int channelState) {
    if (numberInput > centreOurs || numberInput < centreOurs - 10)
        return true;
    // Working, every telegram the centre counted must have arrived here.
    const bool working = channelState == TExchange::StateRB || channelState == TExchange::StateNone;
    return working && numberInput < centreOurs;
}

void TExchange::HandleCounterReport(const TCounterReport& report) {
    // The report answers the service request whatever it says.
    requestAge_ = 0;
    if (report.fields >= 2) {
        centreCountYours_ = report.yours;
        centreCountOurs_ = report.ours;
        protocol_.AddMessage(QStringLiteral("ПОЛУЧЕНЫ СЧЕТЧИКИ"), kProtocolEvent);
    }
    static const LineText kOpenPlease = LineLiteral(u"ОТКРОЙТЕ");
    static const LineText kLink = LineLiteral(u"СВЯЗЬ");
    static const LineText kClosed = LineLiteral(u"ЗАКРЫТО");
    static const LineText kBy = LineLiteral(u"ПО");
    if (report.fields == 4) {
        if (report.word1 == kOpenPlease)
            SetChannelState(report.word1);
        else if (report.word1 == kLink)
            SetChannelState(report.word2);
        else if (report.word1 == kClosed && report.word2 == kBy)
            SetChannelState(LineLiteral(u"БВ"));
    }
    if (report.fields < 2)
        return;

    if (InputCountersDisagree(status_.NumberInput, report.ours, channelState_)) {
        SetMode(false);
        if (channelState_ == StateRB || channelState_ == StateNone)
            SendServiceGroup(KG2);
        protocol_.AddMessage(QStringLiteral("РАСХОЖДЕНИЕ СЧЕТЧИКОВ"), kProtocolError);
        return;
    }
    queue_.SettleUncertainHandOver(report.yours);
    if (status_.NumberOutput != report.yours) {
        SetMode(false);
        queue_.RejectSent();
    } else if (queue_.AwaitsReport()) {
        queue_.ConfirmSent();
    }
    if (report.fields == 4 && report.word1 == kOpenPlease && IsAutomatic() &&
        status_.FoldersReady && status_.CloseCountdown == 0)
        SendServiceGroup(KG1);
}

void TExchange::HandleNumberingChange(const TNumberingChange& change) {
    if (change.fields >= 2 && change.received == status_.NumberOutput &&
        change.sent == status_.NumberInput) {
        protocol_.AddMessage(QStringLiteral("СМЕНА НУМЕРАЦИИ. СЧЕТЧИКИ СБРОШЕНЫ. "),
                             kProtocolEvent);
        // The answer still carries the count of the day that ends.
        SendServiceGroup(KG1);
        status_.CounterResetPending = false;
        status_.NumberingHold = false;
        status_.NumberInput = 0;
        status_.NumberOutput = 0;
        queue_.CountersRestarted();
        SaveCounters();
        return;
    }
    if (!status_.CounterResetPending && status_.NumberInput == 0 && status_.NumberOutput == 0) {
        protocol_.AddMessage(
            QStringLiteral("СМЕНА НУМЕРАЦИИ УЖЕ ЗАФИКСИРОВАНА. СЧЕТЧИКИ УЖЕ БЫЛИ СБРОШЕНЫ. "),
            kProtocolEvent);
        SendServiceGroup(KG1);
        return;
    }
    protocol_.AddMessage(QStringLiteral("СМЕНА НУМЕРАЦИИ. РАСХОЖДЕНИЕ СЧЕТЧИКОВ. "),
                         kProtocolError);
    SetMode(false);
}
