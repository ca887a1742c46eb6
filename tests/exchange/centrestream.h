#pragma once

#include "util/texttypes.h"

#include <QString>

// Pieces of a centre's stream for tests and benchmarks, in line code.

// "\r\nЗЦЗЦ " + number + " " + header + "\r\n" + text + "\r\nНННН  ".
LineText CentreTelegram(int number, const QString& header, const QString& text);
// The trailer after "НННН  " as the centre of the given type sends it, with
// its line end.
LineText CentreTrailer(int number, int ccm);
// A receipt of the given centre type.
LineText CentreReceipt(int number, int ccm);
// "\r\nЗЦЗЦ " + text + "\r\nНННН  " + "\r\n".
LineText CentreMessage(const QString& text);

// A stream of telegrams numbered from first, each with its trailer and, when
// asked, its receipt, with centre messages between them. The texts and the
// headers vary with the seed.
LineText CentreDay(int first, int count, int ccm, bool receipts, quint32 seed);
