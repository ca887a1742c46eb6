#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QPrinter;

// The page-printer path of telegram printing: the telegram through the
// system's printer (CUPS) with the operator's printer font.

struct TPagePrintSettings {
    bool printRegisters = false;  // PRINT/PrintRegisters
    bool autoWordWrap = true;     // PRINT/AutoWordWrap
    QFont font;                   // FONT_PRN
    bool banner = true;           // a centre message prints without one
};

// Prints the banner with dateTime once at the top of the first page (unless
// the settings leave it out), then the lines (register marks removed unless
// kept, every 4 as Ч), wrapped by characters to the page when asked, with
// page breaks at the bottom margin.
// The printer is switched to full-page mode: its own margins are replaced by
// one twentieth of the page width. The document is ended however printing
// goes. Returns an empty text when printed, otherwise the operator's error.
QString PrintPages(QPrinter& printer, const QStringList& lines, const TPagePrintSettings& settings,
                   const QString& dateTime);

// Points printer at entry index of the system's printer list
// (PRINT/WindowsPrinterN); -1, or an index that is not in the list, is the
// default printer (the first one when none is the default). False, with
// the operator's error, when the system has no printers at all.
bool SelectPagePrinter(QPrinter& printer, int index, QString* error);
