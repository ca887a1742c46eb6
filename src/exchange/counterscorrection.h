#pragma once

class TExchange;
class TProtocol;
struct _tlg_status;

// The operator's correction of the day counters (the counters dialog
// "Счетчики суточного обмена"), without its window.

// The dialog keeps the exchange in manual mode while it is open, so that
// nothing is sent under numbers about to change. Returns whether the mode
// was automatic, for EndCountersCorrection.
bool BeginCountersCorrection(TExchange& exchange);
// Automatic mode again when it was automatic before.
void EndCountersCorrection(TExchange& exchange, bool wasAutomatic);

// What the dialog showed and what the operator left in its spin fields.
struct TCountersCorrection {
    int shownInput = 0;
    int shownOutput = 0;
    int input = 0;   // NumberInput wanted
    int output = 0;  // NumberOutput wanted
};

// "Применить". A counter whose field the operator left as shown keeps its
// current value: the exchange goes on receiving while the dialog is open,
// and a telegram counted meanwhile must not be uncounted. When a value
// changes: КГ2 in channel state РБ; the event line CR + "hh:nn:ss" +
// " КОРРЕКТИРОВКА СЧЕТЧИКОВ: ВАШ " + old output + " НАШ " + old input +
// " => ВАШ " + new output + " НАШ " + new input; the new values are stored
// and written to the settings file at once. Values are kept within 0-999.
// True when something changed.
bool ApplyCountersCorrection(TExchange& exchange, _tlg_status& status, TProtocol& protocol,
                             const TCountersCorrection& correction);
