#pragma once

#include "register/register.h"

#include <QList>
#include <QString>

class QPagedPaintDevice;

// The register on paper: A4, each page headed by the workstation's title,
// the day and the page's number; the gaps and the totals first, then the
// received telegrams, the service messages and the sent telegrams (a table
// each, its header again on every page), then the chart.
struct TRegisterDocument {
    QString workstation;  // the window title of the workstation ("-t")
    TRegisterDay day;
    QList<TRegisterDayTotal> strip;
};

// Lays the document out on the device and paints it. Neither window nor
// application event is needed: it runs on a thread of its own. Empty on
// success, else the operator's error.
QString PaintRegisterDocument(QPagedPaintDevice& device, const TRegisterDocument& document);

// The document as a PDF file, written whole or not at all.
QString WriteRegisterPdf(const QString& path, const TRegisterDocument& document);

// The document on the page printer of the settings (PRINT/WindowsPrinterN:
// an index into the system's printers, -1 the default one).
QString PrintRegister(int printerIndex, const TRegisterDocument& document);
