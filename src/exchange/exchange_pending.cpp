// Operations the received stream sets off that belong to the outgoing queue
// and the counter reconciliation. Until those are built, each call is only
// noted in DeferredCalls(); nothing here touches the counters, the mode, the
// line or the files.

#include "exchange/exchange.h"
#include "exchange/linecode.h"

// Finished by the outgoing queue: counters, state word, reconciliation,
// ConfirmSent or RejectSent of the telegram being sent, КГ1.
void TExchange::HandleCounterReport(const TCounterReport& report) {
    // The report answers the service request whatever it says.
    requestAge_ = 0;
    deferredCalls_ << QStringLiteral("HandleCounterReport %1 %2 %3 %4 %5")
                          .arg(report.fields)
                          .arg(report.yours)
                          .arg(report.ours)
                          .arg(LineToWide(report.word1), LineToWide(report.word2));
}

// Finished by the outgoing queue: the numbering change at the start of a day.
void TExchange::HandleNumberingChange(const TNumberingChange& change) {
    deferredCalls_ << QStringLiteral("HandleNumberingChange %1 %2 %3 %4 %5")
                          .arg(change.fields)
                          .arg(change.received)
                          .arg(change.sent)
                          .arg(LineToWide(change.word1), LineToWide(change.word2));
}

// Finished by the outgoing queue: the file being sent was distorted on the line.
void TExchange::DistortedSent(const LineText& message) {
    deferredCalls_ << QStringLiteral("DistortedSent ") + LineToWide(message);
}

// Finished by the outgoing queue: the service telegram being sent was accepted.
void TExchange::ServiceAccepted() {
    deferredCalls_ << QStringLiteral("ServiceAccepted");
}

// Finished by the outgoing queue: the next scan of the output folder is due
// in at most five seconds.
void TExchange::ShortenScanCountdown() {
    deferredCalls_ << QStringLiteral("ShortenScanCountdown");
}
