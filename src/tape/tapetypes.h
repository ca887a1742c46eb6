#pragma once

#include "util/texttypes.h"

// What a read of paper tape gives back: whether the operator took the text
// ("Принять") and the line code read.
struct TapeReadResult {
    bool accepted = false;
    LineText text;
};

// The operator's choice in the use-select dialog.
enum class TapeDirection { Read, Write, Cancel };
