#pragma once

// "tarvo --register [DAY] --csv FILE --pdf FILE": the register of a day
// written for a shift's hand-over script, without a window and without a
// display. It reads the program folder and its settings as the workstation
// finds them and leaves no trace there: no protocol, no settings written,
// no single-instance lock, so it runs beside a running workstation. Silent
// on success (0); one line on standard error otherwise (1).
int RegisterCommandMain(int argc, char** argv);
