#include "print/pageprint.h"

#include "util/linecode.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

const QString kBanner = QStringLiteral("------------------------------------------- KORVEL/COM ");

// A display line as the page shows it.
QString PrintedLine(const QString& line, bool printRegisters) {
    QString text;
    text.reserve(line.size());
    for (const QChar c : line) {
        if (!printRegisters && c.unicode() < 0x80 && IsRegisterMark(char(c.unicode())))
            continue;
        text += c == u'4' ? QChar(u'Ч') : c;
    }
    return text;
}

// Draws the lines one below the other, y being the top of the next line.
class PageWriter {
public:
    PageWriter(QPrinter& printer, QPainter& painter) : printer_(printer), painter_(painter) {
        // The whole sheet, origin at its corner (full-page mode): the margins
        // are ours, the same on every printer and in a PDF.
        const QRect page = printer.pageLayout().fullRectPixels(printer.resolution());
        pageHeight_ = page.height();
        margin_ = page.width() / 20;
        usableWidth_ = page.width() - 2 * margin_;
        const QFontMetrics metrics = painter.fontMetrics();
        lineHeight_ = metrics.size(Qt::TextSingleLine, QStringLiteral("gh")).height();
        ascent_ = metrics.ascent();
        y_ = margin_;
    }

    int usableWidth() const { return usableWidth_; }

    void Draw(const QString& text) { painter_.drawText(margin_, y_ + ascent_, text); }

    void Skip(int lines) { y_ += lines * lineHeight_; }

    // Moves down a line, onto a new page below the bottom margin; false when
    // the printer gave no new page.
    bool Advance() {
        y_ += lineHeight_;
        if (y_ <= pageHeight_ - margin_)
            return true;
        y_ = margin_;
        return printer_.newPage();
    }

private:
    QPrinter& printer_;
    QPainter& painter_;
    int pageHeight_ = 0;
    int margin_ = 0;
    int usableWidth_ = 0;
    int lineHeight_ = 0;
    int ascent_ = 0;
    int y_ = 0;
};

bool PrintLines(QPrinter& printer, QPainter& painter, const QStringList& lines,
                const TPagePrintSettings& settings, const QString& dateTime) {
    PageWriter page(printer, painter);
    const QFontMetrics metrics = painter.fontMetrics();
    if (settings.banner) {
        page.Draw(kBanner + dateTime);
        page.Skip(2);
    }
    for (const QString& line : lines) {
        QString rest = PrintedLine(line, settings.printRegisters);
        if (settings.autoWordWrap) {
            while (metrics.horizontalAdvance(rest) > page.usableWidth()) {
                // The longest prefix that fits, shrinking one character at a
                // time, but never less than one character.
                qsizetype count = rest.size();
                while (count > 1 &&
                       metrics.horizontalAdvance(rest.left(count)) > page.usableWidth())
                    --count;
                page.Draw(rest.left(count));
                rest.remove(0, count);
                if (!page.Advance())
                    return false;
            }
        }
        page.Draw(rest);
        if (!page.Advance())
            return false;
    }
    return true;
}

}  // namespace

QString PrintPages(QPrinter& printer, const QStringList& lines, const TPagePrintSettings& settings,
                   const QString& dateTime) {
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return QStringLiteral("Не удалось начать печать на принтере ") + printer.printerName();
    painter.setFont(settings.font);
    const bool printed = PrintLines(printer, painter, lines, settings, dateTime);
    // Ending the document also on failure hands over what was printed and
    // frees the printer for the next job.
    const bool ended = painter.end();
    if (!printed || !ended)
        return QStringLiteral("Ошибка печати на принтере ") + printer.printerName();
    return QString();
}

bool SelectPagePrinter(QPrinter& printer, int index, QString* error) {
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (printers.isEmpty()) {
        if (error)
            *error = QStringLiteral("Нет доступных принтеров: печать невозможна");
        return false;
    }
    QPrinterInfo chosen;
    if (index >= 0 && index < printers.size())
        chosen = printers[index];
    else
        chosen = QPrinterInfo::defaultPrinter();
    if (chosen.isNull())
        chosen = printers.first();
    printer.setPrinterName(chosen.printerName());
    return true;
}
