#pragma once

#include "exchange/exchange.h"

#include <QString>

// The operator's service-group buttons on the protocol page: КГ0, КГ1, КГ2,
// КГ4 and КГ5. The line texts of the groups are TExchange::SendServiceGroup's;
// TExchange::PressServiceGroup is what a press does.

// КГ4 has no line text: its button opens the confirmation window of
// category Р.
inline constexpr int kServiceGroupKG4 = TExchange::KG4;

// The groups that have a button, in the order they are shown.
inline constexpr int kServiceButtonGroups[] = {0, 1, 2, kServiceGroupKG4, 5};

// The button's caption ("КГ0 (ЗЗ)", ...); empty for a group without one.
QString ServiceGroupCaption(int group);
