#include "exchange/counterscorrection.h"

#include "config/tlgconfig.h"
#include "exchange/exchange.h"
#include "protocol/protocol.h"

#include <algorithm>

bool BeginCountersCorrection(TExchange& exchange) {
    const bool wasAutomatic = exchange.IsAutomatic();
    if (wasAutomatic)
        exchange.SetMode(false);
    return wasAutomatic;
}

void EndCountersCorrection(TExchange& exchange, bool wasAutomatic) {
    if (wasAutomatic)
        exchange.SetMode(true);
}

bool ApplyCountersCorrection(TExchange& exchange, _tlg_status& status, TProtocol& protocol,
                             const TCountersCorrection& correction) {
    auto wanted = [](int shown, int value, int current) {
        return value == shown ? current : std::clamp(value, 0, 999);
    };
    const int oldInput = status.NumberInput;
    const int oldOutput = status.NumberOutput;
    const int input = wanted(correction.shownInput, correction.input, oldInput);
    const int output = wanted(correction.shownOutput, correction.output, oldOutput);
    if (input == oldInput && output == oldOutput)
        return false;

    if (exchange.ChannelState() == TExchange::StateRB)
        exchange.SendServiceGroup(TExchange::KG2);
    protocol.AddMessage(
        QStringLiteral("\r") + status.CurrentSecondsColonText +
            QStringLiteral(" КОРРЕКТИРОВКА СЧЕТЧИКОВ: ВАШ ") + QString::number(oldOutput) +
            QStringLiteral(" НАШ ") + QString::number(oldInput) + QStringLiteral(" => ВАШ ") +
            QString::number(output) + QStringLiteral(" НАШ ") + QString::number(input),
        kProtocolEvent);
    status.NumberInput = input;
    status.NumberOutput = output;
    exchange.SaveCounters();
    return true;
}
