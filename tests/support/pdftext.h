#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The text of a PDF file as pdftotext (poppler-utils) lays it out: for each
// page its lines, trimmed, blank ones left out. Nothing when pdftotext cannot
// read the file (a document that was never ended).
std::optional<QList<QStringList>> PdfPages(const QString& pdf);
