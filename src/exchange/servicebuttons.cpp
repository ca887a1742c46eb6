#include "exchange/servicebuttons.h"

#include "exchange/exchange.h"

QString ServiceGroupCaption(int group) {
    switch (group) {
        case TExchange::KG0:
            return QStringLiteral("КГ0 (ЗЗ)");
        case TExchange::KG1:
            return QStringLiteral("КГ1 (ВАШ)");
        case TExchange::KG2:
            return QStringLiteral("КГ2 (СТОП)");
        case kServiceGroupKG4:
            return QStringLiteral("КГ4 (Р)");
        case TExchange::KG5:
            // Latin letters, as the operators have always seen it.
            return QStringLiteral("КГ5 (TEKCT)");
        default:
            return {};
    }
}
