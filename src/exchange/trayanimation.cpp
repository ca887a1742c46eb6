#include "exchange/trayanimation.h"

#include "exchange/exchange.h"

int NextTrayImage(bool connected, int channelState, bool automatic, int current, int& activity) {
    if (!connected)
        return kTrayImageDisconnected;
    switch (channelState) {
        case TExchange::StateRB: {
            if (activity == 0)
                return automatic ? kTrayImageRBAutomatic : kTrayImageRBManual;
            const int next = ((current + 1) % kTrayAnimationFrames + kTrayAnimationFrames) %
                             kTrayAnimationFrames;
            if (next == 0)
                activity = 0;
            return next;
        }
        case TExchange::StateBA:
            return kTrayImageBA;
        case TExchange::StateBD:
            return kTrayImageBD;
        case TExchange::StateBV:
            return kTrayImageBV;
        default:
            return 0;
    }
}
