#include "line/tlgclient.h"

// The serial adapter link. This build has no driver for the line adapter: the
// cycle says so once and waits, so that the operator sees why nothing comes
// and a later change of the settings takes effect at once.
void CTlgClient::AdapterCycle() {
    serialOpen_ = false;
    if (lastStatusCode_ != kStatusSerialUnavailable) {
        lastStatusCode_ = kStatusSerialUnavailable;
        Report(WorkLabel() + QStringLiteral(" СВЯЗЬ ЧЕРЕЗ АДАПТЕР В ЭТОЙ СБОРКЕ НЕДОСТУПНА"));
    }
    waitSeconds_ = 60;
}
