#pragma once

#include <QString>

class IExchangeHost;
class TExchange;

// The operator's service-group buttons on the protocol page: КГ0, КГ1, КГ2,
// КГ4 and КГ5. The line texts of the groups are TExchange::SendServiceGroup's;
// this is what a press adds around it.

// КГ4 has no line text: its button opens the confirmation window of
// category Р.
inline constexpr int kServiceGroupKG4 = 4;

// The groups that have a button, in the order they are shown.
inline constexpr int kServiceButtonGroups[] = {0, 1, 2, kServiceGroupKG4, 5};

// The button's caption ("КГ0 (ЗЗ)", ...); empty for a group without one.
QString ServiceGroupCaption(int group);

// A press: the answerback is armed; every group but КГ0 first switches to
// manual mode, because the operator now speaks to the centre himself; then
// the group goes to the line, or, for КГ4, the host opens the confirmation
// window with an empty message. Bringing the protocol page to the front is
// the caller's.
void PressServiceGroupButton(TExchange& exchange, IExchangeHost* host, int group);
