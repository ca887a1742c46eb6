#pragma once

#include "util/texttypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// The raw path of telegram printing: 8-bit text, or 8 x 8 dot graphics, to a
// character printer on a local device, a CUPS queue or a network printer.

struct TRawPrintSettings {
    QString prn = QStringLiteral("PRN");  // PRINT/PRN
    QString ip;                           // PRINT/IP: a network printer when set
    int port = 9100;                      // the network printer's port
    int connectTimeoutMs = 3000;          // a dead printer holds nothing for long
    int writeTimeoutMs = 30000;           // a device that takes no byte for this long is gone
    int skipLines = 4;                    // PRINT/SkipLines
    bool printRegisters = false;          // PRINT/PrintRegisters
    bool graphics = false;                // PRINT/LoadFont
    QByteArray font;                      // 256 glyphs of 8 columns (LoadPrinterFont)
};

// The bytes the printer gets: the lines as line code (each followed by
// CR LF), every 4 as Ч, cut to 6 143 bytes, register marks removed unless
// kept, between two banners with dateTime, then the paper advance.
QByteArray RawPrintText(const QStringList& lines, const TRawPrintSettings& settings,
                        const QString& dateTime);

// The bytes a centre message prints as: every 4 as Ч, at most 6 144 bytes,
// register marks removed unless kept; no banner and no paper advance.
QByteArray RawMessageText(const LineText& text, const TRawPrintSettings& settings);

// A print text as dot graphics: reset and line spacing, then per line the
// glyph columns as one 8-dot bit image and a line feed. A line of more than
// 80 characters goes on on the next printed line.
QByteArray DotGraphics(const QByteArray& printText, const QByteArray& font);

// The device a PRINT/PRN value names: "PRN" and "LPT1" the first of
// /dev/usb/lp0 and /dev/lp0 that exists, "LPT2" of /dev/usb/lp1 and
// /dev/lp1; a value starting with "/" that path when it exists; "cups:QUEUE"
// as it is. Empty when there is no such device.
QString ResolvePrintDevice(const QString& prn);

struct TPrintOutcome {
    // Interrupted: given up because the caller asked to stop.
    enum Kind { Printed, NoDevice, NoConnection, Interrupted };
    Kind kind = Printed;
    QString detail;  // the network printer's address, or what the spooler said
};

// Hands the print text to its printer: the network printer when an address
// is set (plain text), otherwise the device (as dot graphics when asked).
// Never reports a print that did not reach its device as done. Every wait is
// bounded: a device that takes no byte within writeTimeoutMs (a printer out
// of paper) counts as missing. stopRequested is asked while it waits; when
// it turns true the print is given up at once.
TPrintOutcome SendRawPrint(const QByteArray& printText, const TRawPrintSettings& settings,
                           const std::function<bool()>& stopRequested = {});

// The program that takes CUPS jobs ("lp"); tests put a script of their own.
void SetCupsSubmitProgram(const QString& program);

// Fills font (2 048 bytes of glyph columns) from a file of 256 glyphs of
// eight row bytes (row 0 on top, bit 7 the leftmost dot). False, with font
// unchanged, when the file cannot be read or is shorter than 2 048 bytes.
bool LoadPrinterFont(const QString& path, QByteArray& font);
